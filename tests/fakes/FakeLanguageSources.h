// The settings store and folders the language selection reads, for the
// native tests.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Folders.h"
#include "platform/Settings.h"

namespace qv::fake {

class FakeSettings final : public Settings {
public:
    // "app\section\key" -> value; absent keys give the caller's fallback.
    std::map<std::wstring, std::wstring> values;
    std::vector<std::wstring> reads;
    // Runs at each read with its "app\section\key", so a test can look at
    // the caller's state at that moment.
    std::function<void(const std::wstring& path)> onRead;

    void Set(const std::wstring& key, const std::wstring& value) {
        values[L"Quorvel\\Options\\" + key] = value;
    }
    std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                            const std::wstring& key, const std::wstring& fallback) override;
};

class FakeFolders final : public Folders {
public:
    // Folder path -> its files' names in the file system's order; a folder
    // with sub-folders lists only its files here.
    std::map<std::wstring, std::vector<std::wstring>> folders;
    std::set<std::wstring> unreadable;  // exist, but listing them fails
    std::vector<std::wstring> made;     // successful MakeDirectory calls
    int makeAttempts = 0;

    bool FolderExists(const std::wstring& path) override { return folders.count(path) != 0; }
    std::optional<std::vector<FolderFile>> Files(const std::wstring& path) override;
    // Only the last level: the parent must exist and the path must not.
    bool MakeDirectory(const std::wstring& path) override;
};

}  // namespace qv::fake
