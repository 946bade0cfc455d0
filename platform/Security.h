// The seam over files' security: what a file or folder's owner and access
// list say, where a path really leads, and whose token the program holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qv {

// File access rights as an access list grants them (winnt.h).
namespace access {
inline constexpr std::uint32_t kWriteData = 0x2;    // a folder: add a file
inline constexpr std::uint32_t kAppendData = 0x4;   // a folder: add a folder
inline constexpr std::uint32_t kDeleteChild = 0x40;
inline constexpr std::uint32_t kDelete = 0x10000;
inline constexpr std::uint32_t kWriteDac = 0x40000;
inline constexpr std::uint32_t kWriteOwner = 0x80000;
inline constexpr std::uint32_t kGenericAll = 0x10000000;
inline constexpr std::uint32_t kGenericWrite = 0x40000000;
inline constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
inline constexpr std::uint32_t kFileGenericWrite = 0x120116;
inline constexpr std::uint32_t kFileGenericRead = 0x120089;
}  // namespace access

// An entry of an access list that allows something.
struct AccessEntry {
    std::wstring trustee;  // the SID as text ("S-1-1-0"); empty when the entry names none plainly
    std::uint32_t mask = 0;
    bool inheritOnly = false;  // applies to the children only, not to the object itself
};

struct ObjectSecurity {
    std::wstring owner;  // the SID as text
    // The entries that allow, in the list's order (denials are left out);
    // nothing for a null access list, which lets everyone do everything.
    std::optional<std::vector<AccessEntry>> allowed;
};

class Security {
public:
    virtual ~Security() = default;

    // The path with every link and junction on it resolved, as a drive
    // path ("C:\...") or a share path ("\\server\share\..."); nothing when
    // the object cannot be opened.
    virtual std::optional<std::wstring> FinalPath(const std::wstring& path) = 0;
    // The object's own owner and access list: a link or junction at the
    // end of the path is not followed. Nothing when they cannot be read.
    virtual std::optional<ObjectSecurity> SecurityOf(const std::wstring& path) = 0;
    // The SID, as text, of the user whose token the program runs with.
    virtual std::wstring CurrentUser() = 0;
    // "DOMAIN\name" for a SID, as the system names it; the SID itself when
    // it has no name.
    virtual std::wstring AccountName(const std::wstring& sid) = 0;
};

}  // namespace qv
