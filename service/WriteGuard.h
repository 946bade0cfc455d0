// Who besides administrators can change a file the tool relies on with an
// administrator's rights: the service's executable and data file, which it
// registers to run as SYSTEM, and a language file, whose texts it shows.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Security.h"

namespace qv {

struct Exposure {
    std::wstring path;              // the file or folder others can change
    std::vector<std::wstring> who;  // their account names; none when its security cannot be read
};

// The first of `files`, their folders and the folders above those, along
// each path as given and as its links finally lead, that anyone but
// Administrators, SYSTEM, TrustedInstaller or the current user can change
// (or, for a folder above, rename or remove); nothing when there is none.
std::optional<Exposure> FindExposure(Security& security, const std::vector<std::wstring>& files);

}  // namespace qv
