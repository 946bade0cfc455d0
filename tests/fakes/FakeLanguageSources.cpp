#include "tests/fakes/FakeLanguageSources.h"

namespace qv::fake {

std::wstring FakeSettings::GetSetting(const std::wstring& appName, const std::wstring& section,
                                      const std::wstring& key, const std::wstring& fallback) {
    const std::wstring path = appName + L"\\" + section + L"\\" + key;
    reads.push_back(path);
    if (onRead) onRead(path);
    const auto value = values.find(path);
    return value == values.end() ? fallback : value->second;
}

std::optional<std::vector<FolderFile>> FakeFolders::Files(const std::wstring& path) {
    const auto folder = folders.find(path);
    if (folder == folders.end() || unreadable.count(path) != 0) return std::nullopt;
    std::vector<FolderFile> files;
    for (const std::wstring& name : folder->second) files.push_back({name, path + L"\\" + name});
    return files;
}

bool FakeFolders::MakeDirectory(const std::wstring& path) {
    ++makeAttempts;
    const auto slash = path.find_last_of(L'\\');
    if (path.empty() || slash == std::wstring::npos || folders.count(path) != 0 ||
        folders.count(path.substr(0, slash)) == 0)
        return false;
    folders[path];
    made.push_back(path);
    return true;
}

}  // namespace qv::fake
