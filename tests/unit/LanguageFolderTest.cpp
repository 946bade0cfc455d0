// The language selection over real folders and files of the native file
// system, which the other tests stand in for with fakes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "language/LanguageSelection.h"
#include "platform/posix/FilesPosix.h"
#include "tests/fakes/FakeLanguageSources.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

class LanguageFolderTest : public ::testing::Test {
protected:
    LanguageFolderTest()
        : root_(fs::temp_directory_path() /
                ("qv-language-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
        fs::remove_all(root_);
        fs::create_directories(root_ / "lang");
        settings.Set(L"LFOLDER", (root_ / "lang").wstring());
    }
    ~LanguageFolderTest() override { fs::remove_all(root_); }

    void Write(const std::string& name, const std::string& bytes) {
        std::ofstream(root_ / "lang" / name, std::ios::binary) << bytes;
    }
    LanguageChoice Select() { return SelectLanguage(settings, folders, files); }

    fs::path root_;
    fake::FakeSettings settings;
    FoldersPosix folders;
    FileSystemPosix files;
};

TEST_F(LanguageFolderTest, OnlyTheFileNamedForTheLanguageIsLoaded) {
    Write("german.txt", "x\r\nStart=>lower\r\n");
    Write("English.txt", "x\r\nStart=>english\r\n");
    Write("Brazilian.Portuguese.txt", "x\r\nStart=>pt\r\n");
    Write("German", "x\r\nStart=>no dot\r\n");
    Write("German.TXT", "x\r\nStart=>Starten\r\n");
    fs::create_directory(root_ / "lang" / "German.txt.d");  // a folder is never a file
    settings.Set(L"Language", L"German");

    const LanguageChoice choice = Select();
    EXPECT_EQ(choice.LanguageName, L"German");
    EXPECT_EQ(choice.LanguageText, L"x\r\nStart=>Starten\r\n");
}

TEST_F(LanguageFolderTest, AnEmptyQualifyingFileLoadsNothing) {
    Write("German.txt", "");
    settings.Set(L"Language", L"German");
    EXPECT_EQ(Select().LanguageText, L"");
}

TEST_F(LanguageFolderTest, EnglishLoadsNothingEvenWithAFileForIt) {
    Write("English.txt.old", "x\r\nStart=>old\r\n");
    EXPECT_EQ(Select().LanguageText, L"");  // "Language" absent: English
    settings.Set(L"Language", L"English");
    EXPECT_EQ(Select().LanguageText, L"");
    settings.Set(L"Language", L"english");  // another language as far as the tool knows
    Write("english.txt.old", "x\r\nStart=>older\r\n");
    EXPECT_EQ(Select().LanguageText, L"x\r\nStart=>older\r\n");
}

TEST_F(LanguageFolderTest, AMissingFolderIsCreatedOnlyWhenItsParentExists) {
    const fs::path missing = root_ / "new";
    settings.Set(L"LFOLDER", missing.wstring());
    settings.Set(L"Language", L"German");
    EXPECT_EQ(Select().LanguageText, L"");
    EXPECT_TRUE(fs::is_directory(missing));

    const fs::path orphan = root_ / "absent" / "lang";
    settings.Set(L"LFOLDER", orphan.wstring());
    Select();
    EXPECT_FALSE(fs::exists(orphan));
    EXPECT_FALSE(fs::exists(root_ / "absent"));
}

// "C:" is drive C's current folder, for the existence test and the listing
// alike; a separator after it would make the listing read the root.
TEST(PathInFolder, AddsASeparatorOnlyWhereTheFolderLacksOne) {
    EXPECT_EQ(PathInFolder(L"C:", L"German.txt"), L"C:German.txt");
    EXPECT_EQ(PathInFolder(LR"(C:\)", L"*"), LR"(C:\*)");
    EXPECT_EQ(PathInFolder(LR"(C:\Lang)", L"*"), LR"(C:\Lang\*)");
    EXPECT_EQ(PathInFolder(L"C:/Lang/", L"*"), L"C:/Lang/*");
    EXPECT_EQ(PathInFolder(L"Lang", L"German.txt"), LR"(Lang\German.txt)");
}

}  // namespace
}  // namespace qv
