// What the comparison programs share: the tool's window, made the way the
// tool makes its own, and the service-manager calls of one refresh tick.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/win32/Handles.h"
#include "window/Layout.h"

namespace bench {

// The fill that tells the driver a window is painted: a colour Wine's own
// drawing never uses.
inline constexpr COLORREF kFill = RGB(32, 160, 96);
inline constexpr UINT kRefreshMs = 800;
// The tool's size at 96 dpi, 15 twips a pixel. Not through WindowSize(): its
// conversion throws, which would link the C++ runtime's exceptions into the
// bare window and so into the floor for exe size, start-up and memory.
inline constexpr int kWidth = qv::kWindowWidthTwips / 15;
inline constexpr int kHeight = qv::kWindowHeightTwips / 15;

// A borderless window of the tool's size, created as the tool creates its
// own (overlapped for the system's default placement, then stripped of its
// frame, so placement costs the same), shown, with a timer every `timerMs`
// unless 0; runs its message loop.
inline int RunWindow(HINSTANCE instance, WNDPROC windowProc, const wchar_t* title,
                     int showCommand, UINT timerMs) {
    WNDCLASSW registration{};
    registration.lpfnWndProc = windowProc;
    registration.hInstance = instance;
    registration.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    registration.lpszClassName = title;
    if (!RegisterClassW(&registration)) return 1;
    const HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, title, title, WS_OVERLAPPED, CW_USEDEFAULT,
                                      CW_USEDEFAULT, kWidth, kHeight, nullptr, nullptr, instance,
                                      nullptr);
    if (hwnd == nullptr) return 1;
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    SetWindowLongPtrW(hwnd, GWL_STYLE, WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX);
    SetWindowPos(hwnd, nullptr, placed.left, placed.top, kWidth, kHeight,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (timerMs != 0) SetTimer(hwnd, 1, timerMs, nullptr);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}

// WM_PAINT with one FillRect. The brush is no qv::UniqueBrush: that would
// link 110 KiB of the C++ runtime's unwinding into the bare window.
inline void Fill(HWND hwnd, COLORREF colour) {
    PAINTSTRUCT paint{};
    const HDC dc = BeginPaint(hwnd, &paint);
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &paint.rcPaint, brush);
    DeleteObject(brush);
    EndPaint(hwnd, &paint);
}

// The service opened through a manager of its own, as the tool opens it for
// each query; closed service first.
struct Service {
    explicit Service(DWORD access)
        : manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT)),
          service(manager ? OpenServiceA(manager.get(), "QuorvelVC", access) : nullptr) {}
    qv::UniqueScHandle manager, service;
};

// One tick's calls as the tool makes them: the configuration, sized in whole
// 36-byte records, one more than the first answer asks for; then, only if
// that could be read, the state, which it returns (0 when unread).
inline DWORD RefreshTick() {
    {
        constexpr DWORD kRecord = 36;
        const Service config(SERVICE_QUERY_CONFIG);
        if (!config.service) return 0;
        std::vector<std::uint64_t> buffer(kRecord / 8 + 1);
        DWORD size = kRecord, needed = 0;
        const auto query = [&] {
            return QueryServiceConfigA(config.service.get(),
                                       reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                                       size, &needed);
        };
        if (!query()) {
            if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return 0;
            size = (needed / kRecord + 1) * kRecord;
            buffer.resize(size / 8 + 1);
            if (!query()) return 0;
        }
    }
    const Service status(SERVICE_QUERY_STATUS);
    SERVICE_STATUS state{};
    return status.service && QueryServiceStatus(status.service.get(), &state) ? state.dwCurrentState
                                                                             : 0;
}

}  // namespace bench
