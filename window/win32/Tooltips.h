// The commands' tooltips: one system tooltip window with a tool per command,
// made at the first hover over a command, not at start-up, since most runs
// are looked at, not pointed at.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "window/Layout.h"
#include "window/frmVctool.h"

namespace qv {

class Tooltips {
public:
    // Loads the common controls and adds a tool for each command; nothing
    // when they are already made or cannot be.
    void Create(HWND owner, HINSTANCE instance, const frmVctool& form, float twipsPerPixel);
    // The tools' rectangles at a new density.
    void Move(float twipsPerPixel);
    // The command at `index` in the layout has a new tooltip text.
    void Retext(std::size_t index, const std::wstring& text, float twipsPerPixel);

private:
    TOOLINFOW ToolOf(std::size_t index, float twipsPerPixel);

    HWND owner_ = nullptr;
    HWND window_ = nullptr;  // destroyed with its owner
    std::array<std::wstring, kLayout.size()> texts_{};
};

}  // namespace qv
