// QVStatusTool: shows whether the voice chat service runs and drives it
// through the service control manager.
#include <windows.h>

#include "window/win32/App.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    return qv::RunStatusTool(instance, showCommand);
}
