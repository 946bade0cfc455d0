#include "platform/win32/FoldersWin32.h"

#include <windows.h>

#include <memory>
#include <type_traits>

namespace qv {
namespace {

struct FindCloser {
    void operator()(HANDLE find) const { FindClose(find); }
};
using UniqueFind = std::unique_ptr<std::remove_pointer_t<HANDLE>, FindCloser>;

std::wstring WithBackslash(std::wstring folder) {
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    return folder;
}

}  // namespace

bool FoldersWin32::FolderExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderFile>> FoldersWin32::Files(const std::wstring& path) {
    const std::wstring folder = WithBackslash(path);
    WIN32_FIND_DATAW found{};
    const HANDLE first = FindFirstFileExW((folder + L"*").c_str(), FindExInfoBasic, &found,
                                          FindExSearchNameMatch, nullptr, 0);
    if (first == INVALID_HANDLE_VALUE) {
        // An empty folder still has "." and ".."; failing here means the
        // list could not be read.
        return std::nullopt;
    }
    const UniqueFind find(first);
    std::vector<FolderFile> files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back({found.cFileName, folder + found.cFileName});
    } while (FindNextFileW(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return files;
}

bool FoldersWin32::MakeDirectory(const std::wstring& path) {
    return !path.empty() && CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

}  // namespace qv
