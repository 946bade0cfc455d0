#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/NTServiceControl.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeServiceManager.h"

namespace qv {
namespace {

using Texts = std::vector<std::string>;

class NTServiceControlTest : public ::testing::Test {
protected:
    fake::FakeService& Install(std::int32_t state = scm::kStopped) {
        fake::FakeService service;
        service.state = state;
        return manager.AddService(ServiceName, service);
    }
    // The calls every operation opens and closes with, around `request`.
    static Texts Framed(const std::string& access, const Texts& request) {
        Texts calls{"OpenSCManagerA(null, null, 0x1)",
                    "OpenServiceA(#1, QuorvelVC, " + access + ")"};
        calls.insert(calls.end(), request.begin(), request.end());
        calls.insert(calls.end(), {"CloseServiceHandle(#2)", "CloseServiceHandle(#1)"});
        return calls;
    }

    fake::FakeServiceManager manager;
    fake::FakeFileSystem files;
    ProgramWide program;
    NTServiceControl control{manager, files, program};
};

TEST_F(NTServiceControlTest, StatusReportsEachStateAskingOnlyForStatusAccess) {
    fake::FakeService& service = Install(scm::kRunning);
    EXPECT_EQ(control.GetServiceStatus(), scm::kRunning);
    EXPECT_EQ(manager.CallTexts(), Framed("0x4", {"QueryServiceStatus(#2)"}));
    for (std::int32_t state = 1; state <= 7; ++state) {
        service.state = state;
        EXPECT_EQ(control.GetServiceStatus(), state);
    }
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, StatusIsZeroWhenTheServiceCannotBeQueried) {
    fake::FakeService& service = Install(scm::kRunning);
    service.grantedAccess = scm::kServiceQueryConfig;
    EXPECT_EQ(control.GetServiceStatus(), 0);
    EXPECT_EQ(manager.Calls()[1].error, 5u);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, NotInstalledGives1060AndStatusZero) {
    EXPECT_EQ(control.GetServiceStatus(), 0);
    EXPECT_EQ(control.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control.StartNTService(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control.StopNTService(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control.DeleteNTService(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(program.StartFailed, VbFalse);
    EXPECT_EQ(manager.CountCalls("CloseServiceHandle(#"), 5);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, ConfigOfAnInstalledServiceIsZero) {
    Install();
    EXPECT_EQ(control.GetServiceConfig(), 0);
    // The default record needs 36 + 81 string bytes: one record more than 117/36.
    EXPECT_EQ(manager.CallTexts(), Framed("0x1", {"QueryServiceConfigA(#2, 36)",
                                                  "QueryServiceConfigA(#2, 144)"}));
}

struct ConfigSize {
    std::uint32_t bytesNeeded;
    Texts requests;
    std::int32_t result;
};

class ConfigSizeTest : public NTServiceControlTest,
                       public ::testing::WithParamInterface<ConfigSize> {};

TEST_P(ConfigSizeTest, SecondRequestIsOneRecordMoreThanTheNeedAndThereIsNoThird) {
    Install().bytesNeeded = GetParam().bytesNeeded;
    EXPECT_EQ(control.GetServiceConfig(), GetParam().result);
    EXPECT_EQ(manager.CallTexts(), Framed("0x1", GetParam().requests));
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Needs, ConfigSizeTest,
    ::testing::Values(
        ConfigSize{36, {"QueryServiceConfigA(#2, 36)"}, 0},
        ConfigSize{37, {"QueryServiceConfigA(#2, 36)", "QueryServiceConfigA(#2, 72)"}, 0},
        ConfigSize{71, {"QueryServiceConfigA(#2, 36)", "QueryServiceConfigA(#2, 72)"}, 0},
        ConfigSize{72, {"QueryServiceConfigA(#2, 36)", "QueryServiceConfigA(#2, 108)"}, 0},
        // Too large for an int32 buffer size, or negative as an int32:
        // 534, and no second request.
        ConfigSize{0x7FFFFFF0, {"QueryServiceConfigA(#2, 36)"}, scm::kErrorArithmeticOverflow},
        ConfigSize{0x80000000, {"QueryServiceConfigA(#2, 36)"}, scm::kErrorArithmeticOverflow},
        ConfigSize{0xFFFFFF00, {"QueryServiceConfigA(#2, 36)"}, scm::kErrorArithmeticOverflow},
        ConfigSize{0xFFFFFFFF, {"QueryServiceConfigA(#2, 36)"}, scm::kErrorArithmeticOverflow}));

TEST_F(NTServiceControlTest, ConfigReturnsTheSecondRequestsError) {
    Install();
    manager.FailCall("QueryServiceConfigA", scm::kErrorInsufficientBuffer, 2);
    EXPECT_EQ(control.GetServiceConfig(), scm::kErrorInsufficientBuffer);
    EXPECT_EQ(manager.CountCalls("QueryServiceConfigA"), 2);
    // The third request overall is the next operation's first: its error, no retry.
    manager.FailCall("QueryServiceConfigA", scm::kErrorAccessDenied, 3);
    EXPECT_EQ(control.GetServiceConfig(), scm::kErrorAccessDenied);
    EXPECT_EQ(manager.CountCalls("QueryServiceConfigA"), 3);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, StartRunsAStoppedService) {
    fake::FakeService& service = Install();
    EXPECT_EQ(control.StartNTService(), 0);
    EXPECT_EQ(manager.CallTexts(), Framed("0x10", {"StartServiceA(#2, 0)"}));
    EXPECT_EQ(service.state, scm::kRunning);

    service.state = scm::kStopped;
    service.onStart = fake::OnStart::StayPending;
    EXPECT_EQ(control.StartNTService(), 0);
    EXPECT_EQ(service.state, scm::kStartPending);
    EXPECT_EQ(program.StartFailed, VbFalse);
}

TEST_F(NTServiceControlTest, RefusedStartsRaiseStartFailedAndASuccessDoesNotClearIt) {
    fake::FakeService& service = Install(scm::kRunning);
    EXPECT_EQ(control.StartNTService(), scm::kErrorServiceAlreadyRunning);
    EXPECT_EQ(program.StartFailed, VbTrue);

    program.StartFailed = VbFalse;
    service.state = scm::kStopped;
    service.config.startType = fake::kDisabled;
    EXPECT_EQ(control.StartNTService(), scm::kErrorServiceDisabled);
    EXPECT_EQ(program.StartFailed, VbTrue);

    service.config.startType = fake::kDemandStart;
    service.onStart = fake::OnStart::TimeOut;
    EXPECT_EQ(control.StartNTService(), scm::kErrorServiceRequestTimeout);

    service.onStart = fake::OnStart::Run;
    EXPECT_EQ(control.StartNTService(), 0);
    EXPECT_EQ(program.StartFailed, VbTrue);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, StartFailedStaysClearWhenNothingCouldBeOpened) {
    Install();
    manager.FailCall("OpenSCManagerA", scm::kErrorAccessDenied, 1);
    EXPECT_EQ(control.StartNTService(), scm::kErrorAccessDenied);
    Install().grantedAccess = scm::kServiceQueryStatus;
    EXPECT_EQ(control.StartNTService(), scm::kErrorAccessDenied);
    EXPECT_EQ(manager.CountCalls("StartServiceA"), 0);
    EXPECT_EQ(program.StartFailed, VbFalse);
}

TEST_F(NTServiceControlTest, StopSendsTheStopControl) {
    fake::FakeService& service = Install(scm::kRunning);
    EXPECT_EQ(control.StopNTService(), 0);
    EXPECT_EQ(manager.CallTexts(), Framed("0x20", {"ControlService(#2, 1)"}));
    EXPECT_EQ(service.state, scm::kStopped);
    EXPECT_EQ(control.StopNTService(), scm::kErrorServiceNotActive);

    service.state = scm::kRunning;
    service.onStop = fake::OnStop::StayPending;
    EXPECT_EQ(control.StopNTService(), 0);
    EXPECT_EQ(service.state, scm::kStopPending);
}

TEST_F(NTServiceControlTest, DeleteStopsAndRemovesARunningService) {
    Install(scm::kRunning);
    EXPECT_EQ(control.DeleteNTService(), 0);
    EXPECT_EQ(manager.CallTexts(),
              Framed("0xf01ff", {"ControlService(#2, 1)", "DeleteService(#2)"}));
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
    EXPECT_EQ(control.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
}

TEST_F(NTServiceControlTest, DeleteIgnoresARefusedStopControl) {
    Install(scm::kStopped);
    EXPECT_EQ(control.DeleteNTService(), 0);
    EXPECT_EQ(manager.Calls()[2].error, static_cast<std::uint32_t>(scm::kErrorServiceNotActive));
    EXPECT_EQ(manager.Find(ServiceName), nullptr);
}

TEST_F(NTServiceControlTest, AServiceDeletedWhilePendingStaysUntilItStops) {
    Install(scm::kStartPending);
    EXPECT_EQ(control.DeleteNTService(), 0);  // the stop control got 1061
    EXPECT_EQ(control.GetServiceStatus(), scm::kStartPending);
    EXPECT_EQ(control.DeleteNTService(), scm::kErrorServiceMarkedForDelete);
    manager.Settle(ServiceName);
    EXPECT_EQ(control.GetServiceStatus(), scm::kRunning);
    EXPECT_EQ(control.StopNTService(), 0);
    EXPECT_EQ(control.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(manager.OpenHandleCount(), 0);
}

TEST_F(NTServiceControlTest, DeleteReturnsDeleteServicesError) {
    Install(scm::kRunning);
    manager.FailCall("DeleteService", scm::kErrorAccessDenied);
    EXPECT_EQ(control.DeleteNTService(), scm::kErrorAccessDenied);
    EXPECT_NE(manager.Find(ServiceName), nullptr);
}

// Every handle is closed, service first, whichever single call fails.
constexpr std::uint32_t kInjected = 1450;  // ERROR_NO_SYSTEM_RESOURCES

struct FailingCall {
    const char* operation;
    std::int32_t (*run)(NTServiceControl&);
    std::int32_t state;
    const char* call;
    int occurrence;
    std::int32_t result;
};

class FailingCallTest : public NTServiceControlTest,
                        public ::testing::WithParamInterface<FailingCall> {};

TEST_P(FailingCallTest, ClosesEveryHandleItOpened) {
    const FailingCall& p = GetParam();
    Install(p.state);
    manager.FailCall(p.call, kInjected, p.occurrence);
    EXPECT_EQ(p.run(control), p.result);

    EXPECT_EQ(manager.OpenHandleCount(), 0);
    int opened = 0;
    int closed = 0;
    bool closing = false;
    for (const fake::Call& call : manager.Calls()) {
        if (call.name == "CloseServiceHandle") {
            EXPECT_TRUE(call.ok) << call.text;
            ++closed;
            closing = true;
        } else {
            EXPECT_FALSE(closing) << call.text << " after a close";
            opened += call.name.rfind("Open", 0) == 0 && call.ok;
        }
    }
    EXPECT_EQ(closed, opened);
    if (opened == 2) {
        EXPECT_EQ(manager.Calls().end()[-2].text, "CloseServiceHandle(#2)");
    }
    EXPECT_EQ(program.StartFailed, std::string(p.call) == "StartServiceA" ? VbTrue : VbFalse);
}

std::int32_t Status(NTServiceControl& c) { return c.GetServiceStatus(); }
std::int32_t Config(NTServiceControl& c) { return c.GetServiceConfig(); }
std::int32_t Start(NTServiceControl& c) { return c.StartNTService(); }
std::int32_t Stop(NTServiceControl& c) { return c.StopNTService(); }
std::int32_t Delete(NTServiceControl& c) { return c.DeleteNTService(); }

constexpr std::int32_t kFail = static_cast<std::int32_t>(kInjected);
constexpr std::int32_t kRun = scm::kRunning;
constexpr std::int32_t kStopped = scm::kStopped;

INSTANTIATE_TEST_SUITE_P(
    Calls, FailingCallTest,
    ::testing::Values(FailingCall{"Status", Status, kRun, "OpenSCManagerA", 1, 0},
                      FailingCall{"Status", Status, kRun, "OpenServiceA", 1, 0},
                      FailingCall{"Status", Status, kRun, "QueryServiceStatus", 1, 0},
                      FailingCall{"Config", Config, kRun, "OpenSCManagerA", 1, kFail},
                      FailingCall{"Config", Config, kRun, "OpenServiceA", 1, kFail},
                      FailingCall{"Config", Config, kRun, "QueryServiceConfigA", 1, kFail},
                      FailingCall{"Config", Config, kRun, "QueryServiceConfigA", 2, kFail},
                      FailingCall{"Start", Start, kStopped, "OpenSCManagerA", 1, kFail},
                      FailingCall{"Start", Start, kStopped, "OpenServiceA", 1, kFail},
                      FailingCall{"Start", Start, kStopped, "StartServiceA", 1, kFail},
                      FailingCall{"Stop", Stop, kRun, "OpenSCManagerA", 1, kFail},
                      FailingCall{"Stop", Stop, kRun, "OpenServiceA", 1, kFail},
                      FailingCall{"Stop", Stop, kRun, "ControlService", 1, kFail},
                      FailingCall{"Delete", Delete, kRun, "OpenSCManagerA", 1, kFail},
                      FailingCall{"Delete", Delete, kRun, "OpenServiceA", 1, kFail},
                      FailingCall{"Delete", Delete, kRun, "ControlService", 1, 0},
                      FailingCall{"Delete", Delete, kRun, "DeleteService", 1, kFail}),
    [](const ::testing::TestParamInfo<FailingCall>& failing) {
        return std::string(failing.param.operation) + "_" + failing.param.call +
               std::to_string(failing.param.occurrence);
    });

TEST_F(NTServiceControlTest, FileExistsForAnyFileEvenAnEmptyOne) {
    files.AddFile(LR"(C:\Tools\empty.txt)", "");
    EXPECT_EQ(control.FileExists(LR"(C:\Tools\empty.txt)"), VbTrue);
    EXPECT_EQ(control.FileExists(LR"(c:\tools\EMPTY.TXT)"), VbTrue);
    EXPECT_EQ(control.FileExists(LR"(C:\Tools\missing.txt)"), VbFalse);
    EXPECT_EQ(control.FileExists(L""), VbFalse);
}

}  // namespace
}  // namespace qv
