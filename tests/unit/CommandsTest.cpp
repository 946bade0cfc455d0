// Start, Stop and Restart on the fakes: what they leave in the service
// manager and on the window, and how their waits end.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

using fake::FakeWindow;

// A folder named in another script than the ANSI code page's.
constexpr wchar_t kFolder[] = L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool";

// Loads the window in kFolder with the service's files (those asked for).
void Open(FakeWindow& w, bool data = true, bool executable = true) {
    w.InFolder(kFolder, data, executable);
    w.form.Load();
}

TEST(Commands, StartRegistersAMissingServiceAndRunsIt) {
    FakeWindow w;
    Open(w);
    w.form.lblStart_Click();
    const fake::FakeService* registered = w.manager.Find(ServiceName);
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
    EXPECT_NE(w.registry.Value(R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)", "Description"),
              std::nullopt);
    // Both files looked for, the data file first.
    EXPECT_EQ(w.files.lengthQueries,
              (std::vector<std::wstring>{std::wstring(kFolder) + L"\\TesmoVoIP.xml",
                                         std::wstring(kFolder) + L"\\QVVoIPService.exe"}));
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Running");
    EXPECT_EQ(w.manager.OpenHandles(), 0);
}

// Each command's colour set to "other" first: what each command paints, and
// the commands it leaves to press. A missing file paints nothing.
TEST(Commands, EachCommandLeavesItsColoursAndTheCommandsToPress) {
    struct Case {
        const char* what;
        std::int32_t installed;  // -1: not installed
        std::function<void(frmVctool&)> command;
        const char* colours;
        const char* buttons;
        std::int32_t state;  // afterwards; 0: removed
    };
    const Case cases[] = {
        {"Start", -1, &frmVctool::lblStart_Click, "busy black black", "Start- Stop+ Restart+",
         scm::kRunning},
        {"Start, running", scm::kRunning, &frmVctool::lblStart_Click, "busy black black",
         "Start- Stop+ Restart+", scm::kRunning},
        {"Stop", scm::kRunning, &frmVctool::lblStop_Click, "black busy other",
         "Start+ Stop- Restart-", 0},
        {"Restart", scm::kRunning, &frmVctool::lblRestart_Click, "other black black",
         "Start- Stop+ Restart+", scm::kRunning},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        if (c.installed >= 0) w.Install(c.installed);
        Open(w);
        for (Label* label : {&w.form.lblStart, &w.form.lblStop, &w.form.lblRestart})
            label->SetForeColor(kStatusBlue);
        c.command(w.form);
        w.desktop.Advance(800);
        EXPECT_EQ(w.Colours(), c.colours);
        EXPECT_EQ(w.Buttons(), c.buttons);
        EXPECT_EQ(w.Actual(), c.state);
    }
    for (const auto& [data, executable] : {std::pair{false, true}, {true, false}, {false, false}}) {
        FakeWindow w;
        Open(w, data, executable);
        w.form.lblStart.SetForeColor(kStatusBlue);
        w.form.lblStart_Click();
        ASSERT_EQ(w.desktop.messages.size(), 1u);
        EXPECT_EQ(w.desktop.messages[0].title, L"Quorvel");
        EXPECT_EQ(w.desktop.messages[0].text,
                  L"Unable to Start due to a dependency file missing. Please re-install Voice "
                  L"Chat Service Tool");
        EXPECT_TRUE(w.desktop.ended);
        EXPECT_EQ(w.files.lengthQueries.size(), 2u);
        EXPECT_EQ(w.manager.Find(ServiceName), nullptr);
        EXPECT_TRUE(w.registry.calls.empty());
        EXPECT_EQ(w.Colours(), "other black black");
    }
}

TEST(Commands, ARefusedStartIsRetriedOnceWithAFreshRegistration) {
    FakeWindow w;
    w.Install(scm::kStopped).disabled = true;
    Open(w);
    w.form.lblStart_Click();
    EXPECT_EQ(w.desktop.sleeps, std::vector<std::uint32_t>{5});
    EXPECT_EQ(w.Actual(), scm::kRunning);
    EXPECT_EQ(w.manager.Find(ServiceName)->startType, 2u);  // the new registration
    EXPECT_EQ(w.program.StartFailed, VbFalse);

    // Refused again: no third attempt, and the refusal stays raised.
    FakeWindow again;
    again.manager.FailCall("StartServiceA", scm::kErrorServiceDisabled);
    Open(again);
    again.form.lblStart_Click();
    EXPECT_EQ(again.Calls("StartServiceA"), 2);
    EXPECT_EQ(again.program.StartFailed, VbTrue);
    EXPECT_EQ(again.Buttons(), "Start+ Stop- Restart-");
}

