// The seam over the file system: only what the tool asks of it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The length of the file at path, read without opening it; nothing when
    // the path names no file (missing, malformed, a folder, a drive not ready).
    virtual std::optional<std::uint64_t> FileLength(const std::wstring& path) = 0;

    // The whole file as raw bytes; nothing when it cannot be opened or read,
    // or is too large to hold in memory.
    virtual std::optional<std::string> ReadWholeFile(const std::wstring& path) = 0;
};

}  // namespace qv
