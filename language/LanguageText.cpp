#include "language/LanguageText.h"

#include <new>

#include "platform/Text.h"

namespace qv {
namespace {

constexpr std::wstring_view kLineBreak = L"\r\n";
constexpr std::wstring_view kSeparator = L"=>";

// Only the space character counts as a blank; tabs belong to the text.
std::wstring_view TrimBlanks(std::wstring_view text) {
    const auto first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    const auto last = text.find_last_not_of(L' ');
    return text.substr(first, last - first + 1);
}

}  // namespace

LanguageText::LanguageText(std::wstring text) {
    try {
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
    pattern.reserve(kLineBreak.size() + key.size() + kSeparator.size());
    pattern.append(kLineBreak).append(FoldCase(key)).append(kSeparator);

    std::optional<std::wstring> translation;
    if (const auto at = std::wstring_view(folded_).find(pattern); at != std::wstring_view::npos) {
        // Folding keeps every character in its place, so the translation
        // starts right after the "=>" that ends the match in the text itself.
        const std::size_t start = at + pattern.size();
        // An entry on a last line without a line break runs to the end.
        const std::size_t end = text_.find(kLineBreak, start);
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

std::wstring DecodeUtf8(std::string_view bytes) {
    std::wstring text;
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
        if (lead >= 0x80 && (more == 0 || taken < more)) point = 0xFFFD;
        // UTF-16 on every platform, so the native tests hold what Windows
        // holds: a code point past U+FFFF as a surrogate pair.
        if (point > 0xFFFF) {
            text.push_back(static_cast<wchar_t>(0xD800 + ((point - 0x10000) >> 10)));
            point = 0xDC00 + ((point - 0x10000) & 0x3FF);
        }
        text.push_back(static_cast<wchar_t>(point));
    }
    return text;
}

std::wstring ReadTextFile(FileSystem& files, const std::wstring& path) {
    if (FileHasData(files, path).value_or(VbFalse) != VbTrue) return {};
    try {
        const auto bytes = files.ReadWholeFile(path);
        if (!bytes) return {};
        // Translators write UTF-8 today; the mark tells such a file from one
        // in the code page, which decodes exactly as it always did.
        constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
        if (bytes->starts_with(kUtf8Mark)) return DecodeUtf8(std::string_view(*bytes).substr(3));
        return DecodeAnsi(*bytes);
    } catch (const std::bad_alloc&) {
        // A file too large to decode leaves the window in English.
        return {};
    }
}

}  // namespace qv
