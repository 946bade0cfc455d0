#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/fakes/FakeWindow.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv {
namespace {

constexpr wchar_t kWatchdogText[] =
    L"Problem in running Quorvel Voice Chat Service Tool. Please re-install Voice Chat Service "
    L"Tool";

class frmVctoolTest : public ::testing::Test, protected fake::FakeWindow {
protected:
    frmVctoolTest() { desktop.onTick = [this](int id) { form.OnTimer(id); }; }

    void Install(std::int32_t state) {
        fake::FakeService installed;
        installed.state = state;
        manager.AddService(ServiceName, installed);
    }
    // The service as the window's next status query finds it; 0 makes the
    // status unreadable while the configuration stays readable.
    void Become(std::int32_t state) {
        if (state == 0)
            manager.Find(ServiceName)->grantedAccess = scm::kServiceQueryConfig;
        else
            manager.SetState(ServiceName, state);
    }
    void Uninstall() {
        manager.Find(ServiceName)->markedForDelete = true;
        manager.SetState(ServiceName, scm::kStopped);  // gone: no handle open
    }
    // Each refresh begins by opening the service for its configuration.
    int Refreshes() const { return manager.CountCalls("QuorvelVC, 0x1)"); }
    int Deletes() const { return manager.CountCalls("DeleteService"); }
    // How many calls came after the last one containing `fragment`.
    long CallsSince(std::string_view fragment) const {
        const auto& calls = manager.Calls();
        return std::find_if(calls.rbegin(), calls.rend(), [&](const fake::Call& call) {
                   return call.text.find(fragment) != std::string::npos;
               }) - calls.rbegin();
    }
    std::string Buttons() const {
        return std::string("Start") + (form.lblStart.Enabled() ? '+' : '-') + " Stop" +
               (form.lblStop.Enabled() ? '+' : '-') + " Restart" +
               (form.lblRestart.Enabled() ? '+' : '-');
    }
};

TEST_F(frmVctoolTest, AppPathEndsInExactlyOneBackslash) {
    desktop.programFolder = LR"(C:\Tools)";
    form.Form_Load();
    EXPECT_EQ(program.AppPath, LR"(C:\Tools\)");
    desktop.programFolder = LR"(C:\)";
    form.Form_Load();
    EXPECT_EQ(program.AppPath, LR"(C:\)");
}

TEST_F(frmVctoolTest, NotInstalledShowsStoppedWithOnlyStartEnabled) {
    form.Load();
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
    EXPECT_EQ(form.lblStatus.Caption(), L"Stopped");
    EXPECT_EQ(form.ServiceState(), 0);
    EXPECT_EQ(manager.CountCalls("QueryServiceStatus"), 0);
    EXPECT_FALSE(form.Tmr_error.Enabled());
    EXPECT_FALSE(desktop.TimerRunning(kTmrErrorId));
}

TEST_F(frmVctoolTest, StoppedServiceShowsStoppedWithOnlyStartEnabled) {
    Install(scm::kStopped);
    form.Load();
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
    EXPECT_EQ(form.lblStatus.Caption(), L"Stopped");
    EXPECT_EQ(form.ServiceState(), scm::kStopped);
    EXPECT_FALSE(form.Tmr_error.Enabled());
}

TEST_F(frmVctoolTest, RunningServiceEnablesStopAndRestartInBlack) {
    Install(scm::kRunning);
    form.lblRestart.SetForeColor(kHeadingGrey);
    form.Load();
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");
    EXPECT_EQ(form.ServiceState(), scm::kRunning);
    EXPECT_FALSE(form.Tmr_error.Enabled());
}

class UnsettledTest : public frmVctoolTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(UnsettledTest, DisablesEverythingKeepsTheTextAndArmsTheWatchdog) {
    Install(scm::kRunning);
    form.Load();
    Become(GetParam());
    desktop.Advance(kRefreshIntervalMs);
    EXPECT_EQ(Buttons(), "Start- Stop- Restart-");
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");
    EXPECT_EQ(form.ServiceState(), GetParam());
    EXPECT_TRUE(form.Tmr_error.Enabled());
    ASSERT_EQ(desktop.TimerStarts(kTmrErrorId), 1);
    EXPECT_EQ(desktop.timerEvents.back().at, 800u);
    EXPECT_EQ(desktop.timerEvents.back().intervalMs, kWatchdogIntervalMs);
}

INSTANTIATE_TEST_SUITE_P(States, UnsettledTest, ::testing::Values(0, 2, 3, 5, 6, 7));

TEST_F(frmVctoolTest, RefreshTicksEvery800msFromLoad) {
    Install(scm::kRunning);
    form.Load();
    ASSERT_EQ(desktop.timerEvents.size(), 1u);
    EXPECT_EQ(desktop.timerEvents[0].id, kTmrcheckId);
    EXPECT_EQ(desktop.timerEvents[0].intervalMs, 800u);
    EXPECT_EQ(Refreshes(), 1);
    desktop.Advance(799);
    EXPECT_EQ(Refreshes(), 1);
    desktop.Advance(1);
    EXPECT_EQ(Refreshes(), 2);
    desktop.Advance(8000);
    EXPECT_EQ(Refreshes(), 12);
}

TEST_F(frmVctoolTest, RearmingTheWatchdogDoesNotRestartItsCountdown) {
    Install(scm::kStartPending);
    form.Load();  // its refresh arms the watchdog at t = 0
    desktop.Advance(7999);
    EXPECT_EQ(Refreshes(), 10);
    EXPECT_EQ(desktop.TimerStarts(kTmrErrorId), 1);
    EXPECT_EQ(Deletes(), 0);
    desktop.Advance(1);
    EXPECT_EQ(Deletes(), 1);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].at, 8000u);
}

