#include "window/win32/StatusWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>

#include "service/Product.h"
#include "window/res/resource.h"

namespace qv {
namespace {

constexpr wchar_t kWindowClass[] = L"QVStatusToolWindow";
constexpr int kEmblemSize = 48;

COLORREF Resolve(Rgb colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return colour;
}

RECT ToRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

std::size_t IndexOf(ControlId id) { return static_cast<std::size_t>(&LayoutOf(id) - kLayout.data()); }

int CALLBACK NoteFaceFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool FaceInstalled(HDC dc, const wchar_t* face) {
    LOGFONTW query{};
    query.lfCharSet = DEFAULT_CHARSET;
    wcsncpy_s(query.lfFaceName, face, _TRUNCATE);
    bool found = false;
    EnumFontFamiliesExW(dc, &query, &NoteFaceFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

}  // namespace

StatusWindow::StatusWindow(HINSTANCE instance) : instance_(instance) {}

StatusWindow::~StatusWindow() {
    // The window goes before the icons, cursor and fonts it uses.
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool StatusWindow::Create(frmVctool& form, int showCommand) {
    form_ = &form;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    icon_.reset(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    smallIcon_.reset(static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), 0)));
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &StatusWindow::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = icon_.get();
    windowClass.hIconSm = smallIcon_.get();
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return false;

    {
        const WindowDc screen(nullptr);
        if (screen.get() != nullptr)
            twipsPerPixel_ = 1440.0f / static_cast<float>(GetDeviceCaps(screen.get(), LOGPIXELSY));
    }
    const int width = TwipsToPixels(static_cast<float>(kWindowWidthTwips), twipsPerPixel_);
    const int height = TwipsToPixels(static_cast<float>(kWindowHeightTwips), twipsPerPixel_);

    // Created as an ordinary overlapped window to get the system's default
    // placement, which pop-up windows do not receive, then stripped of its
    // frame; the system menu and minimise box keep the task bar button useful.
    if (CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowCaption, WS_OVERLAPPED,
                        CW_USEDEFAULT, CW_USEDEFAULT, width, height, nullptr, nullptr, instance_,
                        this) == nullptr)
        return false;
    RECT placed{};
    GetWindowRect(hwnd_, &placed);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    background_.reset(static_cast<HBITMAP>(LoadImageW(
        instance_, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    emblem_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_EMBLEM),
                                                IMAGE_ICON, kEmblemSize, kEmblemSize, 0)));
    hand_.reset(static_cast<HCURSOR>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, 0, 0, 0)));
    CreateFonts();
    SizeHeadingToCaption();
    CreateTooltips();

    form.Load();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

void StatusWindow::CreateFonts() {
    const WindowDc dc(hwnd_);
    const int dpiY = GetDeviceCaps(dc.get(), LOGPIXELSY);
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        if (kLayout[i].kind != ControlKind::Label) continue;
        const FontSpec& font = kLayout[i].font;
        // A machine without the face gets the dialog font the system maps
        // to its nearest sans serif, rather than a serif default.
        const wchar_t* face = FaceInstalled(dc.get(), font.face) ? font.face : L"MS Shell Dlg 2";
        fonts_[i].reset(CreateFontW(-static_cast<int>(std::lround(font.points * dpiY / 72.0)), 0, 0,
                                    0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face));
    }
}

void StatusWindow::CreateTooltips() {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance_, nullptr);
    if (tooltips_ == nullptr) return;
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        if (!kLayout[i].command) continue;
        shownTips_[i] = form_->LabelFor(kLayout[i].id)->ToolTipText();
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = i;
        tool.rect = ToRect(ControlRect(kLayout[i], twipsPerPixel_));
        tool.lpszText = shownTips_[i].data();
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
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
            form_->OnTimer(static_cast<int>(wParam));
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) != HTCLIENT) break;
            OnSetCursor();
            return TRUE;
        case WM_LBUTTONDOWN:
            OnButtonDown(1, wParam, lParam);
            return 0;
        case WM_RBUTTONDOWN:
            OnButtonDown(2, wParam, lParam);
            return 0;
        case WM_MBUTTONDOWN:
            OnButtonDown(4, wParam, lParam);
            return 0;
        case WM_LBUTTONUP:
            form_->MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            form_->CaptureLost();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void StatusWindow::OnPaint() {
    const PaintDc target(hwnd_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    const RECT& dirty = target.dirty();

    // Painting into a memory bitmap first keeps the refresh from flickering.
    const UniqueMemoryDc memory(CreateCompatibleDC(target.get()));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(target.get(), client.right, client.bottom));
    if (memory && bitmap) {
        const SelectedObject selected(memory.get(), bitmap.get());
        PaintScene(memory.get());
        BitBlt(target.get(), dirty.left, dirty.top, dirty.right - dirty.left,
               dirty.bottom - dirty.top, memory.get(), dirty.left, dirty.top, SRCCOPY);
    } else {
        PaintScene(target.get());
    }
}

