// The seam over the advapi32 service manager calls. Each method mirrors the
// Win32 function of the same name: same arguments, same BOOL/handle results,
// and the calling thread's last-error value, read through GetLastError(),
// describes the most recent failing call. Windows: ServiceManagerWin32.cpp;
// native tests: tests/fakes/FakeServiceManager.
#pragma once

#include <cstdint>

#include "platform/UniqueAny.h"

namespace qv {

// Opaque service manager handle (SC_HANDLE on Windows); null means failure.
using ScHandle = void*;

// SERVICE_STATUS: seven 32-bit fields, in the Win32 order.
struct ServiceStatus {
    std::uint32_t dwServiceType = 0;
    std::uint32_t dwCurrentState = 0;
    std::uint32_t dwControlsAccepted = 0;
    std::uint32_t dwWin32ExitCode = 0;
    std::uint32_t dwServiceSpecificExitCode = 0;
    std::uint32_t dwCheckPoint = 0;
    std::uint32_t dwWaitHint = 0;
};

namespace scm {
// Access rights, controls and states the tool uses (winsvc.h values).
inline constexpr std::uint32_t kScManagerConnect = 0x0001;
inline constexpr std::uint32_t kScManagerCreateService = 0x0002;
inline constexpr std::uint32_t kServiceQueryConfig = 0x0001;
inline constexpr std::uint32_t kServiceQueryStatus = 0x0004;
inline constexpr std::uint32_t kServiceStart = 0x0010;
inline constexpr std::uint32_t kServiceStop = 0x0020;
inline constexpr std::uint32_t kServiceAllAccess = 0xF01FF;
inline constexpr std::uint32_t kServiceControlStop = 1;

inline constexpr std::int32_t kStopped = 1;
inline constexpr std::int32_t kStartPending = 2;
inline constexpr std::int32_t kStopPending = 3;
inline constexpr std::int32_t kRunning = 4;
inline constexpr std::int32_t kPaused = 7;

// System error codes (winerror.h) that the service manager reports.
inline constexpr std::int32_t kErrorAccessDenied = 5;
inline constexpr std::int32_t kErrorInsufficientBuffer = 122;
inline constexpr std::int32_t kErrorArithmeticOverflow = 534;
inline constexpr std::int32_t kErrorServiceAlreadyRunning = 1056;
inline constexpr std::int32_t kErrorServiceDisabled = 1058;
inline constexpr std::int32_t kErrorServiceDoesNotExist = 1060;
inline constexpr std::int32_t kErrorServiceCannotAcceptCtrl = 1061;
inline constexpr std::int32_t kErrorServiceNotActive = 1062;
inline constexpr std::int32_t kErrorServiceMarkedForDelete = 1072;
inline constexpr std::int32_t kErrorServiceExists = 1073;
}  // namespace scm

class ServiceManager {
public:
    virtual ~ServiceManager() = default;

    virtual ScHandle OpenSCManagerA(const char* machineName, const char* databaseName,
                                    std::uint32_t desiredAccess) = 0;
    virtual ScHandle OpenServiceA(ScHandle manager, const char* serviceName,
                                  std::uint32_t desiredAccess) = 0;
    virtual bool QueryServiceStatus(ScHandle service, ServiceStatus* status) = 0;
    // buffer receives a QUERY_SERVICE_CONFIGA record and its strings.
    virtual bool QueryServiceConfigA(ScHandle service, void* buffer, std::uint32_t bufSize,
                                     std::uint32_t* bytesNeeded) = 0;
    virtual bool StartServiceA(ScHandle service, std::uint32_t numArgs, const char** args) = 0;
    virtual bool ControlService(ScHandle service, std::uint32_t control,
                                ServiceStatus* status) = 0;
    virtual bool DeleteService(ScHandle service) = 0;
    // The wide form: the executable's path reaches the manager whatever
    // script its folder's name is in.
    virtual ScHandle CreateServiceW(ScHandle manager, const wchar_t* serviceName,
                                    const wchar_t* displayName, std::uint32_t desiredAccess,
                                    std::uint32_t serviceType, std::uint32_t startType,
                                    std::uint32_t errorControl, const wchar_t* binaryPathName,
                                    const wchar_t* loadOrderGroup, std::uint32_t* tagId,
                                    const wchar_t* dependencies, const wchar_t* serviceStartName,
                                    const wchar_t* password) = 0;
    virtual bool CloseServiceHandle(ScHandle handle) = 0;

    // The calling thread's last-error value.
    virtual std::uint32_t GetLastError() = 0;
};

// A service manager handle closed through the seam, so that the simulated
// manager sees every close the tool makes.
struct CloseServiceHandleThrough {
    ServiceManager* scm = nullptr;
    void operator()(ScHandle handle) const { scm->CloseServiceHandle(handle); }
};
using ScopedScHandle = UniqueAny<ScHandle, CloseServiceHandleThrough>;

}  // namespace qv
