// bench_probe: what the driver needs to ask Windows itself about the
// programs it measures, run under Wine beside them.
//
//   bench_probe find TITLE    "window pid=N visible=0|1" for each top-level
//                             window titled exactly TITLE; exit 1 if none
//   bench_probe counts PID    "handles=N windows=N": the process's entries in
//                             the system's handle list and its top-level
//                             windows; "error=N" and exit 1 if the handle
//                             list cannot be read
//   bench_probe service NAME  "state=N pid=N" (exit 0) or "error=N" (exit 1)
//
// Wine 8 answers GetProcessHandleCount with 0 and GetGuiResources with error
// 120, so handles are counted in the system's handle list
// (NtQuerySystemInformation class 16), which Wine fills from its server's
// real handle tables.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

void Print(const std::wstring& line) {
    const int wide = static_cast<int>(line.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.data(), wide, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return;
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), wide, utf8.data(), size, nullptr, nullptr);
    utf8 += '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()),
              &written, nullptr);
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

DWORD OwnerOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    return pid;
}

int Find(const wchar_t* title) {
    int found = 0;
    for (const HWND window : TopLevelWindows()) {
        // The title as the window manager keeps it: reading it sends the
        // owner's thread nothing, so a measured program is not disturbed.
        wchar_t text[512] = {};
        GetWindowTextW(window, text, static_cast<int>(std::size(text)));
        if (std::wcscmp(text, title) != 0) continue;
        ++found;
        Print(L"window pid=" + std::to_wstring(OwnerOf(window)) +
              L" visible=" + (IsWindowVisible(window) ? L"1" : L"0"));
    }
    return found > 0 ? 0 : 1;
}

// The system handle list's layout (SYSTEM_HANDLE_INFORMATION).
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004L);

// The handles the system lists for `pid`, or a negative NTSTATUS.
long long ListedHandles(DWORD pid) {
    const auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (query == nullptr) return -1;
    std::vector<std::uint64_t> buffer(1 << 13);
    for (;;) {
        const auto bytes = static_cast<ULONG>(buffer.size() * sizeof(buffer[0]));
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, buffer.data(), bytes, &needed);
        if (status == kStatusInfoLengthMismatch && buffer.size() < (1u << 24)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (status < 0) return status;
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const std::size_t room =
            (bytes - offsetof(HandleList, entries)) / sizeof(HandleEntry);
        long long owned = 0;
        for (std::size_t i = 0; i < list->count && i < room; ++i)
            if (list->entries[i].ownerPid == pid) ++owned;
        return owned;
    }
}

int Counts(const wchar_t* pidText) {
    wchar_t* end = nullptr;
    const auto pid = static_cast<DWORD>(std::wcstoul(pidText, &end, 10));
    if (end == pidText || *end != L'\0') return 2;
    const long long handles = ListedHandles(pid);
    if (handles < 0) {
        wchar_t status[16];
        std::swprintf(status, std::size(status), L"0x%08llx",
                      static_cast<unsigned long long>(handles) & 0xFFFFFFFFull);
        Print(std::wstring(L"error=") + status);
        return 1;
    }
    int windows = 0;
    for (const HWND window : TopLevelWindows())
        if (OwnerOf(window) == pid) ++windows;
    Print(L"handles=" + std::to_wstring(handles) + L" windows=" + std::to_wstring(windows));
    return 0;
}

int Service(const wchar_t* name) {
    const SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) {
        Print(L"error=" + std::to_wstring(GetLastError()));
        return 1;
    }
    const SC_HANDLE service = OpenServiceW(manager, name, SERVICE_QUERY_STATUS);
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    const bool read = service != nullptr &&
                      QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                           reinterpret_cast<BYTE*>(&status), sizeof(status),
                                           &needed);
    // Taken before the handles are closed, which may set an error of their own.
    const DWORD error = read ? 0 : GetLastError();
    if (service != nullptr) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    if (!read) {
        Print(L"error=" + std::to_wstring(error));
        return 1;
    }
    Print(L"state=" + std::to_wstring(status.dwCurrentState) +
          L" pid=" + std::to_wstring(status.dwProcessId));
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3) {
        const std::wstring command = argv[1];
        if (command == L"find") return Find(argv[2]);
        if (command == L"counts") return Counts(argv[2]);
        if (command == L"service") return Service(argv[2]);
    }
    Print(L"usage: bench_probe find TITLE | counts PID | service NAME");
    return 2;
}
