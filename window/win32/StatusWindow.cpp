#include "window/win32/StatusWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cmath>
#include <vector>

#include "window/res/resource.h"
#include "window/win32/Picture.h"

namespace qv {
namespace {

constexpr wchar_t kWindowClass[] = L"QVStatusToolWindow";
constexpr int kEmblemSize = 48;

COLORREF Resolve(Rgb colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return colour;
}

RECT ToRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

bool IsCommand(ControlId id) {
    return id == ControlId::lblStart || id == ControlId::lblStop || id == ControlId::lblRestart ||
           id == ControlId::lblClose;
}

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
    if (emblem_ != nullptr) DestroyIcon(emblem_);
}

bool StatusWindow::Create(frmVctool& form, int showCommand) {
    form_ = &form;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = &StatusWindow::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP),
                                                      IMAGE_ICON, 0, 0, LR_DEFAULTSIZE));
    windowClass.hIconSm = static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                   GetSystemMetrics(SM_CYSMICON), 0));
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

    background_ = LoadGifResource(instance_, IDR_BACKGROUND);
    emblem_ = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_EMBLEM), IMAGE_ICON,
                                            kEmblemSize, kEmblemSize, 0));
    hand_ = static_cast<HCURSOR>(
        LoadImageW(instance_, MAKEINTRESOURCEW(IDC_HAND_POINTER), IMAGE_CURSOR, 0, 0, 0));
    CreateFonts();
    SizeHeadingToCaption();
    CreateTooltips();

    form.Load();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

void StatusWindow::CreateFonts() {
    const HDC dc = GetDC(hwnd_);
    const int dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        if (kLayout[i].kind != ControlKind::Label) continue;
        const FontSpec& font = kLayout[i].font;
        // A machine without the face gets the dialog font the system maps
        // to its nearest sans serif, rather than a serif default.
        const wchar_t* face = FaceInstalled(dc, font.face) ? font.face : L"MS Shell Dlg 2";
        fonts_[i].reset(CreateFontW(-static_cast<int>(std::lround(font.points * dpiY / 72.0)), 0, 0,
                                    0, font.weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, face));
    }
    ReleaseDC(hwnd_, dc);
}

