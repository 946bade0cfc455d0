#include "language/LanguageSelection.h"

#include <vector>

#include "language/LanguageText.h"
#include "service/WriteGuard.h"

namespace qv {
namespace {

constexpr wchar_t kApplication[] = L"Quorvel";
constexpr wchar_t kSection[] = L"Options";

// Only ASCII letters matter for the two comparisons made with it.
std::wstring LowerAscii(std::wstring text) {
    for (wchar_t& c : text)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return text;
}

std::vector<std::wstring> SplitAtDots(const std::wstring& name) {
    std::vector<std::wstring> pieces;
    std::size_t start = 0;
    for (std::size_t dot = name.find(L'.'); dot != std::wstring::npos;
         dot = name.find(L'.', start)) {
        pieces.push_back(name.substr(start, dot - start));
        start = dot + 1;
    }
    pieces.push_back(name.substr(start));
    return pieces;
}

// Makes the folder for later runs; whatever goes wrong is not reported.
void CreateLanguageFolder(Folders& folders, const std::wstring& path) {
    folders.MakeDirectory(path);
}

}  // namespace

std::optional<std::wstring> LanguageOfFile(const std::wstring& name) {
    const std::vector<std::wstring> pieces = SplitAtDots(name);
    if (pieces.size() < 2) return std::nullopt;
    if (LowerAscii(pieces[1]) != L"txt" || LowerAscii(name) == L"english.txt") return std::nullopt;
    return pieces[0];
}

LanguageChoice SelectLanguage(Settings& settings, Folders& folders, FileSystem& files,
                              Security& security) {
    LanguageChoice choice;
    choice.fpath = settings.GetSetting(kApplication, kSection, L"LFOLDER", L"");
    choice.LanguageName = settings.GetSetting(kApplication, kSection, L"Language", kEnglish);

    if (!folders.FolderExists(choice.fpath)) {
        CreateLanguageFolder(folders, choice.fpath);
        return choice;
    }
    // A folder whose list cannot be read leaves the window in English.
    const auto list = folders.Files(choice.fpath);
    if (!list) return choice;
    for (const FolderFile& file : *list) {
        const auto language = LanguageOfFile(file.Name);
        // The last qualifying file in the folder's order wins.
        if (language && *language == choice.LanguageName && choice.LanguageName != kEnglish)
            // Its texts name the commands a screen reader presses in an
            // administrator's tool: only an administrator may write them.
            choice.LanguageText =
                FindExposure(security, {file.Path}) ? std::wstring() : ReadTextFile(files, file.Path);
    }
    return choice;
}

}  // namespace qv
