// wininspect: looks at windows and a service from outside the program that
// owns them, for the end-to-end tests. Each answer is rows of tab-separated
// fields, a line each, in UTF-8; no row when the window, box or service asked
// about is not there; "error<TAB>N" when Windows refuses.
//
//   box TITLE             the message box's text
//   service NAME          state, process id, executable, start type, display
//                         name, as the service manager has them
//   acc TITLE             a row a child of the window's client, as a screen
//                         reader finds it: role, state, name, description,
//                         default action, left, top, width, height
//   press TITLE N         a reader's default action on child N: "pressed"
//   focus TITLE           the focused child (0: the client itself)
//   repaint TITLE         the whole window painted again: "repainted"
//   events TITLE S        "listening", then for S seconds the changes a
//                         reader hears: "name N", "state N", "live N", or
//                         "focus N focused" (or "unfocused": the state its
//                         object reports when asked)
//   send TITLE M W        sends the window message M with wParam W, as any
//                         program in the session can: "sent" once handled
//   squat TITLE           a stranger: holds the tool's session lock as the
//                         tool names it and shows a window of the tool's
//                         class (titled "squatter") until a window TITLE
//                         shows, for two minutes at most
#include <windows.h>

#include <oleacc.h>

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/win32/Handles.h"

namespace {

using std::to_wstring;
constexpr int kNotThere = 1;

int Row(std::initializer_list<std::wstring> fields) {
    std::wstring line;
    for (const std::wstring& field : fields) line += field + L'\t';
    line.back() = L'\n';
    std::string utf8(line.size() * 3, '\0');
    const int size = static_cast<int>(line.size());
    utf8.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, line.data(), size, utf8.data(), size * 3, nullptr, nullptr)));
    // Flushed at once: a listener's "listening" is awaited before it has ended.
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
    return 0;
}

std::wstring Take(BSTR text) {
    std::wstring taken = text ? text : L"";
    SysFreeString(text);
    return taken;
}

VARIANT Child(long id) {
    VARIANT child{};
    child.vt = VT_I4;
    child.lVal = id;
    return child;
}

int Service(const wchar_t* name) {
    const qv::UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const qv::UniqueScHandle service(
        OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG));
    SERVICE_STATUS_PROCESS status{};
    alignas(QUERY_SERVICE_CONFIGW) BYTE buffer[8192] = {};
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer);
    DWORD needed = 0;
    if (!service ||
        !QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed) ||
        !QueryServiceConfigW(service.get(), config, sizeof buffer, &needed))
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? kNotThere
                                                              : Row({L"error", to_wstring(GetLastError())});
    return Row({to_wstring(status.dwCurrentState), to_wstring(status.dwProcessId), config->lpBinaryPathName,
                to_wstring(config->dwStartType), config->lpDisplayName});
}

int Acc(IAccessible& client) {
    long count = 0;
    client.get_accChildCount(&count);
    for (long id = 1; id <= count; ++id) {
        VARIANT role{}, state{};
        BSTR name = nullptr, description = nullptr, action = nullptr;
        long left = 0, top = 0, width = 0, height = 0;
        client.get_accRole(Child(id), &role);
        client.get_accState(Child(id), &state);
        client.get_accName(Child(id), &name);
        client.get_accDescription(Child(id), &description);
        client.get_accDefaultAction(Child(id), &action);
        client.accLocation(&left, &top, &width, &height, Child(id));
        Row({to_wstring(role.lVal), to_wstring(state.lVal), Take(name), Take(description), Take(action),
             to_wstring(left), to_wstring(top), to_wstring(width), to_wstring(height)});
    }
    return 0;
}

