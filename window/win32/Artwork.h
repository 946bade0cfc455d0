// The pictures drawn at one density: the background, the emblem and the
// hand cursor, each made for that density rather than stretched.
#pragma once

#include <windows.h>

#include "platform/win32/Handles.h"

namespace qv {

class Artwork {
public:
    // Everything anew for a screen of `twipsPerPixel`; what cannot be
    // loaded stays empty and is simply not drawn.
    void Load(HINSTANCE instance, float twipsPerPixel);

    HBITMAP Background() const { return background_.get(); }
    HICON Emblem() const { return emblem_.get(); }
    HCURSOR Hand() const { return hand_.get(); }

private:
    UniqueBitmap background_;
    UniqueIcon emblem_;
    UniqueCursor hand_;
};

}  // namespace qv
