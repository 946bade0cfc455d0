// The service operations and the installer against the simulated manager:
// the exact calls of each operation, pinned once, and what the contract
// suite cannot reach (buffer sizes, failures of any single call, the
// registry). How the manager answers is the contract suite's.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "service/NTServiceControl.h"
#include "service/install.h"
#include "tests/fakes/FakeFiles.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"

namespace qv {
namespace {

using Calls = std::vector<std::string>;
using Operation = std::function<std::int32_t(NTServiceControl&)>;

const Operation kStatus = [](NTServiceControl& c) { return c.GetServiceStatus(); };
const Operation kConfig = [](NTServiceControl& c) { return c.GetServiceConfig(); };
const Operation kStart = [](NTServiceControl& c) { return c.StartNTService(); };
const Operation kStop = [](NTServiceControl& c) { return c.StopNTService(); };
const Operation kDelete = [](NTServiceControl& c) { return c.DeleteNTService(); };

struct Rig {
    fake::FakeServiceManager manager;
    fake::FakeFiles files;
    ProgramWide program;
    NTServiceControl control{manager, files, program};
    fake::FakeService& Install(std::int32_t state) {
        fake::FakeService service;
        service.state = state;
        return manager.AddService(ServiceName, service);
    }
};

// The manager opened to connect, the service with the narrowest access the
// request needs, the request, and both handles closed, service first.
Calls Framed(const std::string& access, const Calls& requests) {
    Calls calls{"OpenSCManagerA(null, null, 0x1)", "OpenServiceA(#1, QuorvelVC, " + access + ")"};
    calls.insert(calls.end(), requests.begin(), requests.end());
    calls.insert(calls.end(), {"CloseServiceHandle(#2)", "CloseServiceHandle(#1)"});
    return calls;
}

TEST(NTServiceControl, EachOperationMakesExactlyItsCalls) {
    struct Case {
        Operation run;
        std::int32_t state;
        Calls calls;
        std::int32_t result;
    };
    const Case cases[] = {
        {kStatus, scm::kRunning, Framed("0x4", {"QueryServiceStatus(#2)"}), scm::kRunning},
        // The simulated record needs 122 bytes: one 36-byte record more.
        {kConfig, scm::kRunning,
         Framed("0x1", {"QueryServiceConfigA(#2, 36) -> 122", "QueryServiceConfigA(#2, 144)"}), 0},
        {kStart, scm::kStopped, Framed("0x10", {"StartServiceA(#2, 0)"}), 0},
        {kStop, scm::kRunning, Framed("0x20", {"ControlService(#2, 1)"}), 0},
        {kDelete, scm::kRunning,
         Framed("0xf01ff", {"ControlService(#2, 1)", "DeleteService(#2)"}), 0},
        // A stopped service refuses the control; the deletion goes ahead.
        {kDelete, scm::kStopped,
         Framed("0xf01ff", {"ControlService(#2, 1) -> 1062", "DeleteService(#2)"}), 0},
    };
    for (const Case& c : cases) {
        Rig rig;
        rig.Install(c.state);
        EXPECT_EQ(c.run(rig.control), c.result);
        EXPECT_EQ(rig.manager.calls, c.calls);
    }
}

TEST(NTServiceControl, TheSecondConfigRequestIsOneRecordMoreThanTheNeedOrNone) {
    struct Case {
        std::uint32_t need;
        std::string second;  // empty: no second request
        std::int32_t result;
    };
    const Case cases[] = {{36, "", 0},
                          {37, "QueryServiceConfigA(#2, 72)", 0},
                          {71, "QueryServiceConfigA(#2, 72)", 0},
                          {72, "QueryServiceConfigA(#2, 108)", 0},
                          // No int32 buffer size holds these, and one reads negative.
                          {0x7FFFFFF0, "", scm::kErrorArithmeticOverflow},
                          {0xFFFFFFFF, "", scm::kErrorArithmeticOverflow}};
    for (const Case& c : cases) {
        Rig rig;
        rig.Install(scm::kStopped).bytesNeeded = c.need;
        EXPECT_EQ(rig.control.GetServiceConfig(), c.result) << c.need;
        EXPECT_EQ(rig.manager.calls[3], c.second.empty() ? "CloseServiceHandle(#2)" : c.second)
            << c.need;
    }
}

TEST(NTServiceControl, AFailingRequestGivesItsCodeAndOnlyARefusedStartFlags) {
    struct Case {
        Operation run;
        const char* call;
        int occurrence;
        std::int32_t result;  // the status read fails silently; a refused stop before deleting too
    };
    constexpr std::int32_t kCode = 1450;
    const Case cases[] = {{kStatus, "QueryServiceStatus", 1, 0},
                          {kConfig, "QueryServiceConfigA", 2, kCode},
                          {kStart, "OpenServiceA", 1, kCode},
                          {kStart, "StartServiceA", 1, kCode},
                          {kDelete, "ControlService", 1, 0},
                          {kDelete, "DeleteService", 1, kCode}};
    for (const Case& c : cases) {
        Rig rig;
        rig.Install(scm::kRunning);
        rig.manager.FailCall(c.call, kCode, c.occurrence);
        EXPECT_EQ(c.run(rig.control), c.result) << c.call;
        EXPECT_EQ(rig.program.StartFailed, std::string(c.call) == "StartServiceA" ? VbTrue : VbFalse);
    }
}

class InstallTest : public ::testing::Test {
protected:
    VbBool Install(const std::wstring& path, VbBool interactive = VbFalse,
                   VbBool autoStart = VbTrue, const OptionalText& account = std::nullopt,
                   const OptionalText& password = std::nullopt) {
        return installer.InstallNTService(path, kServiceKeyName, kServiceDisplayName, interactive,
                                          autoStart, std::nullopt, account, password, L"");
    }
    std::optional<std::string> Description() const {
        return registry.Value("SYSTEM\\CurrentControlSet\\Services\\QuorvelVC", "Description");
    }

