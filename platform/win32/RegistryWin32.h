#pragma once

#include "platform/Registry.h"

namespace qv {

// The real advapi32 calls, one to one.
class RegistryWin32 final : public Registry {
public:
    std::int32_t RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                               std::uint32_t samDesired, RegKey* result) override;
    std::int32_t RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t reserved,
                                 char* keyClass, std::uint32_t options, std::uint32_t samDesired,
                                 const SecurityAttributes* securityAttributes, RegKey* result,
                                 std::uint32_t* disposition) override;
    std::int32_t RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved,
                                std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t dataSize) override;
    std::int32_t RegCloseKey(RegKey key) override;
};

}  // namespace qv
