// Value types shared by the modules and the platform seam.
#pragma once

#include <cstdint>

namespace qv {

// The tool's truth values are 16 bits wide with -1 for true. They cross every
// interface between procedures in that form, because callers elsewhere in the
// product test for exactly -1 (a flag holding 1 counts as false).
using VbBool = std::int16_t;
inline constexpr VbBool VbTrue = -1;
inline constexpr VbBool VbFalse = 0;

constexpr VbBool ToVbBool(bool value) { return value ? VbTrue : VbFalse; }

// A colour as the Win32 COLORREF packs it: 0x00BBGGRR.
using Rgb = std::uint32_t;
constexpr Rgb MakeRgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<Rgb>(r) | (static_cast<Rgb>(g) << 8) | (static_cast<Rgb>(b) << 16);
}

}  // namespace qv
