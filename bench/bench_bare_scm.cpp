// bench_bare_scm [SECONDS [shown]]: a window whose 800 ms timer makes the
// tool's per-tick service-manager calls and nothing else; the floor for the
// tool's idle cost per tick. With SECONDS it ends after that long and prints
// how many ticks it served, so the driver can check the timer's real rate.
// The window stays hidden unless "shown" is given; shown, it is a plain
// frameless window of the tool's size that is never painted again after it
// first appears, so that it costs what Wine charges any thread with a window
// on the screen.
#include <windows.h>

#include <cstdio>
#include <cwchar>

#include "bench_common.h"
#include "scm_tick.h"

namespace {

constexpr UINT_PTR kTickTimer = 1;
constexpr UINT_PTR kEndTimer = 2;
unsigned g_ticks = 0;
unsigned g_unreadable = 0;

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER && wParam == kTickTimer) {
        ++g_ticks;
        if (bench::RefreshTick() == 0) ++g_unreadable;
        return 0;
    }
    if (message == WM_TIMER && wParam == kEndTimer) {
        DestroyWindow(hwnd);
        return 0;
    }
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int) {
    const HWND hwnd =
        bench::CreateToolSizedWindow(instance, &WindowProc, L"BenchBareScm", L"bench_bare_scm");
    if (hwnd == nullptr) return 1;
    SetTimer(hwnd, kTickTimer, bench::kRefreshMs, nullptr);
    wchar_t* rest = nullptr;
    const long seconds = std::wcstol(commandLine, &rest, 10);
    if (seconds > 0) SetTimer(hwnd, kEndTimer, static_cast<UINT>(seconds) * 1000u, nullptr);
    if (rest != nullptr && std::wcsstr(rest, L"shown") != nullptr) ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);

    char line[96];
    std::snprintf(line, sizeof(line), "ticks=%u unreadable=%u\n", g_ticks, g_unreadable);
    bench::Report(line);
    return 0;
}
