// frmVctool on the fakes: start-up, the three faces of the display, the
// watchdog, the mouse, and the window's shape.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "window/Accessibility.h"

namespace qv {
namespace {

constexpr wchar_t kWatchdogText[] =
    L"Problem in running Quorvel Voice Chat Service Tool. Please re-install Voice Chat Service "
    L"Tool";

struct FormTest : ::testing::Test, fake::FakeWindow {
    bool Deleted() {
        return manager.Find(ServiceName) == nullptr || manager.Find(ServiceName)->markedForDelete;
    }
};

TEST_F(FormTest, StartUpClipsTheWindowFirstAndGivesItsFolderOneBackslash) {
    desktop.programFolder = LR"(C:\)";
    form.Load();
    EXPECT_EQ(desktop.windowCalls, (std::vector<std::string>{
                                       "CreateRoundRectRgn(0, 0, 249, 301, 26, 26)",
                                       "SetWindowRgn(#1, true)"}));
    EXPECT_EQ(program.AppPath, LR"(C:\)");
    desktop.programFolder = LR"(C:\Tools)";
    form.Form_Load();
    EXPECT_EQ(program.AppPath, LR"(C:\Tools\)");
}

TEST_F(FormTest, TheDisplayHasThreeFaces) {
    struct Case {
        std::int32_t installed;  // -1: not installed
        std::int32_t later;      // the state the next refresh finds; -1: unchanged
        const char* buttons;
        const wchar_t* status;
        std::int32_t serviceState;
        bool watchdog;
    };
    const Case cases[] = {
        {-1, -1, "Start+ Stop- Restart-", L"Stopped", 0, false},
        {scm::kStopped, -1, "Start+ Stop- Restart-", L"Stopped", 1, false},
        {scm::kRunning, -1, "Start- Stop+ Restart+", L"Running", 4, false},
        // Unsettled or unreadable: nothing to press, the text stays.
        {scm::kRunning, 0, "Start- Stop- Restart-", L"Running", 0, true},
        {scm::kRunning, scm::kStartPending, "Start- Stop- Restart-", L"Running", 2, true},
        {scm::kRunning, scm::kStopPending, "Start- Stop- Restart-", L"Running", 3, true},
        {scm::kRunning, scm::kContinuePending, "Start- Stop- Restart-", L"Running", 5, true},
        {scm::kRunning, scm::kPausePending, "Start- Stop- Restart-", L"Running", 6, true},
        {scm::kRunning, scm::kPaused, "Start- Stop- Restart-", L"Running", 7, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.buttons + std::to_string(c.serviceState));
        fake::FakeWindow w;
        if (c.installed >= 0) w.Install(c.installed);
        w.form.lblRestart.SetForeColor(kBusyGrey);
        w.form.Load();
        if (c.later >= 0) {
            w.Become(c.later);
            w.desktop.Advance(800);
        }
        EXPECT_EQ(w.Buttons(), c.buttons);
        EXPECT_EQ(w.form.lblStatus.Caption(), c.status);
        EXPECT_EQ(w.form.ServiceState(), c.serviceState);
        EXPECT_EQ(w.form.Tmr_error.Enabled(), c.watchdog);
        EXPECT_EQ(w.desktop.TimerRunning(kTmrErrorId), c.watchdog);
        // Restart turns black whenever the service is seen running.
        EXPECT_EQ(w.form.lblRestart.ForeColor(), c.installed == scm::kRunning ? kBlack : kBusyGrey);
    }
}

TEST_F(FormTest, TheWatchdogRemovesAServiceStillUnsettled8sAfterItFirstSawIt) {
    for (const std::int32_t stuck :
         {scm::kStartPending, scm::kStopPending, scm::kContinuePending, scm::kPausePending,
          scm::kPaused}) {
        SCOPED_TRACE(stuck);
        fake::FakeWindow w;
        w.Install(scm::kRunning);
        w.form.Load();
        w.manager.SetState(ServiceName, stuck);
        w.desktop.Advance(800 + 7999);  // re-arming at every refresh restarts nothing
        EXPECT_TRUE(w.desktop.messages.empty());
        w.desktop.whileMessageOpen = [&] {
            // Deleted, then refreshed: a service that could stop at once is
            // gone and Start is offered.
            const bool gone = w.manager.Find(ServiceName) == nullptr;
            EXPECT_TRUE(gone || w.manager.Find(ServiceName)->markedForDelete);
            EXPECT_EQ(w.Buttons(), gone ? "Start+ Stop- Restart-" : "Start- Stop- Restart-");
            EXPECT_EQ(w.form.lblStatus.Caption(), L"");
            EXPECT_FALSE(w.form.tmrcheck.Enabled());
            const std::size_t calls = w.manager.calls.size();
            w.desktop.Advance(20000);  // the box's modal loop goes on ticking
            EXPECT_EQ(w.manager.calls.size(), calls);
        };
        w.desktop.Advance(1);
        ASSERT_EQ(w.desktop.messages.size(), 1u);
        EXPECT_EQ(w.desktop.messages[0].text, kWatchdogText);
        EXPECT_EQ(w.desktop.messages[0].title, L"QVStatusTool");
        EXPECT_FALSE(w.form.Tmr_error.Enabled());
        const std::size_t calls = w.manager.calls.size();
        w.desktop.Advance(60000);
        EXPECT_EQ(w.manager.calls.size(), calls);
        EXPECT_EQ(w.manager.OpenHandles(), 0);
    }
}

TEST_F(FormTest, APendingSpellBrokenBySettlingRestartsTheWatchdogsCount) {
    Install(scm::kStartPending);
    form.Load();  // the first pending state: the count starts at 0 s
    desktop.Advance(4000);
    Become(scm::kStopped);  // seen at 4.8 s: the spell is over
    desktop.Advance(2000);
    Become(scm::kStopPending);  // a new spell, first seen at 6.4 s
    desktop.Advance(8399);
    EXPECT_FALSE(Deleted());
    desktop.Advance(1);
    EXPECT_TRUE(Deleted());
}

TEST_F(FormTest, TheWatchdogOnlyDisarmsWhenItFindsTheServiceSettledOrUnreadable) {
    for (const std::int32_t found : {0, scm::kStopped, scm::kRunning}) {
        fake::FakeWindow w;
        w.Install(scm::kStartPending);
        w.form.Load();  // armed by the first refresh
        w.desktop.Advance(4000);
        w.Become(found);
        w.desktop.Advance(4000);
        EXPECT_FALSE(w.form.Tmr_error.Enabled()) << found;
        w.manager.SetState(ServiceName, scm::kStartPending);
        w.form.OnTimer(kTmrErrorId);  // a tick already queued when it was switched off
        EXPECT_FALSE(w.manager.Find(ServiceName)->markedForDelete) << found;
        EXPECT_TRUE(w.desktop.messages.empty()) << found;
        EXPECT_TRUE(w.form.tmrcheck.Enabled()) << found;
    }
}

TEST_F(FormTest, APressOnADisabledLabelStartsNoClickEvenIfItIsEnabledByTheRelease) {
    Install(scm::kStopped);
    form.Load();
    const PixelRect stop = ControlRect(LayoutOf(ControlId::lblStop), 15.0f);
    form.MouseDown(1, 0, stop.left, stop.top);  // Stop is grey: the service is stopped
    EXPECT_FALSE(desktop.captured);
    Become(scm::kRunning);
    desktop.Advance(800);
    ASSERT_TRUE(form.lblStop.Enabled());
    form.MouseUp(stop.left, stop.top);
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_FALSE(Deleted());
}

TEST_F(FormTest, AClickIsALeftPressAndReleaseOnTheSameEnabledCommand) {
    Install(scm::kRunning);
    form.Load();
    const PixelRect stop = ControlRect(LayoutOf(ControlId::lblStop), 15.0f);
    const PixelRect start = ControlRect(LayoutOf(ControlId::lblStart), 15.0f);
    Click(ControlId::lblStop, 2);  // the right button clicks nothing
    form.MouseDown(1, 0, stop.left, stop.top);
    EXPECT_TRUE(desktop.captured);
    form.MouseUp(start.left, start.top);  // released elsewhere
    EXPECT_FALSE(desktop.captured);
    form.MouseUp(stop.left, stop.top);  // a release with no press
    form.MouseDown(1, 0, stop.right - 1, stop.bottom - 1);
    form.CaptureLost();  // the capture went away meanwhile
    form.MouseUp(stop.right - 1, stop.bottom - 1);
    for (const ControlId plain : {ControlId::lblStatus, ControlId::lblts, ControlId::Label2,
                                  ControlId::Image1})
        Click(plain);
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_FALSE(desktop.ended);

    Click(ControlId::lblStop);
    EXPECT_EQ(manager.Find(ServiceName), nullptr);  // stopped and deleted
    Click(ControlId::lblClose);
    EXPECT_TRUE(desktop.ended);
}

TEST_F(FormTest, TheWindowHearsOfRealChangesOnlySoAQuietRefreshRepaintsNothing) {
    using enum ControlId;
    Install(scm::kRunning);
    form.Load();
    form.KeyDown(Key::Tab, false);  // to Stop
    desktop.changes.clear();
    desktop.Advance(800);
    EXPECT_TRUE(desktop.changes.empty());
    Become(scm::kStopPending);
    desktop.Advance(800);
    EXPECT_EQ(desktop.changes, (std::vector<std::pair<ControlId, LabelProperty>>{
                                   {lblStop, LabelProperty::Enabled},
                                   {lblRestart, LabelProperty::Enabled},
                                   // once both are grey, not through Restart
                                   {lblStop, LabelProperty::Focus}}));
}

TEST_F(FormTest, AScreenReaderReadsFromTheTopAndPressesOnlyAnEnabledCommand) {
    Install(scm::kStopped);
    form.Load();
    const auto elements = AccessibleElements(form);
    ASSERT_EQ(elements.size(), 7u);
    const std::wstring names[] = {L"Quorvel Voice Chat Server Tool", L"Service Status", L"Stopped",
                                  L"Start", L"Stop", L"Restart", L"Close"};
    for (std::size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i].name, names[i]);
        EXPECT_EQ(elements[i].button, i >= 3);
        EXPECT_EQ(AccessibleChildId(elements[i].id), static_cast<int>(i) + 1);
    }
    EXPECT_EQ(elements[6].description, L"Close");
    EXPECT_EQ(elements[4].description, L"Stop Service");
    EXPECT_FALSE(elements[3].unavailable);
    EXPECT_TRUE(elements[4].unavailable);
    EXPECT_EQ(AccessibleChildId(ControlId::Image1), 0);

