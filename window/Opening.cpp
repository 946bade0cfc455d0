#include "window/Opening.h"

namespace qv {

Arrival ArriveInSession(SessionCopies& copies, std::uint32_t deadlineMs, std::uint32_t everyMs) {
    if (copies.TakeLock(0)) return Arrival::Opens;
    // Another copy holds the lock: look for its window, and between looks
    // wait on the lock, which that copy gives up only after its window is gone.
    for (std::uint32_t waited = 0;; waited += everyMs) {
        if (copies.BringForward()) return Arrival::BroughtForward;
        if (waited >= deadlineMs) return Arrival::NothingShown;
        if (copies.TakeLock(everyMs)) return Arrival::Opens;
    }
}

}  // namespace qv
