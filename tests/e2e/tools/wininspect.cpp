// wininspect: looks at windows and a service from outside the program that
// owns them, for the end-to-end tests. Output is UTF-8.
//
//   wininspect box TITLE      the text of the message box titled TITLE
//   wininspect ok TITLE       presses that box's OK button: "pressed"
//   wininspect service NAME   "state=N pid=N", or "error=N"
//   wininspect path NAME      the service's executable as registered
#include <windows.h>

#include <string>
#include <string_view>

#include "platform/win32/Handles.h"

namespace {

int Write(std::wstring_view text, int status = 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size,
                        nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
              &written, nullptr);
    return status;
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT rather than GetWindowText, which does not read the text of
    // another process's control.
    wchar_t text[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    return std::wstring(text, copied);
}

// A message box: a dialog window of that title, its text in a static control.
HWND Box(const wchar_t* title) { return FindWindowW(L"#32770", title); }

int Service(const wchar_t* name) {
    const qv::UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const qv::UniqueScHandle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!service || !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof status, &needed))
        return Write(L"error=" + std::to_wstring(GetLastError()), 1);
    return Write(L"state=" + std::to_wstring(status.dwCurrentState) +
                 L" pid=" + std::to_wstring(status.dwProcessId));
}

int Path(const wchar_t* name) {
    const qv::UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const qv::UniqueScHandle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG));
    alignas(QUERY_SERVICE_CONFIGW) BYTE config[8192] = {};
    DWORD needed = 0;
    if (!service || !QueryServiceConfigW(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config),
                                         sizeof config, &needed))
        return Write(L"error=" + std::to_wstring(GetLastError()), 1);
    return Write(reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config)->lpBinaryPathName);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) return Write(L"usage: wininspect box|ok|service|path NAME", 2);
    const std::wstring_view command = argv[1];
    if (command == L"service") return Service(argv[2]);
    if (command == L"path") return Path(argv[2]);
    const HWND box = Box(argv[2]);
    if (box == nullptr) return Write(L"error=no such box", 1);
    if (command == L"box") return Write(TextOf(GetDlgItem(box, 0xFFFF)));
    if (command == L"ok") {
        // What the button itself sends its dialog: no mouse needed.
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        return Write(L"pressed");
    }
    return Write(L"usage: wininspect box|ok|service|path NAME", 2);
}
