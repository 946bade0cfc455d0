#include "tests/fakes/FakeFiles.h"

#include <new>

namespace qv::fake {

bool FakeFiles::Fails(const std::string& call) {
    const auto it = failing.find(call);
    return it != failing.end() && it->second.count(++counts_[call]) != 0;
}

std::optional<std::uint64_t> FakeFiles::FileLength(const std::wstring& path) {
    lengthQueries.push_back(path);
    const auto it = files_.find(path);
    if (Fails("FileLength") || it == files_.end()) return std::nullopt;
    return it->second.size();
}

std::optional<std::string> FakeFiles::ReadWholeFile(const std::wstring& path) {
    ++reads;
    if (tooLarge.count(path) != 0) throw std::bad_alloc();
    const auto it = files_.find(path);
    if (Fails("ReadWholeFile") || unreadable.count(path) != 0 || it == files_.end())
        return std::nullopt;
    return it->second;
}

std::optional<std::vector<FolderFile>> FakeFiles::Files(const std::wstring& path) {
    if (folders.count(path) == 0 || unreadable.count(path) != 0) return std::nullopt;
    std::vector<FolderFile> files;
    for (const std::wstring& name : folders[path]) files.push_back({name, PathInFolder(path, name)});
    return files;
}

bool FakeFiles::MakeDirectory(const std::wstring& path) {
    // Only the last level: the parent must exist and the path must not.
    const auto slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos || folders.count(path) != 0 ||
        folders.count(path.substr(0, slash)) == 0)
        return false;
    folders[path];
    return true;
}

std::wstring FakeFiles::GetSetting(const std::wstring& appName, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& fallback) {
    const auto it = settings.find(appName + L"\\" + section + L"\\" + key);
    return it == settings.end() ? fallback : it->second;
}

}  // namespace qv::fake
