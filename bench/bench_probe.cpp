// bench_probe TITLE: "handles=N windows=N" for the process that owns the
// top-level window titled TITLE: its entries in the system's handle list and
// its top-level windows; "error" and exit 1 when there is no such window or
// the list cannot be read. Wine 8 answers GetProcessHandleCount with 0 and
// GetGuiResources with error 120, but fills the system's handle list
// (NtQuerySystemInformation class 16) from its server's real handle tables.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

// SYSTEM_HANDLE_INFORMATION.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType, flags;
    USHORT handle;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleList {
    ULONG count;
    HandleEntry entries[1];
};
using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
constexpr LONG kLengthMismatch = static_cast<LONG>(0xC0000004L);

// The handles the system lists for `pid`; -1 when the list cannot be read.
long ListedHandles(DWORD pid) {
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<std::uint64_t> buffer;
    for (ULONG bytes = 1 << 16; query != nullptr && bytes <= (1u << 27); bytes *= 2) {
        buffer.resize(bytes / sizeof(buffer[0]));
        ULONG needed = 0;
        const LONG status = query(16, buffer.data(), bytes, &needed);
        if (status == kLengthMismatch) continue;
        if (status < 0) return -1;
        const auto* list = reinterpret_cast<const HandleList*>(buffer.data());
        const std::size_t room = (bytes - offsetof(HandleList, entries)) / sizeof(HandleEntry);
        long owned = 0;
        for (std::size_t i = 0; i < list->count && i < room; ++i)
            owned += list->entries[i].ownerPid == pid;
        return owned;
    }
    return -1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    DWORD pid = 0;
    if (argc == 2) GetWindowThreadProcessId(FindWindowW(nullptr, argv[1]), &pid);
    const long handles = pid != 0 ? ListedHandles(pid) : -1;
    if (handles < 0) {
        std::printf("error\n");
        return 1;
    }
    // The desktop's children: the top-level windows, as EnumWindows lists them.
    int windows = 0;
    for (HWND window = nullptr; (window = FindWindowExW(nullptr, window, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        windows += owner == pid;
    }
    std::printf("handles=%ld windows=%d\n", handles, windows);
    return 0;
}
