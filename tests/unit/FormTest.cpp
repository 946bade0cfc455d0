// frmVctool on the fakes: start-up, the faces of the display, the watchdog,
// and the mouse, keys and focus over the commands.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "window/Accessibility.h"

namespace qv {
namespace {

using fake::FakeWindow;
using Act = std::function<void(FakeWindow&)>;
using enum ControlId;

constexpr std::int32_t kStopped = scm::kStopped, kRunning = scm::kRunning;

TEST(Form, StartUpClipsTheWindowFirstAndGivesItsFolderOneBackslash) {
    FakeWindow w;
    w.desktop.programFolder = LR"(C:\)";
    w.form.Load();
    EXPECT_EQ(w.desktop.windowCalls, (std::vector<std::string>{
                                         "CreateRoundRectRgn(0, 0, 249, 301, 26, 26)",
                                         "SetWindowRgn(#1, true)"}));
    EXPECT_EQ(w.program.AppPath, LR"(C:\)");
    w.desktop.programFolder = LR"(C:\Tools)";
    w.form.Form_Load();
    EXPECT_EQ(w.program.AppPath, LR"(C:\Tools\)");
}

// Each command's colour set to "other" before the window loads: Start turns
// black at load, and Restart whenever the service is seen running.
TEST(Form, TheDisplayHasThreeFaces) {
    struct Case {
        std::int32_t installed;  // -1: not installed
        std::int32_t later;      // the state the next refresh finds; -1: unchanged
        const char* buttons;
        const wchar_t* status;
        std::int32_t serviceState;
        bool watchdog;
        const char* colours;
    };
    const Case cases[] = {
        {-1, -1, "Start+ Stop- Restart-", L"Stopped", 0, false, "black other other"},
        {kStopped, -1, "Start+ Stop- Restart-", L"Stopped", 1, false, "black other other"},
        {kRunning, -1, "Start- Stop+ Restart+", L"Running", 4, false, "black other black"},
        // Unsettled or unreadable: nothing to press, the text stays.
        {kRunning, 0, "Start- Stop- Restart-", L"Running", 0, true, "black other black"},
        {kStopped, scm::kStartPending, "Start- Stop- Restart-", L"Stopped", 2, true, "black other other"},
        {kRunning, scm::kStopPending, "Start- Stop- Restart-", L"Running", 3, true, "black other black"},
        {kRunning, scm::kContinuePending, "Start- Stop- Restart-", L"Running", 5, true, "black other black"},
        {kRunning, scm::kPausePending, "Start- Stop- Restart-", L"Running", 6, true, "black other black"},
        {kRunning, scm::kPaused, "Start- Stop- Restart-", L"Running", 7, true, "black other black"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons + std::to_string(c.serviceState));
        FakeWindow w;
        if (c.installed >= 0) w.Install(c.installed);
        for (Label* label : {&w.form.lblStart, &w.form.lblStop, &w.form.lblRestart})
            label->SetForeColor(kStatusBlue);
        w.form.Load();
        if (c.later >= 0) {
            w.Become(c.later);
            w.desktop.Advance(800);
        }
        EXPECT_EQ(w.Buttons(), c.buttons);
        EXPECT_EQ(w.form.lblStatus.Caption(), c.status);
        EXPECT_EQ(w.form.ServiceState(), c.serviceState);
        EXPECT_EQ(w.desktop.TimerRunning(kTmrErrorId), c.watchdog);
        EXPECT_EQ(w.Colours(), c.colours);
    }
}

// The refresh first sees a pending state at 0.8 s; the watchdog looks at
// 8.8 s, just after that refresh, and finds `found`.
TEST(Form, TheWatchdogRemovesAServiceStillUnsettledAndStandsDownForASettledOne) {
    const std::pair<std::int32_t, bool> cases[] = {
        {scm::kStartPending, true}, {scm::kStopPending, true}, {scm::kContinuePending, true},
        {scm::kPausePending, true}, {scm::kPaused, true},
        {0, false},  {kStopped, false}, {kRunning, false},  // settled or unreadable
    };
    for (const auto& [found, removed] : cases) {
        SCOPED_TRACE(found);
        FakeWindow w;
        w.Install(kRunning);
        w.form.Load();
        w.Become(scm::kStartPending);
        w.desktop.onTick = [&](int id) {
            w.form.OnTimer(id);
            if (id == kTmrcheckId && w.desktop.Now() == 8800) w.Become(found);
        };
        w.desktop.whileMessageOpen = [&] {
            // Deleted, then refreshed: a service that could stop at once is
            // gone and Start is offered.
            const bool gone = w.Actual() == 0;
            EXPECT_TRUE(gone || w.manager.Find(ServiceName)->markedForDelete);
            EXPECT_EQ(w.Buttons(), gone ? "Start+ Stop- Restart-" : "Start- Stop- Restart-");
            EXPECT_EQ(w.form.lblStatus.Caption(), L"");
            const std::size_t calls = w.manager.calls.size();
            w.desktop.Advance(20000);  // the box's modal loop goes on ticking
            EXPECT_EQ(w.manager.calls.size(), calls);
        };
        w.desktop.Advance(800 + 7999);  // re-arming at every refresh restarts nothing
        EXPECT_TRUE(w.desktop.messages.empty());
        w.desktop.Advance(1);
        EXPECT_FALSE(w.form.Tmr_error.Enabled());
        if (removed) {
            ASSERT_EQ(w.desktop.messages.size(), 1u);
            EXPECT_EQ(w.desktop.messages[0].text,
                      L"Problem in running Quorvel Voice Chat Service Tool. Please re-install "
                      L"Voice Chat Service Tool");
            EXPECT_EQ(w.desktop.messages[0].title, L"QVStatusTool");
            const std::size_t calls = w.manager.calls.size();
            w.desktop.Advance(60000);  // the refresh stays off
            EXPECT_EQ(w.manager.calls.size(), calls);
        } else {
            w.Become(scm::kStartPending);
            w.form.OnTimer(kTmrErrorId);  // a tick already queued when it was switched off
            EXPECT_TRUE(w.desktop.messages.empty());
            EXPECT_NE(w.Actual(), 0);
            EXPECT_FALSE(w.manager.Find(ServiceName)->markedForDelete);
            EXPECT_TRUE(w.form.tmrcheck.Enabled());
        }
        EXPECT_EQ(w.manager.OpenHandles(), 0);
    }
}

TEST(Form, APendingSpellBrokenBySettlingRestartsTheWatchdogsCount) {
    FakeWindow w;
    w.Install(scm::kStartPending);
    w.form.Load();  // the first pending state: the count starts at 0 s
    w.desktop.Advance(4000);
    w.Become(kStopped);  // seen at 4.8 s: the spell is over
    w.desktop.Advance(2000);
    w.Become(scm::kStopPending);  // a new spell, first seen at 6.4 s
    w.desktop.Advance(8399);
    EXPECT_FALSE(w.manager.Find(ServiceName)->markedForDelete);
    w.desktop.Advance(1);
    EXPECT_TRUE(w.Actual() == 0 || w.manager.Find(ServiceName)->markedForDelete);
}

struct Point {
    int x, y;
};
Point Mid(ControlId id) {
    const PixelRect r = ControlRect(LayoutOf(id), 15.0f);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// With the service running: a press of `button` in the middle of `down`,
// `between`, a release in the middle of `up`. Button 0 is a screen reader's
// press on `down`.
TEST(Form, AClickIsALeftPressAndReleaseOnTheSameEnabledCommand) {
    const Act none = [](FakeWindow&) {};
    const Act lost = [](FakeWindow& w) {
        w.desktop.captured = false;
        w.form.input.CaptureLost();
    };
    const Act stops = [](FakeWindow& w) {  // Start is enabled by the release
        w.Become(kStopped);
        w.desktop.Advance(800);
    };
    struct Case {
        ControlId down;
        int button;
        Act between;
        ControlId up;
        bool captured;
        std::int32_t state;  // the service's afterwards; 0: removed
        bool ended = false, moved = false;
    };
    const Case cases[] = {
        {lblStop, 1, none, lblStop, true, 0},          {lblStop, 2, none, lblStop, false, kRunning},
        {lblStop, 1, none, lblStart, true, kRunning},  {lblStop, 1, lost, lblStop, true, kRunning},
        {lblStart, 1, stops, lblStart, false, kStopped},
        {lblClose, 1, none, lblClose, true, kRunning, true},
        {lblStatus, 1, none, lblStatus, false, kRunning}, {lblts, 1, none, lblts, false, kRunning},
        {Label2, 1, none, Label2, false, kRunning},       {Image1, 1, none, Image1, false, kRunning},
        {imgTop, 1, none, imgTop, false, kRunning, false, true},
        {imgTop, 2, none, imgTop, false, kRunning, false, true},
        {imgTop, 4, none, imgTop, false, kRunning, false, true},
        {lblStop, 0, none, lblStop, false, 0},          {lblStart, 0, none, lblStart, false, kRunning},
        {lblStatus, 0, none, lblStatus, false, kRunning},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        FakeWindow w;
        w.Install(kRunning);
        w.form.Load();
        w.desktop.windowCalls.clear();
        const Point down = Mid(c.down), up = Mid(c.up);
        if (c.button == 0) {
            w.form.input.DoDefaultAction(c.down);
        } else {
            w.form.input.MouseDown(c.button, 0, down.x, down.y);
            EXPECT_EQ(w.desktop.captured, c.captured);
            c.between(w);
            w.form.input.MouseUp(up.x, up.y);
            EXPECT_FALSE(w.desktop.captured);
        }
        EXPECT_EQ(w.Actual(), c.state);
        EXPECT_EQ(w.desktop.ended, c.ended);
        const std::vector<std::string> moved{"ReleaseCapture()", "SendMessageA(161, 2, 0)"};
        EXPECT_EQ(w.desktop.windowCalls == moved, c.moved);
    }
    // The four columns left of the strip are no part of it.
    FakeWindow w;
    w.form.input.MouseDown(1, 0, 3, 5);
    EXPECT_TRUE(w.desktop.windowCalls.empty());
}

Act Press(Key key, bool shift = false) {
    return [=](FakeWindow& w) { w.form.input.KeyDown(key, shift); };
}
Act Release(Key key) {
    return [=](FakeWindow& w) { w.form.input.KeyUp(key); };
}
// A left press in the middle of `down` and its release in the middle of `up`.
Act Mouse(ControlId down, ControlId up) {
    return [=](FakeWindow& w) {
        w.form.input.MouseDown(1, 0, Mid(down).x, Mid(down).y);
        w.form.input.MouseUp(Mid(up).x, Mid(up).y);
    };
}
Act Then(std::vector<Act> acts) {
    return [=](FakeWindow& w) {
        for (const Act& act : acts) act(w);
    };
}
Act Arrow(Direction direction) {
    return [=](FakeWindow& w) { w.form.input.Arrow(direction); };
}
// The service changes hands outside the tool, and the next refresh sees it.
Act Becomes(std::int32_t state) {
    return [=](FakeWindow& w) {
        w.Become(state);
        w.desktop.Advance(800);
    };
}

// The keyboard on a window showing `face`, with `focused` given the focus by
// Tab: the focus after `act`, and the service's state then (0: removed).
TEST(Form, KeysMoveTheFocusAmongEnabledCommandsAndPressTheFocusedOne) {
    constexpr std::int32_t S = kStopped, R = kRunning;
    const std::optional<ControlId> no;
    const Act tab = Press(Key::Tab), back = Press(Key::Tab, true), enter = Press(Key::Enter);
    const Act space = Then({Press(Key::Space), Release(Key::Space)});
    const Act left = Arrow(Direction::Left), right = Arrow(Direction::Right),
              up = Arrow(Direction::Up), down = Arrow(Direction::Down);
    // Enter while Stop waits: Stop is grey and Restart is not, and the
    // second press must press neither.
    const Act twice = [](FakeWindow& w) {
        w.manager.Find(ServiceName)->onStop = fake::OnStop::StayPending;
        w.desktop.Schedule(100, [&w] {
            EXPECT_EQ(w.form.input.Focused(), std::nullopt);  // at once, not at the next refresh
            w.form.input.KeyDown(Key::Enter, false);
        });
        w.desktop.Schedule(2000, [&w] { w.manager.Settle(ServiceName); });
        w.form.input.KeyDown(Key::Enter, false);
    };
    struct Case {
        std::int32_t face;
        std::optional<ControlId> focused;
        Act act;
        std::optional<ControlId> after;
        std::int32_t state;
        bool ended = false;
    };
    const Case cases[] = {
        // Tab and Shift+Tab, wrapping, past grey commands.
        {R, no, tab, lblStop, R},            {R, lblStop, tab, lblRestart, R},
        {R, lblClose, tab, lblStop, R},      {R, lblStop, back, lblClose, R},
        {R, no, back, lblClose, R},          {S, lblStart, tab, lblClose, S},
        // The arrows go as the commands are drawn, to an enabled one, and
        // stay where none lies that way; with none focused, as Tab does.
        {R, lblStop, right, lblRestart, R},  {R, lblRestart, right, lblRestart, R},
        {R, lblRestart, left, lblStop, R},   {R, lblStop, left, lblStop, R},
        {R, lblStop, up, lblClose, R},       {R, lblClose, down, lblRestart, R},
        {R, lblClose, up, lblClose, R},      {S, lblStart, down, lblStart, S},
        {R, no, right, lblStop, R},          {R, no, left, lblClose, R},
        // Enter and Space press the focused command; one greyed by its own
        // press gives the focus to none, so a second press presses nothing.
        {S, no, enter, no, S},               {S, lblStart, enter, no, R},
        {R, lblStop, space, no, 0},          {R, lblStop, twice, no, 0},
        // Space presses on the way up, where it went down.
        {S, lblStart, Press(Key::Space), lblStart, S},
        {S, lblStart, Then({Press(Key::Space), tab, Release(Key::Space)}), lblClose, S},
        // A press of the mouse takes the focus as it does on a button.
        {R, lblClose, Mouse(lblStop, lblStart), lblStop, R},
        {S, lblClose, Then({Mouse(lblStart, lblStart), enter}), no, R},
        {R, lblClose, enter, lblClose, R, true}, {R, lblStop, Press(Key::Escape), lblStop, R, true},
        // Greyed by the service, the focus is kept in mind while nothing can
        // be pressed and lands on the first service command that can, never
        // on Close; unless the user has put it somewhere meanwhile.
        {R, lblStop, Becomes(scm::kStopPending), no, scm::kStopPending},
        {R, lblStop, Then({Becomes(scm::kStopPending), Becomes(S)}), lblStart, S},
        {S, lblStart, Then({Becomes(scm::kStartPending), Becomes(R)}), lblStop, R},
        {R, lblRestart, Becomes(S), lblStart, S},
        {R, lblStop, Then({Becomes(scm::kStopPending), tab, Becomes(S)}), lblClose, S},
        {R, lblClose, Becomes(scm::kStopPending), lblClose, scm::kStopPending},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(i);
        FakeWindow w;
        w.Install(c.face);
        w.form.Load();
        for (int tabs = 0; tabs < 4 && w.form.input.Focused() != c.focused; ++tabs)
            w.form.input.KeyDown(Key::Tab, false);
        ASSERT_EQ(w.form.input.Focused(), c.focused);
        c.act(w);
        EXPECT_EQ(w.form.input.Focused(), c.after);
        EXPECT_EQ(w.Actual(), c.state);
        EXPECT_EQ(w.desktop.ended, c.ended);
    }
}

TEST(Form, TheWindowHearsOfRealChangesOnlySoAQuietRefreshRepaintsNothing) {
    FakeWindow w;
    w.Install(kRunning);
    w.form.Load();
    w.form.input.KeyDown(Key::Tab, false);  // to Stop
    w.desktop.told.clear();
    w.desktop.Advance(800);
    EXPECT_TRUE(w.desktop.told.empty());
    w.Become(scm::kStopPending);
    w.desktop.Advance(800);
    // The focus moves once both are grey, not through Restart.
    EXPECT_EQ(w.desktop.told, (std::vector<std::string>{"lblStop Enabled", "lblRestart Enabled",
                                                        "focus lblStop>none"}));
}

TEST(Form, AReaderHearsEachCommandsStateAndTheCaptionlessCloseByItsTooltip) {
    FakeWindow w;
    w.Install(kStopped);
    w.form.Load();
    w.form.input.KeyDown(Key::Tab, false);
    const auto elements = AccessibleElements(w.form);
    const auto of = [&](ControlId id) { return elements.at(static_cast<std::size_t>(AccessibleChildId(id) - 1)); };
    EXPECT_EQ(of(lblClose).name, L"Close");
    EXPECT_EQ(of(lblStatus).name, L"Stopped");
    EXPECT_EQ(of(lblStatus).description, L"");
    EXPECT_EQ(of(lblStop).description, L"Stop Service");
    EXPECT_TRUE(of(lblStart).focused && !of(lblStart).unavailable);
    EXPECT_TRUE(of(lblStop).unavailable && !of(lblStop).focused);
    EXPECT_EQ(AccessibleChildId(Image1), 0);
    EXPECT_EQ(w.form.LabelFor(Image1), nullptr);
}

}  // namespace
}  // namespace qv
