#include <windows.h>

#include <limits>

#include "platform/Text.h"

namespace qv {

std::wstring DecodeAnsi(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {};
    const int size = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (needed <= 0) return {};
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, text.data(), needed);
    return text;
}

std::string EncodeAnsi(std::wstring_view text) {
    if (text.empty() || text.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return {};
    const int size = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, bytes.data(), needed, nullptr, nullptr);
    return bytes;
}

std::optional<std::size_t> FindIgnoringCase(std::wstring_view haystack, std::wstring_view needle) {
    if (needle.empty() || needle.size() > haystack.size() ||
        haystack.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    // The user locale's comparison, so a key with accented letters matches
    // whatever their case in the language file.
    const int at = FindNLSStringEx(LOCALE_NAME_USER_DEFAULT, FIND_FROMSTART | NORM_IGNORECASE,
                                   haystack.data(), static_cast<int>(haystack.size()),
                                   needle.data(), static_cast<int>(needle.size()), nullptr,
                                   nullptr, nullptr, 0);
    if (at < 0) return std::nullopt;
    return static_cast<std::size_t>(at);
}

}  // namespace qv
