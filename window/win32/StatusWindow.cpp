#include "window/win32/StatusWindow.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "service/Product.h"
#include "window/Opening.h"
#include "window/res/resource.h"

namespace qv {
namespace {

// A reader's press runs this long after its call has returned; see
// kDefaultActionMessage below.
constexpr UINT kReaderPressDelayMs = 100;

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

// The part of the window's screen that no task bar covers.
PixelRect WorkAreaOf(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor))
        GetWindowRect(window, &monitor.rcWork);  // then it stays about where it is
    const RECT& work = monitor.rcWork;
    return {work.left, work.top, work.right, work.bottom};
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
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) return false;

    // Created as an ordinary overlapped window to get the system's default
    // placement, which pop-up windows do not receive, then stripped of its
    // frame; the system menu and minimise box keep the task bar button useful.
    twipsPerPixel_ = 1440.0f / static_cast<float>(DpiOf(nullptr));
    PixelSize size = WindowSize(twipsPerPixel_);
    if (CreateWindowExW(WS_EX_APPWINDOW, kClassName, kWindowCaption, WS_OVERLAPPED,
                        CW_USEDEFAULT, CW_USEDEFAULT, size.width, size.height, nullptr, nullptr,
                        instance_, this) == nullptr)
        return false;
    // Placed on a screen of another density, it takes that one's size.
    ApplyDensity(DpiOf(hwnd_));
    size = WindowSize(twipsPerPixel_);
    // Where the system placed it, moved as far as it must to show it whole.
    RECT placed{};
    GetWindowRect(hwnd_, &placed);
    const PixelPoint at = PlaceWhole(
        {placed.left, placed.top, placed.left + size.width, placed.top + size.height},
        WorkAreaOf(hwnd_));
    SetWindowLongPtrW(hwnd_, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd_, nullptr, at.x, at.y, size.width, size.height,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);

    form.Load();
    ShowWindow(hwnd_, showCommand);
    UpdateWindow(hwnd_);
    return true;
}

void StatusWindow::ApplyDensity(UINT dpi) {
    twipsPerPixel_ = 1440.0f / static_cast<float>(dpi);
    art_.Load(instance_, twipsPerPixel_);
    ApplySettings();
    tooltips_.Move(twipsPerPixel_);
}

void StatusWindow::ApplySettings() {
    scheme_ = SystemColourScheme();
    cue_ = FocusCuePixels(twipsPerPixel_);
    for (std::size_t i = 0; i < kLayout.size(); ++i)
        if (kLayout[i].kind == ControlKind::Label) MakeFont(*form_->LabelFor(kLayout[i].id));
    SizeHeadingToCaption(form_->Label2.Caption());
}

void StatusWindow::MakeFont(const Label& label) {
    const WindowDc dc(hwnd_);
    // A cut caption is told apart from the other commands' captions.
    std::vector<std::wstring> others;
    if (LayoutOf(label.Id()).command)
        for (const ControlId id : kFocusOrder)
            if (id != label.Id() && !form_->LabelFor(id)->Caption().empty())
                others.push_back(form_->LabelFor(id)->Caption());
    fonts_.Make(dc.get(), IndexOf(label.Id()), label.Caption(), others, twipsPerPixel_, cue_);
}

