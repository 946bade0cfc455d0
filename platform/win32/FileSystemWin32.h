#pragma once

#include "platform/FileSystem.h"

namespace qv {

class FileSystemWin32 final : public FileSystem {
public:
    std::optional<std::uint64_t> FileLength(const std::wstring& path) override;
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override;
};

}  // namespace qv
