// bench_bare_window: one window of the tool's size, filled with one colour;
// the floor for the tool's start-up time, file size and memory.
#include "bench_common.h"

namespace {

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_PAINT) return DefWindowProcW(hwnd, message, wParam, lParam);
    bench::Fill(hwnd, bench::kFill);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return bench::RunWindow(instance, &WindowProc, L"bench_bare_window", showCommand, 0);
}
