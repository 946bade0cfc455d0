// The language file and the one lookup that translates a text through it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/Types.h"

namespace qv {

// The translation of str1 found in languageText, or str1 unchanged. After a
// successful search str1 holds the translation found, even a blank one.
std::wstring changelstring(std::wstring& str1, std::wstring_view languageText);

// The file's content decoded from the ANSI code page; the empty text when the
// file is missing, empty, unreadable or too large to hold.
std::wstring ReadTextFile(FileSystem& files, const std::wstring& path);

// True when the file's length is above zero; nothing when the length cannot
// be read (the file does not exist).
std::optional<VbBool> FileHasData(FileSystem& files, const std::wstring& path);

}  // namespace qv
