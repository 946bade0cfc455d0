// What both fuzz targets check a lookup's outcome against.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace qv::fuzz {

inline void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

// Whether `value` can be an entry's translation for a key of keyLength
// characters: CR LF, the key, "=>", value, then CR LF or the end of the text.
inline bool IsEntryValue(std::wstring_view text, std::size_t keyLength, std::wstring_view value) {
    const std::wstring needle = L"=>" + std::wstring(value);
    for (auto at = text.find(needle); at != std::wstring_view::npos; at = text.find(needle, at + 1)) {
        const std::size_t end = at + needle.size();
        const bool endsLine = end == text.size() || text.substr(end, 2) == L"\r\n";
        if (endsLine && at >= keyLength + 2 && text.substr(at - keyLength - 2, 2) == L"\r\n")
            return true;
    }
    return false;
}

}  // namespace qv::fuzz
