// Files, folders and the settings store in memory, for the native tests.
#pragma once

#include <map>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/Folders.h"
#include "platform/Settings.h"

namespace qv::fake {

class FakeFiles final : public FileSystem, public Folders, public Settings {
public:
    void AddFile(const std::wstring& path, std::string bytes) { files_[path] = std::move(bytes); }
    // Folder path -> its files' names in the listing's order.
    std::map<std::wstring, std::vector<std::wstring>> folders;
    std::set<std::wstring> tooLarge;  // a read that runs out of memory
    // "Quorvel\Options\Language" -> value; absent: the caller's fallback.
    std::map<std::wstring, std::wstring> settings;
    std::vector<std::wstring> lengthQueries;
    int reads = 0;
    // Each call of that name fails while its count is in the set (1-based).
    std::map<std::string, std::set<int>> failing;

    std::optional<std::uint64_t> FileLength(const std::wstring& path) override {
        lengthQueries.push_back(path);
        const auto it = files_.find(path);
        if (Fails("FileLength") || it == files_.end()) return std::nullopt;
        return it->second.size();
    }
    std::optional<std::string> ReadWholeFile(const std::wstring& path) override {
        ++reads;
        if (tooLarge.contains(path)) throw std::bad_alloc();
        const auto it = files_.find(path);
        if (Fails("ReadWholeFile") || it == files_.end()) return std::nullopt;
        return it->second;
    }
    bool FolderExists(const std::wstring& path) override { return folders.contains(path); }
    std::optional<std::vector<FolderFile>> Files(const std::wstring& path) override {
        std::vector<FolderFile> files;
        for (const std::wstring& name : folders.at(path)) files.push_back({name, PathInFolder(path, name)});
        return files;
    }
    bool MakeDirectory(const std::wstring& path) override {
        folders[path];
        return true;
    }
    std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                            const std::wstring& key, const std::wstring& fallback) override {
        const auto it = settings.find(appName + L"\\" + section + L"\\" + key);
        return it == settings.end() ? fallback : it->second;
    }

private:
    bool Fails(const std::string& call) { return failing[call].contains(++counts_[call]); }

    std::map<std::wstring, std::string> files_;
    std::map<std::string, int> counts_;
};

}  // namespace qv::fake
