#include <gtest/gtest.h>

#include <string>

#include "language/LanguageText.h"
#include "tests/fakes/FakeFileSystem.h"

namespace qv {
namespace {

// The translation of `text` through `language`.
std::wstring Tr(std::wstring text, std::wstring_view language) {
    return changelstring(text, LanguageText(std::wstring(language)));
}

constexpr std::wstring_view kGerman =
    L"Deutsch=>erste Zeile\r\n"
    L"Running=>L\u00e4uft\r\n"
    L"Stopped=>Angehalten\r\n"
    L"running=>zweiter Eintrag\r\n"
    L"Start=>  Los => jetzt \r\n"
    L"Blank=>   \r\n"
    L"Empty=>\r\n"
    L" Leading=>x\r\n"
    L"Trailing =>x\r\n"
    L"\u00c4ndern=>Bearbeiten\r\n"
    L"Close=>Schlie\u00dfen";

TEST(changelstring, FirstLineIsNeverAnEntry) {
    EXPECT_EQ(Tr(L"Deutsch", kGerman), L"Deutsch");
    EXPECT_EQ(Tr(L"Running", kGerman), L"L\u00e4uft");
    EXPECT_EQ(Tr(L"Go", L"\r\nGo=>Los"), L"Los");  // an empty first line
}

TEST(changelstring, KeyMatchesIgnoringCaseAndFirstDuplicateWins) {
    EXPECT_EQ(Tr(L"RUNNING", kGerman), L"L\u00e4uft");
    EXPECT_EQ(Tr(L"\u00e4NDERN", kGerman), L"Bearbeiten");
}

TEST(changelstring, KeyMustStandExactlyBetweenLineBreakAndArrow) {
    EXPECT_EQ(Tr(L"Leading", kGerman), L"Leading");
    EXPECT_EQ(Tr(L"Trailing", kGerman), L"Trailing");
    EXPECT_EQ(Tr(L"Stop", kGerman), L"Stop");
    EXPECT_EQ(Tr(L"Start", L"x\nStart=>Los\n"), L"Start");  // LF-only line breaks
}

TEST(changelstring, TranslationIsVerbatimUpToTheLineBreakOrTheEnd) {
    EXPECT_EQ(Tr(L"Start", kGerman), L"  Los => jetzt ");
    EXPECT_EQ(Tr(L"Close", kGerman), L"Schlie\u00dfen");
    EXPECT_EQ(Tr(L"Tab", L"x\r\nTab=>\ta\tb\r\n"), L"\ta\tb");
}

TEST(changelstring, BlankOrEmptyTranslationGivesTheArgumentBack) {
    std::wstring blank = L"Blank";
    EXPECT_EQ(changelstring(blank, LanguageText(std::wstring(kGerman))), L"Blank");
    EXPECT_EQ(blank, L"   ");  // str1 holds the translation found
    std::wstring empty = L"Empty";
    EXPECT_EQ(changelstring(empty, LanguageText(std::wstring(kGerman))), L"Empty");
    EXPECT_EQ(empty, L"");
}

TEST(changelstring, ArgumentIsSearchedTrimmedAndReturnedWholeWhenNotFound) {
    std::wstring found = L"  Stopped ";
    EXPECT_EQ(changelstring(found, LanguageText(std::wstring(kGerman))), L"Angehalten");
    EXPECT_EQ(found, L"Angehalten");
    std::wstring missing = L"  Paused ";
    EXPECT_EQ(changelstring(missing, LanguageText(std::wstring(kGerman))), L"  Paused ");
    EXPECT_EQ(missing, L"  Paused ");
}

TEST(changelstring, NothingToTranslateLeavesTheArgumentAlone) {
    EXPECT_EQ(Tr(L"Running", L""), L"Running");
    EXPECT_EQ(Tr(L"   ", L"x\r\n=>nichts\r\n   =>nichts\r\n"), L"   ");
    EXPECT_EQ(Tr(L"", L"x\r\n=>nichts\r\n"), L"");
}

// A match must be exactly the key: a locale-aware search would take
// "St<soft hyphen>op" for "Stop" (one character longer) or "mi\u00dfing" for
// "missing" (one shorter), and the translation would start in the wrong
// place, or past the end of the text.
TEST(changelstring, OnlyTheKeyItselfMatchesAndTheTranslationStartsAfterItsArrow) {
    EXPECT_EQ(Tr(L"Stop", L"x\r\nSt\u00adop=>Anhalten\r\n"), L"Stop");
    const std::wstring missing = L"A file is missing";
    const std::wstring sharpS = L"A file is mi\u00dfing=>";
    EXPECT_EQ(Tr(missing, L"x\r\n" + sharpS + L"Datei fehlt\r\n"), missing);
    EXPECT_EQ(Tr(missing, L"x\r\n" + sharpS), missing);
    EXPECT_EQ(Tr(L"Start", L"x\r\nStart=>"), L"Start");
    EXPECT_EQ(Tr(L"start", L"x\r\nSTART=>Los"), L"Los");
}

class LanguageFileTest : public ::testing::Test {
protected:
    std::wstring Read(std::string bytes) {
        files.AddFile(kPath, std::move(bytes));
        return ReadTextFile(files, kPath);
    }
    const std::wstring kPath = LR"(C:\Tools\Language\German.lng)";
    fake::FakeFileSystem files;
};

TEST_F(LanguageFileTest, DecodesWindows1252) {
    EXPECT_EQ(Read("x\r\nStart=>\xE4\x80\x9F\xFF"), L"x\r\nStart=>\u00e4\u20ac\u0178\u00ff");
    // Accented capitals and their small letters match each other.
    EXPECT_EQ(Tr(L"\u00c4nderung", Read("x\r\n\xE4NDERUNG=>ok\r\n")), L"ok");
    EXPECT_EQ(Tr(L"\u0160", Read("x\r\n\x9A=>ok")), L"ok");  // S caron, 0x9A small
}

TEST_F(LanguageFileTest, Utf16FileMatchesNothing) {
    const char raw[] = "x\0\r\0\n\0S\0t\0a\0r\0t\0=\0>\0L\0o\0s\0\r\0\n\0";
    const std::string utf16(raw, sizeof raw - 1);
    EXPECT_EQ(Tr(L"Start", Read(utf16)), L"Start");
}

TEST_F(LanguageFileTest, MissingEmptyOrUnreadableFilesGiveTheEmptyText) {
    EXPECT_EQ(ReadTextFile(files, kPath), L"");
    EXPECT_EQ(Read(""), L"");
    EXPECT_EQ(files.reads, 0);  // an empty file is not even opened

    files.AddFile(kPath, "x\r\nStart=>Los");
    files.FailReads(kPath, fake::FakeFileSystem::ReadFailure::Fail);
    EXPECT_EQ(ReadTextFile(files, kPath), L"");
    files.FailReads(kPath, fake::FakeFileSystem::ReadFailure::OutOfMemory);
    EXPECT_EQ(ReadTextFile(files, kPath), L"");
    EXPECT_EQ(files.reads, 2);
}

TEST_F(LanguageFileTest, FileHasDataTellsMissingFromEmpty) {
    EXPECT_EQ(FileHasData(files, kPath), std::nullopt);
    files.AddFile(kPath, "");
    EXPECT_EQ(FileHasData(files, kPath), VbFalse);
    files.AddFile(kPath, "x");
    EXPECT_EQ(FileHasData(files, kPath), VbTrue);
}

}  // namespace
}  // namespace qv
