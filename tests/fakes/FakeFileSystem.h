// In-memory files for the native tests: path (case-insensitive) -> bytes.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

namespace qv::fake {

class FakeFileSystem final : public FileSystem {
public:
    enum class ReadFailure { None, Fail, OutOfMemory };

    void AddFile(const std::wstring& path, std::string bytes);
    // How ReadWholeFile treats `path` from now on (its length stays readable).
    void FailReads(const std::wstring& path, ReadFailure how);
    int reads = 0;
    std::vector<std::wstring> lengthQueries;  // FileLength's paths, in order

    std::optional<std::uint64_t> FileLength(const std::wstring& path) override;
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override;

private:
    static std::wstring Key(const std::wstring& path);
    std::map<std::wstring, std::string> files_;
    std::map<std::wstring, ReadFailure> failures_;
};

}  // namespace qv::fake
