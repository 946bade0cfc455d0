// How the window opens: a start against a running copy scripted in time, and
// where a window lands on a work area.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <tuple>

#include "window/Opening.h"

namespace qv {
namespace {

using Ms = std::uint32_t;
constexpr Ms kNever = std::numeric_limits<Ms>::max();

// The running copy on a clock that moves only while the start waits: it
// shows a window from `shown` until `gone`, and ends, giving up the lock, at
// `ends`.
struct ScriptedCopy final : SessionCopies {
    Ms shown, gone, ends, now = 0;
    ScriptedCopy(Ms shownAt, Ms goneAt, Ms endsAt) : shown(shownAt), gone(goneAt), ends(endsAt) {}
    bool TakeLock(Ms ms) override {
        if (ends - now <= ms) {
            now = std::max(now, ends);
            return true;
        }
        now += ms;
        return false;
    }
    bool BringForward() override { return shown <= now && now < gone; }
};

TEST(Opening, ASecondStartBringsTheWindowForwardWaitsForOneStartingAndOpensOnceTheCopyEnds) {
    // Each row: when the copy shows its window, hides it and ends, how the
    // start arrives and when (ms after it began).
    const std::tuple<const char*, Ms, Ms, Ms, Arrival, Ms> cases[] = {
        {"no copy running", kNever, kNever, 0, Arrival::Opens, 0},
        {"its window up", 0, kNever, kNever, Arrival::BroughtForward, 0},
        {"its window up after 3 s", 3000, kNever, kNever, Arrival::BroughtForward, 3000},
        {"its window up at the deadline", 10000, kNever, kNever, Arrival::BroughtForward, 10000},
        {"its window up just after it", 10001, kNever, kNever, Arrival::NothingShown, 10000},
        {"it ends while starting", kNever, kNever, 2050, Arrival::Opens, 2050},
        {"its window closed, the copy ending", 0, 0, 450, Arrival::Opens, 450},
    };
    for (const auto& [what, shown, gone, ends, arrival, at] : cases) {
        ScriptedCopy copy(shown, gone, ends);
        EXPECT_EQ(std::tuple(ArriveInSession(copy), copy.now), std::tuple(arrival, at)) << what;
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
