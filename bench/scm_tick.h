// The service-manager traffic of one refresh tick of QVStatusTool, call for
// call: the configuration query, then the status query, each through a
// manager and service handle of its own. The comparison programs make these
// calls and only these, so that what the tool spends beyond them shows.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "bench_common.h"

namespace bench {

inline constexpr char kServiceName[] = "QuorvelVC";
inline constexpr UINT kRefreshMs = 800;

// 0 when the configuration can be read, otherwise the error code; sized in
// whole 36-byte records, one more than the first answer asks for, as the
// tool does.
inline DWORD QueryConfig() {
    constexpr DWORD kRecord = 36;
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return GetLastError();
    const SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_CONFIG);
    if (service == nullptr) {
        const DWORD error = GetLastError();
        CloseServiceHandle(manager);
        return error;
    }
    std::vector<std::uint64_t> buffer((kRecord + 7) / 8);
    DWORD needed = 0;
    DWORD result = 0;
    if (!QueryServiceConfigA(service, reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                             kRecord, &needed)) {
        result = GetLastError();
        if (result == ERROR_INSUFFICIENT_BUFFER) {
            const DWORD size = (needed / kRecord + 1) * kRecord;
            buffer.assign((size + 7) / 8, 0);
            result = QueryServiceConfigA(service,
                                         reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data()),
                                         size, &needed)
                         ? 0
                         : GetLastError();
        }
    }
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

// The service's current state, 0 when it cannot be read.
inline DWORD QueryState() {
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr) return 0;
    const SC_HANDLE service = OpenServiceA(manager, kServiceName, SERVICE_QUERY_STATUS);
    DWORD state = 0;
    if (service != nullptr) {
        SERVICE_STATUS status{};
        if (QueryServiceStatus(service, &status)) state = status.dwCurrentState;
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return state;
}

// One tick as the tool makes it: the status is only asked for when the
// configuration could be read.
inline DWORD RefreshTick() {
    if (QueryConfig() != 0) return 0;
    return QueryState();
}

}  // namespace bench
