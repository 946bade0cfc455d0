#pragma once

#include <windows.h>

#include "window/win32/GdiHandles.h"

namespace qv {

// The GIF stored as an RCDATA resource, decoded into a bitmap the caller
// owns; null when it is missing or cannot be decoded.
UniqueBitmap LoadGifResource(HINSTANCE instance, int id);

}  // namespace qv
