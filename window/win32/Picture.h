#pragma once

#include <windows.h>

#include "window/win32/GdiHandles.h"

namespace qv {

// Decodes a GIF (or any picture format OLE reads) stored as an RCDATA
// resource into a bitmap the caller owns; null when it cannot.
UniqueBitmap LoadPictureResource(HINSTANCE instance, int id);

}  // namespace qv
