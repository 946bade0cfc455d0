// The file and folder seams over the native file system, so the native
// tests can run the language selection on real folders.
#pragma once

#include "platform/FileSystem.h"
#include "platform/Folders.h"

namespace qv {

class FileSystemPosix final : public FileSystem {
public:
    std::optional<std::uint64_t> FileLength(const std::wstring& path) override;
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override;
};

class FoldersPosix final : public Folders {
public:
    bool FolderExists(const std::wstring& path) override;
    std::optional<std::vector<FolderFile>> Files(const std::wstring& path) override;
    bool MakeDirectory(const std::wstring& path) override;
};

}  // namespace qv
