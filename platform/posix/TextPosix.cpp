// Native stand-ins for the Windows text services, used by the Linux test
// build: Windows-1252 for the ANSI code page, the shared UTF-8 decoder for
// the well-formedness test, and a simple case fold.
#include <array>
#include <cwctype>
#include <utility>

#include "platform/Text.h"
#include "platform/TextUtf8.h"

namespace qv {
namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page is Latin-1.
// Undefined bytes map to themselves, as MultiByteToWideChar does.
constexpr std::array<wchar_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

wchar_t Fold(wchar_t c) {
    // towlower depends on the C locale; fold the letters a language file may
    // hold (ASCII, Latin-1 and the 1252 extras) without it.
    if (c >= L'A' && c <= L'Z') return static_cast<wchar_t>(c + 32);
    if ((c >= 0xC0 && c <= 0xDE) && c != 0xD7) return static_cast<wchar_t>(c + 32);
    if (c == 0x0160 || c == 0x0152 || c == 0x017D) return static_cast<wchar_t>(c + 1);
    if (c == 0x0178) return 0x00FF;
    return c;
}

}  // namespace

std::wstring DecodeAnsi(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.push_back(b >= 0x80 && b <= 0x9F ? kHighControls[b - 0x80] : static_cast<wchar_t>(b));
    }
    return text;
}

std::optional<std::wstring> DecodeWellFormedUtf8(std::string_view bytes) {
    Utf8Decoded decoded = DecodeUtf8(bytes);
    if (decoded.illFormed > 0) return std::nullopt;
    return std::move(decoded.text);
}

std::string EncodeAnsi(std::wstring_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (const wchar_t c : text) {
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            bytes.push_back(static_cast<char>(c));
            continue;
        }
        char mapped = '?';
        for (std::size_t i = 0; i < kHighControls.size(); ++i)
            if (kHighControls[i] == c) mapped = static_cast<char>(0x80 + i);
        bytes.push_back(mapped);
    }
    return bytes;
}

std::wstring FoldCase(std::wstring_view text) {
    std::wstring folded(text);
    for (wchar_t& c : folded) c = Fold(c);
    return folded;
}

}  // namespace qv
