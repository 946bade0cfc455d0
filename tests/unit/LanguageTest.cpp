// The language file: its lookup, its reading, and the choice of the file at
// start-up with the captions it translates.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "language/LanguageSelection.h"
#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

std::wstring Tr(std::wstring text, const std::wstring& language) {
    return changelstring(text, LanguageText(language));
}

// Each row: a key, a language text, what the lookup gives.
struct Lookup {
    const wchar_t* key;
    std::wstring text;
    const wchar_t* result;
};

TEST(changelstring, FindsTheEntryThatStartsALineWithExactlyTheKey) {
    const std::wstring german =
        L"Running=>erste Zeile\r\nRunning=>L\u00e4uft\r\nrunning=>zweiter Eintrag\r\n"
        L"Start=>  Los => jetzt \r\nBlank=>   \r\nEmpty=>\r\n Leading=>x\r\nTrailing =>x\r\n"
        L"\u00c4ndern=>Bearbeiten\r\nTab=>\ta\r\nClose=>Schlie\u00dfen";
    const std::wstring missing = L"A file is missing";
    const Lookup rows[] = {
        {L"Running", german, L"L\u00e4uft"},  // the first line is never an entry
        {L"RUNNING", german, L"L\u00e4uft"},  // any case; the first entry wins
        {L"\u00e4NDERN", german, L"Bearbeiten"},
        {L"Start", german, L"  Los => jetzt "},  // verbatim after the first "=>"
        {L"Tab", german, L"\ta"},
        {L"Close", german, L"Schlie\u00dfen"},  // the last line runs to the end
        {L"  Close ", german, L"Schlie\u00dfen"},  // searched without its blanks
        {L"  Paused ", german, L"  Paused "},       // not found: back with its blanks
        {L"Blank", german, L"Blank"},
        {L"Empty", german, L"Empty"},
        {L"Leading", german, L"Leading"},
        {L"Trailing", german, L"Trailing"},
        {L"Stop", german, L"Stop"},           // "Stop" is no entry of "Stopped"
        {L"Running", L"", L"Running"},
        {L"   ", L"x\r\n   =>nichts\r\n", L"   "},
        {L"", L"x\r\n=>nichts\r\n", L""},
        {L"Start", L"x\nStart=>Los\n", L"Start"},  // LF-only line ends
        // A match is exactly the key: neither longer (a soft hyphen, which a
        // locale-aware search ignores) nor shorter ("\u00df" for "ss").
        {L"Stop", L"x\r\nSt\u00adop=>Anhalten\r\n", L"Stop"},
        {missing.c_str(), L"x\r\nA file is mi\u00dfing=>Datei fehlt\r\n", missing.c_str()},
        {missing.c_str(), L"x\r\nA file is mi\u00dfing=>", missing.c_str()},
        {L"Start", L"x\r\nStart=>", L"Start"},
    };
    for (const Lookup& row : rows)
        EXPECT_EQ(Tr(row.key, row.text), row.result) << std::wstring(row.key);
}

TEST(changelstring, LeavesTheTranslationFoundInItsArgumentEvenABlankOne) {
    const LanguageText text(L"x\r\nBlank=>   \r\nStopped=>Angehalten\r\n");
    std::wstring blank = L"Blank";
    EXPECT_EQ(changelstring(blank, text), L"Blank");
    EXPECT_EQ(blank, L"   ");
    std::wstring found = L" Stopped ";
    EXPECT_EQ(changelstring(found, text), L"Angehalten");
    EXPECT_EQ(found, L"Angehalten");
    EXPECT_EQ(changelstring(found = L" Stopped ", text), L"Angehalten");  // remembered alike
}

TEST(ReadTextFile, DecodesTheAnsiCodePageAndGivesNothingForAnythingUnreadable) {
    fake::FakeFiles files;
    const std::wstring path = LR"(C:\Lang\German.txt)";
    EXPECT_EQ(ReadTextFile(files, path), L"");
    EXPECT_EQ(FileHasData(files, path), std::nullopt);
    files.AddFile(path, "");
    EXPECT_EQ(ReadTextFile(files, path), L"");
    EXPECT_EQ(FileHasData(files, path), VbFalse);
    EXPECT_EQ(files.reads, 0);  // an empty file is not even opened
    files.AddFile(path, "x");
    EXPECT_EQ(ReadTextFile(files, path), L"x");
    files.AddFile(path, "x\r\nStart=>\xE4\x80\x9F\xFF");
    EXPECT_EQ(ReadTextFile(files, path), L"x\r\nStart=>\u00e4\u20ac\u0178\u00ff");
    files.AddFile(path, "x\r\n\x9A=>ok");  // small s with caron
    EXPECT_EQ(Tr(L"\u0160", ReadTextFile(files, path)), L"ok");
    files.unreadable.insert(path);
    EXPECT_EQ(ReadTextFile(files, path), L"");
    files.tooLarge.insert(path);
    EXPECT_EQ(ReadTextFile(files, path), L"");
}

