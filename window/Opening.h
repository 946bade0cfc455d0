// How the window opens: once per Windows session, and whole on its screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "window/Layout.h"

namespace qv {

// What a start of the tool comes to in a session that may have a copy running.
enum class Arrival {
    Opens,           // no other copy runs, or it has just ended: this one opens the window
    BroughtForward,  // the running copy's window was brought to the front; this one ends
    NothingShown,    // the running copy showed nothing by the deadline; this one ends too
};

// A window of the tool's class, or a process, found in the session: whose
// it is, as far as the system tells.
struct Seen {
    bool sameImage = false;  // its process runs this program's own executable
    bool elevated = false;   // with an administrator's token
    bool operator==(const Seen&) const = default;
};
struct WindowSeen {
    std::uintptr_t handle = 0;
    Seen process;
    bool shown = false;  // it, or the message box it shows, is visible
};

// The session's lock, held by the copy that shows the window from before the
// window exists until after it is gone, and the windows of the tool's class.
class SessionCopies {
public:
    virtual ~SessionCopies() = default;
    // Waits up to `ms` for the lock; true once this start holds it: at once
    // when no other copy runs, or as soon as the one running ends.
    virtual bool TakeLock(std::uint32_t ms) = 0;
    // Only an administrator can have taken the lock (it lies in a namespace
    // no one else may enter), so its holder is trusted as a copy starting.
    virtual bool LockIsAdministrators() = 0;
    // This start runs with an administrator's token.
    virtual bool Elevated() = 0;
    // The other processes of the session that began before this one and
    // may be copies of this program (those of its file name).
    virtual std::vector<Seen> EarlierProcesses() = 0;
    // The windows of the tool's class in the session now.
    virtual std::vector<WindowSeen> Windows() = 0;
    // Brings the window (or the message box it shows) to the front; true if
    // it still exists afterwards.
    virtual bool BringForward(std::uintptr_t window) = 0;
};

// A copy just started may take a while to show its window (a loaded machine,
// a slow service manager), and one that is ending may vanish as it is looked
// at; two windows are never the answer, as two copies would race on the service.
inline constexpr std::uint32_t kRunningWindowDeadlineMs = 10'000;
inline constexpr std::uint32_t kLookEveryMs = 100;

Arrival ArriveInSession(SessionCopies& copies, std::uint32_t deadlineMs = kRunningWindowDeadlineMs,
                        std::uint32_t everyMs = kLookEveryMs);

struct PixelPoint {
    int x, y;
    bool operator==(const PixelPoint&) const = default;
};

// Where the window's top-left corner goes for all of `window` to lie on the
// work area: moved up and left by no more than it overhangs, or, where it is
// larger than the work area, against the area's left or top edge, so that
// its title strip and close mark stay reachable.
constexpr PixelPoint PlaceWhole(const PixelRect& window, const PixelRect& workArea) {
    const auto fit = [](int start, int end, int areaStart, int areaEnd) {
        return std::max(areaStart, std::min(start, areaEnd - (end - start)));
    };
    return {fit(window.left, window.right, workArea.left, workArea.right),
            fit(window.top, window.bottom, workArea.top, workArea.bottom)};
}

}  // namespace qv
