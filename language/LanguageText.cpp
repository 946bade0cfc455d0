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

std::wstring changelstring(std::wstring& str1, std::wstring_view languageText) {
    const std::wstring unchanged = str1;
    const std::wstring_view key = TrimBlanks(str1);
    if (key.empty() || languageText.empty()) return unchanged;

    // Anchoring on the line break before the key keeps "Stop" from matching
    // inside "Nonstop=>" and means the file's first line is never an entry.
    std::wstring pattern;
    pattern.reserve(kLineBreak.size() + key.size() + kSeparator.size());
    pattern.append(kLineBreak).append(key).append(kSeparator);

    if (const auto found = FindIgnoringCase(languageText, pattern)) {
        const std::size_t start = *found + pattern.size();
        // An entry on a last line without a line break runs to the end.
        const std::size_t end = languageText.find(kLineBreak, start);
        str1.assign(languageText.substr(start, end == std::wstring_view::npos ? end : end - start));
    }
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
        if (!bytes || bytes->empty()) return {};
        return DecodeAnsi(*bytes);
    } catch (const std::bad_alloc&) {
        // A file too large to decode leaves the window in English.
        return {};
    }
}

}  // namespace qv
