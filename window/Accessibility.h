// What a screen reader is told about the window's drawn controls, which are
// no windows of their own: the commands as push buttons, the title, the
// heading and the status as static text, in the layout's reading order.
#pragma once

#include <string>
#include <vector>

#include "window/frmVctool.h"

namespace qv {

struct AccessibleElement {
    ControlId id;
    bool button;              // a push button; else static text
    std::wstring name;        // what a reader says first
    std::wstring description; // a button's tooltip
    bool unavailable;         // a disabled button
    bool focused;             // the button with the keyboard focus
};

// The text whose changes a reader speaks wherever it is: the status, the
// one thing the window exists to tell.
inline constexpr ControlId kLiveRegion = ControlId::lblStatus;

// In their order as children (child id 1 is the first).
std::vector<AccessibleElement> AccessibleElements(const frmVctool& form);
// A control's child id; 0 for a control that is no element.
int AccessibleChildId(ControlId id);

}  // namespace qv
