// A drawn picture as a bitmap GDI can select and blit.
#pragma once

#include "platform/win32/Handles.h"
#include "window/BackgroundArt.h"

namespace qv {

// A 32-bit top-down DIB section holding the picture's pixels; null when the
// system has no memory for it.
UniqueBitmap DibSection(const Picture& picture);

}  // namespace qv
