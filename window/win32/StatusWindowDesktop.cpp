// The Desktop the window's logic runs in, over the real window: timers,
// repaints and reader events for changed labels, message boxes, the nested
// event loop of a waiting command, and the calls that shape and move it.
#include <windows.h>

#include "window/Faces.h"
#include "window/TextFit.h"
#include "window/win32/StatusWindow.h"

namespace qv {

void StatusWindow::StartTimer(int id, std::uint32_t intervalMs) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void StatusWindow::StopTimer(int id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void StatusWindow::ControlChanged(const Label& label, LabelProperty what) {
    const ControlId id = label.Id();
    InvalidateLabel(id);
    if (what == LabelProperty::Caption) {
        // The new caption may take another size of its face, and the heading
        // sizes itself to it. A command's caption is what the others' cuts
        // must not read as.
        MakeFont(label);
        if (id == ControlId::Label2) SizeHeadingToCaption(label.Caption());
        InvalidateLabel(id);
        if (LayoutOf(id).command)
            for (const ControlId other : kFocusOrder)
                if (other != id && LayoutOf(other).shrinks) {
                    MakeFont(*form_->LabelFor(other));
                    InvalidateLabel(other);
                }
    }
    if (what == LabelProperty::ToolTip)
        tooltips_.Retext(IndexOf(id), label.ToolTipText(), twipsPerPixel_);
    // Screen readers hear the status change and a command come and go.
    const DWORD event = what == LabelProperty::Caption   ? EVENT_OBJECT_NAMECHANGE
                        : what == LabelProperty::Enabled ? EVENT_OBJECT_STATECHANGE
                        : what == LabelProperty::ToolTip ? EVENT_OBJECT_DESCRIPTIONCHANGE
                                                         : 0;
    if (const int child = AccessibleChildId(id); child != 0 && event != 0) {
        NotifyWinEvent(event, hwnd_, OBJID_CLIENT, child);
        if (id == kLiveRegion && what == LabelProperty::Caption)
            NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, hwnd_, OBJID_CLIENT, child);
    }
}

void StatusWindow::FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) {
    // The whole cue: drawn only partly when it comes, it would leave pieces when it goes.
    for (const std::optional<ControlId> id : {from, to})
        if (id) {
            const PixelRect r = FocusRepaintRect(*id, twipsPerPixel_);
            const RECT rect{r.left, r.top, r.right, r.bottom};
            InvalidateRect(hwnd_, &rect, FALSE);
        }
    // Readers follow the focus: to the command that took it, or to the
    // window's client when it went to none.
    if (GetFocus() == hwnd_)
        NotifyWinEvent(EVENT_OBJECT_FOCUS, hwnd_, OBJID_CLIENT, to ? AccessibleChildId(*to) : CHILDID_SELF);
}

void StatusWindow::InvalidateLabel(ControlId id) {
    RECT rect = LabelRect(id, twipsPerPixel_, heading_);
    // A little more on the right and bottom for the disabled relief.
    rect.right += StrokePixels(twipsPerPixel_);
    rect.bottom += StrokePixels(twipsPerPixel_);
    InvalidateRect(hwnd_, &rect, FALSE);
}

void StatusWindow::ShowMessage(const std::wstring& text, const std::wstring& title) {
    // A translation in a right-to-left script reads in its own order, from the right.
    MessageBoxW(hwnd_, text.c_str(), title.c_str(),
                MB_OK | (RightToLeft(text) ? UINT{MB_RTLREADING | MB_RIGHT} : 0u));
}

bool StatusWindow::DoEvents() {
    MSG message{};
    // Block until something arrives: a waiting command costs no CPU, and the
    // window keeps painting, ticking and taking clicks meanwhile.
    if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) WaitMessage();
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Put it back so the outer loop sees it and the program ends.
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return true;
}

float StatusWindow::WidthTwips() {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return static_cast<float>(rect.right - rect.left) * twipsPerPixel_;
}

float StatusWindow::HeightTwips() {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return static_cast<float>(rect.bottom - rect.top) * twipsPerPixel_;
}

Desktop::Region StatusWindow::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    return ::CreateRoundRectRgn(x1, y1, x2, y2, w, h);
}

void StatusWindow::SetWindowRgn(Region region, bool redraw) {
    // From here on the system owns the region.
    ::SetWindowRgn(hwnd_, static_cast<HRGN>(region), redraw ? TRUE : FALSE);
}

void StatusWindow::SetCapture() { ::SetCapture(hwnd_); }

void StatusWindow::ReleaseCapture() { ::ReleaseCapture(); }

void StatusWindow::SendMessageA(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    ::SendMessageA(hwnd_, message, wParam, lParam);
}

}  // namespace qv
