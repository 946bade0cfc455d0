// bench_spinwait: the busy-waiting way to wait for a service. A window of
// the tool's size refreshes the service's state every 800 ms with the tool's
// queries; a click restarts the service as the tool's Restart does, but
// waits for each state in a message loop that never sleeps. It turns from
// kFill to kDone when the restart is done, and prints how long the stop took
// and how many rounds the loop ran.
#include <cstdio>
#include <utility>

#include "bench_common.h"

namespace {

constexpr COLORREF kDone = RGB(96, 32, 160);
DWORD g_state = 0;
COLORREF g_fill = bench::kFill;
bool g_restarting = false;

// Pumps whatever is pending and goes straight back for more until a tick
// sees `state`; returns the rounds.
unsigned long long SpinUntil(DWORD state) {
    unsigned long long rounds = 0;
    for (MSG message{}; g_state != state; ++rounds) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return rounds;
}

void Restart(HWND hwnd) {
    const ULONGLONG begin = GetTickCount64();
    if (g_state == SERVICE_RUNNING) {
        SERVICE_STATUS status{};
        ControlService(bench::Service(SERVICE_STOP).service.get(), SERVICE_CONTROL_STOP, &status);
    }
    unsigned long long rounds = SpinUntil(SERVICE_STOPPED);
    const ULONGLONG stopped = GetTickCount64();
    StartServiceA(bench::Service(SERVICE_START).service.get(), 0, nullptr);
    rounds += SpinUntil(SERVICE_RUNNING);
    g_fill = kDone;
    InvalidateRect(hwnd, nullptr, FALSE);
    std::printf("stop_wait_ms=%llu rounds=%llu\n", stopped - begin, rounds);
    std::fflush(stdout);  // read as soon as the window turns
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            bench::Fill(hwnd, g_fill);
            return 0;
        case WM_TIMER:
            g_state = bench::RefreshTick();
            return 0;
        case WM_LBUTTONUP:
            // A click during the wait arrives inside the loop: one restart at
            // a time, as the tool disables its label meanwhile.
            if (!std::exchange(g_restarting, true)) {
                Restart(hwnd);
                g_restarting = false;
            }
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    g_state = bench::RefreshTick();
    return bench::RunWindow(instance, &WindowProc, L"bench_spinwait", showCommand,
                            bench::kRefreshMs);
}
