// The status tool refreshing every 10 ms, for soaking the refresh path: the
// same program as QVStatusTool.exe but for its timers.
#include <windows.h>

#include "window/win32/App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return qv::RunStatusTool(instance, showCommand, {.refreshMs = 10, .watchdogMs = 3'600'000});
}
