#include "service/WriteGuard.h"

#include <algorithm>

namespace qv {
namespace {

using namespace access;

// Changing the object itself: its content (a folder's: adding a file or a
// folder), removing or renaming it or a child, and its access list or owner,
// with which anything else can be granted.
constexpr std::uint32_t kChangeRights =
    kWriteData | kAppendData | kDeleteChild | kDelete | kWriteDac | kWriteOwner;
// A folder above the program's: adding to it changes nothing on the way
// (so users' right to make folders in C:\ is harmless), while removing or
// renaming it (or its child on the way) puts another folder in its place.
constexpr std::uint32_t kMoveRights = kDeleteChild | kDelete | kWriteDac | kWriteOwner;

constexpr const wchar_t* kTrusted[] = {
    L"S-1-5-32-544",  // Administrators
    L"S-1-5-18",      // SYSTEM
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
};
constexpr wchar_t kEveryone[] = L"S-1-1-0";

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// The folder a path lies in; nothing for a drive's or a share's root.
std::optional<std::wstring> Parent(const std::wstring& path) {
    const auto cut = path.find_last_of(L"\\/");
    if (cut == std::wstring::npos || cut + 1 == path.size()) return std::nullopt;
    std::wstring parent = path.substr(0, cut);
    // "C:" alone is the drive's current folder, not its root.
    if (parent.size() == 2 && parent[1] == L':') return parent + L'\\';
    if (parent.size() > 2 && IsSeparator(parent[0]) && IsSeparator(parent[1])) {
        const auto share = parent.find_first_of(L"\\/", 2);
        if (share == std::wstring::npos) return std::nullopt;  // "\\server" is no folder
        if (parent.find_first_of(L"\\/", share + 1) == std::wstring::npos) return parent + L'\\';
    }
    return parent;
}

// Generic rights in an entry stand for these file rights.
std::uint32_t Mapped(std::uint32_t mask) {
    if (mask & kGenericAll) mask |= kFileAllAccess;
    if (mask & kGenericWrite) mask |= kFileGenericWrite;
    return mask;
}

class Guard {
public:
    explicit Guard(Security& security) : security_(security), user_(security.CurrentUser()) {}

    // The object at `path`, then its folder, then every folder above.
    std::optional<Exposure> Along(const std::wstring& path) {
        std::optional<std::wstring> at = path;
        for (int level = 0; at; ++level, at = Parent(*at)) {
            if (auto found = Check(*at, level < 2 ? kChangeRights : kMoveRights)) return found;
        }
        return std::nullopt;
    }

private:
    bool Trusted(const std::wstring& sid) const {
        // An entry that names no one plainly is never trusted, even when
        // the token's user could not be read either.
        return !sid.empty() &&
               (sid == user_ || std::ranges::find(kTrusted, sid) != std::end(kTrusted));
    }

    std::optional<Exposure> Check(const std::wstring& path, std::uint32_t rights) {
        const auto security = security_.SecurityOf(path);
        if (!security) return Exposure{path, {}};
        std::vector<std::wstring> sids;
        // An owner can always rewrite the access list.
        if (!Trusted(security->owner)) sids.push_back(security->owner);
        if (!security->allowed) sids.push_back(kEveryone);
        for (const AccessEntry& entry : security->allowed.value_or(std::vector<AccessEntry>{}))
            if (!entry.inheritOnly && (Mapped(entry.mask) & rights) != 0 && !Trusted(entry.trustee) &&
                std::ranges::find(sids, entry.trustee) == sids.end())
                sids.push_back(entry.trustee);
        if (sids.empty()) return std::nullopt;
        Exposure exposure{path, {}};
        for (const std::wstring& sid : sids) exposure.who.push_back(security_.AccountName(sid));
        return exposure;
    }

    Security& security_;
    std::wstring user_;
};

}  // namespace

std::optional<Exposure> FindExposure(Security& security, const std::vector<std::wstring>& files) {
    Guard guard(security);
    for (const std::wstring& file : files) {
        // The path as given names the links a user could swap; the final
        // path, the folders the file really lies in.
        if (auto found = guard.Along(file)) return found;
        const auto final = security.FinalPath(file);
        if (!final) return Exposure{file, {}};
        if (auto found = guard.Along(*final)) return found;
    }
    return std::nullopt;
}

}  // namespace qv
