#pragma once

#include <windows.h>

#include "window/frmVctool.h"

namespace qv {

// The whole program: the real platform wired to the modules and the window,
// then the message loop until the window ends; in a session that shows the
// window already, only that window brought forward. Returns the exit code.
int RunStatusTool(HINSTANCE instance, int showCommand, TimerIntervals intervals = {});

}  // namespace qv
