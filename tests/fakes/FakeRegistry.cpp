#include "tests/fakes/FakeRegistry.h"

#include <cctype>

namespace qv::fake {
namespace {

std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string N(std::uint32_t value) { return std::to_string(value); }

}  // namespace

std::optional<std::string> FakeRegistry::Value(const std::string& keyPath,
                                               const std::string& name) const {
    const auto key = keys.find(Folded(keyPath));
    if (key == keys.end() || key->second.count(name) == 0) return std::nullopt;
    return key->second.at(name);
}

std::optional<std::int32_t> FakeRegistry::Injected(const std::string& call, const std::string& args) {
    calls.push_back(call + "(" + args + ")");
    const auto failure = failing.find(call);
    if (failure == failing.end() || failure->second.first != ++counts_[call]) return std::nullopt;
    return failure->second.second;
}

RegKey FakeRegistry::Open(const char* path) {
    const auto key = reinterpret_cast<RegKey>(nextKey_++);
    open_[key] = Folded(path);
    return key;
}

std::int32_t FakeRegistry::RegOpenKeyExA(RegKey, const char* subKey, std::uint32_t options,
                                         std::uint32_t samDesired, RegKey* result) {
    *result = nullptr;
    if (const auto status = Injected("RegOpenKeyExA",
                                     std::string(subKey) + ", " + N(options) + ", " + N(samDesired)))
        return *status;
    if (keys.count(Folded(subKey)) == 0) return reg::kErrorFileNotFound;
    *result = Open(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegCreateKeyExA(RegKey, const char* subKey, std::uint32_t reserved,
                                           char* keyClass, std::uint32_t options,
                                           std::uint32_t samDesired,
                                           const SecurityAttributes* securityAttributes,
                                           RegKey* result, std::uint32_t*) {
    *result = nullptr;
    security = *securityAttributes;
    if (const auto status = Injected("RegCreateKeyExA", std::string(subKey) + ", " + N(reserved) +
                                                            ", " + (keyClass ? keyClass : "null") +
                                                            ", " + N(options) + ", " + N(samDesired)))
        return *status;
    keys[Folded(subKey)];
    *result = Open(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved,
                                          std::uint32_t type, const std::uint8_t* data,
                                          std::uint32_t dataSize) {
    if (const auto status = Injected("RegSetValueExA", std::string(valueName) + ", " +
                                                           N(reserved) + ", " + N(type) + ", " +
                                                           N(dataSize)))
        return *status;
    keys[open_.at(key)][valueName].assign(reinterpret_cast<const char*>(data), dataSize);
    return 0;
}

std::int32_t FakeRegistry::RegCloseKey(RegKey key) {
    calls.push_back("RegCloseKey()");
    open_.erase(key);
    return 0;
}

}  // namespace qv::fake
