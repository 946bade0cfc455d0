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
    EXPECT_EQ(read("\xEF\xBB\xBF\xE0\xA0\x80\xE2\x82\xAC\xF0\x9F\x93\xA1"),
              L"\u0800\u20ac\xD83D\xDCE1");
    EXPECT_EQ(read("\xEF\xBB\xBF\xE0\x80\x80"), L"\ufffd\ufffd\ufffd");  // overlong
    // The first and last code point of each length.
    EXPECT_EQ(read("\xEF\xBB\xBF\xC2\x80\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF"),
              L"\u0080\u07ff\uffff\xDBFF\xDFFF");
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

// Windows-1252 bytes: 0xFC is u-umlaut, 0x96 an en dash. "Quorvel" and
// "Close" are never looked up.
const std::string kGermanFile =
    "QVStatusTool language file: German\r\nQuorvel=>Kworvel\r\nClose=>Schlie\xDF"
    "en\r\nVoice Chat Server=>Sprachchat-Server\r\nTool=>Werkzeug\r\nService=>Dienst\r\n"
    "Status=>Zustand\r\nStart=>Ausf\xFChren\r\nStop=>Stopp\r\nRestart=>Neustart \x96 jetzt\r\n"
    "Stopped=>Gestoppt\r\nRunning=>L\xE4uft\r\n";

TEST(LanguageSelection, TheLastFileForTheLanguageTranslatesTextsAndTheStatusFromTheFirstTick) {
    fake::FakeWindow w;
    // Of the files that serve German the folder lists German.TXT last.
    w.files.folders[LR"(C:\Lang)"] = {L"German.txt.old", L"german.txt", L"German.TXT"};
    w.files.AddFile(LR"(C:\Lang\German.txt.old)", "h\r\nTool=>Alt\r\n");
    w.files.AddFile(LR"(C:\Lang\german.txt)", "h\r\nTool=>klein\r\n");
    w.files.AddFile(LR"(C:\Lang\German.TXT)", kGermanFile);
    w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = LR"(C:\Lang)";
    w.files.settings[LR"(Quorvel\Options\Language)"] = L"German";
    w.form.Load();
    const frmVctool& f = w.form;
    EXPECT_EQ((std::vector<std::wstring>{f.lblts.Caption(), f.Label2.Caption(), f.lblStart.Caption(),
                                         f.lblStart.ToolTipText(), f.lblStop.Caption(),
                                         f.lblStop.ToolTipText(), f.lblRestart.Caption(),
                                         f.lblRestart.ToolTipText(), f.lblClose.ToolTipText()}),
              (std::vector<std::wstring>{L"Quorvel Sprachchat-Server Werkzeug", L"Dienst Zustand",
                                         L"Ausf\u00fchren", L"Ausf\u00fchren Dienst", L"Stopp",
                                         L"Stopp Dienst", L"Neustart \u2013 jetzt",
                                         L"Neustart \u2013 jetzt Dienst", L"Close"}));
    EXPECT_EQ(f.lblStatus.Caption(), L"Stopped");  // the first refresh came before
    w.desktop.Advance(800);
    EXPECT_EQ(f.lblStatus.Caption(), L"Gestoppt");
    w.Install(scm::kRunning);
    w.desktop.Advance(800);
    EXPECT_EQ(f.lblStatus.Caption(), L"L\u00e4uft");
}

TEST(LanguageSelection, AMissingFolderIsMadeForLaterRunsAtItsLastLevelOnly) {
    for (const auto& [folder, made] : {std::pair{LR"(C:\New)", true}, {LR"(C:\No\Lang)", false}}) {
        fake::FakeWindow w;
        w.files.folders[L"C:"];
        w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = folder;
        w.form.Load();
        EXPECT_EQ(w.files.folders.count(folder), made ? 1u : 0u);
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
