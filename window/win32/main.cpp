// QVStatusTool: shows whether the voice chat service runs and drives it
// through the service control manager.
#include <windows.h>

#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/FoldersWin32.h"
#include "platform/win32/RegistryWin32.h"
#include "platform/win32/SettingsWin32.h"
#include "platform/win32/ServiceManagerWin32.h"
#include "service/NTServiceControl.h"
#include "service/ProgramWide.h"
#include "service/install.h"
#include "window/frmVctool.h"
#include "window/win32/StatusWindow.h"

namespace {

// The soak test's build sets these to run thousands of refreshes in
// minutes; the shipped program never defines them.
qv::TimerIntervals Intervals() {
    qv::TimerIntervals intervals;
#ifdef QV_SOAK_REFRESH_MS
    intervals.refreshMs = QV_SOAK_REFRESH_MS;
#endif
#ifdef QV_SOAK_WATCHDOG_MS
    intervals.watchdogMs = QV_SOAK_WATCHDOG_MS;
#endif
    return intervals;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    qv::ServiceManagerWin32 serviceManager;
    qv::FileSystemWin32 files;
    qv::RegistryWin32 registry;
    qv::SettingsWin32 settings;
    qv::FoldersWin32 folders;
    qv::ProgramWide program;
    qv::NTServiceControl service(serviceManager, files, program);
    qv::install installer(serviceManager, registry);

    qv::StatusWindow window(instance);
    qv::frmVctool form(service, installer, window, program, {settings, folders, files}, Intervals());
    if (!window.Create(form, showCommand)) return 1;

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