    fake::FakeServiceManager manager;
    fake::FakeRegistry registry;
    install installer{manager, registry};
};

TEST_F(InstallTest, RegistersWithExactArgumentsThenWritesTheDescription) {
    EXPECT_EQ(Install(LR"(C:\Program Files\Quorvel\QVVoIPService.exe)"), VbTrue);
    EXPECT_EQ(manager.calls,
              (Calls{"OpenSCManagerA(null, null, 0x2)",
                     "CreateServiceW(#1, QuorvelVC, 0xf01ff, tag 1, null)",
                     "CloseServiceHandle(#2)", "CloseServiceHandle(#1)"}));
    const std::string key = R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)";
    EXPECT_EQ(registry.calls, (Calls{"RegOpenKeyExA(" + key + ", 0, 983103)",
                                     "RegCreateKeyExA(" + key + ", 0, null, 0, 983103)",
                                     "RegSetValueExA(Description, 0, 1, 26)", "RegCloseKey()"}));
    EXPECT_EQ(Description(), std::string("Quorvel Voice Chat Server") + '\0');
    EXPECT_EQ(registry.keys.size(), 1u);  // the key holds nothing else
    EXPECT_EQ(registry.security->lpSecurityDescriptor, nullptr);
    EXPECT_EQ(registry.security->bInheritHandle, -1);
    EXPECT_EQ(registry.OpenKeys(), 0u);
}

TEST_F(InstallTest, FlagsCountOnlyWhenMinusOneAndAbsentTextsStayNull) {
    struct Case {
        VbBool interactive, autoStart;
        std::uint32_t type, start;
    };
    for (const Case& c : {Case{0, 0, 16, 3}, Case{1, 1, 16, 3}, Case{-1, -1, 272, 2}}) {
        manager = {};
        Install(L"C:\\Q\\S.exe", c.interactive, c.autoStart);
        EXPECT_EQ(manager.Find(ServiceName)->serviceType, c.type);
        EXPECT_EQ(manager.Find(ServiceName)->startType, c.start);
        EXPECT_EQ(manager.Find(ServiceName)->binaryPath, L"C:\\Q\\S.exe");  // no blank: unquoted
    }
    manager = {};
    Install(L"\"C:\\Q R\\S.exe\"", VbFalse, VbTrue, L"", L"");
    EXPECT_EQ(manager.Find(ServiceName)->binaryPath, L"\"C:\\Q R\\S.exe\"");  // quoted once
    EXPECT_EQ(manager.Find(ServiceName)->account, L"");
    EXPECT_EQ(manager.Find(ServiceName)->password, L"");
}

TEST_F(InstallTest, TheDescriptionIsCutTo255CharactersAndAlwaysTerminated) {
    installer.SetServiceDescription(L"", std::wstring(300, L'x'), kServiceKeyPath);
    EXPECT_EQ(installer.RegResult, 0);
    EXPECT_EQ(Description(), std::string(255, 'x') + '\0');
    installer.SetServiceDescription(L"", L"", kServiceKeyPath);
    EXPECT_EQ(Description(), std::string(1, '\0'));
}

}  // namespace
}  // namespace qv