void StatusWindow::SizeHeadingToCaption(const std::wstring& caption) {
    const WindowDc dc(hwnd_);
    heading_ = HeadingRect(dc.get(), fonts_[IndexOf(ControlId::Label2)], caption, twipsPerPixel_);
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
            if (wParam == ReaderPressTimer()) {
                KillTimer(hwnd_, ReaderPressTimer());
                // Only the press a message asked for, once, whoever posts ticks.
                if (std::exchange(readerPressPending_, false)) form_->input.DoDefaultAction(readerPress_);
            } else {
                form_->OnTimer(static_cast<int>(wParam));
            }
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
            form_->input.MouseUp(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            return 0;
        case WM_KEYDOWN:
            OnKeyDown(wParam, lParam);
            return 0;
        case WM_KEYUP:
            if (wParam == VK_SPACE) form_->input.KeyUp(Key::Space);
            return 0;
        // The cue comes and goes with the keyboard and the keyboard cues.
        case WM_UPDATEUISTATE:
            DefWindowProcW(hwnd_, message, wParam, lParam);
            [[fallthrough]];
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            if (const std::optional<ControlId> focused = form_->input.Focused())
                FocusChanged(focused, focused);
            return 0;
        case WM_CAPTURECHANGED:
            form_->input.CaptureLost();
            return 0;
        case WM_DPICHANGED:
            // Any program can send this with any values; the system's always
            // carries a rectangle.
            if (lParam != 0 && SupportedDensity(LOWORD(wParam), HIWORD(wParam)))
                OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        // A colour scheme, high contrast or a focus border chosen while the
        // window is open is followed at once, as the system's own controls do.
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED:
            ApplySettings();
            InvalidateRect(hwnd_, nullptr, FALSE);
            break;
        case WM_GETOBJECT:
            if (static_cast<LONG>(lParam) != OBJID_CLIENT) break;
            if (!accessible_) {
                accessible_.reset(new Accessible(hwnd_, *form_, twipsPerPixel_, heading_));
                accessible_.get()->AnnotateLiveRegion(true);
            }
            return accessible_.get()->Answer(wParam);
        case kDefaultActionMessage:
            // Later, from a timer: the reader's call must have had its answer
            // before a press that ends the program does so.
            if (const std::optional<ControlId> command = CommandNumbered(wParam)) {
                readerPress_ = *command;
                readerPressPending_ = true;
                SetTimer(hwnd_, ReaderPressTimer(), kReaderPressDelayMs, nullptr);
            }
            return 0;
        case WM_DESTROY:
            if (accessible_) {
                accessible_.get()->AnnotateLiveRegion(false);
                accessible_.get()->Disconnect();
                accessible_.reset();
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
        PaintScene(memory.get(), client, SceneNow());
        BitBlt(target.get(), dirty.left, dirty.top, dirty.right - dirty.left,
               dirty.bottom - dirty.top, memory.get(), dirty.left, dirty.top, SRCCOPY);
    } else {
        PaintScene(target.get(), client, SceneNow());
    }
}

void StatusWindow::OnButtonDown(int button, WPARAM keys, LPARAM position) {
    const int shift = ((keys & MK_SHIFT) ? 1 : 0) | ((keys & MK_CONTROL) ? 2 : 0) |
                      ((GetKeyState(VK_MENU) < 0) ? 4 : 0);
    form_->input.MouseDown(button, shift, GET_X_LPARAM(position), GET_Y_LPARAM(position));
}

void StatusWindow::OnSetCursor() {
    POINT point{};
    GetCursorPos(&point);
    ScreenToClient(hwnd_, &point);
    const ControlLayout* target = ControlAt(point.x, point.y, twipsPerPixel_);
    const bool overCommand = target != nullptr && target->command;
    if (overCommand) tooltips_.Create(hwnd_, instance_, *form_, twipsPerPixel_);
    SetCursor(overCommand && art_.Hand() ? art_.Hand() : LoadCursorW(nullptr, IDC_ARROW));
}

Scene StatusWindow::SceneNow() const {
    // The cue shows while the window has the keyboard and the system's
    // keyboard cues are not hidden (they are until the keyboard is used).
    const bool cues = GetFocus() == hwnd_ &&
                      !(SendMessageW(hwnd_, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
    return {*form_, art_, fonts_, twipsPerPixel_, heading_,
            cues ? form_->input.Focused() : std::nullopt, cue_, scheme_};
}

void StatusWindow::OnKeyDown(WPARAM key, LPARAM flags) {
    constexpr std::pair<WPARAM, Direction> kArrows[] = {
        {VK_LEFT, Direction::Left}, {VK_RIGHT, Direction::Right}, {VK_UP, Direction::Up}, {VK_DOWN, Direction::Down}};
    constexpr std::pair<WPARAM, Key> kKeys[] = {
        {VK_TAB, Key::Tab}, {VK_RETURN, Key::Enter}, {VK_SPACE, Key::Space}, {VK_ESCAPE, Key::Escape}};
    const auto arrow = std::ranges::find(kArrows, key, &std::pair<WPARAM, Direction>::first);
    const auto other = std::ranges::find(kKeys, key, &std::pair<WPARAM, Key>::first);
    if (arrow == std::end(kArrows) && other == std::end(kKeys)) return;
    // Keys that navigate or press show the keyboard cues from now on.
    if (key != VK_ESCAPE) SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    // A held key presses once, as a held mouse button clicks once; Tab and the arrows repeat.
    const bool repeated = (flags & (1 << 30)) != 0;
    if (arrow != std::end(kArrows))
        form_->input.Arrow(arrow->second);
    else if (other->second == Key::Tab || !repeated)
        form_->input.KeyDown(other->second, GetKeyState(VK_SHIFT) < 0);
}

}  // namespace qv
