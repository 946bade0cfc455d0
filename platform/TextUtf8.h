// UTF-8 to UTF-16, the same on every platform: a file marked as UTF-8 reads
// alike on Windows and in the native tests, and the native build tells
// well-formed UTF-8 with it where Windows asks MultiByteToWideChar.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace qv {

struct Utf8Decoded {
    // UTF-16 on every platform, so the native tests hold what Windows holds:
    // a code point past U+FFFF as a surrogate pair.
    std::wstring text;
    // How many of its U+FFFD stand for ill-formed sequences.
    std::size_t illFormed = 0;
};

// Each ill-formed sequence (the longest start of a well-formed one, or a
// single byte) becomes one U+FFFD.
inline Utf8Decoded DecodeUtf8(std::string_view bytes) {
    Utf8Decoded decoded;
    std::wstring& text = decoded.text;
    text.reserve(bytes.size());
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    for (std::size_t at = 0; at < bytes.size();) {
        const unsigned lead = byte(at++);
        // How many continuation bytes follow the lead, and the range the first
        // of them must fall in (which rules out overlong forms, surrogates and
        // code points past U+10FFFF).
        const int more = lead >= 0xF0 && lead <= 0xF4 ? 3 : lead >= 0xE0 && lead <= 0xEF ? 2
                         : lead >= 0xC2 && lead <= 0xDF ? 1 : 0;
        const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        char32_t point = more == 0 ? lead : lead & (0x3Fu >> more);
        int taken = 0;
        while (taken < more && at < bytes.size() &&
               byte(at) >= (taken == 0 ? low : 0x80) && byte(at) <= (taken == 0 ? high : 0xBF)) {
            point = (point << 6) | (byte(at++) & 0x3Fu);
            ++taken;
        }
        if (lead >= 0x80 && (more == 0 || taken < more)) {
            point = 0xFFFD;
            ++decoded.illFormed;
        }
        if (point > 0xFFFF) {
            text.push_back(static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10)));
            point = 0xDC00 + ((point - 0x10000) & 0x3FF);
        }
        text.push_back(static_cast<wchar_t>(point));
    }
    return decoded;
}

}  // namespace qv
