// frmVctool on the fakes: start-up, the faces of the display, the watchdog,
// and the mouse, keys and focus over the commands.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "window/Accessibility.h"

namespace qv {
namespace {

using fake::FakeWindow;
using Act = std::function<void(FakeWindow&)>;
using Calls = std::vector<std::string>;
using enum ControlId;

constexpr std::int32_t S = scm::kStopped, R = scm::kRunning;

TEST(Form, StartUpClipsTheWindowFirstAndGivesItsFolderOneBackslash) {
    FakeWindow w;
    w.desktop.programFolder = LR"(C:\)";
    w.form.Load();
    // The region made, then given to the window (the first call's handle), redrawn.
    EXPECT_EQ(w.desktop.windowCalls,
              (Calls{"CreateRoundRectRgn(0, 0, 249, 301, 26, 26)", "SetWindowRgn(1, 1)"}));
    EXPECT_EQ(w.program.AppPath, LR"(C:\)");
    w.desktop.programFolder = LR"(C:\Tools)";
    w.form.Form_Load();
    EXPECT_EQ(w.program.AppPath, LR"(C:\Tools\)");
}

// The commands painted a colour the window never paints them before it
// loads: Start turns black at load, and Restart whenever the service is seen
// running. Unsettled or unreadable at the refresh of 0.8 s, the service
// leaves nothing to press and the text as it was, and the watchdog counts:
// at 8.8 s, just after that refresh, it finds `found` (-1: as it was) and
// removes the service if it is still unsettled, or stands down.
TEST(Form, TheDisplayHasThreeFacesAndTheWatchdogRemovesAServiceThatStaysUnsettled) {
    struct Case {
        std::int32_t installed;  // -1: not installed
        std::int32_t later;      // the state the refresh at 0.8 s finds; -1: as it was
        const char* commands;
        const wchar_t* status;
        std::int32_t found = -1;
        bool removed = false;
    };
    const Case cases[] = {
        {-1, -1, "black+ other- other-", L"Stopped"}, {S, -1, "black+ other- other-", L"Stopped"},
        {R, -1, "black- other+ black+", L"Running"},  {R, 0, "black- other- black-", L"Running"},
        {S, scm::kStartPending, "black- other- other-", L"Stopped", -1, true},
        {R, scm::kStopPending, "black- other- black-", L"Running", -1, true},
        {R, scm::kPaused, "black- other- black-", L"Running", -1, true},
        {R, scm::kStartPending, "black- other- black-", L"Running", 0},
        {R, scm::kStartPending, "black- other- black-", L"Running", S},
        {R, scm::kStartPending, "black- other- black-", L"Running", R},
    };
    const std::vector<std::wstring> box{L"QVStatusTool: Problem in running Quorvel Voice Chat "
                                        L"Service Tool. Please re-install Voice Chat Service Tool"};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.installed << ", " << c.later << ", " << c.found);
        FakeWindow w;
        if (c.installed >= 0) w.Install(c.installed);
        for (Label* label : {&w.form.lblStart, &w.form.lblStop, &w.form.lblRestart})
            label->SetForeColor(kStatusBlue);
        w.form.Load();
        if (c.later >= 0) w.Become(c.later);
        w.desktop.onTick = [&](int id) {
            w.form.OnTimer(id);
            if (id == kTmrcheckId && w.desktop.Now() == 8800 && c.found >= 0) w.Become(c.found);
        };
        w.desktop.whileMessageOpen = [&] {
            // Deleted, then refreshed: a service that could stop at once is
            // gone and Start is offered.
            EXPECT_EQ(w.form.lblStart.Enabled(), w.Actual() == 0);
            EXPECT_FALSE(w.form.lblStop.Enabled() || w.form.lblRestart.Enabled());
            EXPECT_EQ(w.form.lblStatus.Caption(), L"");
            w.desktop.Advance(20000);  // the box's modal loop goes on ticking
        };
        w.desktop.Advance(800);
        EXPECT_EQ(w.Commands(), c.commands);
        EXPECT_EQ(w.form.lblStatus.Caption(), c.status);
        EXPECT_EQ(w.form.Tmr_error.Enabled(), c.later >= 0);
        w.desktop.Advance(7999);  // re-arming at every refresh restarts nothing
        EXPECT_TRUE(w.desktop.messages.empty());
        w.desktop.Advance(1);
        EXPECT_FALSE(w.form.Tmr_error.Enabled());
        if (!c.removed && c.installed >= 0) w.Become(scm::kStartPending);
        w.form.OnTimer(kTmrErrorId);  // a tick already queued when it was switched off
        const fake::FakeService* left = w.manager.Find(ServiceName);
        EXPECT_EQ(c.installed >= 0 && (!left || left->markedForDelete), c.removed);
        EXPECT_EQ(w.desktop.messages, c.removed ? box : std::vector<std::wstring>{});
        EXPECT_EQ(w.form.tmrcheck.Enabled(), !c.removed);  // the refresh ends with a removal
        EXPECT_EQ(w.manager.OpenHandles(), 0);
    }
}

