// Painting the window: the background picture, then the lines, images and
// labels back to front, as the control model has them now.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "window/ColourScheme.h"
#include "window/frmVctool.h"
#include "window/win32/Artwork.h"
#include "window/win32/LabelFonts.h"

namespace qv {

struct Scene {
    const frmVctool& form;
    const Artwork& art;
    const LabelFonts& fonts;
    float twipsPerPixel;
    RECT heading;  // where the self-sizing heading lies now
    // The command that shows the keyboard focus cue, if any, and the cue's
    // thickness.
    std::optional<ControlId> focusCue;
    int cue;
    const ColourScheme& scheme;
};

void PaintScene(HDC dc, const RECT& client, const Scene& scene);

// The system's colour scheme now: high contrast or not, and its colours.
ColourScheme SystemColourScheme();
// The system's focus border at a density, in pixels (its setting is at 100 %).
int FocusCuePixels(float twipsPerPixel);

// Where a label draws at a density: its design rectangle, or for the heading
// `heading`, the rectangle it has sized itself to.
RECT LabelRect(ControlId id, float twipsPerPixel, const RECT& heading);

// The size `text` takes in `font` laid out as the label does within `box`'s
// width: wider than the box for a word too long to break.
PixelSize LabelTextSize(HDC dc, HFONT font, const std::wstring& text, const ControlLayout& layout,
                        const PixelRect& box);

// The heading's rectangle for `caption`: its design corner, the size of the
// caption on one line.
RECT HeadingRect(HDC dc, HFONT font, const std::wstring& caption, float twipsPerPixel);

}  // namespace qv
