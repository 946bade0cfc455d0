// wininspect: looks at windows and a service from outside the program that
// owns them, for the end-to-end tests. Output is UTF-8.
//
//   wininspect box TITLE      the text of the message box titled TITLE
//   wininspect ok TITLE       presses that box's OK button: "pressed"
//   wininspect service NAME   "state=N pid=N path=P" (P: its executable as
//                             registered), or "error=N"
//   wininspect acc TITLE      the window's client as a screen reader finds it:
//                             a line per child, "role<TAB>state<TAB>name<TAB>
//                             description<TAB>default action<TAB>left,top,
//                             width,height" (the location on the screen)
//   wininspect press TITLE N  a screen reader's default action on child N
//   wininspect focus TITLE    where the reader finds the keyboard focus:
//                             the child's id (0: the client itself), or "none"
//   wininspect events TITLE S the name, state and focus changes the window
//                             reports to readers in the next S seconds, a
//                             line each: "name N", "state N" or "focus N"
#include <windows.h>

#include <oleacc.h>

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
    const qv::UniqueScHandle service(
        OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    SERVICE_STATUS_PROCESS status{};
    alignas(QUERY_SERVICE_CONFIGW) BYTE config[8192] = {};
    DWORD needed = 0;
    if (!service ||
        !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                              reinterpret_cast<BYTE*>(&status), sizeof status, &needed) ||
        !QueryServiceConfigW(service.get(), reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config),
                             sizeof config, &needed))
        return Write(L"error=" + std::to_wstring(GetLastError()), 1);
    return Write(L"state=" + std::to_wstring(status.dwCurrentState) + L" pid=" +
                 std::to_wstring(status.dwProcessId) + L" path=" +
                 reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config)->lpBinaryPathName);
}

// The window's client object, as a reader in another process reaches it.
IAccessible* Client(const wchar_t* title) {
    IAccessible* client = nullptr;
    const HWND window = FindWindowW(nullptr, title);
    if (window != nullptr)
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                   reinterpret_cast<void**>(&client));
    return client;
}

std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return taken;
}

int Acc(const wchar_t* title) {
    IAccessible* client = Client(title);
    if (client == nullptr) return Write(L"error=no client object", 1);
    long count = 0;
    client->get_accChildCount(&count);
    std::wstring out;
    for (long id = 1; id <= count; ++id) {
        VARIANT child{};
        child.vt = VT_I4;
        child.lVal = id;
        VARIANT role{}, state{};
        BSTR name = nullptr, description = nullptr, action = nullptr;
        client->get_accRole(child, &role);
        client->get_accState(child, &state);
        client->get_accName(child, &name);
        client->get_accDescription(child, &description);
        client->get_accDefaultAction(child, &action);
        long left = 0, top = 0, width = 0, height = 0;
        client->accLocation(&left, &top, &width, &height, child);
        out += std::to_wstring(role.lVal) + L"\t" + std::to_wstring(state.lVal) + L"\t" +
               Take(name) + L"\t" + Take(description) + L"\t" + Take(action) + L"\t" +
               std::to_wstring(left) + L"," + std::to_wstring(top) + L"," +
               std::to_wstring(width) + L"," + std::to_wstring(height) + L"\n";
    }
    client->Release();
    return Write(out);
}

int Press(const wchar_t* title, const wchar_t* child) {
    IAccessible* client = Client(title);
    if (client == nullptr) return Write(L"error=no client object", 1);
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = _wtol(child);
    const HRESULT result = client->accDoDefaultAction(id);
    client->Release();
    return Write(SUCCEEDED(result) ? L"pressed" : L"refused", SUCCEEDED(result) ? 0 : 1);
}

int Focus(const wchar_t* title) {
    IAccessible* client = Client(title);
    if (client == nullptr) return Write(L"error=no client object", 1);
    VARIANT focus{};
    client->get_accFocus(&focus);
    client->Release();
    return Write(focus.vt == VT_I4 ? std::to_wstring(focus.lVal) : L"none");
}

void CALLBACK Noted(HWINEVENTHOOK, DWORD event, HWND, LONG object, LONG child, DWORD, DWORD) {
    if (object != OBJID_CLIENT) return;
    const wchar_t* what = event == EVENT_OBJECT_NAMECHANGE    ? L"name "
                          : event == EVENT_OBJECT_STATECHANGE ? L"state "
                          : event == EVENT_OBJECT_FOCUS       ? L"focus "
                                                              : nullptr;
    if (what != nullptr) Write(what + std::to_wstring(child) + L"\n");
}

int Events(const wchar_t* title, const wchar_t* seconds) {
    DWORD pid = 0;
    GetWindowThreadProcessId(FindWindowW(nullptr, title), &pid);
    if (pid == 0) return Write(L"error=no window", 1);
    SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_NAMECHANGE, nullptr, &Noted, pid, 0,
                    WINEVENT_OUTOFCONTEXT);
    Write(L"listening\n");
    const ULONGLONG end = GetTickCount64() + 1000ull * static_cast<ULONGLONG>(_wtoi(seconds));
    for (ULONGLONG now; (now = GetTickCount64()) < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitialize(nullptr);
    const std::wstring_view command = argc > 1 ? argv[1] : L"";
    if (command == L"press" && argc == 4) return Press(argv[2], argv[3]);
    if (command == L"events" && argc == 4) return Events(argv[2], argv[3]);
    if (argc != 3) return Write(L"usage: wininspect box|ok|service|acc NAME", 2);
    if (command == L"acc") return Acc(argv[2]);
    if (command == L"focus") return Focus(argv[2]);
    if (command == L"service") return Service(argv[2]);
    const HWND box = Box(argv[2]);
    if (box == nullptr) return Write(L"error=no such box", 1);
    if (command == L"box") return Write(TextOf(GetDlgItem(box, 0xFFFF)));
    if (command == L"ok") {
        // What the button itself sends its dialog: no mouse needed.
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        return Write(L"pressed");
    }
    return Write(L"usage: wininspect box|ok|service|acc NAME", 2);
}
