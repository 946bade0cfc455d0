// Registers the service with the service manager and writes its description
// into the service's registry key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/Registry.h"
#include "platform/ServiceManager.h"
#include "platform/Types.h"
#include "service/Product.h"

namespace qv {

// An optional text: nothing is handed to the system as a null pointer, which
// differs from an empty text.
using OptionalText = std::optional<std::wstring>;

class install {
public:
    install(ServiceManager& scm, Registry& registry) : scm_(scm), registry_(registry) {}

    // True when the service manager created the service. Flags count as true
    // only when they hold -1. The description is written whether or not the
    // creation succeeded.
    VbBool InstallNTService(const std::wstring& exePath, const std::wstring& svcName,
                            const std::wstring& svcDisplayName, VbBool interactive,
                            VbBool autoStart, const OptionalText& machineName,
                            const OptionalText& accountName, const OptionalText& accountPassword,
                            const std::wstring& reserved);

    // Writes description, cut to 255 characters, as the REG_SZ value
    // "Description" of keyPath under HKEY_LOCAL_MACHINE, creating the key
    // when it is missing. The outcome is left in RegResult only.
    void SetServiceDescription(const std::wstring& reserved, const std::wstring& description,
                               const std::wstring& keyPath);

    // The status of the last registry call SetServiceDescription made.
    std::int32_t RegResult = 0;

private:
    ServiceManager& scm_;
    Registry& registry_;
};

// The executable path as the service manager should store it: quoted when it
// holds a blank and is not quoted already, unchanged otherwise.
std::wstring QuotedImagePath(const std::wstring& exePath);

}  // namespace qv
