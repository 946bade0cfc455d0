#include "window/Layout.h"
#include "window/TextFit.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace qv {

const ControlLayout& LayoutOf(ControlId id) {
    for (const ControlLayout& control : kLayout)
        if (control.id == id) return control;
    throw std::invalid_argument("no such control");
}

std::int32_t TwipsToPixels(float twips, float twipsPerPixel) {
    // Single precision, as the screen reports its twips per pixel.
    const float quotient = twips / twipsPerPixel;
    const float rounded = std::nearbyint(quotient);  // default mode: half to even
    if (!(rounded >= static_cast<float>(std::numeric_limits<std::int32_t>::min()) &&
          rounded < static_cast<float>(std::numeric_limits<std::int32_t>::max())))
        throw std::overflow_error("pixel size out of range");
    return static_cast<std::int32_t>(rounded);
}

PixelRect ControlRect(const ControlLayout& control, float twipsPerPixel) {
    const auto px = [&](int twips) { return TwipsToPixels(static_cast<float>(twips), twipsPerPixel); };
    if (control.kind == ControlKind::Line)
        return {px(control.a), px(control.b), px(control.c), px(control.d)};
    const int left = px(control.a);
    const int top = px(control.b);
    return {left, top, left + px(control.c), top + px(control.d)};
}

PixelSize WindowSize(float twipsPerPixel) {
    return {TwipsToPixels(static_cast<float>(kWindowWidthTwips), twipsPerPixel),
            TwipsToPixels(static_cast<float>(kWindowHeightTwips), twipsPerPixel)};
}

PixelSize PictureSize(float twipsPerPixel) {
    const PixelSize window = WindowSize(twipsPerPixel);
    return {window.width + 1, window.height - 1};
}

int StrokePixels(float twipsPerPixel) { return std::max(1, TwipsToPixels(15.0f, twipsPerPixel)); }

const ControlLayout* ControlAt(int x, int y, float twipsPerPixel) {
    for (const ControlLayout& control : kLayout) {
        if (control.kind == ControlKind::Line) continue;  // lines never take the mouse
        if (ControlRect(control, twipsPerPixel).Contains(x, y)) return &control;
    }
    return nullptr;
}

bool RightToLeft(std::wstring_view text) {
    // Code points, the high surrogates of the right-to-left planes standing
    // for theirs (U+10800-U+10FFF, U+1E800-U+1EFFF).
    struct Range {
        char32_t first, last;
        bool rightToLeft;  // else left to right; code points in no range decide nothing
    };
    constexpr Range kStrong[] = {
        {U'A', U'Z', false},       {U'a', U'z', false},       {0xAA, 0xAA, false},
        {0xB5, 0xB5, false},       {0xBA, 0xBA, false},       {0xC0, 0xD6, false},
        {0xD8, 0xF6, false},       {0xF8, 0x2B8, false},      {0x370, 0x482, false},
        {0x48A, 0x58F, false},     {0x5BE, 0x5BE, true},      {0x5C0, 0x5C0, true},
        {0x5C3, 0x5C3, true},      {0x5C6, 0x5C6, true},      {0x5D0, 0x5FF, true},
        {0x608, 0x608, true},      {0x60B, 0x60B, true},      {0x60D, 0x60D, true},
        {0x61B, 0x64A, true},      {0x66D, 0x66F, true},      {0x671, 0x6D5, true},
        {0x6E5, 0x6E6, true},      {0x6EE, 0x6EF, true},      {0x6FA, 0x7EA, true},
        {0x7F4, 0x7F5, true},      {0x7FA, 0x815, true},      {0x81A, 0x81A, true},
        {0x824, 0x824, true},      {0x828, 0x828, true},      {0x830, 0x858, true},
        {0x85E, 0x88F, true},      {0x8A0, 0x8C9, true},      {0x900, 0x1FFF, false},
        {0x200E, 0x200E, false},   {0x200F, 0x200F, true},    {0x2C00, 0x2DFF, false},   {0x3040, 0xD7FF, false},   {0xD802, 0xD803, true},
        {0xD83A, 0xD83B, true},    {0xF900, 0xFB1C, false},   {0xFB1D, 0xFB28, true},
        {0xFB2A, 0xFDFF, true},    {0xFE70, 0xFEFE, true},    {0xFF21, 0xFF3A, false},
        {0xFF41, 0xFF5A, false},   {0xFF66, 0xFFDC, false},
    };
    for (const wchar_t unit : text) {
        const auto c = static_cast<char32_t>(unit);
        for (const Range& range : kStrong)
            if (c >= range.first && c <= range.last) return range.rightToLeft;
    }
    return false;
}

}  // namespace qv
