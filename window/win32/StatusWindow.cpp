#include "window/win32/StatusWindow.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <vector>

#include "service/Product.h"
#include "window/res/resource.h"
#include "window/win32/DibSection.h"

namespace qv {
namespace {

constexpr wchar_t kWindowClass[] = L"QVStatusToolWindow";
constexpr int kHandTwips = 480;  // the hand cursor: 32 pixels at 96 dpi

COLORREF Resolve(Rgb colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return colour;
}

RECT ToRect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

std::size_t IndexOf(ControlId id) { return static_cast<std::size_t>(&LayoutOf(id) - kLayout.data()); }

// The density a window is shown at, where the system can tell per window
// (Windows 10 1607 on); before that, and before there is a window, the
// screen's. Looked up by name, so the program still starts on older systems.
UINT DpiOf(HWND window) {
    using GetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto perWindow = reinterpret_cast<GetDpiForWindow>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (window != nullptr && perWindow != nullptr)
        if (const UINT dpi = perWindow(window)) return dpi;
    const WindowDc screen(nullptr);
    return static_cast<UINT>(GetDeviceCaps(screen.get(), LOGPIXELSY));
}

// Where the designed face lacks a caption's letters (a translation in
// another script), the first of these that has them all draws it.
constexpr const wchar_t* kFallbackFaces[] = {
    L"Segoe UI",  L"Microsoft Sans Serif", L"Arial Unicode MS", L"Nirmala UI", L"Microsoft YaHei",
    L"SimSun",    L"Meiryo",               L"MS Gothic",        L"Malgun Gothic"};

// Whether `font` draws every character of `text` with glyphs of its own.
bool HasGlyphs(HDC dc, HFONT font, const std::wstring& text) {
    if (font == nullptr || text.empty()) return true;
    const SelectedObject selected(dc, font);
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return true;
    return std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

// Whether the font the system made for a face is that face, not a stand-in.
bool IsFace(HDC dc, HFONT font, const wchar_t* face) {
    const SelectedObject selected(dc, font);
    wchar_t made[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, made);
    return _wcsicmp(made, face) == 0;
}

}  // namespace

StatusWindow::StatusWindow(HINSTANCE instance) : instance_(instance) {}

StatusWindow::~StatusWindow() {
    // The window goes before the icons, cursor and fonts it uses.
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

bool StatusWindow::Create(frmVctool& form, int showCommand) {
    form_ = &form;

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

    // Created as an ordinary overlapped window to get the system's default
    // placement, which pop-up windows do not receive, then stripped of its
    // frame; the system menu and minimise box keep the task bar button useful.
    twipsPerPixel_ = 1440.0f / static_cast<float>(DpiOf(nullptr));
    PixelSize size = WindowSize(twipsPerPixel_);
    if (CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowCaption, WS_OVERLAPPED,
                        CW_USEDEFAULT, CW_USEDEFAULT, size.width, size.height, nullptr, nullptr,
                        instance_, this) == nullptr)
        return false;
    // Placed on a screen of another density, it takes that one's size.
    ApplyDensity(DpiOf(hwnd_));
    size = WindowSize(twipsPerPixel_);
    RECT placed{};
    GetWindowRect(hwnd_, &placed);
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd_, nullptr, placed.left, placed.top, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    form.Load();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

void StatusWindow::ApplyDensity(UINT dpi) {
    twipsPerPixel_ = 1440.0f / static_cast<float>(dpi);
    LoadArt();
    CreateFonts();
    SizeHeadingToCaption();
    for (std::size_t i = 0; tooltips_ != nullptr && i < kLayout.size(); ++i) {
        if (!kLayout[i].command) continue;
        TOOLINFOW tool = ToolOf(i);
        SendMessageW(tooltips_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void StatusWindow::LoadArt() {
    // 100 % shows the committed picture as it always has; any other density
    // the same art drawn afresh at its own size.
    background_ = twipsPerPixel_ == 15.0f
                      ? UniqueBitmap(static_cast<HBITMAP>(
                            LoadImageW(instance_, MAKEINTRESOURCEW(IDB_BACKGROUND_100), IMAGE_BITMAP,
                                       0, 0, LR_CREATEDIBSECTION)))
                      : DibSection(DrawBackground(twipsPerPixel_));
    const PixelRect emblem = ControlRect(LayoutOf(ControlId::Image1), twipsPerPixel_);
    emblem_.reset(static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_EMBLEM), IMAGE_ICON,
                                                emblem.right - emblem.left,
                                                emblem.bottom - emblem.top, 0)));
    const int hand = TwipsToPixels(kHandTwips, twipsPerPixel_);
    hand_.reset(static_cast<HCURSOR>(LoadImageW(instance_, MAKEINTRESOURCEW(IDC_HAND_POINTER),
                                                IMAGE_CURSOR, hand, hand, 0)));
}

void StatusWindow::CreateFonts() {
    for (std::size_t i = 0; i < kLayout.size(); ++i)
        if (kLayout[i].kind == ControlKind::Label) MakeFont(i);
}

void StatusWindow::MakeFont(std::size_t index) {
    const FontSpec& design = kLayout[index].font;
    const int height = -static_cast<int>(std::lround(design.points * 20.0f / twipsPerPixel_));
    const auto make = [&](const wchar_t* face, BYTE charset) {
        return UniqueFont(CreateFontW(height, 0, 0, 0, design.weight, FALSE, FALSE, FALSE, charset,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, face));
    };
    const WindowDc dc(hwnd_);
    // A machine without the face gets the dialog font the system maps to its
    // nearest sans serif, rather than a serif default.
    fonts_[index] = make(design.face, ANSI_CHARSET);
    if (!IsFace(dc.get(), fonts_[index].get(), design.face))
        fonts_[index] = make(L"MS Shell Dlg 2", ANSI_CHARSET);
    const std::wstring& caption = form_->LabelFor(kLayout[index].id)->Caption();
    for (const wchar_t* face : kFallbackFaces) {
        if (HasGlyphs(dc.get(), fonts_[index].get(), caption)) break;
        if (UniqueFont fallback = make(face, DEFAULT_CHARSET); HasGlyphs(dc.get(), fallback.get(), caption))
            fonts_[index] = std::move(fallback);
    }
}

void StatusWindow::CreateTooltips() {
    // The common controls are loaded at the first hover over a command, not
    // at start-up: most runs are looked at, not pointed at.
    using InitCommonControlsEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto init = reinterpret_cast<InitCommonControlsEx>(reinterpret_cast<void*>(
        GetProcAddress(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES};
    if (init == nullptr || !init(&controls)) return;
    tooltips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr,
                                instance_, nullptr);
    for (std::size_t i = 0; tooltips_ != nullptr && i < kLayout.size(); ++i) {
        if (!kLayout[i].command) continue;
        shownTips_[i] = form_->LabelFor(kLayout[i].id)->ToolTipText();
        TOOLINFOW tool = ToolOf(i);
        tool.uFlags = TTF_SUBCLASS;
        SendMessageW(tooltips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

TOOLINFOW StatusWindow::ToolOf(std::size_t index) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = hwnd_;
    tool.uId = index;
    tool.rect = ToRect(ControlRect(kLayout[index], twipsPerPixel_));
    tool.lpszText = shownTips_[index].data();
    return tool;
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
        case WM_DPICHANGED:
            OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) != OBJID_CLIENT) break;
            if (accessible_ == nullptr) accessible_ = new Accessible(hwnd_, *form_, twipsPerPixel_);
            return accessible_->Answer(wParam);
        case kDefaultActionMessage:
            form_->DoDefaultAction(static_cast<ControlId>(wParam));
            return 0;
        case WM_DESTROY:
            if (accessible_ != nullptr) {
                accessible_->Disconnect();
                accessible_->Release();
                accessible_ = nullptr;
            }
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

void StatusWindow::OnDpiChanged(UINT dpi, const RECT& suggested) {
    ApplyDensity(dpi);
    // Where the system suggests, at the size the twips give there.
    const PixelSize size = WindowSize(twipsPerPixel_);
    SetWindowPos(hwnd_, nullptr, suggested.left, suggested.top, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    form_->DensityChanged();
    InvalidateRect(hwnd_, nullptr, FALSE);
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
    const int stroke = StrokePixels(twipsPerPixel_);
    for (std::size_t n = kLayout.size(); n-- > 0;) {
        const ControlLayout& layout = kLayout[n];
        const PixelRect r = ControlRect(layout, twipsPerPixel_);
        if (layout.kind == ControlKind::Line) {
            // The layout's lines run straight across or down; both ends
            // belong to the line.
            const RECT line{std::min(r.left, r.right), std::min(r.top, r.bottom),
                            std::max(r.left, r.right) + stroke, std::max(r.top, r.bottom) + stroke};
            const UniqueBrush brush(CreateSolidBrush(layout.colour));
            FillRect(dc, &line, brush.get());
        } else if (const Label* label = form_->LabelFor(layout.id)) {
            PaintLabel(dc, n, *label);
        } else if (layout.id == ControlId::Image1 && emblem_) {
            DrawIconEx(dc, r.left, r.top, emblem_.get(), r.right - r.left, r.bottom - r.top, 0,
                       nullptr, DI_NORMAL);
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
        RECT relief = rect;
        OffsetRect(&relief, StrokePixels(twipsPerPixel_), StrokePixels(twipsPerPixel_));
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
    if (overCommand && tooltips_ == nullptr) CreateTooltips();
    SetCursor(overCommand && hand_ ? hand_.get() : LoadCursorW(nullptr, IDC_ARROW));
}

void StatusWindow::StartTimer(int id, std::uint32_t intervalMs) {
    SetTimer(hwnd_, static_cast<UINT_PTR>(id), intervalMs, nullptr);
}

void StatusWindow::StopTimer(int id) { KillTimer(hwnd_, static_cast<UINT_PTR>(id)); }

void StatusWindow::ControlChanged(ControlId id, LabelProperty what) {
    const std::size_t index = IndexOf(id);
    RECT before = LabelRect(index);
    if (what == LabelProperty::Caption) MakeFont(index);
    if (id == ControlId::Label2) SizeHeadingToCaption();
    RECT after = LabelRect(index);
    // A little more on the right and bottom for the disabled relief.
    for (RECT* rect : {&before, &after}) {
        rect->right += StrokePixels(twipsPerPixel_);
        rect->bottom += StrokePixels(twipsPerPixel_);
        InvalidateRect(hwnd_, rect, FALSE);
    }
    const Label& label = *form_->LabelFor(id);
    if (what == LabelProperty::ToolTip && tooltips_ != nullptr && kLayout[index].command) {
        shownTips_[index] = label.ToolTipText();
        TOOLINFOW tool = ToolOf(index);
        SendMessageW(tooltips_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    }
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
