#pragma once

#include "platform/Settings.h"

namespace qv {

// Where the product's other programs keep their per-user settings: one key
// per application and section below this one, one string value per key.
inline constexpr wchar_t kSettingsRoot[] = L"Software\\VB and VBA Program Settings";

class SettingsWin32 final : public Settings {
public:
    std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                            const std::wstring& key, const std::wstring& fallback) override;
};

}  // namespace qv
