// The real window: borderless, painted double-buffered from the control
// model over its background picture, at the density of the screen it is on.
// It decides nothing: mouse, timer and reader events go to frmVctool, which
// the window draws.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "platform/win32/Handles.h"
#include "window/Desktop.h"
#include "window/Layout.h"
#include "window/frmVctool.h"
#include "window/win32/Accessible.h"

namespace qv {

class StatusWindow final : public Desktop {
public:
    explicit StatusWindow(HINSTANCE instance);
    ~StatusWindow() override;
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // Creates the window, loads the form into it and shows it.
    bool Create(frmVctool& form, int showCommand);

    // Desktop
    void StartTimer(int id, std::uint32_t intervalMs) override;
    void StopTimer(int id) override;
    void ControlChanged(ControlId id, LabelProperty what) override;
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

    // Everything drawn at the density `dpi`: fonts, pictures, cursor.
    void ApplyDensity(UINT dpi);
    void LoadArt();
    void CreateFonts();
    // The label's font, or one that has its caption's letters.
    void MakeFont(std::size_t index);
    void CreateTooltips();
    // The tooltip tool of command `index`: its rectangle and its text.
    TOOLINFOW ToolOf(std::size_t index);
    void OnDpiChanged(UINT dpi, const RECT& suggested);
    void OnPaint();
    void PaintScene(HDC dc) const;
    void PaintLabel(HDC dc, std::size_t index, const Label& label) const;
    void OnButtonDown(int button, WPARAM keys, LPARAM position);
    void OnSetCursor();

    // Where a label draws: its design rectangle, or for the self-sizing
    // heading the size of its caption on one line.
    RECT LabelRect(std::size_t index) const;
    void SizeHeadingToCaption();

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    HWND tooltips_ = nullptr;
    frmVctool* form_ = nullptr;
    float twipsPerPixel_ = 15.0f;
    std::array<UniqueFont, kLayout.size()> fonts_{};
    std::array<std::wstring, kLayout.size()> shownTips_{};
    UniqueIcon icon_;
    UniqueIcon smallIcon_;
    UniqueBitmap background_;
    UniqueIcon emblem_;
    UniqueCursor hand_;
    RECT headingRect_{};
    Accessible* accessible_ = nullptr;  // made at a reader's first question
};

}  // namespace qv
