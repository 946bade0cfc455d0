#include "platform/win32/RegistryWin32.h"

#include <windows.h>

namespace qv {
namespace {

static_assert(sizeof(SecurityAttributes) == sizeof(SECURITY_ATTRIBUTES));
static_assert(offsetof(SecurityAttributes, bInheritHandle) ==
              offsetof(SECURITY_ATTRIBUTES, bInheritHandle));

HKEY Key(RegKey key) { return static_cast<HKEY>(key); }

}  // namespace

std::int32_t RegistryWin32::RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                          std::uint32_t samDesired, RegKey* result) {
    HKEY opened = nullptr;
    const LSTATUS status = ::RegOpenKeyExA(Key(key), subKey, options, samDesired, &opened);
    *result = opened;
    return status;
}

std::int32_t RegistryWin32::RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t reserved,
                                            char* keyClass, std::uint32_t options,
                                            std::uint32_t samDesired,
                                            const SecurityAttributes* securityAttributes,
                                            RegKey* result, std::uint32_t* disposition) {
    HKEY created = nullptr;
    DWORD createdOrOpened = 0;
    const LSTATUS status = ::RegCreateKeyExA(
        Key(key), subKey, reserved, keyClass, options, samDesired,
        reinterpret_cast<SECURITY_ATTRIBUTES*>(const_cast<SecurityAttributes*>(securityAttributes)),
        &created, &createdOrOpened);
    *result = created;
    if (disposition != nullptr) *disposition = createdOrOpened;
    return status;
}

std::int32_t RegistryWin32::RegSetValueExA(RegKey key, const char* valueName,
                                           std::uint32_t reserved, std::uint32_t type,
                                           const std::uint8_t* data, std::uint32_t dataSize) {
    return ::RegSetValueExA(Key(key), valueName, reserved, type, data, dataSize);
}

std::int32_t RegistryWin32::RegCloseKey(RegKey key) { return ::RegCloseKey(Key(key)); }

}  // namespace qv
