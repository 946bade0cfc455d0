#include "tests/fakes/FakeRegistry.h"

#include <algorithm>
#include <cctype>

namespace qv::fake {
namespace {

constexpr std::int32_t kInvalidHandle = 6;

std::string Folded(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

const RegistryValue* FakeRegistry::Value(const std::string& keyPath, const std::string& name) const {
    const auto key = keys.find(Folded(keyPath));
    if (key == keys.end()) return nullptr;
    const auto value = key->second.find(name);
    return value == key->second.end() ? nullptr : &value->second;
}

std::optional<std::int32_t> FakeRegistry::Failure(const std::string& call) {
    const int nth = ++counts_[call];
    for (const Numbered& failure : numbered_)
        if (failure.call == call && failure.occurrence == nth) return failure.status;
    const auto failure = failures_.find(call);
    if (failure == failures_.end()) return std::nullopt;
    const std::int32_t status = failure->second;
    failures_.erase(failure);
    return status;
}

std::int32_t FakeRegistry::RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                         std::uint32_t samDesired, RegKey* result) {
    calls.push_back("RegOpenKeyExA(" + std::string(subKey) + ", " + std::to_string(options) + ", " +
                    std::to_string(samDesired) + ")");
    *result = nullptr;
    if (const auto status = Failure("RegOpenKeyExA")) return *status;
    if (key != HkeyLocalMachine()) return kInvalidHandle;
    if (keys.count(Folded(subKey)) == 0) return reg::kErrorFileNotFound;
    *result = reinterpret_cast<RegKey>(nextKey_++);
    open_[*result] = Folded(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t reserved,
                                           char* keyClass, std::uint32_t options,
                                           std::uint32_t samDesired,
                                           const SecurityAttributes* securityAttributes,
                                           RegKey* result, std::uint32_t* disposition) {
    calls.push_back("RegCreateKeyExA(" + std::string(subKey) + ", " + std::to_string(reserved) +
                    ", " + (keyClass == nullptr ? "null" : keyClass) + ", " +
                    std::to_string(options) + ", " + std::to_string(samDesired) + ")");
    if (securityAttributes != nullptr) lastSecurity = *securityAttributes;
    *result = nullptr;
    if (const auto status = Failure("RegCreateKeyExA")) return *status;
    if (key != HkeyLocalMachine()) return kInvalidHandle;
    const bool existed = keys.count(Folded(subKey)) != 0;
    keys[Folded(subKey)];
    if (disposition != nullptr) *disposition = existed ? 2 : 1;
    *result = reinterpret_cast<RegKey>(nextKey_++);
    open_[*result] = Folded(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved,
                                          std::uint32_t type, const std::uint8_t* data,
                                          std::uint32_t dataSize) {
    calls.push_back("RegSetValueExA(" + std::string(valueName) + ", " + std::to_string(reserved) +
                    ", " + std::to_string(type) + ", " + std::to_string(dataSize) + ")");
    if (const auto status = Failure("RegSetValueExA")) return *status;
    const auto open = open_.find(key);
    if (open == open_.end()) return kInvalidHandle;
    keys[open->second][valueName] = {type, std::vector<std::uint8_t>(data, data + dataSize)};
    return 0;
}

std::int32_t FakeRegistry::RegCloseKey(RegKey key) {
    calls.push_back("RegCloseKey()");
    return open_.erase(key) == 1 ? 0 : kInvalidHandle;
}

}  // namespace qv::fake