// A focus event with the state its object reports then, as a reader asks it.
void CALLBACK Noted(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
    const wchar_t* what = event == EVENT_OBJECT_NAMECHANGE         ? L"name "
                          : event == EVENT_OBJECT_STATECHANGE      ? L"state "
                          : event == EVENT_OBJECT_LIVEREGIONCHANGED ? L"live "
                          : event == EVENT_OBJECT_FOCUS            ? L"focus "
                                                                   : nullptr;
    if (object != OBJID_CLIENT || what == nullptr) return;
    std::wstring line = what + to_wstring(child);
    IAccessible* found = nullptr;
    VARIANT id{}, state{};
    if (event == EVENT_OBJECT_FOCUS &&
        SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(object), static_cast<DWORD>(child),
                                            &found, &id))) {
        found->get_accState(id, &state);
        line += (state.lVal & STATE_SYSTEM_FOCUSED) ? L" focused" : L" unfocused";
        found->Release();
    }
    Row({line});
}

int Events(HWND window, int seconds) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr, &Noted, pid, 0,
                    WINEVENT_OUTOFCONTEXT);
    Row({L"listening"});
    // The hook's calls come in while the thread waits for messages, until the timer's.
    SetTimer(nullptr, 0, static_cast<UINT>(seconds) * 1000, nullptr);
    for (MSG message; GetMessageW(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER;)
        DispatchMessageW(&message);
    return 0;
}

int Squat(const wchar_t* title) {
    const qv::UniqueHandle lock(CreateMutexW(nullptr, TRUE, L"Local\\QVStatusTool.QuorvelVC"));
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QVStatusToolWindow";
    if (!lock || !RegisterClassW(&windowClass) ||
        !CreateWindowExW(0, windowClass.lpszClassName, L"squatter", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                         200, 100, nullptr, nullptr, windowClass.hInstance, nullptr))
        return Row({L"error", to_wstring(GetLastError())});
    SetTimer(nullptr, 0, 250, nullptr);
    MSG message{};
    for (int ticks = 0; ticks < 480 && GetMessageW(&message, nullptr, 0, 0) > 0;) {
        if (message.message == WM_TIMER && ++ticks && IsWindowVisible(FindWindowW(nullptr, title))) break;
        DispatchMessageW(&message);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) return 2;
    CoInitialize(nullptr);
    const std::wstring_view command = argv[1];
    if (command == L"service") return Service(argv[2]);
    if (command == L"box") {
        // A message box: a dialog window of that title, its text in a static control.
        const HWND box = FindWindowW(L"#32770", argv[2]);
        if (box == nullptr) return kNotThere;
        // WM_GETTEXT rather than GetWindowText, which does not read the text
        // of another process's control.
        wchar_t text[1024] = {};
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, std::size(text),
                            reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, &copied);
        return Row({std::wstring(text, copied)});
    }
    if (command == L"squat") return Squat(argv[2]);
    const HWND window = FindWindowW(nullptr, argv[2]);
    if (command == L"send" && argc == 5) {
        DWORD_PTR answer = 0;
        return window && SendMessageTimeoutW(window, static_cast<UINT>(_wtoi(argv[3])),
                                             static_cast<WPARAM>(_wtoi64(argv[4])), 0, SMTO_ABORTIFHUNG,
                                             10000, &answer)
                   ? Row({L"sent"})
                   : kNotThere;
    }
    if (command == L"events") return window && argc == 4 ? Events(window, _wtoi(argv[3])) : kNotThere;
    if (command == L"repaint")
        return window && RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW) ? Row({L"repainted"})
                                                                                                : kNotThere;
    // The window's client object, as a reader in another process reaches it.
    IAccessible* client = nullptr;
    if (window == nullptr ||
        FAILED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&client))))
        return kNotThere;
    VARIANT focus{};
    int result = 2;
    if (command == L"acc") result = Acc(*client);
    if (command == L"focus" && SUCCEEDED(client->get_accFocus(&focus)))
        result = focus.vt == VT_I4 ? Row({to_wstring(focus.lVal)}) : kNotThere;
    if (command == L"press" && argc == 4)
        result = SUCCEEDED(client->accDoDefaultAction(Child(_wtol(argv[3])))) ? Row({L"pressed"}) : kNotThere;
    client->Release();
    return result;
}