void StatusWindow::CreateTooltips() {
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance_, nullptr);
    if (tooltips_ == nullptr) return;
    for (std::size_t i = 0; i < kLayout.size(); ++i) {
        if (!kLayout[i].label || !IsCommand(*kLayout[i].label)) continue;
        shownTips_[i] = LabelOf(*kLayout[i].label).ToolTipText();
        TOOLINFOW tool{};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = i;
        tool.rect = ToRect(ControlRect(kLayout[i], twipsPerPixelX_));
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
            if (form_ != nullptr) form_->OnTimer(static_cast<int>(wParam));
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT && OnSetCursor()) return TRUE;
            break;
        case WM_LBUTTONDOWN:
            OnButtonDown(1, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_RBUTTONDOWN:
            OnButtonDown(2, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_MBUTTONDOWN:
            OnButtonDown(4, wParam, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_LBUTTONUP:
            OnLButtonUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_CAPTURECHANGED:
            pressed_.reset();
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
    PAINTSTRUCT paint{};
    const HDC target = BeginPaint(hwnd_, &paint);
    RECT client{};
    GetClientRect(hwnd_, &client);

    // Painting into a memory bitmap first keeps the refresh from flickering.
    const UniqueMemoryDc memory(CreateCompatibleDC(target));
    const UniqueBitmap bitmap(CreateCompatibleBitmap(target, client.right, client.bottom));
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
        const PixelRect r = ControlRect(layout, twipsPerPixelX_);
        if (layout.kind == ControlKind::Line) {
            const UniquePen pen(CreatePen(PS_SOLID, 1, kLineGrey));
            const SelectedObject selected(dc, pen.get());
            MoveToEx(dc, r.left, r.top, nullptr);
            LineTo(dc, r.right, r.bottom);
            // LineTo leaves out the last point; a line includes both ends.
            SetPixel(dc, r.right, r.bottom, kLineGrey);
        } else if (layout.kind == ControlKind::Label && layout.label) {
            PaintLabel(dc, n, LabelOf(*layout.label));
        } else if (layout.kind == ControlKind::Image && emblem_ != nullptr &&
                   std::wstring_view(layout.name) == L"Image1") {
            DrawIconEx(dc, r.left, r.top, emblem_, kEmblemSize, kEmblemSize, 0, nullptr, DI_NORMAL);
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
    if (kLayout[index].label == ControlId::Label2) return headingRect_;
    return ToRect(ControlRect(kLayout[index], twipsPerPixelX_));
}

void StatusWindow::SizeHeadingToCaption() {
    const std::size_t index = IndexOf(ControlId::Label2);
    const PixelRect design = ControlRect(kLayout[index], twipsPerPixelX_);
    const HDC dc = GetDC(hwnd_);
    RECT measured{0, 0, 0, 0};
    {
        const SelectedObject font(dc, fonts_[index].get());
        const std::wstring& caption = LabelOf(ControlId::Label2).Caption();
        // An empty caption still measures one line high.
        DrawTextW(dc, caption.empty() ? L" " : caption.c_str(), -1, &measured,
                  DT_CALCRECT | DT_SINGLELINE);
        if (caption.empty()) measured.right = 0;
    }
    ReleaseDC(hwnd_, dc);
    headingRect_ = {design.left, design.top, design.left + measured.right,
                    design.top + measured.bottom};
}

void StatusWindow::OnButtonDown(int button, WPARAM keys, int x, int y) {
    const ControlLayout* target = ControlAt(x, y, twipsPerPixelX_);
    if (target == nullptr) return;
    if (std::wstring_view(target->name) == kDragStrip) {
        const int shift = ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                          ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
        const PixelRect strip = ControlRect(*target, twipsPerPixelX_);
        form_->imgTop_MouseDown(button, shift,
                                static_cast<float>(x - strip.left) * twipsPerPixelX_,
                                static_cast<float>(y - strip.top) * twipsPerPixelY_);
        return;
    }
    if (button == 1 && target->label && IsCommand(*target->label)) {
        pressed_ = target->label;
        SetCapture(hwnd_);
    }
}

void StatusWindow::OnLButtonUp(int x, int y) {
    if (!pressed_) return;
    const ControlId pressed = *pressed_;
    pressed_.reset();
    ::ReleaseCapture();
    const ControlLayout* target = ControlAt(x, y, twipsPerPixelX_);
    // A click is a press and a release on the same label, which must still
    // be enabled: a command started meanwhile may have disabled it.
    if (target != nullptr && target->label == pressed && LabelOf(pressed).Enabled())
        form_->OnClick(pressed);
}

bool StatusWindow::OnSetCursor() {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(hwnd_, &point);
    const ControlLayout* target = ControlAt(point.x, point.y, twipsPerPixelX_);
    const bool overCommand = target != nullptr && target->label && IsCommand(*target->label);
    SetCursor(overCommand && hand_ != nullptr ? hand_ : LoadCursorW(nullptr, IDC_ARROW));
    return true;
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

std::size_t StatusWindow::IndexOf(ControlId id) const {
    for (std::size_t i = 0; i < kLayout.size(); ++i)
        if (kLayout[i].label == id) return i;
    return 0;
}

std::wstring StatusWindow::ProgramFolder() {
    std::vector<wchar_t> path(MAX_PATH);
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            std::wstring folder(path.data(), length);
            const auto slash = folder.find_last_of(L'\\');
            folder.erase(slash == std::wstring::npos ? 0 : slash);
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
    const std::wstring& tip = LabelOf(id).ToolTipText();
    if (tooltips_ != nullptr && IsCommand(id) && tip != shownTips_[index]) {
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

void StatusWindow::EndProgram() { ExitProcess(0); }

void StatusWindow::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

float StatusWindow::WidthTwips() {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return static_cast<float>(rect.right - rect.left) * twipsPerPixelX_;
}

float StatusWindow::HeightTwips() {
    RECT rect{};
    GetWindowRect(hwnd_, &rect);
    return static_cast<float>(rect.bottom - rect.top) * twipsPerPixelY_;
}

Desktop::Region StatusWindow::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    return ::CreateRoundRectRgn(x1, y1, x2, y2, w, h);
}

void StatusWindow::SetWindowRgn(Region region, bool redraw) {
    // From here on the system owns the region.
    ::SetWindowRgn(hwnd_, static_cast<HRGN>(region), redraw ? TRUE : FALSE);
}

void StatusWindow::ReleaseCapture() { ::ReleaseCapture(); }

void StatusWindow::SendMessageA(std::uint32_t message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
    ::SendMessageA(hwnd_, message, wParam, lParam);
}

}  // namespace qv
