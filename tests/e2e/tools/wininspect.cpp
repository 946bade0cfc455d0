// wininspect: looks at top-level windows and a service from outside the
// program that owns them, for the end-to-end tests.
//
//   wininspect find TITLE      each top-level window titled exactly TITLE, with
//                              its child windows; exit 1 if there is none
//   wininspect list            every top-level window, without children
//   wininspect click-ok TITLE  presses the OK button of the window TITLE
//   wininspect ping TITLE      whether the thread owning window TITLE still
//                              handles messages (exit 0) or not (exit 1)
//   wininspect service NAME    "state=N pid=N" (exit 0) or "error=N" (exit 1)
//
// Output is UTF-8, one line per window; texts are quoted with \n, \r, \t,
// \" and \\ escaped so that a multi-line message box text stays on one line.
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Handles.h"

namespace {

void Write(std::wstring_view text) {
    if (text.empty()) return;
    const int wideLength = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wideLength, utf8.data(), size, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
              &written, nullptr);
}

std::wstring Quoted(std::wstring_view text) {
    std::wstring out = L"\"";
    for (const wchar_t c : text) {
        switch (c) {
            case L'\n': out += L"\\n"; break;
            case L'\r': out += L"\\r"; break;
            case L'\t': out += L"\\t"; break;
            case L'"': out += L"\\\""; break;
            case L'\\': out += L"\\\\"; break;
            default: out += c; break;
        }
    }
    return out + L"\"";
}

std::wstring TextOf(HWND window) {
    // WM_GETTEXT rather than GetWindowText: the latter does not read the text
    // of a control that belongs to another process.
    wchar_t buffer[1024] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, static_cast<WPARAM>(std::size(buffer)),
                             reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied))
        return {};
    return std::wstring(buffer, static_cast<std::size_t>(copied));
}

std::wstring ClassOf(HWND window) {
    wchar_t buffer[256] = {};
    const int length = GetClassNameW(window, buffer, static_cast<int>(std::size(buffer)));
    return std::wstring(buffer, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring Describe(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t head[160];
    swprintf(head, std::size(head), L"hwnd=0x%llx pid=%lu id=%ld visible=%d rect=%ld,%ld,%ld,%ld",
             static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
             static_cast<unsigned long>(pid), static_cast<long>(GetDlgCtrlID(window)),
             IsWindowVisible(window) ? 1 : 0, static_cast<long>(rect.left),
             static_cast<long>(rect.top), static_cast<long>(rect.right),
             static_cast<long>(rect.bottom));
    return std::wstring(head) + L" class=" + Quoted(ClassOf(window)) + L" text=" +
           Quoted(TextOf(window));
}

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> ChildWindows(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(
        parent,
        [](HWND window, LPARAM param) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> WindowsTitled(std::wstring_view title) {
    std::vector<HWND> found;
    for (HWND window : TopLevelWindows())
        if (TextOf(window) == title) found.push_back(window);
    return found;
}

int Find(std::wstring_view title) {
    const auto windows = WindowsTitled(title);
    for (HWND window : windows) {
        Write(L"window " + Describe(window) + L"\n");
        for (HWND child : ChildWindows(window)) Write(L"  child " + Describe(child) + L"\n");
    }
    return windows.empty() ? 1 : 0;
}

int List() {
    for (HWND window : TopLevelWindows()) Write(L"window " + Describe(window) + L"\n");
    return 0;
}

int ClickOk(std::wstring_view title) {
    for (HWND window : WindowsTitled(title)) {
        for (HWND child : ChildWindows(window)) {
            if (ClassOf(child) != L"Button" || GetDlgCtrlID(child) != IDOK) continue;
            // What the button itself sends its dialog when clicked. BM_CLICK
            // would go through mouse messages, which need the button to be
            // reachable on screen.
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(child));
            Write(L"clicked " + Describe(child) + L"\n");
            return 0;
        }
    }
    Write(L"no OK button in a window titled " + Quoted(title) + L"\n");
    return 1;
}

int Ping(std::wstring_view title) {
    const auto windows = WindowsTitled(title);
    if (windows.empty()) return 1;
    for (HWND window : windows) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) {
            Write(L"no answer from " + Describe(window) + L"\n");
            return 1;
        }
    }
    Write(L"answered\n");
    return 0;
}

int Service(const wchar_t* name) {
    const qv::UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) {
        Write(L"error=" + std::to_wstring(GetLastError()) + L"\n");
        return 1;
    }
    int rc = 1;
    const qv::UniqueScHandle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_STATUS));
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (service && QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                        reinterpret_cast<BYTE*>(&status), sizeof(status),
                                        &needed)) {
        Write(L"state=" + std::to_wstring(status.dwCurrentState) +
              L" pid=" + std::to_wstring(status.dwProcessId) + L"\n");
        rc = 0;
    } else {
        Write(L"error=" + std::to_wstring(GetLastError()) + L"\n");
    }
    return rc;
}

