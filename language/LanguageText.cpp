#include "language/LanguageText.h"

#include <algorithm>
#include <new>
#include <utility>

#include "platform/Text.h"
#include "platform/TextUtf8.h"

namespace qv {
namespace {

// Every line end is held as this one character (see Cleaned).
constexpr wchar_t kLineEnd = L'\n';
constexpr std::wstring_view kSeparator = L"=>";

// Only the space character counts as a blank; tabs belong to the text.
std::wstring_view TrimBlanks(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

// Editors end lines with CR LF, LF or a lone CR, and a file passed between
// them mixes those or gains CR CR LF. Every CR becomes an LF: a CR LF then
// leaves an empty line behind, which no lookup can tell from none, and no
// translation keeps a CR for a screen reader to read out. Any other control
// character goes: a NUL would end a caption, and the tooltip composed from
// it, where Windows reads the text as a C string, and a tab or the like is
// drawn as a box. So do the bidirectional embeddings, overrides and
// isolates: one would draw a caption reversed while a reader hears it in
// order, and one left open runs on into the tooltip composed from it. The
// marks and joiners stay; scripts need them.
void Cleaned(std::wstring& text) {
    std::replace(text.begin(), text.end(), L'\r', kLineEnd);
    std::erase_if(text, [](wchar_t c) {
        return c != kLineEnd && (c < L' ' || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                                 (c >= 0x2066 && c <= 0x2069));
    });
}

// No caption, status or message needs more; a longer one would only be laid
// out again on every paint.
constexpr std::size_t kLongestTranslation = 1000;

// Each line's text after its first "=>" cut to kLongestTranslation, never
// between the two halves of a character beyond U+FFFF.
void CutTranslations(std::wstring& text) {
    std::size_t kept = 0;
    for (std::size_t line = 0; line < text.size();) {
        std::size_t end = text.find(kLineEnd, line);
        if (end == std::wstring::npos) end = text.size();
        std::size_t cut = end;
        const auto arrow = std::wstring_view(text).substr(line, end - line).find(kSeparator);
        if (arrow != std::wstring_view::npos) {
            const std::size_t start = line + arrow + kSeparator.size();
            if (end - start > kLongestTranslation) {
                cut = start + kLongestTranslation;
                if (text[cut - 1] >= 0xD800 && text[cut - 1] <= 0xDBFF) --cut;
            }
        }
        std::copy(text.begin() + static_cast<std::ptrdiff_t>(line),
                  text.begin() + static_cast<std::ptrdiff_t>(cut),
                  text.begin() + static_cast<std::ptrdiff_t>(kept));
        kept += cut - line;
        if (end < text.size()) text[kept++] = kLineEnd;
        line = end + 1;
    }
    text.resize(kept);
}

std::wstring DecodeUtf8Text(std::string_view bytes) { return DecodeUtf8(bytes).text; }

// UTF-16 code units as they stand, an unpaired surrogate too, as Windows
// keeps one. An odd byte at the end is a unit cut short: one U+FFFD, as for
// UTF-8 cut short, so the loss shows where it happened.
template <bool kBigEndian>
std::wstring DecodeUtf16(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size() / 2 + 1);
    const auto byte = [&](std::size_t at) {
        return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]));
    };
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2) {
        const unsigned high = byte(kBigEndian ? at : at + 1);
        const unsigned low = byte(kBigEndian ? at + 1 : at);
        text.push_back(static_cast<wchar_t>(high << 8 | low));
    }
    if (bytes.size() % 2 != 0) text.push_back(L'\xFFFD');
    return text;
}

// The mark at the start of a file and how the rest of it decodes.
struct MarkedEncoding {
    std::string_view mark;
    std::wstring (*decode)(std::string_view);
};
constexpr MarkedEncoding kMarkedEncodings[] = {
    {"\xEF\xBB\xBF", DecodeUtf8Text},
    {"\xFF\xFE", DecodeUtf16<false>},
    {"\xFE\xFF", DecodeUtf16<true>},
};

// Without a mark: UTF-8, as editors save it today, when the bytes are
// well-formed UTF-8 and not all ASCII. A code page file practically never
// is: its letters beyond ASCII lie at 0xC0 and above, and UTF-8 wants one
// to three bytes of 0x80..0xBF (in a code page signs, not letters) after
// each of them, so such a file decodes exactly as it always did.
std::wstring DecodeUnmarked(std::string_view bytes) {
    const bool beyondAscii =
        std::ranges::any_of(bytes, [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
    if (beyondAscii)
        if (auto text = DecodeWellFormedUtf8(bytes)) return std::move(*text);
    return DecodeAnsi(bytes);
}

}  // namespace

LanguageText::LanguageText(std::wstring text) {
    try {
        Cleaned(text);
        CutTranslations(text);
        folded_ = FoldCase(text);
        text_ = std::move(text);
    } catch (const std::bad_alloc&) {
        // A text too large to fold twice over leaves the window in English.
    }
}

std::optional<std::wstring> LanguageText::Find(std::wstring_view key) const {
    if (const auto known = found_.find(key); known != found_.end()) return known->second;

    // Anchoring on the line break before the key keeps "Stop" from matching
    // inside "Nonstop=>" and means the file's first line is never an entry.
    std::wstring pattern;
    pattern.reserve(1 + key.size() + kSeparator.size());
    pattern.append(1, kLineEnd).append(FoldCase(key)).append(kSeparator);

    std::optional<std::wstring> translation;
    if (const auto at = std::wstring_view(folded_).find(pattern); at != std::wstring_view::npos) {
        // Folding keeps every character in its place, so the translation
        // starts right after the "=>" that ends the match in the text itself.
        const std::size_t start = at + pattern.size();
        // An entry on a last line without a line break runs to the end.
        const std::size_t end = text_.find(kLineEnd, start);
        translation = text_.substr(start, end == std::wstring::npos ? end : end - start);
    }
    found_.emplace(key, translation);
    return translation;
}

std::wstring changelstring(std::wstring& str1, const LanguageText& languageText) {
    const std::wstring unchanged = str1;
    const std::wstring_view key = TrimBlanks(str1);
    if (key.empty() || languageText.empty()) return unchanged;
    if (auto translation = languageText.Find(key)) str1 = std::move(*translation);
    if (TrimBlanks(str1).empty()) return unchanged;
    return str1;
}

std::optional<VbBool> FileHasData(FileSystem& files, const std::wstring& path) {
    const auto length = files.FileLength(path);
    if (!length) return std::nullopt;
    return ToVbBool(*length > 0);
}

std::wstring ReadTextFile(FileSystem& files, const std::wstring& path) {
    if (FileHasData(files, path).value_or(VbFalse) != VbTrue) return {};
    try {
        const auto bytes = files.ReadWholeFile(path);
        if (!bytes) return {};
        const std::string_view content(*bytes);
        for (const MarkedEncoding& encoding : kMarkedEncodings)
            if (content.starts_with(encoding.mark))
                return encoding.decode(content.substr(encoding.mark.size()));
        return DecodeUnmarked(content);
    } catch (const std::bad_alloc&) {
        // A file too large to decode leaves the window in English.
        return {};
    }
}

}  // namespace qv