TEST(ReadTextFile, DecodesUtf8AfterItsMarkWithOneReplacementForEachBadSequence) {
    fake::FakeFiles files;
    const std::wstring path = LR"(C:\Lang\Greek.txt)";
    const auto read = [&](const std::string& bytes) {
        files.AddFile(path, bytes);
        return ReadTextFile(files, path);
    };
    EXPECT_EQ(read("\xEF\xBB\xBFx\r\nStart=>\xCE\x88\xCE\xBD\xCE\xB1\xCF\x81\xCE\xBE\xCE\xB7"),
              L"x\r\nStart=>\u0388\u03bd\u03b1\u03c1\u03be\u03b7");
    EXPECT_EQ(read("\xEF\xBB\xBF\xE2\x82\xAC\xF0\x9F\x93\xA1"), L"\u20ac" + std::wstring(L"\U0001F4E1"));
    // Cut short, stray, overlong, a surrogate, past U+10FFFF: the text goes on.
    EXPECT_EQ(read("\xEF\xBB\xBF" "a\xE2\x82" "b\x80" "c\xC0\x80" "d\xED\xA0\x80" "e\xF4\x90\x80\x80" "f\xE2"),
              L"a\ufffdb\ufffdc\ufffd\ufffdd\ufffd\ufffd\ufffde\ufffd\ufffd\ufffd\ufffdf\ufffd");
    // Without the mark, as always: the ANSI code page, byte for byte.
    EXPECT_EQ(read("\xEF\xBB x"), L"\u00ef\u00bb x");
    EXPECT_EQ(Tr(L"Start", read("\xEF\xBB\xBFx\r\nStart=>\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA\r\n")),
              L"\u041f\u0443\u0441\u043a");
}

TEST(LanguageOfFile, IsTheFirstPieceWhenTheSecondIsTxtAndTheNameIsNotEnglishTxt) {
    const std::vector<std::pair<const wchar_t*, std::optional<std::wstring>>> rows = {
        {L"German.txt", L"German"},        {L"German.TXT", L"German"},
        {L"german.tXt", L"german"},        {L"German.txt.old", L"German"},
        {L"english.txt.old", L"english"},  {L".txt", L""},
        {L"English.txt", std::nullopt},    {L"eNgLiSh.TxT", std::nullopt},
        {L"German..txt", std::nullopt},    {L"Brazilian.Portuguese.txt", std::nullopt},
        {L"German", std::nullopt},         {L"German.text", std::nullopt},
        {L"German.tx", std::nullopt},
    };
    for (const auto& [name, language] : rows) EXPECT_EQ(LanguageOfFile(name), language) << std::wstring(name);
}

constexpr wchar_t kLang[] = LR"(C:\Lang)";

// Windows-1252 bytes: 0xFC is u-umlaut, 0x96 an en dash. "Quorvel" and
// "Close" are never looked up.
const std::string kGermanFile =
    "QVStatusTool language file: German\r\nQuorvel=>Kworvel\r\nClose=>Schlie\xDF"
    "en\r\nVoice Chat Server=>Sprachchat-Server\r\nTool=>Werkzeug\r\nService=>Dienst\r\n"
    "Status=>Zustand\r\nStart=>Ausf\xFChren\r\nStop=>Stopp\r\nRestart=>Neustart \x96 jetzt\r\n"
    "Stopped=>Gestoppt\r\nRunning=>L\xE4uft\r\n";
const std::vector<std::wstring> kDesignTexts = {
    L"Quorvel Voice Chat Server Tool", L"Service Status", L"Start", L"Start Service",
    L"Stop", L"Stop Service", L"Restart", L"Restart Service"};

struct Selection : fake::FakeWindow {
    // `language` (nullptr: unset) and a language folder holding `entries`
    // in the listed order; a file without bytes is listed but unreadable.
    Selection(const wchar_t* language,
              const std::vector<std::pair<std::wstring, std::optional<std::string>>>& entries) {
        files.folders[L"C:"];
        files.settings[LR"(Quorvel\Options\LFOLDER)"] = kLang;
        if (language) files.settings[LR"(Quorvel\Options\Language)"] = language;
        auto& names = files.folders[kLang];
        for (const auto& [name, bytes] : entries) {
            names.push_back(name);
            if (bytes) files.AddFile(std::wstring(kLang) + L"\\" + name, *bytes);
        }
        // Every translatable text scribbled over, so the start-up shows
        // whether it set them again.
        for (Label* label : {&form.lblts, &form.Label2, &form.lblStart, &form.lblStop,
                             &form.lblRestart}) {
            label->SetCaption(L"?");
            label->SetToolTipText(L"?");
        }
        form.Load();
    }
    std::vector<std::wstring> Texts() const {
        return {form.lblts.Caption(),       form.Label2.Caption(),    form.lblStart.Caption(),
                form.lblStart.ToolTipText(), form.lblStop.Caption(),   form.lblStop.ToolTipText(),
                form.lblRestart.Caption(),  form.lblRestart.ToolTipText()};
    }
};

std::string ToolFile(const std::string& tool) { return "header\r\nTool=>" + tool + "\r\n"; }

