// The seam over the per-user settings store the product's programs share.
#pragma once

#include <string>

namespace qv {

class Settings {
public:
    virtual ~Settings() = default;

    // The text value stored for application, section and key; `fallback`
    // when there is none.
    virtual std::wstring GetSetting(const std::wstring& appName, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& fallback) = 0;
};

}  // namespace qv
