// bench_bare_window: one borderless window of the tool's size, created the
// way the tool creates its own and filled with one colour; the floor for the
// tool's start-up time, file size and memory.
#include <windows.h>

#include "bench_common.h"

namespace {

// A colour Wine's own drawing never uses, so the driver can tell the window
// painted from a window merely mapped.
constexpr COLORREF kFill = RGB(32, 160, 96);

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(hwnd, &paint);
            const HBRUSH brush = CreateSolidBrush(kFill);
            FillRect(dc, &paint.rcPaint, brush);
            DeleteObject(brush);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    const HWND hwnd =
        bench::CreateToolSizedWindow(instance, &WindowProc, L"BenchBareWindow", L"bench_bare_window");
    if (hwnd == nullptr) return 1;
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    return static_cast<int>(message.wParam);
}
