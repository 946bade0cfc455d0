// What the window's logic needs from the window it runs in. The Win32 view
// implements it over a real window; tests use a fake with a virtual clock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "window/Layout.h"

namespace qv {

// What changed of a label.
enum class LabelProperty { Caption, ToolTip, Colour, Enabled };
class Label;

class Desktop {
public:
    virtual ~Desktop() = default;

    // Periodic timer `id` starts a full interval now / stops.
    virtual void StartTimer(int id, std::uint32_t intervalMs) = 0;
    virtual void StopTimer(int id) = 0;
    // Milliseconds on a clock that only moves forward (GetTickCount64).
    virtual std::uint64_t TickCountMs() = 0;

    // A label's caption, tooltip, colour or enabled state changed; `label`
    // holds the new value.
    virtual void ControlChanged(const Label& label, LabelProperty what) = 0;
    // The keyboard focus moved from one command (or none) to another (or none).
    virtual void FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) = 0;

    // A modal box with only an OK button; returns when the user closes it.
    // Window events, timer ticks included, go on being delivered meanwhile.
    virtual void ShowMessage(const std::wstring& text, const std::wstring& title) = 0;

    // Lets the window process what is pending, first blocking until at
    // least one event (a tick, a click, a repaint) has arrived. False when
    // the program is ending and a waiting command should give up.
    virtual bool DoEvents() = 0;

    // The window's geometry: the screen's twips per pixel and the window's
    // outer size in twips.
    virtual float TwipsPerPixelX() = 0;
    virtual float TwipsPerPixelY() = 0;
    virtual float WidthTwips() = 0;
    virtual float HeightTwips() = 0;

    // The GDI and user calls that shape the window, move it and follow the
    // mouse, one to one. The region is opaque here; once set, the system owns it.
    using Region = void*;
    virtual Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) = 0;
    virtual void SetWindowRgn(Region region, bool redraw) = 0;
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace qv
