// The language file: its lookup, its reading, and the choice of the file at
// start-up with the captions it translates.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "language/LanguageSelection.h"
#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

std::wstring Tr(std::wstring text, const std::wstring& language) {
    return changelstring(text, LanguageText(language));
}

TEST(changelstring, FindsTheEntryThatStartsALineWithExactlyTheKey) {
    const std::wstring german =
        L"Running=>erste Zeile\r\nRunning=>L\u00e4uft\r\nrunning=>zweiter Eintrag\r\n"
        L"Start=>  Los => jetzt \r\nBlank=>   \r\nEmpty=>\r\n Leading=>x\r\nTrailing =>x\r\n"
        L"\u00c4ndern=>Bearbeiten\r\nTab=>\ta\r\nClose=>Schlie\u00dfen";
    const std::wstring missing = L"A file is missing";
    // Each row: a key, a language text, what the lookup gives.
    const std::tuple<const wchar_t*, std::wstring, std::wstring> rows[] = {
        {L"Running", german, L"L\u00e4uft"},  // the first line is never an entry
        {L"RUNNING", german, L"L\u00e4uft"},  // any case; the first entry wins
        {L"\u00e4NDERN", german, L"Bearbeiten"},
        {L"Start", german, L"  Los => jetzt "},  // verbatim after the first "=>"
        {L"Tab", german, L"a"},  // no control character but the line ends
        {L"Close", german, L"Schlie\u00dfen"},  // the last line runs to the end
        {L"  Close ", german, L"Schlie\u00dfen"},  // searched without its blanks
        {L"  Paused ", german, L"  Paused "},       // not found: back with its blanks
        {L"Blank", german, L"Blank"},       {L"Empty", german, L"Empty"},
        {L"Leading", german, L"Leading"},   {L"Trailing", german, L"Trailing"},
        {L"Stop", german, L"Stop"},           // "Stop" is no entry of "Stopped"
        {L"Running", L"", L"Running"},   {L"Start", L"x\r\nStart=>", L"Start"},
        {L"   ", L"x\r\n   =>nichts\r\n", L"   "}, {L"", L"x\r\n=>nichts\r\n", L""},
        {L"\u0160", L"x\r\n\u0161=>ok", L"ok"},  // S with caron, in code page 1252 too
        // A match is exactly the key: neither longer (a soft hyphen, which a
        // locale-aware search ignores) nor shorter ("\u00df" for "ss").
        {L"Stop", L"x\r\nSt\u00adop=>Anhalten\r\n", L"Stop"},
        {missing.c_str(), L"x\r\nA file is mi\u00dfing=>Datei fehlt\r\n", missing.c_str()},
        {missing.c_str(), L"x\r\nA file is mi\u00dfing=>", missing.c_str()},
        // Cut at 1,000 characters, never inside a pair of surrogates.
        {L"Start", L"x\r\nStart=>" + std::wstring(1200, L'a') + L"\r\nStop=>b", std::wstring(1000, L'a')},
        {L"Start", L"x\r\nStart=>" + std::wstring(999, L'a') + L"\xD83D\xDCE1", std::wstring(999, L'a')},
        {L"Stop", L"x\r\nStart=>" + std::wstring(1200, L'a') + L"\r\nStop=>b", L"b"},
    };
    for (const auto& [key, text, result] : rows) EXPECT_EQ(Tr(key, text), result) << std::wstring(key);
}

