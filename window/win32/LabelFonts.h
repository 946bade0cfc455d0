// Each label's font at one density: its designed face and size, or, for a
// caption whose letters that face lacks, a face that has them; for a label
// whose caption shrinks to fit, the size at which it does.
#pragma once

#include <windows.h>

#include <array>
#include <span>
#include <string>

#include "platform/win32/Handles.h"
#include "window/Layout.h"

namespace qv {

class LabelFonts {
public:
    // The font of the label at `index` in the layout, for `caption`, fitting
    // the room a focus cue `cue` pixels thick leaves; a cut caption unlike
    // the other commands' captions `others`. Made when a caption, the
    // density or the cue changes, never while painting.
    void Make(HDC dc, std::size_t index, const std::wstring& caption, std::span<const std::wstring> others,
              float twipsPerPixel, int cue);
    HFONT operator[](std::size_t index) const { return fonts_[index].get(); }
    // Whether the caption is too long even at the smallest legible size, and
    // so is drawn cut, with an ellipsis: as Shown.
    bool Cut(std::size_t index) const { return cut_[index]; }
    const std::wstring& Shown(std::size_t index) const { return shown_[index]; }
    // How far below its label's top a shrunk text is drawn.
    int Drop(std::size_t index) const { return drop_[index]; }

private:
    std::array<UniqueFont, kLayout.size()> fonts_{};
    std::array<bool, kLayout.size()> cut_{};
    std::array<std::wstring, kLayout.size()> shown_{};
    std::array<int, kLayout.size()> drop_{};
};

}  // namespace qv