int Usage() {
    Write(L"usage: wininspect find TITLE | list | click-ok TITLE | ping TITLE | service NAME\n");
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) return Usage();
    const std::wstring_view command = argv[1];
    if (command == L"list" && argc == 2) return List();
    if (argc != 3) return Usage();
    if (command == L"find") return Find(argv[2]);
    if (command == L"click-ok") return ClickOk(argv[2]);
    if (command == L"ping") return Ping(argv[2]);
    if (command == L"service") return Service(argv[2]);
    return Usage();
}

// ---------------------------------------------------------------------------
//   wininspect counts PID      "handles=N gdi=N user=N listed=N" for process
//                              PID (exit 0): GetProcessHandleCount, the two
//                              GetGuiResources counters, and the handles the
//                              system's handle list gives the process; a
//                              counter the system cannot give reads "err:N"
//                              (its GetLastError); "error=N" and exit 1 when
//                              the process cannot be opened
//
// Dispatched from a static object's constructor, ahead of wmain, so that it
// needs no change to the dispatch above, which other subcommands share.
#include <shellapi.h>

#include <cstddef>
#include <cstdint>

namespace {

std::wstring CounterText(bool ok, DWORD value) {
    return ok ? std::to_wstring(value) : L"err:" + std::to_wstring(GetLastError());
}

// The handle list of the whole system, as NtQuerySystemInformation class 16
// (SystemHandleInformation) lays it out. Wine answers this one from its
// server's real handle tables, where GetProcessHandleCount may be a stub.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleList {
    ULONG count;
    SystemHandleEntry entries[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

std::wstring ListedHandles(unsigned long pid) {
    const auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return L"err:" + std::to_wstring(GetLastError());
    std::vector<std::uint64_t> buffer(1 << 13);
    for (;;) {
        ULONG needed = 0;
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(buffer[0]));
        const LONG status = query(kSystemHandleInformation, buffer.data(), bytes, &needed);
        if (status == kStatusInfoLengthMismatch && buffer.size() < (1u << 24)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) return L"err:status" + std::to_wstring(static_cast<unsigned long>(status));
        const auto* list = reinterpret_cast<const SystemHandleList*>(buffer.data());
        const std::size_t room = (bytes - offsetof(SystemHandleList, entries)) /
                                 sizeof(SystemHandleEntry);
        unsigned long owned = 0;
        for (std::size_t i = 0; i < list->count && i < room; ++i)
            if (list->entries[i].ownerPid == pid) ++owned;
        return std::to_wstring(owned);
    }
}

int Counts(const wchar_t* pidText) {
    wchar_t* end = nullptr;
    const unsigned long pid = wcstoul(pidText, &end, 10);
    if (end == pidText || *end != L'\0') return Usage();
    const qv::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process) {
        Write(L"error=" + std::to_wstring(GetLastError()) + L"\n");
        return 1;
    }
    DWORD handles = 0;
    const bool handlesOk = GetProcessHandleCount(process.get(), &handles) != FALSE;
    const std::wstring handlesText = CounterText(handlesOk, handles);
    // GetGuiResources answers 0 both for "none" and for a failure; only the
    // last error tells them apart.
    SetLastError(ERROR_SUCCESS);
    const DWORD gdi = GetGuiResources(process.get(), GR_GDIOBJECTS);
    const std::wstring gdiText = CounterText(gdi != 0 || GetLastError() == ERROR_SUCCESS, gdi);
    SetLastError(ERROR_SUCCESS);
    const DWORD user = GetGuiResources(process.get(), GR_USEROBJECTS);
    const std::wstring userText = CounterText(user != 0 || GetLastError() == ERROR_SUCCESS, user);
    Write(L"handles=" + handlesText + L" gdi=" + gdiText + L" user=" + userText +
          L" listed=" + ListedHandles(pid) + L"\n");
    return 0;
}

struct CountsCommand {
    CountsCommand() {
        int argc = 0;
        LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
        if (argv == nullptr) return;
        if (argc >= 2 && std::wstring_view(argv[1]) == L"counts")
            ExitProcess(static_cast<UINT>(argc == 3 ? Counts(argv[2]) : Usage()));
        LocalFree(argv);
    }
};

const CountsCommand countsCommand;

}  // namespace
