// Files' owners and access lists, and links, for the native tests. A path
// nobody set is an administrator's, as under C:\Program Files: writable by
// Administrators and SYSTEM, readable by Users.
#pragma once

#include <map>
#include <optional>
#include <string>

#include "platform/Security.h"

namespace qv::fake {

inline constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
inline constexpr wchar_t kSystem[] = L"S-1-5-18";
inline constexpr wchar_t kUsers[] = L"S-1-5-32-545";
inline constexpr wchar_t kAuthenticatedUsers[] = L"S-1-5-11";
inline constexpr wchar_t kEveryone[] = L"S-1-1-0";
inline constexpr wchar_t kTheAdmin[] = L"S-1-5-21-7-7-7-500";   // the user running the tool
inline constexpr wchar_t kOtherUser[] = L"S-1-5-21-7-7-7-1001";

class FakeSecurity final : public Security {
public:
    // Path -> its owner and access list; nothing: they cannot be read.
    std::map<std::wstring, std::optional<ObjectSecurity>> objects;
    // A link or junction's path -> where it leads.
    std::map<std::wstring, std::wstring> links;
    std::map<std::wstring, std::wstring> names = {
        {kUsers, L"BUILTIN\\Users"}, {kAuthenticatedUsers, L"NT AUTHORITY\\Authenticated Users"},
        {kEveryone, L"Everyone"}, {kOtherUser, L"PC\\bob"}};

    static ObjectSecurity AdministratorsOnly() {
        using namespace access;
        return {kAdministrators,
                std::vector<AccessEntry>{{kAdministrators, kFileAllAccess}, {kSystem, kGenericAll},
                                         {kUsers, kFileGenericRead}}};
    }

    std::optional<std::wstring> FinalPath(const std::wstring& path) override {
        // The longest link the path starts with, followed once.
        std::wstring final = path;
        for (const auto& [link, target] : links)
            if (path.starts_with(link + L"\\") || path == link) final = target + path.substr(link.size());
        return final;
    }
    std::optional<ObjectSecurity> SecurityOf(const std::wstring& path) override {
        const auto it = objects.find(path);
        return it == objects.end() ? AdministratorsOnly() : it->second;
    }
    std::wstring CurrentUser() override { return kTheAdmin; }
    std::wstring AccountName(const std::wstring& sid) override {
        const auto it = names.find(sid);
        return it == names.end() ? sid : it->second;
    }
};

}  // namespace qv::fake
