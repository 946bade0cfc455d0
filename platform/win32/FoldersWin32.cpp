#include "platform/win32/FoldersWin32.h"

#include <windows.h>

#include "platform/win32/Handles.h"

namespace qv {

bool FoldersWin32::FolderExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::vector<FolderFile>> FoldersWin32::Files(const std::wstring& path) {
    WIN32_FIND_DATAW found{};
    const UniqueFind find(FindFirstFileExW(PathInFolder(path, L"*").c_str(), FindExInfoBasic,
                                           &found, FindExSearchNameMatch, nullptr, 0));
    // An empty folder still has "." and ".."; failing here means the list
    // could not be read.
    if (!find) return std::nullopt;
    std::vector<FolderFile> files;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        files.push_back({found.cFileName, PathInFolder(path, found.cFileName)});
    } while (FindNextFileW(find.get(), &found));
    if (GetLastError() != ERROR_NO_MORE_FILES) return std::nullopt;
    return files;
}

bool FoldersWin32::MakeDirectory(const std::wstring& path) {
    return !path.empty() && CreateDirectoryW(path.c_str(), nullptr) != FALSE;
}

}  // namespace qv
