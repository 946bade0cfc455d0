// Each label's font at one density: its designed face and size, or, for a
// caption whose letters that face lacks, a face that has them.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "platform/win32/Handles.h"
#include "window/Layout.h"

namespace qv {

class LabelFonts {
public:
    // The font of the label at `index` in the layout, for `caption`.
    void Make(HDC dc, std::size_t index, const std::wstring& caption, float twipsPerPixel);
    HFONT operator[](std::size_t index) const { return fonts_[index].get(); }

private:
    std::array<UniqueFont, kLayout.size()> fonts_{};
};

}  // namespace qv
