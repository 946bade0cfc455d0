#pragma once

#include "platform/Folders.h"

namespace qv {

class FoldersWin32 final : public Folders {
public:
    bool FolderExists(const std::wstring& path) override;
    std::optional<std::vector<FolderFile>> Files(const std::wstring& path) override;
    bool MakeDirectory(const std::wstring& path) override;
};

}  // namespace qv
