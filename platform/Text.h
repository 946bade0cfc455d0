// Text services that differ between Windows and the native test build; the
// build links exactly one implementation (win32/TextWin32.cpp or
// posix/TextPosix.cpp).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Bytes in the system ANSI code page to Unicode. The native build stands in
// with Windows-1252.
std::wstring DecodeAnsi(std::string_view bytes);

// Bytes that are well-formed UTF-8 to Unicode; nothing when any sequence in
// them is ill-formed (overlong, a surrogate, past U+10FFFF, cut short, a
// stray continuation byte).
std::optional<std::wstring> DecodeWellFormedUtf8(std::string_view bytes);

// Unicode to the system ANSI code page; characters the code page lacks become
// its default character.
std::string EncodeAnsi(std::wstring_view text);

// The text with every letter in its lower case, one character for one, so
// that positions in the folded text are positions in the original.
std::wstring FoldCase(std::wstring_view text);

}  // namespace qv
