#include "window/Faces.h"

#include <algorithm>
#include <stdexcept>

namespace qv {
namespace {

// In pixels at 100 %: each button's corner and how many colours its end has,
// the buttons' size, and the width one colour of an end gets (two share it,
// so the end stays clear of the caption); the close mark.
struct Placed {
    ControlId id;
    int left, top, pieces;
};
constexpr Placed kButtons[] = {
    {ControlId::lblStart, 12, 273, 1}, {ControlId::lblStop, 92, 273, 1}, {ControlId::lblRestart, 172, 273, 2}};
constexpr int kButtonWidth = 64, kButtonHeight = 20, kEndWidth = 9;
constexpr int kCloseMarkSize = 12;  // the cross's square, a pixel wider than its hot spot

}  // namespace

int DesignPixels(int pixels, float twipsPerPixel) {
    return TwipsToPixels(15.0f * static_cast<float>(pixels), twipsPerPixel);
}

PixelRect DesignRect(int x, int y, int w, int h, float twipsPerPixel) {
    const int left = DesignPixels(x, twipsPerPixel), top = DesignPixels(y, twipsPerPixel);
    return {left, top, left + DesignPixels(w, twipsPerPixel), top + DesignPixels(h, twipsPerPixel)};
}

ButtonFrame ButtonOf(ControlId id, float twipsPerPixel) {
    const Placed* found = std::find_if(std::begin(kButtons), std::end(kButtons),
                                       [id](const Placed& button) { return button.id == id; });
    if (found == std::end(kButtons)) throw std::invalid_argument("no button is drawn for this control");
    const Placed& b = *found;
    const PixelRect box = DesignRect(b.left, b.top, kButtonWidth, kButtonHeight, twipsPerPixel);
    const int k = StrokePixels(twipsPerPixel);
    const int pieceWidth = (DesignPixels(kEndWidth, twipsPerPixel) - (b.pieces - 1) * k) / b.pieces;
    // A divider, then the pieces split by dividers; the last runs under the frame.
    return {box, k, b.pieces, pieceWidth, box.right - pieceWidth * b.pieces - (b.pieces - 1) * k - k};
}

PixelRect CommandFace(ControlId id, float twipsPerPixel) {
    if (id == ControlId::lblClose) {
        // Drawn where its hot spot lies.
        const PixelRect spot = ControlRect(LayoutOf(id), twipsPerPixel);
        const int size = DesignPixels(kCloseMarkSize, twipsPerPixel);
        return {spot.left, spot.top, spot.left + size, spot.top + size};
    }
    const ButtonFrame b = ButtonOf(id, twipsPerPixel);
    return {b.box.left + b.stroke, b.box.top + b.stroke, b.ends, b.box.bottom - b.stroke};
}

PixelRect FocusCueRect(ControlId id, float twipsPerPixel) {
    const PixelRect face = CommandFace(id, twipsPerPixel);
    const int k = StrokePixels(twipsPerPixel);
    return {face.left + k, face.top + k, face.right - k, face.bottom - k};
}

PixelRect FocusRepaintRect(ControlId id, float twipsPerPixel) {
    const PixelRect label = ControlRect(LayoutOf(id), twipsPerPixel);
    const PixelRect cue = FocusCueRect(id, twipsPerPixel);
    const int relief = StrokePixels(twipsPerPixel);
    return {std::min(label.left, cue.left), std::min(label.top, cue.top),
            std::max(label.right + relief, cue.right), std::max(label.bottom + relief, cue.bottom)};
}

PixelRect CaptionRoom(const ControlLayout& layout, float twipsPerPixel, int cue) {
    const PixelRect label = ControlRect(layout, twipsPerPixel);
    if (!layout.command || layout.id == ControlId::lblClose) return label;
    const PixelRect inside = FocusCueRect(layout.id, twipsPerPixel);
    const int spare = cue + StrokePixels(twipsPerPixel);
    // Twice the centre, so an odd width keeps its half pixel.
    const int centre2 = label.left + label.right;
    const int half2 = std::min(centre2 - 2 * (inside.left + spare), 2 * (inside.right - spare) - centre2);
    return {(centre2 - half2) / 2, label.top, (centre2 + half2) / 2, label.bottom};
}

}  // namespace qv
