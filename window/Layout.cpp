#include "window/Layout.h"

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

}  // namespace qv
