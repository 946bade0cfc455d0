// Start, Stop, Restart and Close on the fakes: what they leave in the
// service manager and on the window, and how their waits end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

// A folder named in another script than the ANSI code page's.
constexpr wchar_t kFolder[] = L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool";
constexpr wchar_t kMissingText[] =
    L"Unable to Start due to a dependency file missing. Please re-install Voice Chat Service Tool";

// Loads the window in kFolder with the service's files (those asked for).
void Open(fake::FakeWindow& w, bool data = true, bool executable = true) {
    w.desktop.programFolder = kFolder;
    if (data) w.files.AddFile(std::wstring(kFolder) + L"\\TesmoVoIP.xml", "<xml/>");
    if (executable) w.files.AddFile(std::wstring(kFolder) + L"\\QVVoIPService.exe", "MZ");
    w.form.Load();
}

struct CommandsTest : ::testing::Test, fake::FakeWindow {
    void Open() { qv::Open(*this); }
};

TEST_F(CommandsTest, StartRegistersAMissingServiceAndRunsIt) {
    Open();
    form.lblStop.SetForeColor(kBusyGrey);
    form.lblStart_Click();
    const fake::FakeService* registered = manager.Find(ServiceName);
    ASSERT_NE(registered, nullptr);
    EXPECT_EQ(registered->state, scm::kRunning);
    EXPECT_EQ(registered->displayName, L"QV Voice Chat Server");
    // Exactly the folder's text, quoted for its blank.
    EXPECT_EQ(registered->binaryPath, L"\"" + std::wstring(kFolder) + L"\\QVVoIPService.exe\"");
    EXPECT_EQ(registered->serviceType, 0x10u);
    EXPECT_EQ(registered->startType, 2u);
    EXPECT_EQ(registered->errorControl, 0u);
    EXPECT_EQ(registered->loadOrderGroup, L"1");
    EXPECT_EQ(registered->account, std::nullopt);
    EXPECT_EQ(registered->password, L"Quorvel Voice Chat Server");
    EXPECT_NE(registry.Value(R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)", "Description"),
              std::nullopt);
    // Both files looked for, the data file first.
    EXPECT_EQ(files.lengthQueries,
              (std::vector<std::wstring>{std::wstring(kFolder) + L"\\TesmoVoIP.xml",
                                         std::wstring(kFolder) + L"\\QVVoIPService.exe"}));
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");
    EXPECT_EQ(form.lblStart.ForeColor(), kBusyGrey);  // until Stop is used
    EXPECT_EQ(form.lblStop.ForeColor(), kBlack);
    EXPECT_EQ(manager.OpenHandles(), 0);
}

TEST_F(CommandsTest, StartWithAMissingFileSaysSoAndEndsTheProgram) {
    for (const auto& [data, executable] : {std::pair{false, true}, {true, false}, {false, false}}) {
        fake::FakeWindow w;
        qv::Open(w, data, executable);
        w.form.lblStart_Click();
        ASSERT_EQ(w.desktop.messages.size(), 1u);
        EXPECT_EQ(w.desktop.messages[0].title, L"Quorvel");
        EXPECT_EQ(w.desktop.messages[0].text, kMissingText);
        EXPECT_TRUE(w.desktop.ended);
        EXPECT_EQ(w.files.lengthQueries.size(), 2u);
        EXPECT_EQ(w.manager.Find(ServiceName), nullptr);
        EXPECT_TRUE(w.registry.calls.empty());
        EXPECT_EQ(w.form.lblStart.ForeColor(), kBlack);
    }
}

TEST_F(CommandsTest, ARefusedStartIsRetriedOnceWithAFreshRegistration) {
    Install(scm::kStopped).disabled = true;
    Open();
    form.lblStart_Click();
    EXPECT_EQ(desktop.sleeps, std::vector<std::uint32_t>{5});
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_EQ(manager.Find(ServiceName)->startType, 2u);  // the new registration
    EXPECT_EQ(program.StartFailed, VbFalse);
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");

    // Refused again: no third attempt, and the refusal stays raised.
    fake::FakeWindow w;
    w.manager.FailCall("StartServiceA", scm::kErrorServiceDisabled);
    qv::Open(w);
    w.form.lblStart_Click();
    EXPECT_EQ(w.Calls("StartServiceA"), 2);
    EXPECT_EQ(w.program.StartFailed, VbTrue);
    EXPECT_EQ(w.Buttons(), "Start+ Stop- Restart-");
}

TEST_F(CommandsTest, ARefusalLeftOverFromRestartDoesNotMakeStartReinstall) {
    Install(scm::kStopped);
    Open();
    program.StartFailed = VbTrue;  // a start refused while Restart waited
    form.lblStart_Click();
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_FALSE(manager.Find(ServiceName)->markedForDelete);
    EXPECT_EQ(Calls("CreateServiceW"), 0);
}

