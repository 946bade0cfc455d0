// What the comparison programs share with each other and with the driver.
#pragma once

#include <windows.h>

namespace bench {

// The tool's window size at 96 DPI (3735 x 4515 twips).
inline constexpr int kWindowWidth = 249;
inline constexpr int kWindowHeight = 301;

// A line on the standard output, which the driver redirects to a file; Wine
// hands a GUI program that handle too.
inline void Report(const char* text) {
    const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(out, text, static_cast<DWORD>(lstrlenA(text)), &written, nullptr);
}

// Registers `windowClass` for `windowProc` and creates a borderless window
// of the tool's size the way the tool creates its own: overlapped first for
// the system's default placement, then stripped of its frame, so placement
// costs the same. Null on failure.
inline HWND CreateToolSizedWindow(HINSTANCE instance, WNDPROC windowProc,
                                  const wchar_t* windowClass, const wchar_t* title) {
    WNDCLASSW registration{};
    registration.lpfnWndProc = windowProc;
    registration.hInstance = instance;
    registration.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    registration.lpszClassName = windowClass;
    if (!RegisterClassW(&registration)) return nullptr;
    const HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, windowClass, title, WS_OVERLAPPED,
                                      CW_USEDEFAULT, CW_USEDEFAULT, kWindowWidth, kWindowHeight,
                                      nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) return nullptr;
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, kWindowWidth, kWindowHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return hwnd;
}

}  // namespace bench
