#pragma once

#include "platform/ServiceManager.h"

namespace qv {

// The real advapi32 calls, one to one.
class ServiceManagerWin32 final : public ServiceManager {
public:
    ScHandle OpenSCManagerA(const char* machineName, const char* databaseName,
                            std::uint32_t desiredAccess) override;
    ScHandle OpenServiceA(ScHandle manager, const char* serviceName,
                          std::uint32_t desiredAccess) override;
    bool QueryServiceStatus(ScHandle service, ServiceStatus* status) override;
    bool QueryServiceConfigA(ScHandle service, void* buffer, std::uint32_t bufSize,
                             std::uint32_t* bytesNeeded) override;
    bool StartServiceA(ScHandle service, std::uint32_t numArgs, const char** args) override;
    bool ControlService(ScHandle service, std::uint32_t control, ServiceStatus* status) override;
    bool DeleteService(ScHandle service) override;
    ScHandle CreateServiceW(ScHandle manager, const wchar_t* serviceName,
                            const wchar_t* displayName, std::uint32_t desiredAccess,
                            std::uint32_t serviceType, std::uint32_t startType,
                            std::uint32_t errorControl, const wchar_t* binaryPathName,
                            const wchar_t* loadOrderGroup, std::uint32_t* tagId,
                            const wchar_t* dependencies, const wchar_t* serviceStartName,
                            const wchar_t* password) override;
    bool CloseServiceHandle(ScHandle handle) override;
    std::uint32_t GetLastError() override;
};

}  // namespace qv
