// The seam over folders: whether one exists, the files directly inside it,
// and making one. Names are Unicode throughout, so a folder in any script
// works.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qv {

struct FolderFile {
    std::wstring Name;  // the file's name with its extension, without the folder
    std::wstring Path;  // the full path
};

// The path of `name` inside `folder`, read the way the system reads the
// folder on its own: no separator is added after one that ends the folder,
// nor after a bare drive ("C:" is that drive's current folder, not its root).
inline std::wstring PathInFolder(const std::wstring& folder, const std::wstring& name) {
    const bool bareDrive = folder.size() == 2 && folder[1] == L':';
    if (folder.empty() || bareDrive || folder.back() == L'\\' || folder.back() == L'/')
        return folder + name;
    return folder + L'\\' + name;
}

class Folders {
public:
    virtual ~Folders() = default;

    virtual bool FolderExists(const std::wstring& path) = 0;
    // The files directly inside the folder, not its sub-folders, in the file
    // system's own order; nothing when the list cannot be read.
    virtual std::optional<std::vector<FolderFile>> Files(const std::wstring& path) = 0;
    // Makes the last level of `path`; false on any failure.
    virtual bool MakeDirectory(const std::wstring& path) = 0;
};

}  // namespace qv
