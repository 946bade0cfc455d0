// How the window opens: a start against a running copy scripted in time, and
// where a window lands on a work area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <tuple>
#include <vector>

#include "window/Opening.h"

namespace qv {
namespace {

using Ms = std::uint32_t;
constexpr Ms kNever = std::numeric_limits<Ms>::max();

// Who holds the lock or shows a window of the tool's class, as the start
// sees the process: this program's image, and elevated like this start.
constexpr Seen kCopy{true, true}, kOtherImage{false, true}, kUnelevated{true, false};
constexpr Seen kAdmins{false, false};  // a holder known only by the lock's namespace

// The session on a clock that moves only while the start waits: the lock's
// holder runs from before the start until `ends`, when the lock comes free;
// a window of `owner` exists until `gone` and is shown from `shown`.
struct ScriptedSession final : SessionCopies {
    Seen holder, owner;
    Ms shown, gone, ends, now = 0;
    ScriptedSession(Seen holderIs, Seen ownerIs, Ms shownAt, Ms goneAt, Ms endsAt)
        : holder(holderIs), owner(ownerIs), shown(shownAt), gone(goneAt), ends(endsAt) {}
    bool TakeLock(Ms ms) override {
        if (ends - now <= ms) {
            now = std::max(now, ends);
            return true;
        }
        now += ms;
        return false;
    }
    bool LockIsAdministrators() override { return now < ends && holder == kAdmins; }
    bool Elevated() override { return true; }
    std::vector<Seen> EarlierProcesses() override {
        return now < ends && holder != kAdmins ? std::vector{holder} : std::vector<Seen>{};
    }
    std::vector<WindowSeen> Windows() override {
        if (now >= gone) return {};
        return {{1, owner, shown <= now}};
    }
    bool BringForward(std::uintptr_t window) override { return window == 1 && now < gone; }
};

TEST(Opening, OnlyACopysWindowIsBroughtForwardAndOnlyACopyStartingIsWaitedFor) {
    // Each row: who holds the lock until it ends, whose window of the
    // tool's class is shown from when until when; how the start arrives and
    // when (ms after it began).
    const std::tuple<const char*, Seen, Seen, Ms, Ms, Ms, Arrival, Ms> cases[] = {
        {"no copy running", kCopy, kCopy, kNever, kNever, 0, Arrival::Opens, 0},
        {"its window up", kCopy, kCopy, 0, kNever, kNever, Arrival::BroughtForward, 0},
        {"its window up after 3 s", kCopy, kCopy, 3000, kNever, kNever, Arrival::BroughtForward, 3000},
        {"its window up at the deadline", kCopy, kCopy, 10000, kNever, kNever, Arrival::BroughtForward, 10000},
        {"its window up just after it", kCopy, kCopy, 10001, kNever, kNever, Arrival::NothingShown, 10000},
        {"it ends while starting", kCopy, kCopy, kNever, kNever, 2050, Arrival::Opens, 2050},
        {"its window closed, the copy ending", kCopy, kCopy, 0, 0, 450, Arrival::Opens, 450},
        {"an administrator's lock, its window up later", kAdmins, kCopy, 3000, kNever, kNever, Arrival::BroughtForward, 3000},
        {"lock squatted, no window", kOtherImage, kOtherImage, kNever, 0, kNever, Arrival::Opens, 0},
        {"lock squatted, a window of the class", kOtherImage, kOtherImage, 0, kNever, kNever, Arrival::Opens, 0},
        {"lock and window of the program run unelevated", kUnelevated, kUnelevated, 0, kNever, kNever, Arrival::Opens, 0},
        {"a copy opened beside a squatter", kOtherImage, kCopy, 0, kNever, kNever, Arrival::BroughtForward, 0},
        {"the squatter gone, the copy's window up", kOtherImage, kCopy, 0, kNever, 0, Arrival::BroughtForward, 0},
    };
    for (const auto& [what, holder, owner, shown, gone, ends, arrival, at] : cases) {
        ScriptedSession session(holder, owner, shown, gone, ends);
        EXPECT_EQ(std::tuple(ArriveInSession(session), session.now), std::tuple(arrival, at)) << what;
    }
}

TEST(Opening, TheWindowMovesUpAndLeftOntoTheWorkAreaUntilWhole) {
    // 747 x 903 pixels: the window at 288 dpi.
    const auto window = [](int x, int y) { return PixelRect{x, y, x + 747, y + 903}; };
    constexpr PixelRect screen{0, 0, 1920, 1040};  // a task bar 40 pixels high below
    // Each row: the window, the work area, where the window goes.
    const std::tuple<const char*, PixelRect, PixelRect, PixelPoint> cases[] = {
        {"fits", window(100, 50), screen, {100, 50}},
        {"off the right", window(1500, 50), screen, {1173, 50}},
        {"off the bottom", window(100, 300), screen, {100, 137}},
        {"off both", window(1500, 300), screen, {1173, 137}},
        {"left of and above it", window(0, 0), {60, 30, 1920, 1080}, {60, 30}},
        {"wider", window(10, 300), {0, 0, 700, 1040}, {0, 137}},
        {"taller", window(1500, 20), {0, 0, 1920, 800}, {1173, 0}},
        {"larger", window(20, 20), {0, 0, 640, 480}, {0, 0}},
        {"a screen left of the main one", window(-600, 100), {-1280, -200, 0, 824}, {-747, -79}},
    };
    for (const auto& [what, before, workArea, at] : cases)
        EXPECT_EQ(PlaceWhole(before, workArea), at) << what;
}

}  // namespace
}  // namespace qv
