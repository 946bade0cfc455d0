// Where the background art draws each command, at any density: a service
// command's button with its coloured end, the close mark; and what lies
// inside them, the focus cue and the room a caption has. The art, the
// painter and the caption fitting all take these from here.
#pragma once

#include "window/Layout.h"

namespace qv {

// 100 % pixels at a density, converted as the program converts a control, so
// that the drawn edges fall where it puts its labels; and a rectangle of them.
int DesignPixels(int pixels, float twipsPerPixel);
PixelRect DesignRect(int x, int y, int w, int h, float twipsPerPixel);

struct ButtonFrame {
    PixelRect box;   // the button, its border included
    int stroke;      // the border's width, and each divider's
    int pieces;      // the coloured end's colours, 1 or 2
    int pieceWidth;  // each colour's width
    int ends;        // where the divider before the coloured end begins
};
// The button art draws for service command `id`; std::invalid_argument for
// any other control, which has none.
ButtonFrame ButtonOf(ControlId id, float twipsPerPixel);

// Where command `id` is drawn: for a service command, the face of its button
// inside the border and left of the coloured end; for Close, the whole mark.
PixelRect CommandFace(ControlId id, float twipsPerPixel);

// The keyboard focus cue's outer edge: a stroke inside the command's face,
// so it crosses neither the border, the coloured end nor the close cross.
PixelRect FocusCueRect(ControlId id, float twipsPerPixel);

// What a change of the keyboard focus on command `id` repaints: the label,
// with the disabled relief's stroke right of and below it, and the focus
// cue, which reaches past the label at every density.
PixelRect FocusRepaintRect(ControlId id, float twipsPerPixel);

// The room a command's caption has: inside the focus cue `cue` pixels thick
// with a stroke to spare, and centred on the label as its caption is drawn;
// a label that is no service command has its rectangle.
PixelRect CaptionRoom(const ControlLayout& layout, float twipsPerPixel, int cue);

}  // namespace qv