    form.DoDefaultAction(ControlId::lblStop);  // disabled: nothing
    form.DoDefaultAction(ControlId::lblStatus);
    EXPECT_FALSE(Deleted());
    form.DoDefaultAction(ControlId::lblStart);
    EXPECT_EQ(Actual(), scm::kRunning);
}

TEST_F(FormTest, ReaderDirectionsFollowTheCommandsAsDrawn) {
    using enum ControlId;
    const std::tuple<ControlId, Direction, std::optional<ControlId>> cases[] = {
        {lblStart, Direction::Right, lblStop},   {lblStop, Direction::Right, lblRestart},
        {lblRestart, Direction::Right, std::nullopt}, {lblRestart, Direction::Left, lblStop},
        {lblStart, Direction::Left, std::nullopt},    {lblStart, Direction::Up, lblClose},
        {lblClose, Direction::Down, lblRestart},      {lblClose, Direction::Up, std::nullopt},
        {lblStop, Direction::Down, std::nullopt},
    };
    for (const auto& [from, direction, to] : cases)
        EXPECT_EQ(CommandToward(from, direction), to) << LayoutOf(from).name << static_cast<int>(direction);
}

// "Start Stop Restart Close" with the focused one in brackets.
std::string FocusFace(const frmVctool& form) {
    std::string face;
    for (const ControlId id : kFocusOrder) {
        const std::string name = LayoutOf(id).name + 3;  // without "lbl"
        face += (face.empty() ? "" : " ") + (form.Focused() == id ? "[" + name + "]" : name);
    }
    return face;
}

