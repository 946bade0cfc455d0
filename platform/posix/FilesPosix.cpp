#include "platform/posix/FilesPosix.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <system_error>

namespace qv {
namespace {

namespace fs = std::filesystem;

// Same bound as the Windows build: nothing the tool reads comes near it.
constexpr std::uintmax_t kLargestReadableFile = 64u * 1024u * 1024u;

}  // namespace

std::optional<std::uint64_t> FileSystemPosix::FileLength(const std::wstring& path) {
    std::error_code error;
    if (path.empty() || !fs::is_regular_file(fs::path(path), error)) return std::nullopt;
    const std::uintmax_t size = fs::file_size(fs::path(path), error);
    if (error) return std::nullopt;
    return size;
}

std::optional<std::string> FileSystemPosix::ReadWholeFile(const std::wstring& path) {
    const auto length = FileLength(path);
    if (!length || *length > kLargestReadableFile) return std::nullopt;
    std::ifstream file(fs::path(path), std::ios::binary);
    if (!file) return std::nullopt;
    try {
        std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        if (file.bad()) return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool FoldersPosix::FolderExists(const std::wstring& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(fs::path(path), error);
}

std::optional<std::vector<FolderFile>> FoldersPosix::Files(const std::wstring& path) {
    std::error_code error;
    std::vector<FolderFile> files;
    for (fs::directory_iterator it(fs::path(path), error); !error && it != fs::directory_iterator();
         it.increment(error)) {
        std::error_code kind;
        if (!it->is_regular_file(kind)) continue;
        files.push_back({it->path().filename().wstring(), it->path().wstring()});
    }
    if (error) return std::nullopt;
    return files;
}

bool FoldersPosix::MakeDirectory(const std::wstring& path) {
    std::error_code error;
    // Only the last level, like CreateDirectory: a missing parent fails.
    return !path.empty() && fs::create_directory(fs::path(path), error) && !error;
}

}  // namespace qv
