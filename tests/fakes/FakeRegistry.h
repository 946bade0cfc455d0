// A registry for the native tests: keys below HKEY_LOCAL_MACHINE by path (in
// the case the tool writes them), their values, the keys left open, and any
// call made to fail.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Registry.h"

namespace qv::fake {

class FakeRegistry final : public Registry {
public:
    // Each call with its arguments; a create's security attributes show as
    // whether its handle is inherited.
    std::vector<std::string> calls;
    // The n-th call (1-based) of `call` returns `status` instead of acting.
    std::map<std::string, std::pair<int, std::int32_t>> failing;

    std::size_t OpenKeys() const { return open_.size(); }
    std::optional<std::string> Value(const std::string& keyPath, const std::string& name) const {
        const auto key = keys_.find(keyPath);
        if (key == keys_.end() || !key->second.contains(name)) return std::nullopt;
        return key->second.at(name);
    }

    std::int32_t RegOpenKeyExA(RegKey, const char* subKey, std::uint32_t options,
                               std::uint32_t sam, RegKey* result) override {
        if (const auto status = Injected("RegOpenKeyExA", {subKey, N(options), N(sam)})) return *status;
        if (!keys_.contains(subKey)) return reg::kErrorFileNotFound;
        return Open(subKey, result);
    }
    std::int32_t RegCreateKeyExA(RegKey, const char* subKey, std::uint32_t reserved, char* keyClass,
                                 std::uint32_t options, std::uint32_t sam, const SecurityAttributes* security,
                                 RegKey* result, std::uint32_t*) override {
        if (const auto status =
                Injected("RegCreateKeyExA", {subKey, N(reserved), keyClass ? keyClass : "null", N(options),
                                             N(sam), std::to_string(security->bInheritHandle)}))
            return *status;
        keys_[subKey];
        return Open(subKey, result);
    }
    std::int32_t RegSetValueExA(RegKey key, const char* valueName, std::uint32_t reserved, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) override {
        if (const auto status = Injected("RegSetValueExA", {valueName, N(reserved), N(type), N(size)}))
            return *status;
        keys_[open_.at(key)][valueName].assign(reinterpret_cast<const char*>(data), size);
        return 0;
    }
    std::int32_t RegCloseKey(RegKey key) override {
        calls.push_back("RegCloseKey()");
        open_.erase(key);
        return 0;
    }

private:
    static std::string N(std::uint32_t value) { return std::to_string(value); }
    std::optional<std::int32_t> Injected(const std::string& call, std::initializer_list<std::string> args) {
        std::string text;
        for (const std::string& arg : args) text += (&arg == args.begin() ? "" : ", ") + arg;
        calls.push_back(call + "(" + text + ")");
        const auto failure = failing.find(call);
        if (failure == failing.end() || failure->second.first != ++counts_[call]) return std::nullopt;
        return failure->second.second;
    }
    std::int32_t Open(const char* path, RegKey* result) {
        *result = reinterpret_cast<RegKey>(nextKey_++);
        open_[*result] = path;
        return 0;
    }

    std::map<std::string, std::map<std::string, std::string>> keys_;  // path -> name -> data
    std::map<std::string, int> counts_;
    std::map<RegKey, std::string> open_;
    std::uintptr_t nextKey_ = 0x1000;
};

}  // namespace qv::fake