TEST_F(FormTest, TabMovesTheFocusAmongEnabledCommandsAndADisabledOneGivesItUp) {
    Install(scm::kRunning);
    form.Load();
    EXPECT_EQ(FocusFace(form), "Start Stop Restart Close");  // nothing until the keyboard is used
    form.KeyDown(Key::Enter, false);
    EXPECT_EQ(Actual(), scm::kRunning);
    const std::pair<bool, const char*> tabs[] = {
        {false, "Start [Stop] Restart Close"}, {false, "Start Stop [Restart] Close"},
        {false, "Start Stop Restart [Close]"}, {false, "Start [Stop] Restart Close"},  // Start is grey
        {true, "Start Stop Restart [Close]"},  {true, "Start Stop [Restart] Close"},
    };
    for (const auto& [shift, face] : tabs) {
        form.KeyDown(Key::Tab, shift);
        EXPECT_EQ(FocusFace(form), face);
    }
    // Pending: all three go grey, and the focus with them; it never lands
    // on Close, where a second Enter would end the program.
    Become(scm::kStopPending);
    desktop.Advance(800);
    EXPECT_EQ(FocusFace(form), "Start Stop Restart Close");
    form.KeyDown(Key::Enter, false);
    EXPECT_FALSE(desktop.ended);
    form.KeyDown(Key::Tab, true);
    EXPECT_EQ(FocusFace(form), "Start Stop Restart [Close]");
    // Stopped by someone else: the focus moves on from Stop to Start.
    Become(scm::kRunning);
    desktop.Advance(800);
    form.KeyDown(Key::Tab, false);  // from Close, past the grey Start
    ASSERT_EQ(FocusFace(form), "Start [Stop] Restart Close");
    Become(scm::kStopped);
    desktop.Advance(800);
    EXPECT_EQ(FocusFace(form), "[Start] Stop Restart Close");
}

