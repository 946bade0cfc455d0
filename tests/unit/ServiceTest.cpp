// The service operations and the installer against the simulated manager:
// the exact calls of each operation, pinned once, and what the contract
// suite cannot reach (buffer sizes, failures of any single call, the
// registry). How the manager answers is the contract suite's.
#include <gtest/gtest.h>

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
using Operation = std::int32_t (NTServiceControl::*)();
constexpr Operation kStatus = &NTServiceControl::GetServiceStatus,
                    kConfig = &NTServiceControl::GetServiceConfig, kStart = &NTServiceControl::StartNTService,
                    kStop = &NTServiceControl::StopNTService, kDelete = &NTServiceControl::DeleteNTService;

// The service installed in `state`, its configuration record `need` bytes.
struct Rig {
    explicit Rig(std::int32_t state, std::uint32_t need = 122) {
        manager.AddService(ServiceName, {.state = state, .configBytes = need});
    }
    fake::FakeServiceManager manager;
    fake::FakeFiles files;
    ProgramWide program;
    NTServiceControl control{manager, files, program};
};

// The manager opened to connect, the service with the narrowest access the
// request needs, the request, and both handles closed, service first.
Calls Framed(std::uint32_t access, const Calls& requests) {
    Calls calls{"OpenSCManagerA(null, null, 1)",
                "OpenServiceA(#1, QuorvelVC, " + std::to_string(access) + ")"};
    calls.insert(calls.end(), requests.begin(), requests.end());
    calls.insert(calls.end(), {"CloseServiceHandle(#2)", "CloseServiceHandle(#1)"});
    return calls;
}

// The configuration is asked for in a 36-byte record, then in one record
// more than the need (no second time when the first is enough), except where
// no int32 buffer size holds that or the need reads negative.
TEST(NTServiceControl, EachOperationMakesExactlyItsCalls) {
    struct Case {
        Operation run;
        std::int32_t state;
        Calls calls;
        std::int32_t result = 0;
        std::uint32_t need = 122;  // the configuration record's size
    };
    const std::string first = "QueryServiceConfigA(#2, 36)";
    const Case cases[] = {
        {kStatus, scm::kRunning, Framed(0x4, {"QueryServiceStatus(#2)"}), scm::kRunning},
        {kConfig, scm::kRunning, Framed(0x1, {first + " -> 122", "QueryServiceConfigA(#2, 144)"})},
        {kConfig, scm::kRunning, Framed(0x1, {first}), 0, 36},
        {kConfig, scm::kRunning, Framed(0x1, {first + " -> 122", "QueryServiceConfigA(#2, 108)"}), 0, 72},
        {kConfig, scm::kRunning, Framed(0x1, {first + " -> 122"}), scm::kErrorArithmeticOverflow, 0x7FFFFFF0},
        {kConfig, scm::kRunning, Framed(0x1, {first + " -> 122"}), scm::kErrorArithmeticOverflow, 0xFFFFFFFF},
        {kStart, scm::kStopped, Framed(0x10, {"StartServiceA(#2, 0)"})},
        {kStop, scm::kRunning, Framed(0x20, {"ControlService(#2, 1)"})},
        {kDelete, scm::kRunning, Framed(0xF01FF, {"ControlService(#2, 1)", "DeleteService(#2)"})},
        // A stopped service refuses the control; the deletion goes ahead.
        {kDelete, scm::kStopped, Framed(0xF01FF, {"ControlService(#2, 1) -> 1062", "DeleteService(#2)"})},
    };
    for (const Case& c : cases) {
        Rig rig(c.state, c.need);
        EXPECT_EQ((rig.control.*c.run)(), c.result);
        EXPECT_EQ(rig.manager.calls, c.calls);
    }
}

TEST(NTServiceControl, AFailingRequestGivesItsCodeAndOnlyARefusedStartFlags) {
    constexpr std::int32_t kCode = 1450;
    // The status read fails silently; a refused stop before deleting too.
    const std::tuple<Operation, const char*, int, std::int32_t> cases[] = {
        {kStatus, "QueryServiceStatus", 1, 0}, {kConfig, "QueryServiceConfigA", 2, kCode},
        {kStart, "OpenServiceA", 1, kCode},    {kStart, "StartServiceA", 1, kCode},
        {kDelete, "ControlService", 1, 0},     {kDelete, "DeleteService", 1, kCode}};
    for (const auto& [run, call, occurrence, result] : cases) {
        Rig rig(scm::kRunning);
        rig.manager.FailCall(call, kCode, occurrence);
        EXPECT_EQ((rig.control.*run)(), result) << call;
        EXPECT_EQ(rig.program.StartFailed, std::string(call) == "StartServiceA" ? VbTrue : VbFalse);
    }
}

// The service type and start flags count only when -1; an absent account
// and password stay null, empty ones are passed; a path is quoted where it
// has a blank and is not quoted yet. The description follows, cut to 255
// characters and terminated.
TEST(Install, RegistersWithExactArgumentsThenWritesTheDescription) {
    struct Case {
        VbBool interactive, autoStart;
        const wchar_t *path, *registered;
        OptionalText account, password;
        std::uint32_t type, start;
    };
    const Case cases[] = {
        {0, 0, LR"(C:\Q\S.exe)", LR"(C:\Q\S.exe)", {}, {}, 16, 3},
        {1, 1, LR"(C:\Q R\S.exe)", LR"("C:\Q R\S.exe")", {}, {}, 16, 3},
        {-1, -1, LR"("C:\Q R\S.exe")", LR"("C:\Q R\S.exe")", L"", L"", 272, 2},
    };
    const std::string key = R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)";
    for (const Case& c : cases) {
        fake::FakeServiceManager manager;
        fake::FakeRegistry registry;
        install installer{manager, registry};
        EXPECT_EQ(installer.InstallNTService(c.path, kServiceKeyName, kServiceDisplayName, c.interactive,
                                             c.autoStart, std::nullopt, c.account, c.password, L""),
                  VbTrue);
        EXPECT_EQ(manager.calls, (Calls{"OpenSCManagerA(null, null, 2)",
                                        "CreateServiceW(#1, QuorvelVC, 983551, 1, null)",  // all access, tag 1
                                        "CloseServiceHandle(#2)", "CloseServiceHandle(#1)"}));
        const fake::FakeService& s = *manager.Find(ServiceName);
        EXPECT_EQ(std::tuple(s.serviceType, s.startType, s.binaryPath, s.account, s.password),
                  std::tuple(c.type, c.start, std::wstring(c.registered), c.account, c.password));
        // -1: the key's handle is inherited.
        EXPECT_EQ(registry.calls, (Calls{"RegOpenKeyExA(" + key + ", 0, 983103)",
                                         "RegCreateKeyExA(" + key + ", 0, null, 0, 983103, -1)",
                                         "RegSetValueExA(Description, 0, 1, 26)", "RegCloseKey()"}));
        EXPECT_EQ(registry.Value(key, "Description"), std::string("Quorvel Voice Chat Server") + '\0');
        installer.SetServiceDescription(L"", std::wstring(300, L'x'), kServiceKeyPath);
        EXPECT_EQ(installer.RegResult, 0);
        EXPECT_EQ(registry.Value(key, "Description"), std::string(255, 'x') + '\0');
    }
}

}  // namespace
}  // namespace qv
