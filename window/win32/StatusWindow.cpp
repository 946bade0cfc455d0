#include "window/win32/StatusWindow.h"

#include <windowsx.h>

#include <cmath>
#include <vector>

namespace qv {
namespace {

constexpr wchar_t kWindowClass[] = L"QVStatusToolWindow";

// Until the window's artwork is in place: the top band and a light panel.
constexpr COLORREF kTopBand = RGB(102, 119, 139);
constexpr COLORREF kPanel = RGB(244, 246, 248);
constexpr int kTopBandHeight = 10;
constexpr int kPictureWidth = 250;
constexpr int kPictureHeight = 300;

COLORREF Resolve(Rgb colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return colour;
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    const UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

}  // namespace

StatusWindow::StatusWindow(HINSTANCE instance) : instance_(instance) {}

bool StatusWindow::Create(frmVctool& form, int showCommand) {
    form_ = &form;

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &StatusWindow::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return false;

    if (const HDC screen = GetDC(nullptr)) {
        twipsPerPixelX_ = 1440.0f / static_cast<float>(GetDeviceCaps(screen, LOGPIXELSX));
        twipsPerPixelY_ = 1440.0f / static_cast<float>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    const int width = TwipsToPixels(static_cast<float>(kWindowWidthTwips), twipsPerPixelX_);
    const int height = TwipsToPixels(static_cast<float>(kWindowHeightTwips), twipsPerPixelY_);

    // Created as an ordinary overlapped window to get the system's default
    // placement, which pop-up windows do not receive, then stripped of its
    // frame; the system menu and minimise box keep the task bar button useful.
    hwnd_ = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowCaption, WS_OVERLAPPED,
                            CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr,
                            instance_, this);
    if (hwnd_ == nullptr) return false;
    RECT placed{};
    GetWindowRect(hwnd_, &placed);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    const HDC screen = GetDC(hwnd_);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(hwnd_, screen);
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        const FontSpec& font = kLayout[i].font;
        if (kLayout[i].kind != ControlKind::Label) continue;
        fonts_[i].reset(CreateFontW(-static_cast<int>(std::lround(font.points * dpiY / 72.0)), 0, 0,
                                    0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, font.face));
    }

    form.Load();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

LRESULT CALLBACK StatusWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        auto* self = static_cast<StatusWindow*>(create->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<StatusWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT StatusWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel; erasing first would flicker
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_TIMER:
            if (form_ != nullptr) form_->OnTimer(static_cast<int>(wParam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

void StatusWindow::OnPaint() {
    PAINTSTRUCT paint{};
    const HDC target = BeginPaint(hwnd_, &paint);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;

    // Painting into a memory bitmap first keeps the refresh from flickering.
    const UniqueMemoryDc memory(CreateCompatibleDC(target));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(target, width, height));
    if (memory && bitmap) {
        const SelectedObject selected(memory.get(), bitmap.get());
        PaintScene(memory.get());
        BitBlt(target, paint.rcPaint.left, paint.rcPaint.top,
               paint.rcPaint.right - paint.rcPaint.left, paint.rcPaint.bottom - paint.rcPaint.top,
               memory.get(), paint.rcPaint.left, paint.rcPaint.top, SRCCOPY);
    } else {
        PaintScene(target);
    }
    EndPaint(hwnd_, &paint);
}

void StatusWindow::PaintScene(HDC dc) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    FillSolid(dc, client, RGB(0, 0, 0));
    FillSolid(dc, RECT{0, 0, kPictureWidth, kPictureHeight}, kPanel);
    FillSolid(dc, RECT{0, 0, kPictureWidth, kTopBandHeight}, kTopBand);

    // Back to front: the table lists the front-most control first.
    for (auto it = kLayout.rbegin(); it != kLayout.rend(); ++it) {
        const ControlLayout& layout = *it;
        if (layout.kind == ControlKind::Line) {
            const PixelRect line = RectOf(layout);
            const UniquePen pen(CreatePen(PS_SOLID, 1, kLineGrey));
            const SelectedObject selected(dc, pen.get());
            MoveToEx(dc, line.left, line.top, nullptr);
            LineTo(dc, line.right, line.bottom);
        } else if (layout.kind == ControlKind::Label && layout.label) {
            PaintLabel(dc, layout, LabelOf(*layout.label));
        }
    }
}

void StatusWindow::PaintLabel(HDC dc, const ControlLayout& layout, const Label& label) const {
    if (label.Caption().empty()) return;
    const auto index = static_cast<std::size_t>(&layout - kLayout.data());
    const SelectedObject font(dc, fonts_[index].get());
    const PixelRect r = RectOf(layout);
    RECT rect{r.left, r.top, r.right, r.bottom};
    const UINT format = DT_WORDBREAK | DT_TOP |
                        (layout.align == TextAlign::Centre ? DT_CENTER : DT_LEFT);
    SetBkMode(dc, TRANSPARENT);
    if (label.Enabled()) {
        SetTextColor(dc, Resolve(label.ForeColor()));
        DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
        return;
    }
    // The classic disabled look: a light relief under grey text.
    RECT relief{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
    SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
    DrawTextW(dc, label.Caption().c_str(), -1, &relief, format);
    SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
    DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
}

const Label& StatusWindow::LabelOf(ControlId id) const {
    switch (id) {
        case ControlId::lblStart: return form_->lblStart;
        case ControlId::lblStop: return form_->lblStop;
        case ControlId::lblRestart: return form_->lblRestart;
        case ControlId::lblClose: return form_->lblClose;
        case ControlId::lblStatus: return form_->lblStatus;
        case ControlId::lblts: return form_->lblts;
        case ControlId::Label2: break;
    }
    return form_->Label2;
}

const ControlLayout& StatusWindow::LayoutOf(ControlId id) const {
    for (const ControlLayout& layout : kLayout)
        if (layout.label == id) return layout;
    return kLayout.front();
}

PixelRect StatusWindow::RectOf(const ControlLayout& layout) const {
    // Both axes share one density in practice; rows use the horizontal one.
    return ControlRect(layout, twipsPerPixelX_);
}

std::wstring StatusWindow::ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::wstring folder(path.data(), length);
            folder.erase(folder.find_last_of(L'\\') == std::wstring::npos ? 0 : folder.find_last_of(L'\\'));
            // A drive's root keeps its backslash ("C:\"), as the system names it.
            if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
            return folder;
        }
        path.resize(path.size() * 2);
    }
}

void StatusWindow::StartTimer(int id, std::uint32_t intervalMs) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void StatusWindow::StopTimer(int id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void StatusWindow::ControlChanged(ControlId id) {
    const PixelRect r = RectOf(LayoutOf(id));
    // One pixel more on the right and bottom for the disabled relief.
    RECT rect{r.left, r.top, r.right + 1, r.bottom + 1};
    InvalidateRect(hwnd_, &rect, FALSE);
}

void StatusWindow::ShowMessage(const std::wstring& text, const std::wstring& title) {
    MessageBoxW(hwnd_, text.c_str(), title.c_str(), MB_OK);
}

}  // namespace qv
