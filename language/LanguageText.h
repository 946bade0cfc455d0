// The language file and the one lookup that translates a text through it.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace qv {

// A language file's text, ready for lookups. The case of the whole text is
// folded once here, so that each lookup is one exact search whose match is
// exactly as long as its pattern, and each key's answer is remembered, so
// the refresh that shows a status text every 800 ms costs nothing however
// long the file is.
class LanguageText {
public:
    LanguageText() = default;
    explicit LanguageText(std::wstring text);

    // The text with each line end (CR LF, LF or a lone CR) as one LF, and no
    // other control characters, bidirectional embeddings, overrides or
    // isolates.
    const std::wstring& Text() const { return text_; }
    bool empty() const { return text_.empty(); }

    // The translation the file gives `key` (its entry's text after "=>", up
    // to the line end, verbatim, perhaps blank); nothing without an entry.
    std::optional<std::wstring> Find(std::wstring_view key) const;

private:
    std::wstring text_;
    std::wstring folded_;
    mutable std::map<std::wstring, std::optional<std::wstring>, std::less<>> found_;
};

// The translation of str1 found in languageText, or str1 unchanged. After a
// successful search str1 holds the translation found, even a blank one.
std::wstring changelstring(std::wstring& str1, const LanguageText& languageText);

// The file's content, decoded by its byte order mark: UTF-8 (each ill-formed
// sequence one U+FFFD) or UTF-16 little- or big-endian. Without a mark it is
// UTF-8 when its bytes are well-formed UTF-8 and not all ASCII, else the
// ANSI code page. The empty text when the file is missing, empty,
// unreadable or too large to hold.
std::wstring ReadTextFile(FileSystem& files, const std::wstring& path);

// True when the file's length is above zero; nothing when the length cannot
// be read (the file does not exist).
std::optional<VbBool> FileHasData(FileSystem& files, const std::wstring& path);

}  // namespace qv
