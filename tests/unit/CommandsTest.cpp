#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv {
namespace {

constexpr wchar_t kFolder[] = LR"(C:\Program Files\Quorvel)";
constexpr wchar_t kMissingText[] =
    L"Unable to Start due to a dependency file missing. Please re-install Voice Chat Service Tool";

fake::CreateCall ExpectedInstall(const std::string& binaryPath) {
    return {"QuorvelVC", "QV Voice Chat Server", 0xF01FF, 16, 2, 0, binaryPath, "1", 1u,
            std::nullopt, std::nullopt, "Quorvel Voice Chat Server"};
}

class CommandsTest : public ::testing::Test, protected fake::FakeWindow {
protected:
    CommandsTest() {
        desktop.programFolder = kFolder;
        desktop.onTick = [this](int id) { form.OnTimer(id); };
        manager.onCall = [this](const std::string& call) {
            timeline.emplace_back(call, desktop.Now());
        };
    }

    fake::FakeService& Install(std::int32_t state) {
        fake::FakeService installed;
        installed.state = state;
        return manager.AddService(ServiceName, installed);
    }
    void Open(bool data = true, bool executable = true) {
        const std::wstring folder = desktop.programFolder + L"\\";
        if (data) files.AddFile(folder + kServiceDataFile, "<xml/>");
        if (executable) files.AddFile(folder + kServiceExecutable, "MZ");
        form.Load();
        mark = manager.Calls().size();
    }
    // The service manager calls since Open, as the operations they belong
    // to: config/status are the refresh's opens, install the manager opened
    // for creation; "!" marks a failed call.
    std::string Ops() const {
        std::string ops;
        for (std::size_t i = mark; i < manager.Calls().size(); ++i) {
            const fake::Call& call = manager.Calls()[i];
            std::string op;
            if (call.text.ends_with("QuorvelVC, 0x1)")) op = "config";
            else if (call.text.ends_with("QuorvelVC, 0x4)")) op = "status";
            else if (call.text == "OpenSCManagerA(null, null, 0x2)") op = "install";
            else if (call.name == "CreateServiceA") op = "create";
            else if (call.name == "StartServiceA") op = "start";
            else if (call.name == "ControlService") op = "control";
            else if (call.name == "DeleteService") op = "delete";
            if (op.empty()) continue;
            ops += (ops.empty() ? "" : " ") + op + (call.ok ? "" : "!");
        }
        return ops;
    }
    // The service's real state; 0 once it is gone.
    std::int32_t Actual() {
        const fake::FakeService* found = manager.Find(ServiceName);
        return found ? found->state : 0;
    }
    std::vector<std::uint64_t> TimesOf(const std::string& call) const {
        std::vector<std::uint64_t> times;
        for (const auto& [name, at] : timeline)
            if (name == call) times.push_back(at);
        return times;
    }
    std::string Buttons() const {
        return std::string("Start") + (form.lblStart.Enabled() ? '+' : '-') + " Stop" +
               (form.lblStop.Enabled() ? '+' : '-') + " Restart" +
               (form.lblRestart.Enabled() ? '+' : '-');
    }

    std::size_t mark = 0;
    std::vector<std::pair<std::string, std::uint64_t>> timeline;
};

TEST_F(CommandsTest, StartInstallsAMissingServiceThenStartsIt) {
    Open();
    form.lblStop.SetForeColor(kBusyGrey);
    bool startEnabledAtStart = true;
    manager.onCall = [&](const std::string& call) {
        if (call == "StartServiceA") startEnabledAtStart = form.lblStart.Enabled();
    };
    form.lblStart_Click();

    EXPECT_EQ(Ops(), "config! install create config status start config status");
    EXPECT_EQ(manager.creates, std::vector{ExpectedInstall(
                                   R"("C:\Program Files\Quorvel\QVVoIPService.exe")")});
    EXPECT_EQ(files.lengthQueries,
              (std::vector<std::wstring>{LR"(C:\Program Files\Quorvel\TesmoVoIP.xml)",
                                         LR"(C:\Program Files\Quorvel\QVVoIPService.exe)"}));
    EXPECT_FALSE(startEnabledAtStart);
    EXPECT_EQ(form.lblStop.ForeColor(), kBlack);
    EXPECT_EQ(form.lblStart.ForeColor(), kBusyGrey);
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");
    EXPECT_NE(registry.Value(R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)", "Description"),
              nullptr);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(CommandsTest, StartWithAnInstalledStoppedServiceOnlyStartsIt) {
    Install(scm::kStopped);
    Open();
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config config status start config status");
    EXPECT_TRUE(files.lengthQueries.empty());
    EXPECT_EQ(Actual(), scm::kRunning);
}

class MissingFileTest : public CommandsTest,
                        public ::testing::WithParamInterface<std::pair<bool, bool>> {};

TEST_P(MissingFileTest, StartEndsTheProgramWithoutInstalling) {
    Open(GetParam().first, GetParam().second);
    form.lblStart_Click();
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].title, L"Quorvel");
    EXPECT_EQ(desktop.messages[0].text, kMissingText);
    EXPECT_TRUE(desktop.ended);
    EXPECT_EQ(Ops(), "config!");
    EXPECT_TRUE(manager.creates.empty());
    EXPECT_TRUE(registry.calls.empty());
    EXPECT_EQ(files.lengthQueries,
              (std::vector<std::wstring>{LR"(C:\Program Files\Quorvel\TesmoVoIP.xml)",
                                         LR"(C:\Program Files\Quorvel\QVVoIPService.exe)"}));
    EXPECT_EQ(form.lblStart.ForeColor(), kBlack);
}

