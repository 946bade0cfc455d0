#include "tests/fakes/FakeFileSystem.h"

#include <algorithm>
#include <new>

namespace qv::fake {

std::wstring FakeFileSystem::Key(const std::wstring& path) {
    std::wstring key = path;
    for (wchar_t& c : key)
        if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return key;
}

void FakeFileSystem::AddFile(const std::wstring& path, std::string bytes) {
    files_[Key(path)] = std::move(bytes);
}

void FakeFileSystem::FailReads(const std::wstring& path, ReadFailure how) {
    failures_[Key(path)] = how;
}

void FakeFileSystem::FailCall(const std::string& call, ReadFailure how, int occurrence) {
    numbered_.push_back({call, how, occurrence});
}

FakeFileSystem::ReadFailure FakeFileSystem::Armed(const std::string& call) {
    calls.push_back(call);
    const auto nth = std::count(calls.begin(), calls.end(), call);
    for (const Numbered& failure : numbered_)
        if (failure.call == call && failure.occurrence == nth) return failure.how;
    return ReadFailure::None;
}

std::optional<std::uint64_t> FakeFileSystem::FileLength(const std::wstring& path) {
    lengthQueries.push_back(path);
    if (Armed("FileLength") != ReadFailure::None) return std::nullopt;
    const auto it = files_.find(Key(path));
    if (path.empty() || it == files_.end()) return std::nullopt;
    return it->second.size();
}

std::optional<std::string> FakeFileSystem::ReadWholeFile(const std::wstring& path) {
    ++reads;
    const ReadFailure armed = Armed("ReadWholeFile");
    if (armed == ReadFailure::Fail) return std::nullopt;
    if (armed == ReadFailure::OutOfMemory) throw std::bad_alloc();
    const auto failure = failures_.find(Key(path));
    if (failure != failures_.end() && failure->second == ReadFailure::Fail) return std::nullopt;
    if (failure != failures_.end() && failure->second == ReadFailure::OutOfMemory)
        throw std::bad_alloc();
    const auto it = files_.find(Key(path));
    if (it == files_.end()) return std::nullopt;
    return it->second;
}

}  // namespace qv::fake
