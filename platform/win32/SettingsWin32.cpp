#include "platform/win32/SettingsWin32.h"

#include <windows.h>

#include <vector>

namespace qv {

std::wstring SettingsWin32::GetSetting(const std::wstring& appName, const std::wstring& section,
                                       const std::wstring& key, const std::wstring& fallback) {
    const std::wstring subKey = std::wstring(kSettingsRoot) + L"\\" + appName + L"\\" + section;
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), key.c_str(), RRF_RT_REG_SZ, nullptr,
                     nullptr, &bytes) != ERROR_SUCCESS)
        return fallback;
    // The value may grow between the two calls; ask again with the new size.
    for (int attempt = 0; attempt < 3; ++attempt) {
        std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
        const LSTATUS status = RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), key.c_str(),
                                            RRF_RT_REG_SZ, nullptr, text.data(), &bytes);
        if (status == ERROR_SUCCESS) return std::wstring(text.data());
        if (status != ERROR_MORE_DATA) break;
    }
    return fallback;
}

}  // namespace qv