// Each row: the file's bytes (none: missing), whether reading it fails or
// runs out of memory or others can change it or its folder, whether it has
// data; only a file with data that only administrators can change is read.
TEST(ReadTextFile, GivesNothingForAMissingEmptyUnreadableTooLargeOrExposedFile) {
    enum Read { kReads, kFails, kTooLarge, kOthersWriteIt, kOthersWriteTheFolder };
    const std::tuple<std::optional<std::string>, Read, std::optional<VbBool>, const wchar_t*> rows[] = {
        {std::nullopt, kReads, std::nullopt, L""}, {"", kReads, VbFalse, L""}, {"x", kReads, VbTrue, L"x"},
        {"x", kFails, VbTrue, L""},                {"x", kTooLarge, VbTrue, L""},
        {"x", kOthersWriteIt, VbTrue, L""},        {"x", kOthersWriteTheFolder, VbTrue, L""}};
    const std::wstring path = LR"(C:\Lang\German.txt)";
    for (const auto& [bytes, read, hasData, text] : rows) {
        fake::FakeFiles files;
        fake::FakeSecurity security;
        files.folders[LR"(C:\Lang)"] = {};
        files.settings[LR"(Quorvel\Options\LFOLDER)"] = LR"(C:\Lang)";
        files.settings[LR"(Quorvel\Options\Language)"] = L"German";
        if (bytes) files.AddFile(path, *bytes), files.folders[LR"(C:\Lang)"] = {L"German.txt"};
        if (read == kFails) files.failing["ReadWholeFile"] = {1};
        if (read == kTooLarge) files.tooLarge.insert(path);
        ObjectSecurity others = fake::FakeSecurity::AdministratorsOnly();
        others.allowed->push_back({fake::kAuthenticatedUsers, 0x1301BF});
        if (read == kOthersWriteIt) security.objects[path] = others;
        if (read == kOthersWriteTheFolder) security.objects[LR"(C:\Lang)"] = others;
        EXPECT_EQ(FileHasData(files, path), hasData);
        EXPECT_EQ(SelectLanguage(files, files, files, security).LanguageText, text);
        EXPECT_EQ(files.reads, hasData == VbTrue && read < kOthersWriteIt ? 1 : 0);
    }
}

// `text` with its byte order mark, as Notepad saves "Unicode" (little-endian)
// and "Unicode big endian"; `tail` is appended as it stands.
std::string Utf16(std::u16string_view text, bool bigEndian, std::string_view tail = "") {
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
        bytes.append({bigEndian ? high : low, bigEndian ? low : high});
    }
    return bytes.append(tail);
}

// Each row: a file's bytes, what "Start" and "Stop" translate to through it.
// Natively the code page is 1252 and UTF-8 is told by our own decoder; in
// the Windows test program the same rows hold the system's functions to it.
struct FileRow {
    std::string bytes;
    std::wstring start;
    std::wstring stop = L"Stop";
};

