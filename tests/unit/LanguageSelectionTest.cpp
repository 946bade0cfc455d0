#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "language/LanguageSelection.h"
#include "tests/fakes/FakeWindow.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv {
namespace {

constexpr wchar_t kFolder[] = LR"(C:\Lang)";

// Every caption and tooltip the start-up may translate, in the order it sets them.
const std::vector<std::wstring> kDesignTexts = {
    L"Quorvel Voice Chat Server Tool", L"Service Status", L"Start", L"Start Service",
    L"Stop", L"Stop Service", L"Restart", L"Restart Service"};

// Windows-1252 bytes: 0xFC is u-umlaut, 0xE4 a-umlaut, and 0x96 an en dash,
// which Latin-1 would get wrong. "Quorvel" and "Close" must stay untranslated.
const std::string kGermanFile =
    "QVStatusTool language file: German\r\n"
    "Quorvel=>Kworvel\r\n"
    "Close=>Schlie\xDF" "en\r\n"
    "Voice Chat Server=>Sprachchat-Server\r\n"
    "Tool=>Werkzeug\r\n"
    "Service=>Dienst\r\n"
    "Status=>Zustand\r\n"
    "Start=>Ausf\xFChren\r\n"
    "Stop=>Stopp\r\n"
    "Restart=>Neustart \x96 jetzt\r\n"
    "Stopped=>Gestoppt\r\n"
    "Running=>L\xE4uft\r\n";

// A file that only translates "Tool", so the title tells which file was loaded.
std::string ToolFile(const std::string& tool) { return "header\r\nTool=>" + tool + "\r\n"; }

// The window with its fakes; the language folder's parent "C:" exists.
struct Window : fake::FakeWindow {
    Window() {
        desktop.onTick = [this](int id) { form.OnTimer(id); };
        folders.folders[L"C:"];
    }
    // The language folder holding `entries` (name, bytes) in the listed order;
    // std::nullopt bytes: listed, but not a readable file.
    void Folder(const std::vector<std::pair<std::wstring, std::optional<std::string>>>& entries) {
        auto& names = folders.folders[kFolder];
        for (const auto& [name, bytes] : entries) {
            names.push_back(name);
            if (bytes) files.AddFile(std::wstring(kFolder) + L"\\" + name, *bytes);
        }
        settings.Set(L"LFOLDER", kFolder);
    }
    std::vector<std::wstring> Texts() const {
        return {form.lblts.Caption(),      form.Label2.Caption(),       form.lblStart.Caption(),
                form.lblStart.ToolTipText(), form.lblStop.Caption(),    form.lblStop.ToolTipText(),
                form.lblRestart.Caption(),   form.lblRestart.ToolTipText()};
    }
    // Overwrites every translatable text, so a later check shows whether the
    // start-up set them again.
    void Scribble() {
        for (Label* label : {&form.lblts, &form.Label2, &form.lblStart, &form.lblStop,
                             &form.lblRestart}) {
            label->SetCaption(L"?");
            label->SetToolTipText(L"?");
        }
        desktop.changes.clear();
    }
};

TEST(LanguageOfFile, FirstPieceWhenSecondIsTxtAndNameIsNotEnglishTxt) {
    const std::vector<std::pair<std::wstring, std::optional<std::wstring>>> table = {
        {L"German.txt", L"German"},        {L"German.TXT", L"German"},
        {L"german.Txt", L"german"},        {L"German.txt.old", L"German"},
        {L"english.txt.old", L"english"},  {L"Fran\u00e7ais.txt", L"Fran\u00e7ais"},
        {L".txt", L""},                    {L"English.txt", std::nullopt},
        {L"ENGLISH.TXT", std::nullopt},    {L"eNgLiSh.tXt", std::nullopt},
        {L"German..txt", std::nullopt},    {L"Brazilian.Portuguese.txt", std::nullopt},
        {L"German", std::nullopt},         {L"German.text", std::nullopt},
        {L"Germantxt", std::nullopt},      {L"German.tx", std::nullopt},
    };
    for (const auto& [name, language] : table)
        EXPECT_EQ(LanguageOfFile(name), language) << std::string(name.begin(), name.end());
}

TEST(LanguageSelection, ReadsFolderThenLanguageAfterTheFirstStatusRefresh) {
    Window w;
    std::vector<std::wstring> statusAtRead;
    w.settings.onRead = [&](const std::wstring&) {
        statusAtRead.push_back(w.form.lblStatus.Caption());
    };
    w.form.Load();
    EXPECT_EQ(w.settings.reads, (std::vector<std::wstring>{LR"(Quorvel\Options\LFOLDER)",
                                                           LR"(Quorvel\Options\Language)"}));
    EXPECT_EQ(statusAtRead, (std::vector<std::wstring>{L"Stopped", L"Stopped"}));
}

TEST(LanguageSelection, EnglishOrAbsentLanguageReadsNothingAndChangesNoText) {
    for (const wchar_t* language : {static_cast<const wchar_t*>(nullptr), L"English"}) {
        SCOPED_TRACE(language ? "English" : "absent");
        Window w;
        w.Folder({{L"German.txt", kGermanFile}, {L"English.txt.old", kGermanFile}});
        if (language) w.settings.Set(L"Language", language);
        w.Scribble();
        w.form.Load();
        EXPECT_EQ(w.form.fpath, kFolder);
        EXPECT_EQ(w.files.reads, 0);
        EXPECT_EQ(w.Texts(), std::vector<std::wstring>(8, L"?"));
        EXPECT_EQ(w.desktop.changes.count(ControlId::Label2), 0u);
        w.desktop.Advance(800);
        EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
    }
}

TEST(LanguageSelection, GermanTranslatesCaptionsTooltipsAndStatusFromTheFirstTick) {
    Window w;
    fake::FakeService stopped;
    stopped.state = scm::kStopped;
    w.manager.AddService(ServiceName, stopped);
    w.Folder({{L"German.txt", kGermanFile}});
    w.settings.Set(L"Language", L"German");
    w.form.Load();
    EXPECT_EQ(w.files.reads, 1);
    EXPECT_EQ(w.Texts(), (std::vector<std::wstring>{
                             L"Quorvel Sprachchat-Server Werkzeug", L"Dienst Zustand",
                             L"Ausf\u00fchren", L"Ausf\u00fchren Dienst", L"Stopp", L"Stopp Dienst",
                             L"Neustart \u2013 jetzt", L"Neustart \u2013 jetzt Dienst"}));
    EXPECT_EQ(w.form.lblClose.ToolTipText(), L"Close");
    EXPECT_EQ(w.desktop.changes[ControlId::Label2], 1);  // the view resizes the heading

    EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
    w.desktop.Advance(799);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
    w.desktop.Advance(1);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Gestoppt");
    w.manager.SetState(ServiceName, scm::kRunning);
    w.desktop.Advance(800);
    EXPECT_EQ(w.form.lblStatus.Caption(), L"L\u00e4uft");
}

TEST(LanguageSelection, AnyCaseOfEnglishIsAnotherLanguageButEnglishTxtIsNeverLoaded) {
    for (const std::wstring language : {L"english", L"ENGLISH"}) {
        SCOPED_TRACE(std::string(language.begin(), language.end()));
        Window w;
        // english.txt comes last, so loading it would win over the .old file.
        w.Folder({{language + L".txt.old", ToolFile("Old")},
                  {L"english.txt", ToolFile("Wrong")},
                  {L"ENGLISH.TXT", ToolFile("Wrong")}});
        w.settings.Set(L"Language", language);
        w.form.Load();
        EXPECT_EQ(w.files.reads, 1);
        EXPECT_EQ(w.form.lblts.Caption(), L"Quorvel Voice Chat Server Old");
    }
}

TEST(LanguageSelection, NothingLoadedStillSetsTheDesignTexts) {
    struct Case {
        const char* what;
        const wchar_t* language;
        std::vector<std::pair<std::wstring, std::optional<std::string>>> entries;
        bool unreadableList;
    };
    const std::vector<Case> cases = {
        {"name differs in case", L"German", {{L"german.txt", kGermanFile}}, false},
        {"dotted language name", L"Brazilian", {{L"Brazilian.Portuguese.txt", kGermanFile}}, false},
        {"no dot, other extension", L"German",
         {{L"German", kGermanFile}, {L"German.ini", kGermanFile}}, false},
        {"empty file", L"German", {{L"German.txt", std::string()}}, false},
        {"file vanished", L"German", {{L"German.txt", std::nullopt}}, false},
        {"list unreadable", L"German", {{L"German.txt", kGermanFile}}, true},
        {"empty folder", L"German", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w;
        w.Folder(c.entries);
        if (c.unreadableList) w.folders.unreadable.insert(kFolder);
        w.settings.Set(L"Language", c.language);
        w.Scribble();
        w.form.Load();
        EXPECT_EQ(w.Texts(), kDesignTexts);
        EXPECT_EQ(w.form.lblClose.ToolTipText(), L"Close");
        EXPECT_EQ(w.files.reads, 0);
        w.desktop.Advance(800);  // start-up went on: the refresh still runs
        EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
    }
}

TEST(LanguageSelection, LastQualifyingFileInTheFolderOrderWins) {
    struct Case {
        std::vector<std::pair<std::wstring, std::optional<std::string>>> entries;
        const wchar_t* title;
    };
    const std::vector<Case> cases = {
        {{{L"German.txt", ToolFile("New")}, {L"German.txt.old", ToolFile("Old")}}, L"Old"},
        {{{L"German.txt.old", ToolFile("Old")}, {L"German.txt", ToolFile("New")}}, L"New"},
        {{{L"German.TXT", ToolFile("New")}}, L"New"},
        {{{L"README", ToolFile("x")}, {L"German.txt", ToolFile("New")}}, L"New"},
        {{{L"German.txt", ToolFile("New")}, {L"German.txt.old", std::string()}}, L"Tool"},
        {{{L"German.txt", ToolFile("New")}, {L"German.txt.bak", ToolFile("Bak")}}, L"Tool"},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(i);
        Window w;
        w.Folder(cases[i].entries);
        // The last row's later file has a length but cannot be read.
        w.files.FailReads(LR"(C:\Lang\German.txt.bak)", fake::FakeFileSystem::ReadFailure::Fail);
        w.settings.Set(L"Language", L"German");
        w.form.Load();
        EXPECT_EQ(w.form.lblts.Caption(),
                  std::wstring(L"Quorvel Voice Chat Server ") + cases[i].title);
    }
}

TEST(LanguageSelection, MissingFolderIsCreatedOnlyAtItsLastLevelAndNothingLoads) {
    struct Case {
        const char* what;
        const wchar_t* lfolder;  // nullptr: the setting is absent
        bool created;
    };
    for (const Case& c : {Case{"absent", nullptr, false},
                          Case{"parent missing", LR"(C:\Missing\Lang)", false},
                          Case{"parent exists", kFolder, true}}) {
        SCOPED_TRACE(c.what);
        Window w;
        if (c.lfolder) w.settings.Set(L"LFOLDER", c.lfolder);
        w.settings.Set(L"Language", L"German");
        w.files.AddFile(std::wstring(c.lfolder ? c.lfolder : L"") + L"\\German.txt", kGermanFile);
        w.Scribble();
        w.form.Load();
        EXPECT_EQ(w.form.fpath, c.lfolder ? c.lfolder : L"");
        EXPECT_EQ(w.folders.makeAttempts, 1);
        EXPECT_EQ(w.folders.made, c.created ? std::vector<std::wstring>{c.lfolder}
                                            : std::vector<std::wstring>{});
        EXPECT_EQ(w.files.reads, 0);
        EXPECT_EQ(w.Texts(), kDesignTexts);
        if (!c.created) continue;
        // The next start finds the new folder empty: still English.
        w.Scribble();
        w.form.Form_Load();
        EXPECT_EQ(w.folders.makeAttempts, 1);
        EXPECT_EQ(w.files.reads, 0);
        EXPECT_EQ(w.Texts(), kDesignTexts);
    }
}

}  // namespace
}  // namespace qv
