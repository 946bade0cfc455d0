// frmVctool on the fakes: start-up, the three faces of the display, the
// watchdog, the mouse, and the window's shape.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "window/Accessibility.h"

namespace qv {
namespace {

constexpr wchar_t kWatchdogText[] =
    L"Problem in running Quorvel Voice Chat Service Tool. Please re-install Voice Chat Service "
    L"Tool";

struct FormTest : ::testing::Test, fake::FakeWindow {
    // The service as the next status query finds it; 0 makes the status
    // unreadable while the configuration stays readable.
    void Become(std::int32_t state) {
        if (state == 0)
            manager.Find(ServiceName)->grantedAccess = scm::kServiceQueryConfig;
        else
            manager.SetState(ServiceName, state);
    }
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
    EXPECT_EQ(manager.calls.front(), "OpenSCManagerA(null, null, 0x1)");
}

TEST_F(FormTest, TheRegionFollowsTheScreensDensityRoundingHalvesToEven) {
    desktop.twipsPerPixel = 10.0f;  // 144 dpi: 373.5 x 451.5, corners 39
    desktop.widthTwips = 3740.0f;
    desktop.heightTwips = 4520.0f;
    form.DensityChanged();
    EXPECT_EQ(desktop.windowCalls[0], "CreateRoundRectRgn(0, 0, 374, 452, 39, 39)");
    desktop.twipsPerPixel = 2.0f;
    desktop.widthTwips = 623.0f;   // 311.5
    desktop.heightTwips = 621.0f;  // 310.5
    form.MakeRound(desktop, 10);
    EXPECT_EQ(desktop.windowCalls[2], "CreateRoundRectRgn(0, 0, 312, 310, 10, 10)");
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
            if (c.later == 0)
                w.manager.Find(ServiceName)->grantedAccess = scm::kServiceQueryConfig;
            else
                w.manager.SetState(ServiceName, c.later);
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

TEST_F(FormTest, TheRefreshRunsEvery800msAndRepaintsOnlyWhatChanged) {
    Install(scm::kRunning);
    form.Load();
    desktop.changes = 0;
    desktop.Advance(8000);
    EXPECT_EQ(desktop.changes, 0);
    Become(scm::kStopped);
    desktop.Advance(799);
    EXPECT_EQ(desktop.changes, 0);
    desktop.Advance(1);
    EXPECT_EQ(desktop.changes, 4);  // three commands and the status text
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
    Become(scm::kRunning);  // seen at 4.8 s: the spell is over
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
        if (found == 0)
            w.manager.Find(ServiceName)->grantedAccess = scm::kServiceQueryConfig;
        else
            w.manager.SetState(ServiceName, found);
        w.desktop.Advance(4000);
        EXPECT_FALSE(w.form.Tmr_error.Enabled()) << found;
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

TEST_F(FormTest, AScreenReaderFindsButtonsAndTextAndPressesOnlyAnEnabledCommand) {
    Install(scm::kRunning);
    form.Load();
    const auto elements = AccessibleElements(form);
    ASSERT_EQ(elements.size(), 7u);
    const std::wstring names[] = {L"Start", L"Stop", L"Restart", L"Close",
                                  L"Quorvel Voice Chat Server Tool", L"Service Status", L"Running"};
    for (std::size_t i = 0; i < elements.size(); ++i) {
        EXPECT_EQ(elements[i].name, names[i]);
        EXPECT_EQ(elements[i].button, i < 4);
        EXPECT_EQ(AccessibleChildId(elements[i].id), static_cast<int>(i) + 1);
    }
    EXPECT_EQ(elements[3].description, L"Close");
    EXPECT_EQ(elements[1].description, L"Stop Service");
    EXPECT_EQ(elements[0].unavailable, true);
    EXPECT_EQ(elements[1].unavailable, false);
    EXPECT_EQ(AccessibleChildId(ControlId::Image1), 0);

    form.DoDefaultAction(ControlId::lblStart);  // disabled: nothing
    form.DoDefaultAction(ControlId::lblStatus);
    EXPECT_EQ(Actual(), scm::kRunning);
    form.DoDefaultAction(ControlId::lblStop);
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
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
