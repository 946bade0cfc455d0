#include "window/Opening.h"

#include <algorithm>

namespace qv {
namespace {

// A process that another user's program cannot be or steer: this program's
// own executable, and an administrator's when this start is one. Anything
// the system would not tell is a stranger's.
bool Ours(const Seen& process, bool elevated) {
    return process.sameImage && (process.elevated || !elevated);
}

// Brings a copy's shown window forward; false when there is none (a
// stranger's window of the same class is never one), or it closed meanwhile:
// its copy is ending then, and the lock comes free once it has.
bool BringOursForward(SessionCopies& copies, bool elevated) {
    for (const WindowSeen& window : copies.Windows())
        if (window.shown && Ours(window.process, elevated)) return copies.BringForward(window.handle);
    return false;
}

}  // namespace

Arrival ArriveInSession(SessionCopies& copies, std::uint32_t deadlineMs, std::uint32_t everyMs) {
    const bool elevated = copies.Elevated();
    // The lock is looked at before the windows, yet a copy's window is
    // brought forward even when this start holds it: a copy may have opened
    // beside a stranger who held the lock then and has let it go since.
    bool held = copies.TakeLock(0);
    // The lock's holder may be a copy still starting, to be waited for: one
    // only administrators can take, or one held while a copy of this program
    // that began earlier runs. Otherwise a stranger holds it, who is neither
    // waited for nor let keep the window from opening.
    const auto copyMayHoldIt = [&] {
        if (copies.LockIsAdministrators()) return true;
        const std::vector<Seen> earlier = copies.EarlierProcesses();
        return std::ranges::any_of(earlier, [&](const Seen& p) { return Ours(p, elevated); });
    };
    for (std::uint32_t waited = 0;; waited += everyMs) {
        if (BringOursForward(copies, elevated)) return Arrival::BroughtForward;
        if (held || !copyMayHoldIt()) return Arrival::Opens;
        if (waited >= deadlineMs) return Arrival::NothingShown;
        held = copies.TakeLock(everyMs);
    }
}

}  // namespace qv