class WatchdogTest : public frmVctoolTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(WatchdogTest, DeletesAStuckServiceAndStopsRefreshingForGood) {
    Install(scm::kRunning);
    form.Load();
    Become(GetParam());
    desktop.Advance(800);  // the refresh arms the watchdog
    ASSERT_TRUE(form.Tmr_error.Enabled());

    desktop.whileMessageOpen = [&] {
        EXPECT_EQ(Deletes(), 1);
        EXPECT_LT(CallsSince("QuorvelVC, 0x1)"), CallsSince("DeleteService"))
            << "no refresh after the delete";
        EXPECT_FALSE(form.tmrcheck.Enabled());
        EXPECT_FALSE(desktop.TimerRunning(kTmrcheckId));
        EXPECT_EQ(form.lblStatus.Caption(), L"");
        EXPECT_TRUE(form.Tmr_error.Enabled());
    };
    desktop.Advance(8000);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, kWatchdogText);
    EXPECT_EQ(desktop.messages[0].title, kApplicationTitle);
    EXPECT_EQ(desktop.messages[0].at, 8800u);
    EXPECT_FALSE(form.Tmr_error.Enabled());
    EXPECT_FALSE(desktop.TimerRunning(kTmrErrorId));

    const auto calls = manager.Calls().size();
    desktop.Advance(60000);
    EXPECT_EQ(manager.Calls().size(), calls);
    EXPECT_EQ(form.lblStatus.Caption(), L"");
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(States, WatchdogTest, ::testing::Values(2, 3, 5, 6, 7));

class DisarmTest : public frmVctoolTest, public ::testing::WithParamInterface<std::int32_t> {};

TEST_P(DisarmTest, SettledOrUnreadableStateOnlyDisarms) {
    Install(scm::kRunning);
    form.Load();
    form.Tmr_error.SetEnabled(true);
    if (GetParam() == 0)
        Uninstall();
    else
        Become(GetParam());
    desktop.Advance(8000);
    EXPECT_FALSE(form.Tmr_error.Enabled());
    EXPECT_FALSE(desktop.TimerRunning(kTmrErrorId));
    EXPECT_EQ(Deletes(), 0);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(form.tmrcheck.Enabled());
    const int refreshes = Refreshes();
    desktop.Advance(800);
    EXPECT_EQ(Refreshes(), refreshes + 1);
}

INSTANTIATE_TEST_SUITE_P(States, DisarmTest, ::testing::Values(0, 1, 4));

