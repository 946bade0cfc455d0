#include "tests/fakes/FakeRegistry.h"

#include <cctype>

namespace qv::fake {
namespace {

constexpr std::int32_t kInvalidHandle = 6;

std::string Folded(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::optional<std::string> FakeRegistry::Value(const std::string& keyPath,
                                               const std::string& name) const {
    const auto key = keys.find(Folded(keyPath));
    if (key == keys.end() || key->second.count(name) == 0) return std::nullopt;
    return key->second.at(name);
}

std::optional<std::int32_t> FakeRegistry::Injected(const std::string& call,
                                                   const std::string& args) {
    calls.push_back(call + "(" + args + ")");
    const auto failing = failures_.find(call);
    if (failing == failures_.end()) return std::nullopt;
    const auto it = failing->second.find(++counts_[call]);
    if (it == failing->second.end()) return std::nullopt;
    return it->second;
}

RegKey FakeRegistry::Open(const std::string& path) {
    const auto key = reinterpret_cast<RegKey>(nextKey_++);
    open_[key] = Folded(path);
    return key;
}

std::int32_t FakeRegistry::RegOpenKeyExA(RegKey key, const char* subKey, std::uint32_t options,
                                         std::uint32_t samDesired, RegKey* result) {
    *result = nullptr;
    if (const auto status = Injected("RegOpenKeyExA", std::string(subKey) + ", " +
                                                          std::to_string(options) + ", " +
                                                          std::to_string(samDesired)))
        return *status;
    if (key != HkeyLocalMachine()) return kInvalidHandle;
    if (keys.count(Folded(subKey)) == 0) return reg::kErrorFileNotFound;
    *result = Open(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegCreateKeyExA(RegKey key, const char* subKey, std::uint32_t reserved,
                                           char* keyClass, std::uint32_t options,
                                           std::uint32_t samDesired,
                                           const SecurityAttributes* securityAttributes,
                                           RegKey* result, std::uint32_t* disposition) {
    *result = nullptr;
    if (securityAttributes != nullptr) security = *securityAttributes;
    if (const auto status = Injected(
            "RegCreateKeyExA", std::string(subKey) + ", " + std::to_string(reserved) + ", " +
                                   (keyClass == nullptr ? "null" : keyClass) + ", " +
                                   std::to_string(options) + ", " + std::to_string(samDesired)))
        return *status;
    if (key != HkeyLocalMachine()) return kInvalidHandle;
    if (disposition != nullptr) *disposition = keys.count(Folded(subKey)) ? 2 : 1;
    keys[Folded(subKey)];
    *result = Open(subKey);
    return 0;
}

std::int32_t FakeRegistry::RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved,
                                          std::uint32_t type, const std::uint8_t* data,
                                          std::uint32_t dataSize) {
    if (const auto status = Injected("RegSetValueExA", std::string(valueName) + ", " +
                                                           std::to_string(reserved) + ", " +
                                                           std::to_string(type) + ", " +
                                                           std::to_string(dataSize)))
        return *status;
    const auto open = open_.find(key);
    if (open == open_.end()) return kInvalidHandle;
    keys[open->second][valueName].assign(reinterpret_cast<const char*>(data), dataSize);
    return 0;
}

std::int32_t FakeRegistry::RegCloseKey(RegKey key) {
    calls.push_back("RegCloseKey()");
    return open_.erase(key) == 1 ? 0 : kInvalidHandle;
}

}  // namespace qv::fake