TEST(Commands, ARefusalLeftOverFromRestartDoesNotMakeStartReinstall) {
    FakeWindow w;
    w.Install(scm::kStopped);
    Open(w);
    w.program.StartFailed = VbTrue;  // a start refused while Restart waited
    w.form.lblStart_Click();
    EXPECT_EQ(w.Actual(), scm::kRunning);
    EXPECT_FALSE(w.manager.Find(ServiceName)->markedForDelete);
    EXPECT_EQ(w.Calls("CreateServiceW"), 0);
}

TEST(Commands, StartStopsAServiceItLastSawRunningWhenItsConfigurationTurnsUnreadable) {
    FakeWindow w;
    w.Install(scm::kRunning);
    Open(w);
    w.manager.FailCall("QueryServiceConfigA", scm::kErrorAccessDenied);
    w.desktop.Advance(800);  // shows "Stopped" and offers Start; the state stays 4
    ASSERT_EQ(w.Buttons(), "Start+ Stop- Restart-");
    w.form.lblStart_Click();
    EXPECT_EQ(w.Actual(), scm::kStopped);
    EXPECT_EQ(w.Calls("StartServiceA"), 0);
}

// Stop and Restart grey their command and wait for each state the service
// takes slowly; Restart starts it only once stopped.
TEST(Commands, StopAndRestartWaitGreyedForEachState) {
    for (const bool restart : {false, true}) {
        SCOPED_TRACE(restart);
        FakeWindow w;
        fake::FakeService& slow = w.Install(scm::kRunning);
        slow.onStop = fake::OnStop::StayPending;
        slow.onStart = fake::OnStart::StayPending;
        Open(w);
        const Label& pressed = restart ? w.form.lblRestart : w.form.lblStop;
        w.desktop.Schedule(1, [&] { EXPECT_FALSE(pressed.Enabled()); });
        w.desktop.Schedule(1000, [&] {
            EXPECT_EQ(w.Calls("StartServiceA") + w.Calls("DeleteService"), 0);
            w.manager.Settle(ServiceName);  // stopped
        });
        w.desktop.Schedule(2000, [&] {
            EXPECT_EQ(w.Actual(), scm::kStartPending);
            w.manager.Settle(ServiceName);  // running
        });
        restart ? w.form.lblRestart_Click() : w.form.lblStop_Click();
        EXPECT_EQ(w.desktop.Now(), restart ? 2400u : 1600u);  // the first refresh after
        EXPECT_EQ(w.Actual(), restart ? scm::kRunning : 0);
    }
}

TEST(Commands, RestartEndsBlackAndEnabledAlsoWhenTheWatchdogFirstSawItRunning) {
    FakeWindow w;
    w.Install(scm::kRunning).onStart = fake::OnStart::StayPending;
    Open(w);
    // The start completes between the refresh's tick and the watchdog's,
    // both due at 9.6 s, so the refresh left every command disabled.
    w.desktop.onTick = [&](int id) {
        w.form.OnTimer(id);
        if (id == kTmrcheckId && w.desktop.Now() == 9600) w.manager.Settle(ServiceName);
    };
    w.form.lblRestart.SetForeColor(kStatusBlue);
    w.form.lblRestart_Click();
    EXPECT_EQ(w.desktop.Now(), 9600u);
    EXPECT_FALSE(w.manager.Find(ServiceName)->markedForDelete);
    EXPECT_TRUE(w.form.lblRestart.Enabled());
    EXPECT_EQ(w.form.lblRestart.ForeColor(), kBlack);
}

// The watchdog's count starts afresh with each pending spell: a brief start
// does not leave a deadline behind that an ordinary Stop happens to cover.
TEST(Commands, AStopThatCoversAnEarlierSpellsDeadlineOnlyStops) {
    FakeWindow w;
    fake::FakeService& slow = w.Install(scm::kStopped);
    slow.onStart = fake::OnStart::StayPending;
    slow.onStop = fake::OnStop::StayPending;
    Open(w);
    const auto settle = [&] { w.manager.Settle(ServiceName); };
    w.desktop.Schedule(300, settle);
    w.desktop.Schedule(7600, [&] { w.Click(ControlId::lblStop); });
    w.desktop.Schedule(9100, settle);
    w.form.lblStart_Click();  // start pending at 0 s
    w.desktop.Advance(20000);
    EXPECT_TRUE(w.desktop.messages.empty());
    EXPECT_EQ(w.Actual(), 0);  // removed by Stop
    EXPECT_EQ(w.form.lblStatus.Caption(), L"Stopped");
}

// Deleted by another tool while Stop or Restart waits: the service never
// shows Stopped, so the wait ends when a refresh finds it gone, and the
// command does nothing more, now or when another service stops later.
TEST(Commands, AWaitEndsWhenARefreshFindsTheServiceGone) {
    for (const bool restart : {false, true}) {
        FakeWindow w;
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