INSTANTIATE_TEST_SUITE_P(Files, MissingFileTest,
                         ::testing::Values(std::pair{false, true}, std::pair{true, false},
                                           std::pair{false, false}));

TEST_F(CommandsTest, RefusedStartReinstallsOnceAndRetries) {
    fake::FakeService& disabled = Install(scm::kStopped);
    disabled.config.startType = fake::kDisabled;
    Open();
    std::vector<std::size_t> sleepsAtCreate;
    manager.onCall = [&](const std::string& call) {
        if (call == "CreateServiceA") sleepsAtCreate.push_back(desktop.sleeps.size());
    };
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config config status start! control! delete install create start config status");
    EXPECT_EQ(sleepsAtCreate, std::vector<std::size_t>{1});
    EXPECT_EQ(desktop.sleeps, std::vector<std::uint32_t>{5});
    EXPECT_EQ(program.StartFailed, VbFalse);
    EXPECT_EQ(form.lblStatus.Caption(), L"Running");
}

TEST_F(CommandsTest, ARefusalLeftOverFromRestartDoesNotMakeStartReinstall) {
    Install(scm::kStopped);
    Open();
    program.StartFailed = VbTrue;  // a start refused while Restart waited
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config config status start config status");
    EXPECT_TRUE(manager.creates.empty());
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_FALSE(manager.Find(ServiceName)->markedForDelete);
}

TEST_F(CommandsTest, SecondRefusalIsLeftStandingWithoutAThirdAttempt) {
    desktop.programFolder = LR"(C:\Quorvel)";
    manager.FailCall("StartServiceA", scm::kErrorServiceDisabled);
    Open();
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config! install create config status start! control! delete install create "
                     "start! config status");
    const auto expected = ExpectedInstall(R"(C:\Quorvel\QVVoIPService.exe)");
    EXPECT_EQ(manager.creates, (std::vector{expected, expected}));
    EXPECT_EQ(program.StartFailed, VbTrue);
    EXPECT_EQ(desktop.sleeps, std::vector<std::uint32_t>{5});
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
}

TEST_F(CommandsTest, FailedInstallationLeavesOnlyStartEnabledAndGrey) {
    manager.managerAccess = scm::kScManagerConnect;
    Open();
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config! install! config! config!");
    EXPECT_EQ(form.ServiceState(), 0);
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
    EXPECT_EQ(form.lblStart.ForeColor(), kBusyGrey);
    EXPECT_TRUE(registry.calls.empty());
}

TEST_F(CommandsTest, StartOnARunningServiceStopsAfterTheRefresh) {
    Install(scm::kRunning);
    Open();
    form.lblStart_Click();
    EXPECT_EQ(Ops(), "config config status");
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
}

TEST_F(CommandsTest, StopWaitsAcrossTicksThenDeletesTheService) {
    Install(scm::kRunning).onStop = fake::OnStop::StayPending;
    Open();
    form.lblStart.SetForeColor(kBusyGrey);
    desktop.Schedule(2000, [&] { manager.Settle(ServiceName); });
    form.lblStop_Click();

    EXPECT_EQ(form.lblStart.ForeColor(), kBlack);
    EXPECT_EQ(form.lblStop.ForeColor(), kBusyGrey);
    EXPECT_EQ(TimesOf("ControlService"), (std::vector<std::uint64_t>{0, 2400}));
    EXPECT_EQ(TimesOf("DeleteService"), std::vector<std::uint64_t>{2400});
    EXPECT_EQ(Ops(), "control config status config status config status control! delete");
    EXPECT_EQ(desktop.Now(), 2400u);

    desktop.Advance(800);
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
    EXPECT_EQ(form.lblStatus.Caption(), L"Stopped");
    EXPECT_EQ(Buttons(), "Start+ Stop- Restart-");
}

