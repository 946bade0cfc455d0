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

std::wstring ReadTextFile(FileSystem& files, const std::wstring& path) {
    if (FileHasData(files, path).value_or(VbFalse) != VbTrue) return {};
    try {
        const auto bytes = files.ReadWholeFile(path);
        return bytes ? DecodeAnsi(*bytes) : std::wstring();
    } catch (const std::bad_alloc&) {
        // A file too large to decode leaves the window in English.
        return {};
    }
}

}  // namespace qv
