// The real window and the Desktop the logic runs in: it creates the
// borderless window at the density of the screen it is on, routes its
// messages and decides nothing: mouse, timer and reader events go to
// frmVctool, which the window draws.
#pragma once

#include <windows.h>

#include <string>

#include "platform/win32/Handles.h"
#include "window/Desktop.h"
#include "window/frmVctool.h"
#include "window/win32/Accessible.h"
#include "window/win32/Artwork.h"
#include "window/win32/LabelFonts.h"
#include "window/win32/Painter.h"
#include "window/win32/Tooltips.h"

namespace qv {

class StatusWindow final : public Desktop {
public:
    // What another start of the tool finds the window by.
    static constexpr wchar_t kClassName[] = L"QVStatusToolWindow";

    explicit StatusWindow(HINSTANCE instance);
    ~StatusWindow() override;
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // Creates the window, loads the form into it and shows it.
    bool Create(frmVctool& form, int showCommand);

    // Desktop
    void StartTimer(int id, std::uint32_t intervalMs) override;
    void StopTimer(int id) override;
    std::uint64_t TickCountMs() override { return GetTickCount64(); }
    void ControlChanged(const Label& label, LabelProperty what) override;
    void FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) override;
    void ShowMessage(const std::wstring& text, const std::wstring& title) override;
    bool DoEvents() override;
    float TwipsPerPixelX() override { return twipsPerPixel_; }
    float TwipsPerPixelY() override { return twipsPerPixel_; }
    float WidthTwips() override;
    float HeightTwips() override;
    Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) override;
    void SetWindowRgn(Region region, bool redraw) override;
    void SetCapture() override;
    void ReleaseCapture() override;
    void SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    // Everything drawn at the density `dpi` and in the system's colours and
    // settings now: pictures, colours, the focus cue, fonts, tooltips.
    void ApplyDensity(UINT dpi);
    // What follows the system's colours and settings: the scheme, the focus
    // cue and the fonts that leave room for it.
    void ApplySettings();
    void MakeFont(const Label& label);
    void SizeHeadingToCaption(const std::wstring& caption);
    Scene SceneNow() const;
    // The label's rectangle is to be painted again.
    void InvalidateLabel(ControlId id);
    void OnKeyDown(WPARAM key, LPARAM flags);
    // A reader's deferred press has a timer of its own, whose id, the
    // address of the command it presses, no timer of the form's can equal.
    UINT_PTR ReaderPressTimer() const { return reinterpret_cast<UINT_PTR>(&readerPress_); }
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnPaint();
    void OnButtonDown(int button, WPARAM keys, LPARAM position);
    void OnSetCursor();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    frmVctool* form_ = nullptr;
    float twipsPerPixel_ = 15.0f;
    UniqueIcon icon_;
    UniqueIcon smallIcon_;
    Artwork art_;
    LabelFonts fonts_;
    Tooltips tooltips_;
    RECT heading_{};
    ColourScheme scheme_;
    int cue_ = 1;  // the focus cue's thickness
    UniqueCom<Accessible> accessible_;  // made at a reader's first question
    ControlId readerPress_ = ControlId::lblStart;  // the command a reader pressed last
    bool readerPressPending_ = false;              // and its press is still to come
};

}  // namespace qv