void StatusWindow::PaintScene(HDC dc) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    // The back colour shows where the picture, one row shorter than the
    // window, does not reach.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (background_) {
        const UniqueMemoryDc picture(CreateCompatibleDC(dc));
        BITMAP size{};
        GetObjectW(background_.get(), sizeof(size), &size);
        const SelectedObject selected(picture.get(), background_.get());
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, picture.get(), 0, 0, SRCCOPY);
    }

    // Back to front: the table lists the front-most control first.
    for (std::size_t n = kLayout.size(); n-- > 0;) {
        const ControlLayout& layout = kLayout[n];
        const PixelRect r = ControlRect(layout, twipsPerPixel_);
        if (layout.kind == ControlKind::Line) {
            const UniquePen pen(CreatePen(PS_SOLID, 1, layout.colour));
            const SelectedObject selected(dc, pen.get());
            MoveToEx(dc, r.left, r.top, nullptr);
            LineTo(dc, r.right, r.bottom);
            // LineTo leaves out the last point; a line includes both ends.
            SetPixel(dc, r.right, r.bottom, layout.colour);
        } else if (const Label* label = form_->LabelFor(layout.id)) {
            PaintLabel(dc, n, *label);
        } else if (layout.id == ControlId::Image1 && emblem_) {
            DrawIconEx(dc, r.left, r.top, emblem_.get(), kEmblemSize, kEmblemSize, 0, nullptr,
                       DI_NORMAL);
        }
    }
}

void StatusWindow::PaintLabel(HDC dc, std::size_t index, const Label& label) const {
    if (label.Caption().empty()) return;
    const ControlLayout& layout = kLayout[index];
    const SelectedObject font(dc, fonts_[index].get());
    RECT rect = LabelRect(index);
    const UINT format = DT_WORDBREAK | DT_TOP |
                        (layout.align == TextAlign::Centre ? DT_CENTER : DT_LEFT);
    SetBkMode(dc, TRANSPARENT);
    // Text past the rectangle is cut off, also below its last whole line.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    if (label.Enabled()) {
        SetTextColor(dc, Resolve(label.ForeColor()));
        DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
    } else {
        // The classic disabled look: a light relief under grey text.
        RECT relief{rect.left + 1, rect.top + 1, rect.right + 1, rect.bottom + 1};
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(dc, label.Caption().c_str(), -1, &relief, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
    }
    RestoreDC(dc, saved);
}

RECT StatusWindow::LabelRect(std::size_t index) const {
    if (kLayout[index].id == ControlId::Label2) return headingRect_;
    return ToRect(ControlRect(kLayout[index], twipsPerPixel_));
}

void StatusWindow::SizeHeadingToCaption() {
    const std::size_t index = IndexOf(ControlId::Label2);
    const PixelRect design = ControlRect(kLayout[index], twipsPerPixel_);
    RECT measured{0, 0, 0, 0};
    {
        const WindowDc dc(hwnd_);
        const SelectedObject font(dc.get(), fonts_[index].get());
        const std::wstring& caption = form_->Label2.Caption();
        // An empty caption still measures one line high.
        DrawTextW(dc.get(), caption.empty() ? L" " : caption.c_str(), -1, &measured,
                  DT_CALCRECT | DT_SINGLELINE);
        if (caption.empty()) measured.right = 0;
    }
    headingRect_ = {design.left, design.top, design.left + measured.right,
                    design.top + measured.bottom};
}

void StatusWindow::OnButtonDown(int button, WPARAM keys, LPARAM position) {
    const int shift = ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                      ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
    form_->MouseDown(button, shift, GET_X_LPARAM(position), GET_Y_LPARAM(position));
}

void StatusWindow::OnSetCursor() {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(hwnd_, &point);
    const ControlLayout* target = ControlAt(point.x, point.y, twipsPerPixel_);
    const bool overCommand = target != nullptr && target->command;
    SetCursor(overCommand && hand_ ? hand_.get() : LoadCursorW(nullptr, IDC_ARROW));
}

void StatusWindow::StartTimer(int id, std::uint32_t intervalMs) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void StatusWindow::StopTimer(int id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void StatusWindow::ControlChanged(ControlId id) {
    const std::size_t index = IndexOf(id);
    RECT before = LabelRect(index);
    if (id == ControlId::Label2) SizeHeadingToCaption();
    RECT after = LabelRect(index);
    // One pixel more on the right and bottom for the disabled relief.
    for (RECT* rect : {&before, &after}) {
        ++rect->right;
        ++rect->bottom;
        InvalidateRect(hwnd_, rect, FALSE);
    }
    const std::wstring& tip = form_->LabelFor(id)->ToolTipText();
    if (tooltips_ != nullptr && kLayout[index].command && tip != shownTips_[index]) {
        shownTips_[index] = tip;
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.hwnd = hwnd_;
        tool.uId = index;
        tool.lpszText = shownTips_[index].data();
        SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
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