Act Then(std::vector<Act> acts) {
    return [=](FakeWindow& w) {
        for (const Act& act : acts) act(w);
    };
}
Act Press(Key key, bool shift = false) {
    return [=](FakeWindow& w) { w.form.input.KeyDown(key, shift); };
}
Act Release(Key key) { return [=](FakeWindow& w) { w.form.input.KeyUp(key); }; }
Act Arrow(Direction to) { return [=](FakeWindow& w) { w.form.input.Arrow(to); }; }
Act Reader(ControlId id) { return [=](FakeWindow& w) { w.form.input.DoDefaultAction(id); }; }
// A press of `button` in the middle of a control, as the view hands it
// over; a release there.
std::pair<int, int> Mid(ControlId id) {
    const PixelRect r = ControlRect(LayoutOf(id), 15.0f);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}
Act Down(ControlId id, int button = 1) {
    return [=](FakeWindow& w) { w.form.input.MouseDown(button, 0, Mid(id).first, Mid(id).second); };
}
Act Up(ControlId id) {
    return [=](FakeWindow& w) { w.form.input.MouseUp(Mid(id).first, Mid(id).second); };
}
Act Click(ControlId down, std::optional<ControlId> up = std::nullopt, int button = 1) {
    return Then({Down(down, button), Up(up.value_or(down))});
}
// The service changes hands outside the tool, and the next refresh sees it.
Act Becomes(std::int32_t state) {
    return [=](FakeWindow& w) {
        w.Become(state);
        w.desktop.Advance(800);
    };
}

// The mouse, the keys and a screen reader on a window showing `face`, with
// `focused` given the focus by Tab: the focus after `act`, the service's
// state then (0: removed), whether the program ended, and the calls that
// capture the mouse or move the window.
TEST(Form, ClicksAndKeysPressOnlyEnabledCommandsAndMoveTheFocusAmongThem) {
    const std::optional<ControlId> no;
    const Act tab = Press(Key::Tab), back = Press(Key::Tab, true), enter = Press(Key::Enter);
    const Act space = Then({Press(Key::Space), Release(Key::Space)});
    const Act left = Arrow(Direction::Left), right = Arrow(Direction::Right),
              up = Arrow(Direction::Up), down = Arrow(Direction::Down);
    const Act lost = [](FakeWindow& w) { w.form.input.CaptureLost(); };
    // Enter on Stop, which then waits: Stop gives the focus to none at once,
    // not at the next refresh, so that a second Enter presses nothing.
    const Act waits = [](FakeWindow& w) {
        w.manager.Find(ServiceName)->onStop = fake::OnStop::StayPending;
        w.desktop.Schedule(100, [&w] { EXPECT_EQ(w.form.input.Focused(), std::nullopt); });
        w.desktop.Schedule(2000, [&w] { w.manager.Settle(ServiceName); });
        w.form.input.KeyDown(Key::Enter, false);
    };
    const Calls captured{"SetCapture()", "ReleaseCapture()"};
    const Calls moved{"ReleaseCapture()", "SendMessageA(161, 2, 0)"};
    struct Case {
        std::int32_t face;
        std::optional<ControlId> focused;
        Act act;
        std::optional<ControlId> after;
        std::int32_t state;
        bool ended = false;
        Calls calls = {};
    };
    const Case cases[] = {
        // A click is a left press and a release on the same enabled command,
        // and takes the focus as it does on a button.
        {R, no, Click(lblStop), no, 0, false, captured},
        {R, lblClose, Click(lblStop, lblStart), lblStop, R, false, captured},
        {R, no, Then({Down(lblStop), lost, Up(lblStop)}), lblStop, R, false, {"SetCapture()"}},
        {R, no, Then({Down(lblStart), Becomes(S), Up(lblStart)}), no, S},
        {R, no, Click(lblStop, lblStop, 2), no, R},  {R, no, Click(lblClose), lblClose, R, true, captured},
        {R, no, Click(lblStatus), no, R},            {R, no, Click(Image1), no, R},
        {S, lblClose, Then({Click(lblStart), enter}), no, R, false, captured},
        {R, no, Reader(lblStop), no, 0},             {R, no, Reader(lblStart), no, R},
        // Any press on the strip moves the window.
        {R, no, Click(imgTop), no, R, false, moved}, {R, no, Click(imgTop, imgTop, 2), no, R, false, moved},
        // Tab and Shift+Tab, wrapping, past grey commands.
        {R, no, tab, lblStop, R},            {R, lblStop, tab, lblRestart, R},
        {R, lblClose, tab, lblStop, R},      {R, lblStop, back, lblClose, R},
        {S, lblStart, tab, lblClose, S},
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
        {R, lblStop, space, no, 0},          {R, lblStop, waits, no, 0},
        // Space presses on the way up, where it went down.
        {S, lblStart, Press(Key::Space), lblStart, S},
        {S, lblStart, Then({Press(Key::Space), tab, Release(Key::Space)}), lblClose, S},
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
        w.desktop.windowCalls.clear();
        for (int tabs = 0; tabs < 4 && w.form.input.Focused() != c.focused; ++tabs)
            w.form.input.KeyDown(Key::Tab, false);
        ASSERT_EQ(w.form.input.Focused(), c.focused);
        c.act(w);
        EXPECT_EQ(w.form.input.Focused(), c.after);
        EXPECT_EQ(w.Actual(), c.state);
        EXPECT_EQ(w.desktop.ended, c.ended);
        EXPECT_EQ(w.desktop.windowCalls, c.calls);
    }
}

