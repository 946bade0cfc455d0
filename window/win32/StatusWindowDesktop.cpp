// The Desktop the window's logic runs in, over the real window: timers,
// repaints and reader events for changed labels, message boxes, the nested
// event loop of a waiting command, and the calls that shape and move it.
#include <windows.h>

#include "window/win32/StatusWindow.h"

namespace qv {

void StatusWindow::StartTimer(int id, std::uint32_t intervalMs) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void StatusWindow::StopTimer(int id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void StatusWindow::ControlChanged(ControlId id, LabelProperty what) {
    if (what == LabelProperty::Focus) {
        FocusMoved(id);
        return;
    }
    const std::size_t index = IndexOf(id);
    RECT before = LabelRect(index, SceneNow());
    if (what == LabelProperty::Caption) MakeFont(index);
    if (id == ControlId::Label2) SizeHeadingToCaption();
    RECT after = LabelRect(index, SceneNow());
    // A little more on the right and bottom for the disabled relief.
    for (RECT* rect : {&before, &after}) {
        rect->right += StrokePixels(twipsPerPixel_);
        rect->bottom += StrokePixels(twipsPerPixel_);
        InvalidateRect(hwnd_, rect, FALSE);
    }
    if (what == LabelProperty::ToolTip)
        tooltips_.Retext(index, form_->LabelFor(id)->ToolTipText(), twipsPerPixel_);
    // Screen readers hear the status change and a command come and go.
    if (const int child = AccessibleChildId(id); child != 0) {
        if (what == LabelProperty::Caption)
            NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, hwnd_, OBJID_CLIENT, child);
        if (what == LabelProperty::Enabled)
            NotifyWinEvent(EVENT_OBJECT_STATECHANGE, hwnd_, OBJID_CLIENT, child);
        if (what == LabelProperty::ToolTip)
            NotifyWinEvent(EVENT_OBJECT_DESCRIPTIONCHANGE, hwnd_, OBJID_CLIENT, child);
    }
}

void StatusWindow::ShowMessage(const std::wstring& text, const std::wstring& title) {
    MessageBoxW(hwnd_, text.c_str(), title.c_str(), MB_OK);
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