TEST_F(CommandsTest, RestartWaitsForStoppedThenForRunning) {
    fake::FakeService& running = Install(scm::kRunning);
    running.onStop = fake::OnStop::StayPending;
    running.onStart = fake::OnStart::StayPending;
    Open();
    form.lblStop.SetForeColor(kBusyGrey);
    desktop.Schedule(1000, [&] { manager.Settle(ServiceName); });
    desktop.Schedule(2000, [&] { manager.Settle(ServiceName); });
    bool restartDisabledAtStart = false;
    manager.onCall = [&](const std::string& call) {
        if (call == "StartServiceA")
            restartDisabledAtStart = !form.lblRestart.Enabled() &&
                                     form.lblRestart.ForeColor() == kBusyGrey;
    };
    form.lblRestart_Click();

    EXPECT_EQ(Ops(), "control config status config status start config status");
    EXPECT_TRUE(restartDisabledAtStart);
    EXPECT_EQ(desktop.Now(), 2400u);
    EXPECT_EQ(form.lblStop.ForeColor(), kBlack);
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
}

TEST_F(CommandsTest, TheWatchdogsStatusReadCanEndTheWaitForRunning) {
    fake::FakeService& running = Install(scm::kRunning);
    running.onStart = fake::OnStart::StayPending;
    Open();
    // The start completes between the refresh's tick and the watchdog's, so
    // the watchdog is first to read "running" and the refresh left the
    // buttons disabled.
    desktop.onTick = [&](int id) {
        form.OnTimer(id);
        if (id == kTmrcheckId && desktop.Now() == 9600) manager.Settle(ServiceName);
    };
    form.lblRestart_Click();
    EXPECT_EQ(desktop.Now(), 9600u);
    EXPECT_EQ(TimesOf("DeleteService"), std::vector<std::uint64_t>{});
    EXPECT_TRUE(form.lblRestart.Enabled());
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
}

class WaitTest : public CommandsTest, public ::testing::WithParamInterface<bool> {
protected:
    void Command() { GetParam() ? form.lblRestart_Click() : form.lblStop_Click(); }
};

TEST_P(WaitTest, NoRefreshMeansTheWaitNeverEnds) {
    Install(scm::kRunning);
    Open();
    form.tmrcheck.SetEnabled(false);  // as the watchdog leaves it
    Command();
    EXPECT_TRUE(desktop.blockedForever);
    EXPECT_EQ(Ops(), "control");
    EXPECT_EQ(Actual(), scm::kStopped);
}

TEST_P(WaitTest, AServiceThatNeverStopsIsLeftToTheWatchdog) {
    Install(scm::kRunning).onStop = fake::OnStop::StayPending;
    Open();
    Command();
    EXPECT_TRUE(desktop.blockedForever);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].at, 8800u);
    // The only deletion is the watchdog's; the command adds nothing after it.
    EXPECT_EQ(TimesOf("DeleteService"), std::vector<std::uint64_t>{8800});
    EXPECT_EQ(manager.CountCalls("StartServiceA"), 0);
}

TEST_P(WaitTest, CloseDuringTheWaitEndsItWithNothingMore) {
    Install(scm::kRunning).onStop = fake::OnStop::StayPending;
    Open();
    desktop.Schedule(1000, [&] { Click(ControlId::lblClose); });
    Command();
    EXPECT_TRUE(desktop.ended);
    EXPECT_EQ(desktop.Now(), 1000u);
    EXPECT_EQ(Ops(), "control config status");
}

INSTANTIATE_TEST_SUITE_P(StopOrRestart, WaitTest, ::testing::Bool());

TEST_F(CommandsTest, CloseWhileRestartWaitsForRunningSkipsTheRestore) {
    Install(scm::kRunning).onStart = fake::OnStart::StayPending;
    Open();
    desktop.Schedule(1000, [&] { Click(ControlId::lblClose); });
    form.lblRestart_Click();
    EXPECT_EQ(Ops(), "control config status start");
    EXPECT_FALSE(form.lblRestart.Enabled());
    EXPECT_EQ(form.lblRestart.ForeColor(), kBusyGrey);
}

TEST_F(CommandsTest, RestartFromInsideAStopWaitDoesNotLetTheStopDelete) {
    // The stop request is refused once, so the next refresh shows the
    // service running and enables Restart while Stop still waits.
    Install(scm::kRunning);
    manager.FailCall("ControlService", scm::kErrorServiceCannotAcceptCtrl, 1);
    Open();
    desktop.Schedule(1000, [&] { Click(ControlId::lblRestart); });
    desktop.Schedule(5000, [&] { Click(ControlId::lblClose); });
    form.lblStop_Click();
    EXPECT_EQ(TimesOf("StartServiceA"), std::vector<std::uint64_t>{1600});
    EXPECT_EQ(manager.CountCalls("DeleteService"), 0);
    EXPECT_EQ(Actual(), scm::kRunning);
    EXPECT_EQ(form.lblRestart.ForeColor(), kBlack);
    EXPECT_EQ(Buttons(), "Start- Stop+ Restart+");
}

}  // namespace
}  // namespace qv