TEST_F(frmVctoolTest, PendingThatResolvesBeforeTheTickOnlyDisarms) {
    Install(scm::kStartPending);
    form.Load();
    desktop.Advance(4000);
    manager.Settle(ServiceName);
    desktop.Advance(4000);
    EXPECT_EQ(Deletes(), 0);
    EXPECT_FALSE(form.Tmr_error.Enabled());
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");

    // A later stall gets a fresh, full countdown.
    Become(scm::kStopPending);
    desktop.Advance(800 + 7999);
    EXPECT_EQ(Deletes(), 0);
    desktop.Advance(1);
    EXPECT_EQ(Deletes(), 1);
}

TEST_F(frmVctoolTest, WatchdogTicksWhileItsBoxIsOpenDoNothing) {
    Install(scm::kStartPending);
    form.Load();
    desktop.whileMessageOpen = [&] {
        const auto calls = manager.Calls().size();
        desktop.Advance(20000);  // the modal loop goes on delivering ticks
        EXPECT_EQ(manager.Calls().size(), calls);
    };
    desktop.Advance(8000);
    EXPECT_EQ(std::count_if(desktop.ticks.begin(), desktop.ticks.end(),
                            [](const fake::FakeDesktop::Tick& t) {
                                return t.id == kTmrErrorId && t.at > 8000;
                            }),
              2);
    EXPECT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(Deletes(), 1);
    EXPECT_FALSE(desktop.TimerRunning(kTmrErrorId));
}

TEST_F(frmVctoolTest, RefreshRepaintsOnlyWhatChanged) {
    Install(scm::kRunning);
    form.Load();
    desktop.changes.clear();
    desktop.Advance(8000);
    EXPECT_EQ(desktop.TotalChanges(), 0);

    Become(scm::kStopped);
    desktop.Advance(800);
    EXPECT_EQ(desktop.changes, (std::map<ControlId, int>{{ControlId::lblStart, 1},
                                                         {ControlId::lblStop, 1},
                                                         {ControlId::lblRestart, 1},
                                                         {ControlId::lblStatus, 1}}));
    desktop.changes.clear();
    Become(scm::kStartPending);
    desktop.Advance(1600);
    EXPECT_EQ(desktop.changes, (std::map<ControlId, int>{{ControlId::lblStart, 1}}));
}

// The centre of a control, in pixels at 96 dpi.
std::pair<int, int> CentreOf(ControlId id) {
    const PixelRect r = ControlRect(LayoutOf(id), 15.0f);
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(frmVctoolTest, APressOnADisabledLabelStartsNoClickEvenIfItIsEnabledByTheRelease) {
    Install(scm::kStopped);
    form.Load();
    const auto [x, y] = CentreOf(ControlId::lblStop);
    form.MouseDown(1, 0, x, y);  // Stop is grey: the service is stopped
    EXPECT_FALSE(desktop.captured);
    Become(scm::kRunning);
    desktop.Advance(800);
    ASSERT_TRUE(form.lblStop.Enabled());
    form.MouseUp(x, y);
    EXPECT_EQ(Deletes(), 0);
    EXPECT_EQ(manager.CountCalls("ControlService"), 0);
    EXPECT_EQ(manager.Find(ServiceName)->state, scm::kRunning);
}

TEST_F(frmVctoolTest, AClickIsALeftPressAndReleaseOnTheSameEnabledCommand) {
    Install(scm::kRunning);
    form.Load();
    const auto [x, y] = CentreOf(ControlId::lblStop);
    const auto [startX, startY] = CentreOf(ControlId::lblStart);
    form.MouseDown(2, 0, x, y);  // the right button clicks nothing
    form.MouseUp(x, y);
    form.MouseDown(1, 0, x, y);  // released elsewhere: no click
    EXPECT_TRUE(desktop.captured);
    form.MouseUp(startX, startY);
    EXPECT_FALSE(desktop.captured);
    form.MouseDown(1, 0, x, y);  // the capture went away meanwhile
    form.CaptureLost();
    form.MouseUp(x, y);
    EXPECT_EQ(manager.CountCalls("ControlService"), 0);

    form.MouseDown(1, 0, x, y);
    form.MouseUp(x, y);
    EXPECT_EQ(manager.CountCalls("ControlService"), 2);  // the stop, then the delete's
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
}

}  // namespace
}  // namespace qv
