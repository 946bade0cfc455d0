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
    // Only the n-th call (1-based, over the fake's life) of "FileLength"
    // (any failure: the file is not there) or "ReadWholeFile" fails, as `how`.
    void FailCall(const std::string& call, ReadFailure how, int occurrence);
    int reads = 0;
    std::vector<std::string> calls;           // every call's name, in order
    std::vector<std::wstring> lengthQueries;  // FileLength's paths, in order

    std::optional<std::uint64_t> FileLength(const std::wstring& path) override;
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override;

private:
    static std::wstring Key(const std::wstring& path);
    std::map<std::wstring, std::string> files_;
    std::map<std::wstring, ReadFailure> failures_;
    struct Numbered {
        std::string call;
        ReadFailure how;
        int occurrence;
    };
    // The failure armed for this call of `call`, counted among its calls so far.
    ReadFailure Armed(const std::string& call);
    std::vector<Numbered> numbered_;
};

}  // namespace qv::fake
