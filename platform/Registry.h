// The seam over the advapi32 registry calls the installer makes. Each method
// mirrors the Win32 function of the same name and returns its status code
// (0 success, else a system error code). Windows: RegistryWin32.cpp; native
// tests: tests/fakes/FakeRegistry.
#pragma once

#include <cstdint>

#include "platform/UniqueAny.h"

namespace qv {

// Opaque registry key (HKEY on Windows).
using RegKey = void*;

// HKEY_LOCAL_MACHINE: the predefined handle, sign-extended as winreg.h has it.
inline RegKey HkeyLocalMachine() {
    return reinterpret_cast<RegKey>(static_cast<std::intptr_t>(static_cast<std::int32_t>(0x80000002u)));
}

// SECURITY_ATTRIBUTES, field for field, so its size is the platform's: 12
// bytes in a 32-bit build, 24 in a 64-bit one.
struct SecurityAttributes {
    std::uint32_t nLength;
    void* lpSecurityDescriptor;
    std::int32_t bInheritHandle;
};

namespace reg {
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kOptionNonVolatile = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::int32_t kErrorFileNotFound = 2;
}  // namespace reg

class Registry {
public:
    virtual ~Registry() = default;

    virtual std::int32_t RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                       std::uint32_t samDesired, RegKey* result) = 0;
    virtual std::int32_t RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t reserved,
                                         char* keyClass, std::uint32_t options,
                                         std::uint32_t samDesired,
                                         const SecurityAttributes* securityAttributes,
                                         RegKey* result, std::uint32_t* disposition) = 0;
    virtual std::int32_t RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved,
                                        std::uint32_t type, const std::uint8_t* data,
                                        std::uint32_t dataSize) = 0;
    virtual std::int32_t RegCloseKey(RegKey key) = 0;
};

// A registry key closed through the seam.
struct RegCloseKeyThrough {
    Registry* registry = nullptr;
    void operator()(RegKey key) const { registry->RegCloseKey(key); }
};
using ScopedRegKey = UniqueAny<RegKey, RegCloseKeyThrough>;

}  // namespace qv
