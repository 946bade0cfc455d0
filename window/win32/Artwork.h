// The pictures drawn at one density: the background, the emblem and the
// hand cursor, each made for that density rather than stretched.
#pragma once

#include <windows.h>

#include <array>

#include "platform/win32/Handles.h"
#include "window/Layout.h"

namespace qv {

class Artwork {
public:
    // Everything anew for a screen of `twipsPerPixel`; what cannot be
    // loaded stays empty and is simply not drawn.
    void Load(HINSTANCE instance, float twipsPerPixel);

    HBITMAP Background() const { return background_.get(); }
    HICON Emblem() const { return emblem_.get(); }
    HCURSOR Hand() const { return hand_.get(); }
    // The background's mean colour under the control at `index`, which its
    // text has to stand out from.
    COLORREF Behind(std::size_t index) const { return behind_[index]; }

private:
    std::array<COLORREF, kLayout.size()> behind_{};
    UniqueBitmap background_;
    UniqueIcon emblem_;
    UniqueCursor hand_;
};

}  // namespace qv
