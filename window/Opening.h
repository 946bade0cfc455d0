// How the window opens: once per Windows session, and whole on its screen.
#pragma once

#include <algorithm>
#include <cstdint>

#include "window/Layout.h"

namespace qv {

// What a start of the tool comes to in a session that may have a copy running.
enum class Arrival {
    Opens,           // no other copy runs, or it has just ended: this one opens the window
    BroughtForward,  // the running copy's window was brought to the front; this one ends
    NothingShown,    // the running copy showed nothing by the deadline; this one ends too
};

// The session's lock, held by the copy that shows the window from before the
// window exists until after it is gone, and that copy's window.
class SessionCopies {
public:
    virtual ~SessionCopies() = default;
    // Waits up to `ms` for the lock; true once this start holds it: at once
    // when no other copy runs, or as soon as the one running ends.
    virtual bool TakeLock(std::uint32_t ms) = 0;
    // Brings the running copy's window (or the message box it shows) to the
    // front and true, if it shows one now and still does afterwards.
    virtual bool BringForward() = 0;
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