// What any program in the session can post the window: a reader's press
// with any number, a tick of either timer at any time. Only a command's
// number presses (Stop here, which removes the service), and a tick only
// when its timer is due: the watchdog's 8 s after the refresh at 0 s saw
// the service start pending, the refresh's 0.8 s after the last.
TEST(Form, APostedPressOrTickActsOnlyForACommandOrWhenItsTimerIsDue) {
    const auto posted = [](std::uintmax_t number) {
        return [=](FakeWindow& w) {
            // As the window reads the message; Input refuses a number that
            // names no command itself too.
            if (const std::optional<ControlId> command = CommandNumbered(number))
                w.form.input.DoDefaultAction(*command);
            if (number <= INT_MAX) w.form.input.DoDefaultAction(static_cast<ControlId>(number));
        };
    };
    const auto tick = [](std::uint64_t at, int id) -> Act {
        return [=](FakeWindow& w) {
            w.desktop.Advance(at - w.desktop.Now());
            w.form.OnTimer(id);
        };
    };
    const auto startedMeanwhile = [](FakeWindow& w) {
        w.desktop.Advance(1000);
        w.Become(R);
        w.form.OnTimer(kTmrcheckId);
    };
    constexpr std::int32_t P = scm::kStartPending;
    const auto number = [](ControlId id) { return static_cast<std::uintmax_t>(id); };
    // Each row: the service's state at load, what is posted; the state
    // after (0: removed), the status shown, whether the program ended.
    const std::tuple<const char*, std::int32_t, Act, std::int32_t, const wchar_t*> cases[] = {
        {"press 999", R, posted(999), R, L"Running"},
        {"press -1", R, posted(UINTMAX_MAX), R, L"Running"},
        {"press 99", R, posted(99), R, L"Running"},
        {"press the status's number", R, posted(number(lblStatus)), R, L"Running"},
        {"press Stop's number above 32 bits", R, posted((std::uintmax_t{1} << 32) + number(lblStop)), R, L"Running"},
        {"press Stop's number", R, posted(number(lblStop)), 0, L"Stopped"},
        {"a watchdog tick at 4 s", P, tick(4000, kTmrErrorId), P, L""},
        {"a watchdog tick at 7.9 s", P, tick(7900, kTmrErrorId), P, L""},
        {"a watchdog tick at 8 s, armed at 0.8 s", R,
         [&](FakeWindow& w) { w.Become(P), tick(8000, kTmrErrorId)(w); }, P, L"Running"},
        {"a refresh tick 0.2 s after the last", P, startedMeanwhile, R, L""},
        {"a tick of no timer", R, tick(100, 7), R, L"Running"},
    };
    for (const auto& [what, face, act, state, status] : cases) {
        FakeWindow w;
        w.Install(face);
        w.form.Load();
        act(w);
        const fake::FakeService* left = w.manager.Find(ServiceName);
        EXPECT_EQ(left && !left->markedForDelete ? left->state : 0, state) << what;
        EXPECT_EQ(w.form.lblStatus.Caption(), status) << what;
        EXPECT_EQ(w.desktop.messages.size(), 0u) << what;
        EXPECT_FALSE(w.desktop.ended) << what;
    }
}

// What the window and a screen reader are told: only real changes, so that a
// quiet refresh repaints nothing; each command's state; the captionless
// Close by its tooltip.
TEST(Form, TheWindowAndAReaderHearOfRealChangesOnly) {
    FakeWindow w;
    w.Install(R);
    w.form.Load();
    w.form.input.KeyDown(Key::Tab, false);  // to Stop
    const auto elements = AccessibleElements(w.form);
    const auto of = [&](ControlId id) { return elements.at(static_cast<std::size_t>(AccessibleChildId(id) - 1)); };
    EXPECT_EQ(of(lblClose).name, L"Close");
    EXPECT_EQ(of(lblStatus).name, L"Running");
    EXPECT_EQ(of(lblStatus).description, L"");
    EXPECT_EQ(of(lblStop).description, L"Stop Service");
    EXPECT_TRUE(of(lblStop).focused && !of(lblStop).unavailable);
    EXPECT_TRUE(of(lblStart).unavailable && !of(lblStart).focused);
    EXPECT_EQ(AccessibleChildId(Image1), 0);
    EXPECT_EQ(w.form.LabelFor(Image1), nullptr);
    w.desktop.told.clear();
    w.desktop.Advance(800);
    EXPECT_TRUE(w.desktop.told.empty());
    w.Become(scm::kStopPending);
    w.desktop.Advance(800);
    // The focus moves once both are grey, not through Restart.
    EXPECT_EQ(w.desktop.told, (std::vector<std::string>{"lblStop Enabled", "lblRestart Enabled",
                                                        "focus lblStop>none"}));
}

}  // namespace
}  // namespace qv