TEST(ReadTextFile, EachEncodingAndLineEndReadsAsTheTranslatorWroteIt) {
    const std::wstring russian = L"\u041f\u0443\u0441\u043a";
    const std::string russianUtf8 = "\xD0\x9F\xD1\x83\xD1\x81\xD0\xBA";
    // The first and last code point of each length.
    const std::string edgesUtf8 =
        "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    // U+0080, a control character, is dropped when read.
    const std::wstring edges = L"\u07ff\u0800\uffff\xD800\xDC00\xDBFF\xDFFF";
    const FileRow rows[] = {
        // UTF-8 with its mark, and each ill-formed sequence one U+FFFD: cut
        // short, stray, overlong, a surrogate, past U+10FFFF.
        {"\xEF\xBB\xBFh\r\nStart=>" + russianUtf8 + "\r\n", russian},
        {"\xEF\xBB\xBFh\r\nStart=>" + edgesUtf8, edges},
        {"\xEF\xBB\xBFh\r\nStart=>a\xE2\x82" "b\x80" "c\xC0\x80" "d\xED\xA0\x80" "e\xF4\x90\x80\x80" "f\xE2",
         L"a\ufffdb\ufffdc\ufffd\ufffdd\ufffd\ufffd\ufffde\ufffd\ufffd\ufffd\ufffdf\ufffd"},
        // Without a mark, well-formed UTF-8 beyond ASCII is UTF-8.
        {"h\r\nStart=>" + russianUtf8 + "\r\nStop=>\xD0\xA1\xD1\x82\xD0\xBE\xD0\xBF", russian,
         L"\u0421\u0442\u043e\u043f"},
        {"h\r\nStart=>" + edgesUtf8, edges},
        // Anything else without a mark is the code page, byte for byte, even
        // where all but one sequence is well-formed UTF-8.
        {"h\r\nStart=>Gr\xFC\xDF" "e\r\nStop=>Halt\r\n", L"Gr\u00fc\u00dfe", L"Halt"},
        {"h\r\nStart=>\xE4\x80\x9F\xFF", L"\u00e4\u20ac\u0178\u00ff"},
        {"h\r\nStart=>\xD0\x9F\xC1\xBF", L"\u00d0\u0178\u00c1\u00bf"},
        {"h\r\nStart=>\xD0\x9F\xED\xA0\x80", L"\u00d0\u0178\u00ed\u00a0\u20ac"},
        {"h\r\nStart=>\xD0\x9F\xF4\xA0\x80\x80", L"\u00d0\u0178\u00f4\u00a0\u20ac\u20ac"},
        {"h\r\nStart=>\xD0\x9F\xA9", L"\u00d0\u0178\u00a9"},
        {"h\r\nStart=>\xD0\x9F\xD0", L"\u00d0\u0178\u00d0"},
        {"h\r\nStart=>\xEF\xBB\r\n", L"\u00ef\u00bb"},
        // UTF-16 after its mark; an odd last byte is one U+FFFD.
        {Utf16(u"h\nStart=>\u041f\u0443\u0441\u043a\nStop=>Halt\n", false), russian, L"Halt"},
        {Utf16(u"h\r\nStart=>\u041f\u0443\u0441\u043a\r\nStop=>\U0001F4E1\r\n", true), russian,
         L"\xD83D\xDCE1"},
        {Utf16(u"h\r\nStart=>Los\r\nStop=>Halt", false), L"Los", L"Halt"},
        {Utf16(u"h\r\nStart=>Los", false, "A"), L"Los\ufffd"},
        {Utf16(u"h\r\nStart=>Los", true, std::string_view("\0", 1)), L"Los\ufffd"},
        // CR LF, LF and a lone CR each end a line, in any mix, and the first
        // line is never an entry whatever ends it.
        {std::string("h\r\nStart=>D\xE9m\0arrer\x7F\r\nStop=>\x01", 29), L"D\u00e9marrer"},
        {"Stop=>no\nStart=>Los\nStop=>Halt\n", L"Los", L"Halt"},
        {"Stop=>no\rStart=>Los\rStop=>Halt\r", L"Los", L"Halt"},
        {"h\r\r\nStart=>Los\r\r\nStop=>Halt\r\r\n", L"Los", L"Halt"},
        {"h\nStart=> Los \rStop=>Halt\r\n", L" Los ", L"Halt"},
        {"h\rStart=>\r\nStop=>Halt\n", L"Start", L"Halt"},
        // The embeddings, overrides and isolates go (U+202A..U+202E,
        // U+2066..U+2069); the marks and joiners stay (U+200E, U+200F,
        // U+061C, U+200C, U+200D).
        {"h\nStart=>\xE2\x80\xAERestart\xE2\x80\xAA\xE2\x80\xAB\xE2\x80\xAC\xE2\x80\xAD\n"
         "Stop=>\xE2\x81\xA6" "a\xE2\x81\xA7" "b\xE2\x81\xA8" "c\xE2\x81\xA9\n", L"Restart", L"abc"},
        {"h\nStart=>\xE2\x80\x8E" "a\xE2\x80\x8F" "b\xD8\x9C" "c\xE2\x80\x8C" "d\xE2\x80\x8D\n",
         L"\u200ea\u200fb\u061cc\u200cd\u200d"},
    };
    fake::FakeFiles files;
    const std::wstring path = LR"(C:\Lang\Any.txt)";
    for (const FileRow& row : rows) {
        files.AddFile(path, row.bytes);
        const std::wstring text = ReadTextFile(files, path);
        EXPECT_EQ(Tr(L"Start", text), row.start) << row.bytes;
        EXPECT_EQ(Tr(L"Stop", text), row.stop) << row.bytes;
    }
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

// Each row: the German file, then the title, heading, Start, its tooltip,
// Stop, its tooltip, Restart, its tooltip and Close's tooltip it gives. The
// texts of several words are joined from single words unless the file
// translates them whole; a blank whole entry counts as none.
TEST(LanguageSelection, TheLastFileForTheLanguageTranslatesWordsOrWholePhrasesAndTheStatusFromTheFirstTick) {
    const std::pair<std::string, std::vector<std::wstring>> rows[] = {
        {kGermanFile,
         {L"Quorvel Sprachchat-Server Werkzeug", L"Dienst Zustand", L"Ausf\u00fchren", L"Ausf\u00fchren Dienst",
          L"Stopp", L"Stopp Dienst", L"Neustart \u2013 jetzt", L"Neustart \u2013 jetzt Dienst", L"Close"}},
        {kGermanFile + "Quorvel Voice Chat Server Tool=>Sprachchat-Werkzeug f\xFCr Quorvel\r\n"
                       "service status=>Zustand des Dienstes\r\nStart Service=>Dienst starten\r\n"
                       "Stop Service=>  \r\nRestart Service=>Dienst neu starten\r\n",
         {L"Sprachchat-Werkzeug f\u00fcr Quorvel", L"Zustand des Dienstes", L"Ausf\u00fchren", L"Dienst starten",
          L"Stopp", L"Stopp Dienst", L"Neustart \u2013 jetzt", L"Dienst neu starten", L"Close"}},
    };
    for (const auto& [file, texts] : rows) {
        fake::FakeWindow w;
        // Of the files that serve German the folder lists German.TXT last.
        w.files.folders[LR"(C:\Lang)"] = {L"German.txt.old", L"german.txt", L"German.TXT"};
        w.files.AddFile(LR"(C:\Lang\German.txt.old)", "h\r\nTool=>Alt\r\n");
        w.files.AddFile(LR"(C:\Lang\german.txt)", "h\r\nTool=>klein\r\n");
        w.files.AddFile(LR"(C:\Lang\German.TXT)", file);
        w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = LR"(C:\Lang)";
        w.files.settings[LR"(Quorvel\Options\Language)"] = L"German";
        w.form.Load();
        const frmVctool& f = w.form;
        EXPECT_EQ((std::vector<std::wstring>{f.lblts.Caption(), f.Label2.Caption(), f.lblStart.Caption(),
                                             f.lblStart.ToolTipText(), f.lblStop.Caption(),
                                             f.lblStop.ToolTipText(), f.lblRestart.Caption(),
                                             f.lblRestart.ToolTipText(), f.lblClose.ToolTipText()}),
                  texts);
        EXPECT_EQ(f.lblStatus.Caption(), L"Stopped");  // the first refresh came before
        w.desktop.Advance(800);
        EXPECT_EQ(f.lblStatus.Caption(), L"Gestoppt");
        w.Install(scm::kRunning);
        w.desktop.Advance(800);
        EXPECT_EQ(f.lblStatus.Caption(), L"L\u00e4uft");
    }
}

TEST(LanguageSelection, AMissingFolderIsMadeForLaterRuns) {
    fake::FakeWindow w;
    w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = LR"(C:\New)";
    w.form.Load();
    EXPECT_TRUE(w.files.folders.contains(LR"(C:\New)"));
}

// "C:" is drive C's current folder, for the existence test and the listing
// alike; a separator after it would make the listing read the root.
TEST(PathInFolder, AddsASeparatorOnlyWhereTheFolderLacksOne) {
    const std::tuple<const wchar_t*, const wchar_t*, const wchar_t*> rows[] = {
        {L"C:", L"German.txt", L"C:German.txt"}, {LR"(C:\)", L"*", LR"(C:\*)"},
        {L"C:/Lang/", L"*", L"C:/Lang/*"},       {LR"(C:\Lang)", L"German.txt", LR"(C:\Lang\German.txt)"}};
    for (const auto& [folder, name, path] : rows) EXPECT_EQ(PathInFolder(folder, name), path);
}

}  // namespace
}  // namespace qv
