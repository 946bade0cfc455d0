// A registry for the native tests: keys below HKEY_LOCAL_MACHINE by path,
// their values, open keys, a log of calls, and calls made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Registry.h"

namespace qv::fake {

struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

class FakeRegistry final : public Registry {
public:
    // Key path (case-insensitive, as the registry compares) -> value name -> value.
    std::map<std::string, std::map<std::string, RegistryValue>> keys;
    std::vector<std::string> calls;
    std::optional<SecurityAttributes> lastSecurity;

    // The next call of that name returns `status` instead of acting.
    void FailNext(const std::string& call, std::int32_t status) { failures_[call] = status; }
    // The n-th call (1-based, over the fake's life) of RegOpenKeyExA,
    // RegCreateKeyExA or RegSetValueExA returns `status` instead of acting.
    void FailCall(const std::string& call, std::int32_t status, int occurrence) {
        numbered_.push_back({call, status, occurrence});
    }
    int OpenKeys() const { return static_cast<int>(open_.size()); }
    const RegistryValue* Value(const std::string& keyPath, const std::string& name) const;

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
    std::optional<std::int32_t> Failure(const std::string& call);
    struct Numbered {
        std::string call;
        std::int32_t status;
        int occurrence;
    };
    std::map<std::string, std::int32_t> failures_;
    std::vector<Numbered> numbered_;
    std::map<std::string, int> counts_;
    std::map<RegKey, std::string> open_;
    std::uintptr_t nextKey_ = 0x1000;
};

}  // namespace qv::fake
