// The real window: borderless, painted double-buffered from the control
// model, with its labels hit-tested here. It decides nothing; events go to
// frmVctool.
#pragma once

#include <windows.h>

#include <array>
#include <optional>
#include <string>

#include "window/Desktop.h"
#include "window/Layout.h"
#include "window/frmVctool.h"
#include "window/win32/GdiHandles.h"

namespace qv {

class StatusWindow final : public Desktop {
public:
    explicit StatusWindow(HINSTANCE instance);
    StatusWindow(const StatusWindow&) = delete;
    StatusWindow& operator=(const StatusWindow&) = delete;

    // Creates the window, loads the form into it and shows it.
    bool Create(frmVctool& form, int showCommand);
    HWND Handle() const { return hwnd_; }

    // Desktop
    std::wstring ProgramFolder() override;
    void StartTimer(int id, std::uint32_t intervalMs) override;
    void StopTimer(int id) override;
    void ControlChanged(ControlId id) override;
    void ShowMessage(const std::wstring& text, const std::wstring& title) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

    void OnPaint();
    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);
    void PaintScene(HDC dc) const;
    void PaintLabel(HDC dc, const ControlLayout& layout, const Label& label) const;

    const Label& LabelOf(ControlId id) const;
    // The front-most enabled-or-not label under the point, if any.
    std::optional<ControlId> LabelAt(int x, int y) const;
    PixelRect RectOf(const ControlLayout& layout) const;
    const ControlLayout& LayoutOf(ControlId id) const;

    HINSTANCE instance_;
    HWND hwnd_ = nullptr;
    frmVctool* form_ = nullptr;
    float twipsPerPixelX_ = 15.0f;
    float twipsPerPixelY_ = 15.0f;
    std::array<UniqueFont, kLayout.size()> fonts_{};
    std::optional<ControlId> pressed_;
};

}  // namespace qv
