// bench_bare_scm: a window of the tool's size whose 800 ms timer makes the
// tool's per-tick service-manager calls and nothing else; the floor for the
// tool's idle cost per tick. Shown like the tool's, since Wine charges any
// thread with a window on the screen, but never painted after it appears.
#include "bench_common.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TIMER) return DefWindowProcW(hwnd, message, wParam, lParam);
    bench::RefreshTick();
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return bench::RunWindow(instance, &WindowProc, L"bench_bare_scm", showCommand,
                            bench::kRefreshMs);
}
