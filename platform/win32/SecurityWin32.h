#pragma once

#include "platform/Security.h"

namespace qv {

class SecurityWin32 final : public Security {
public:
    std::optional<std::wstring> FinalPath(const std::wstring& path) override;
    std::optional<ObjectSecurity> SecurityOf(const std::wstring& path) override;
    std::wstring CurrentUser() override;
    std::wstring AccountName(const std::wstring& sid) override;
};

}  // namespace qv
