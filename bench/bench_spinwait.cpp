// bench_spinwait: the busy-waiting way to wait for a service. A window of
// the tool's size refreshes the service's state every 800 ms with the tool's
// two queries; a click restarts the service as the tool's Restart does, but
// waits for each state by pumping messages in a loop that never sleeps. The
// driver measures its CPU through the same stop as the tool's.
//
// Colours tell the driver where it is: kIdle until clicked, kWaiting during
// the restart, kDone after it. A line on the standard output gives the
// waits and how many rounds the loop ran.
#include <windows.h>

#include <cstdio>

#include "bench_common.h"
#include "scm_tick.h"

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr COLORREF kIdle = RGB(32, 160, 96);
constexpr COLORREF kWaiting = RGB(200, 120, 0);
constexpr COLORREF kDone = RGB(96, 32, 160);

DWORD g_state = 0;
COLORREF g_fill = kIdle;
bool g_restarting = false;
unsigned long long g_rounds = 0;

void Refresh() { g_state = bench::RefreshTick(); }

void Control(DWORD access, bool start) {
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return;
    if (const SC_HANDLE service = OpenServiceA(manager, bench::kServiceName, access)) {
        if (start) {
            StartServiceA(service, 0, nullptr);
        } else {
            SERVICE_STATUS status{};
            ControlService(service, SERVICE_CONTROL_STOP, &status);
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
}

// The loop under test: whatever is pending is handled, then straight back
// for more. False once the program is ending.
bool SpinUntil(DWORD state) {
    while (g_state != state) {
        MSG message{};
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        ++g_rounds;
    }
    return true;
}

void Repaint(HWND hwnd, COLORREF fill) {
    g_fill = fill;
    InvalidateRect(hwnd, nullptr, FALSE);
    UpdateWindow(hwnd);
}

void Restart(HWND hwnd) {
    Repaint(hwnd, kWaiting);
    const ULONGLONG begin = GetTickCount64();
    if (g_state == SERVICE_RUNNING) Control(SERVICE_STOP, false);
    if (!SpinUntil(SERVICE_STOPPED)) return;
    const ULONGLONG stopped = GetTickCount64();
    Control(SERVICE_START, true);
    if (!SpinUntil(SERVICE_RUNNING)) return;
    const ULONGLONG running = GetTickCount64();
    Repaint(hwnd, kDone);

    char line[160];
    std::snprintf(line, sizeof(line), "stop_wait_ms=%llu start_wait_ms=%llu rounds=%llu\n",
                  stopped - begin, running - stopped, g_rounds);
    bench::Report(line);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint{};
            const HDC dc = BeginPaint(hwnd, &paint);
            const HBRUSH brush = CreateSolidBrush(g_fill);
            FillRect(dc, &paint.rcPaint, brush);
            DeleteObject(brush);
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_TIMER:
            if (wParam == kTickTimer) Refresh();
            return 0;
        case WM_LBUTTONUP:
            // A click during the wait arrives inside the loop; one restart
            // at a time, as the tool disables its label meanwhile.
            if (!g_restarting) {
                g_restarting = true;
                Restart(hwnd);
                g_restarting = false;
            }
            return 0;
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
        bench::CreateToolSizedWindow(instance, &WindowProc, L"BenchSpinWait", L"bench_spinwait");
    if (hwnd == nullptr) return 1;
    Refresh();
    SetTimer(hwnd, kTickTimer, bench::kRefreshMs, nullptr);
    ShowWindow(hwnd, showCommand);
    UpdateWindow(hwnd);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
