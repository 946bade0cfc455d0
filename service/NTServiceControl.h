// The operations on the one service the tool looks after. Each call opens its
// own manager connection and service handle with the narrowest access its
// request needs and closes both before returning.
#pragma once

#include <cstdint>
#include <string>

#include "platform/FileSystem.h"
#include "platform/ServiceManager.h"
#include "platform/Types.h"
#include "service/Product.h"
#include "service/ProgramWide.h"

namespace qv {

class NTServiceControl {
public:
    NTServiceControl(ServiceManager& scm, FileSystem& files, ProgramWide& program)
        : scm_(scm), files_(files), program_(program) {}

    // The service's current state code (1..7); 0 for any failure.
    std::int32_t GetServiceStatus();
    // 0 when the service exists and its configuration can be read; else a
    // system error code. Callers read nonzero as "not installed".
    std::int32_t GetServiceConfig();
    // 0 or a system error code; a refused start request raises StartFailed.
    std::int32_t StartNTService();
    std::int32_t StopNTService();
    // Sends the stop control (its outcome ignored) and deletes the service.
    std::int32_t DeleteNTService();

    VbBool FileExists(const std::wstring& path);

private:
    ServiceManager& scm_;
    FileSystem& files_;
    ProgramWide& program_;
};

}  // namespace qv
