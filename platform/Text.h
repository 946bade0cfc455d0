// Text services that differ between Windows and the native test build; the
// build links exactly one implementation (win32/TextWin32.cpp or
// posix/TextPosix.cpp).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qv {

// Bytes in the system ANSI code page to Unicode. The native build stands in
// with Windows-1252.
std::wstring DecodeAnsi(std::string_view bytes);

// Unicode to the system ANSI code page; characters the code page lacks become
// its default character.
std::string EncodeAnsi(std::wstring_view text);

// Zero-based position of the first occurrence of needle in haystack under the
// user locale's case-insensitive comparison; nothing when absent.
std::optional<std::size_t> FindIgnoringCase(std::wstring_view haystack, std::wstring_view needle);

}  // namespace qv
