// The two values that belong to the whole program rather than to one module:
// the window computes AppPath at start-up and the commands build the service's
// paths from it; the service operations raise StartFailed and the Start command
// reads and clears it.
#pragma once

#include <string>

#include "platform/Types.h"

namespace qv {

struct ProgramWide {
    std::wstring AppPath;  // the program's folder, always ending in "\"
    VbBool StartFailed = VbFalse;
};

}  // namespace qv
