// A registry for the native tests: keys below HKEY_LOCAL_MACHINE by path,
// their values, the keys left open, and any call made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace qv::fake {

class FakeRegistry final : public Registry {
public:
    // Key path (lower case, as the registry ignores case) -> value name -> data.
    std::map<std::string, std::map<std::string, std::string>> keys;
    std::vector<std::string> calls;              // each call with its arguments
    std::optional<SecurityAttributes> security;  // what the last create was given
    // The n-th call (1-based) of `call` returns `status` instead of acting.
    std::map<std::string, std::pair<int, std::int32_t>> failing;

    std::size_t OpenKeys() const { return open_.size(); }
    std::optional<std::string> Value(const std::string& keyPath, const std::string& name) const;

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

private:
    std::optional<std::int32_t> Injected(const std::string& call, const std::string& args);
    RegKey Open(const char* path);

    std::map<std::string, int> counts_;
    std::map<RegKey, std::string> open_;
    std::uintptr_t nextKey_ = 0x1000;
};

}  // namespace qv::fake
