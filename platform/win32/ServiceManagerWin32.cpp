#include "platform/win32/ServiceManagerWin32.h"

#include <windows.h>

namespace qv {
namespace {

static_assert(sizeof(ServiceStatus) == sizeof(SERVICE_STATUS));
static_assert(sizeof(DWORD) == sizeof(std::uint32_t));

SC_HANDLE Sc(ScHandle handle) { return static_cast<SC_HANDLE>(handle); }
SERVICE_STATUS* Status(ServiceStatus* status) { return reinterpret_cast<SERVICE_STATUS*>(status); }
DWORD* Dword(std::uint32_t* value) { return reinterpret_cast<DWORD*>(value); }

}  // namespace

ScHandle ServiceManagerWin32::OpenSCManagerA(const char* machineName, const char* databaseName,
                                             std::uint32_t desiredAccess) {
    return ::OpenSCManagerA(machineName, databaseName, desiredAccess);
}

ScHandle ServiceManagerWin32::OpenServiceA(ScHandle manager, const char* serviceName,
                                           std::uint32_t desiredAccess) {
    return ::OpenServiceA(Sc(manager), serviceName, desiredAccess);
}

bool ServiceManagerWin32::QueryServiceStatus(ScHandle service, ServiceStatus* status) {
    return ::QueryServiceStatus(Sc(service), Status(status)) != FALSE;
}

bool ServiceManagerWin32::QueryServiceConfigA(ScHandle service, void* buffer,
                                              std::uint32_t bufSize, std::uint32_t* bytesNeeded) {
    return ::QueryServiceConfigA(Sc(service), static_cast<QUERY_SERVICE_CONFIGA*>(buffer), bufSize,
                                 Dword(bytesNeeded)) != FALSE;
}

bool ServiceManagerWin32::StartServiceA(ScHandle service, std::uint32_t numArgs,
                                        const char** args) {
    return ::StartServiceA(Sc(service), numArgs, args) != FALSE;
}

bool ServiceManagerWin32::ControlService(ScHandle service, std::uint32_t control,
                                         ServiceStatus* status) {
    return ::ControlService(Sc(service), control, Status(status)) != FALSE;
}

bool ServiceManagerWin32::DeleteService(ScHandle service) {
    return ::DeleteService(Sc(service)) != FALSE;
}

ScHandle ServiceManagerWin32::CreateServiceW(ScHandle manager, const wchar_t* serviceName,
                                             const wchar_t* displayName,
                                             std::uint32_t desiredAccess,
                                             std::uint32_t serviceType, std::uint32_t startType,
                                             std::uint32_t errorControl,
                                             const wchar_t* binaryPathName,
                                             const wchar_t* loadOrderGroup, std::uint32_t* tagId,
                                             const wchar_t* dependencies,
                                             const wchar_t* serviceStartName,
                                             const wchar_t* password) {
    return ::CreateServiceW(Sc(manager), serviceName, displayName, desiredAccess, serviceType,
                            startType, errorControl, binaryPathName, loadOrderGroup, Dword(tagId),
                            dependencies, serviceStartName, password);
}

bool ServiceManagerWin32::CloseServiceHandle(ScHandle handle) {
    return ::CloseServiceHandle(Sc(handle)) != FALSE;
}

std::uint32_t ServiceManagerWin32::GetLastError() { return ::GetLastError(); }

}  // namespace qv