TEST(LanguageSelection, GermanTranslatesCaptionsTooltipsAndTheStatusFromTheFirstTick) {
    Selection w(L"German", {{L"German.txt", kGermanFile}});
    EXPECT_EQ(w.Texts(), (std::vector<std::wstring>{
                             L"Quorvel Sprachchat-Server Werkzeug", L"Dienst Zustand",
                             L"Ausf\u00fchren", L"Ausf\u00fchren Dienst", L"Stopp",
                             L"Stopp Dienst", L"Neustart \u2013 jetzt",
                             L"Neustart \u2013 jetzt Dienst"}));
    EXPECT_EQ(w.form.lblClose.ToolTipText(), L"Close");
    EXPECT_EQ(w.form.fpath, kLang);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");  // the first refresh came before
    w.desktop.Advance(800);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Gestoppt");
    w.Install(scm::kRunning);
    w.desktop.Advance(800);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"L\u00e4uft");
}

TEST(LanguageSelection, EnglishReadsNothingAndChangesNoText) {
    for (const wchar_t* language : {static_cast<const wchar_t*>(nullptr), L"English"}) {
        Selection w(language, {{L"German.txt", kGermanFile}, {L"English.txt.old", kGermanFile}});
        EXPECT_EQ(w.files.reads, 0);
        EXPECT_EQ(w.Texts(), std::vector<std::wstring>(8, L"?"));
    }
}

TEST(LanguageSelection, TheLastQualifyingFileWinsAndNothingLoadedMeansTheDesignTexts) {
    struct Case {
        const wchar_t* language;
        std::vector<std::pair<std::wstring, std::optional<std::string>>> entries;
        const wchar_t* tool;  // the title's last word
    };
    const Case cases[] = {
        {L"German", {{L"German.txt", ToolFile("New")}, {L"German.txt.old", ToolFile("Old")}}, L"Old"},
        {L"German", {{L"README", ToolFile("x")}, {L"German.TXT", ToolFile("New")}}, L"New"},
        // A later qualifying file that is empty or unreadable replaces the text.
        {L"German", {{L"German.txt", ToolFile("New")}, {L"German.txt.old", std::string()}}, L"Tool"},
        {L"German", {{L"German.txt", ToolFile("New")}, {L"German.txt.bak", std::nullopt}}, L"Tool"},
        {L"German", {{L"german.txt", ToolFile("x")}, {L"German.ini", ToolFile("x")}}, L"Tool"},
        // Any other case of English is another language; english.txt never loads.
        {L"english", {{L"english.txt.old", ToolFile("Old")}, {L"english.txt", ToolFile("x")}}, L"Old"},
        {L"German", {}, L"Tool"},
    };
    for (const Case& c : cases) {
        Selection w(c.language, c.entries);
        EXPECT_EQ(w.form.lblts.Caption(), std::wstring(L"Quorvel Voice Chat Server ") + c.tool);
        if (std::wstring(c.tool) == L"Tool") {
            EXPECT_EQ(w.Texts(), kDesignTexts);
        }
    }
    Selection unreadable(L"German", {{L"German.txt", kGermanFile}});
    unreadable.files.unreadable.insert(kLang);
    unreadable.form.Form_Load();
    EXPECT_EQ(unreadable.Texts()[0], L"Quorvel Voice Chat Server Tool");
}

TEST(LanguageSelection, AMissingFolderIsMadeOnlyAtItsLastLevelAndNothingLoads) {
    struct Case {
        const wchar_t* folder;  // nullptr: the setting is absent
        bool made;
    };
    for (const Case& c : {Case{nullptr, false}, Case{LR"(C:\Missing\Lang)", false},
                          Case{LR"(C:\New)", true}}) {
        fake::FakeWindow w;
        w.files.folders[L"C:"];
        if (c.folder) w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = c.folder;
        w.files.settings[LR"(Quorvel\Options\Language)"] = L"German";
        w.files.AddFile(std::wstring(c.folder ? c.folder : L"") + L"\\German.txt", kGermanFile);
        w.form.Load();
        EXPECT_EQ(w.files.madeFolders.size(), c.made ? 1u : 0u);
        EXPECT_EQ(w.files.reads, 0);
        EXPECT_EQ(w.form.lblStart.Caption(), L"Start");
    }
}

// "C:" is drive C's current folder, for the existence test and the listing
// alike; a separator after it would make the listing read the root.
TEST(PathInFolder, AddsASeparatorOnlyWhereTheFolderLacksOne) {
    EXPECT_EQ(PathInFolder(L"C:", L"German.txt"), L"C:German.txt");
    EXPECT_EQ(PathInFolder(LR"(C:\)", L"*"), LR"(C:\*)");
    EXPECT_EQ(PathInFolder(L"C:/Lang/", L"*"), L"C:/Lang/*");
    EXPECT_EQ(PathInFolder(LR"(C:\Lang)", L"German.txt"), LR"(C:\Lang\German.txt)");
}

}  // namespace
}  // namespace qv