TEST_F(CommandsTest, StartStopsAServiceItLastSawRunningWhenItsConfigurationTurnsUnreadable) {
    Install(scm::kRunning);
    Open();
    manager.FailCall("QueryServiceConfigA", scm::kErrorAccessDenied);
    desktop.Advance(800);  // shows "Stopped" and offers Start; the state stays 4
    ASSERT_EQ(Buttons(), "Start+ Stop- Restart-");
    form.lblStart_Click();
    EXPECT_EQ(Actual(), scm::kStopped);
    EXPECT_EQ(Calls("StartServiceA"), 0);
}

TEST_F(CommandsTest, StopWaitsDisabledUntilTheServiceStoppedThenRemovesIt) {
    Install(scm::kRunning).onStop = fake::OnStop::StayPending;
    Open();
    form.lblStart.SetForeColor(kBusyGrey);
    desktop.Schedule(1, [&] { EXPECT_FALSE(form.lblStop.Enabled()); });
    desktop.Schedule(2000, [&] {
        EXPECT_FALSE(manager.Find(ServiceName)->markedForDelete);
        manager.Settle(ServiceName);
    });
    form.lblStop_Click();
    EXPECT_EQ(desktop.Now(), 2400u);  // the first refresh after the stop
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
    EXPECT_EQ(form.lblStart.ForeColor(), kBlack);
    EXPECT_EQ(form.lblStop.ForeColor(), kBusyGrey);
    desktop.Advance(800);
    EXPECT_EQ(form.lblStatus.Caption(), L"Stopped");
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
}

TEST_F(CommandsTest, RestartWaitsDisabledForStoppedThenForRunning) {
    fake::FakeService& running = Install(scm::kRunning);
    running.onStop = fake::OnStop::StayPending;
    running.onStart = fake::OnStart::StayPending;
    Open();
    form.lblStop.SetForeColor(kBusyGrey);
    desktop.Schedule(1, [&] {
        EXPECT_FALSE(form.lblRestart.Enabled());
        EXPECT_EQ(form.lblRestart.ForeColor(), kBusyGrey);
    });
    desktop.Schedule(1000, [&] {
        EXPECT_EQ(Calls("StartServiceA"), 0);
        manager.Settle(ServiceName);  // stopped
    });
    desktop.Schedule(2000, [&] {
        EXPECT_EQ(Actual(), scm::kStartPending);
        manager.Settle(ServiceName);  // running
    });
    form.lblRestart_Click();
    EXPECT_EQ(desktop.Now(), 2400u);
    EXPECT_EQ(form.lblStop.ForeColor(), kBlack);
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
}

TEST_F(CommandsTest, RestartEndsBlackAndEnabledAlsoWhenTheWatchdogFirstSawItRunning) {
    Install(scm::kRunning).onStart = fake::OnStart::StayPending;
    Open();
    // The start completes between the refresh's tick and the watchdog's,
    // both due at 9.6 s, so the refresh left every command disabled.
    desktop.onTick = [&](int id) {
        form.OnTimer(id);
        if (id == kTmrcheckId && desktop.Now() == 9600) manager.Settle(ServiceName);
    };
    form.lblRestart_Click();
    EXPECT_EQ(desktop.Now(), 9600u);
    EXPECT_FALSE(manager.Find(ServiceName)->markedForDelete);
    EXPECT_TRUE(form.lblRestart.Enabled());
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
}

// The watchdog's count starts afresh with each pending spell: a brief start
// does not leave a deadline behind that an ordinary Stop happens to cover.
TEST_F(CommandsTest, AStopThatCoversAnEarlierSpellsDeadlineOnlyStops) {
    fake::FakeService& slow = Install(scm::kStopped);
    slow.onStart = fake::OnStart::StayPending;
    slow.onStop = fake::OnStop::StayPending;
    Open();
    const auto settle = [&] { manager.Settle(ServiceName); };
    desktop.Schedule(300, settle);
    desktop.Schedule(7600, [&] { Click(ControlId::lblStop); });
    desktop.Schedule(9100, settle);
    form.lblStart_Click();  // start pending at 0 s
    desktop.Advance(20000);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_EQ(manager.Find(ServiceName), nullptr);  // removed by Stop
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
    EXPECT_EQ(form.lblStatus.Caption(), L"Stopped");
}

// Deleted by another tool while Stop or Restart waits: the service never
// shows Stopped, so the wait ends when a refresh finds it gone, and the
// command does nothing more, now or when another service stops later.
TEST_F(CommandsTest, AWaitEndsWhenARefreshFindsTheServiceGone) {
    for (const bool restart : {false, true}) {
        fake::FakeWindow w;
        w.Install(scm::kRunning).onStop = fake::OnStop::StayPending;
        w.form.Load();
        w.desktop.Schedule(1000, [&] { w.manager.Find(ServiceName)->markedForDelete = true; });
        w.desktop.Schedule(2000, [&] { w.manager.Settle(ServiceName); });  // stopped, so gone
        restart ? w.form.lblRestart_Click() : w.form.lblStop_Click();
        EXPECT_EQ(w.desktop.Now(), 2400u);
        EXPECT_EQ(w.Calls("DeleteService") + w.Calls("StartServiceA"), 0);
        EXPECT_EQ(w.Buttons(), "Start+ Stop- Restart-");
        EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
    }
}

}  // namespace
}  // namespace qv