TEST_F(FormTest, EnterAndSpacePressTheFocusedCommandAsAClickAndEscapeCloses) {
    Install(scm::kStopped);
    form.Load();
    for (const char* face : {"[Start] Stop Restart Close", "Start Stop Restart [Close]",
                             "[Start] Stop Restart Close"}) {
        form.KeyDown(Key::Tab, false);
        EXPECT_EQ(FocusFace(form), face);
    }
    form.KeyDown(Key::Space, false);  // Start: greyed by its press, it leaves the focus to none
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_EQ(FocusFace(form), "Start Stop Restart Close");
    form.KeyDown(Key::Enter, false);  // a second press presses nothing
    EXPECT_EQ(Actual(), scm::kRunning);
    form.KeyDown(Key::Tab, false);
    EXPECT_EQ(FocusFace(form), "Start [Stop] Restart Close");
    // Stop, and Enter again while it waits: Stop is grey, Restart is not,
    // and the second press must press neither.
    manager.Find(ServiceName)->onStop = fake::OnStop::StayPending;
    desktop.Schedule(desktop.Now() + 100, [&] { form.KeyDown(Key::Enter, false); });
    desktop.Schedule(desktop.Now() + 2000, [&] {
        EXPECT_EQ(FocusFace(form), "Start Stop Restart Close");
        manager.Settle(ServiceName);
    });
    form.KeyDown(Key::Enter, false);
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
    EXPECT_FALSE(desktop.ended);
    form.KeyDown(Key::Escape, false);
    EXPECT_TRUE(desktop.ended);
}

TEST_F(FormTest, AnyButtonOnTheTopStripStartsTheSystemsMoveAndNothingElseDoes) {
    form.Load();
    for (const int button : {1, 2, 4}) {
        desktop.windowCalls.clear();
        Click(ControlId::imgTop, button);
        EXPECT_EQ(desktop.windowCalls,
                  (std::vector<std::string>{"ReleaseCapture()", "SendMessageA(161, 2, 0)"}));
    }
    desktop.windowCalls.clear();
    form.MouseDown(1, 0, 3, 5);  // the four columns left of the strip
    form.MouseDown(1, 0, 120, 120);
    EXPECT_TRUE(desktop.windowCalls.empty());
}

}  // namespace
}  // namespace qv
