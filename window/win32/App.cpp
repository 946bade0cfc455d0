#include "window/win32/App.h"

#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/FoldersWin32.h"
#include "platform/win32/ProcessWin32.h"
#include "platform/win32/RegistryWin32.h"
#include "platform/win32/SecurityWin32.h"
#include "platform/win32/ServiceManagerWin32.h"
#include "platform/win32/SettingsWin32.h"
#include "window/win32/SessionLock.h"
#include "window/win32/StatusWindow.h"

namespace qv {

int RunStatusTool(HINSTANCE instance, int showCommand, TimerIntervals intervals) {
    // First of all, as the token is an administrator's: no library loaded
    // from here on, the program's own or one Windows loads for it, comes from
    // the program's folder, where anyone who can write there could plant one.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Before anything else, and before any call to the service manager: a
    // second copy in the session only brings the first one's window forward,
    // as two would race on the service. Held until the window is gone.
    SessionLock lock;
    if (ArriveInSession(lock) != Arrival::Opens) return 0;

    ServiceManagerWin32 serviceManager;
    FileSystemWin32 files;
    RegistryWin32 registry;
    SettingsWin32 settings;
    FoldersWin32 folders;
    ProcessWin32 process;
    SecurityWin32 security;
    ProgramWide program;
    NTServiceControl service(serviceManager, files, program);
    install installer(serviceManager, registry);

    StatusWindow window(instance);
    frmVctool form(service, installer, window, process, program, security,
                   {settings, folders, files}, intervals);
    if (!window.Create(form, showCommand)) return 1;

    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

}  // namespace qv
