// NTServiceControl over the real service manager, with the stand-in installed
// as QuorvelVC. The cases mirror the fake-based unit tests: whatever the fake
// claims the manager answers, the real manager must answer here.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "ServiceFixture.h"
#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/ServiceManagerWin32.h"
#include "service/NTServiceControl.h"

namespace qv::contract {
namespace {

// Passes every call to the real manager and counts the handles the code under
// test holds: one left open keeps a deleted service alive on Windows.
class CountingServiceManager final : public ServiceManager {
public:
    int OpenHandles() const { return open_; }

    ScHandle OpenSCManagerA(const char* machineName, const char* databaseName,
                            std::uint32_t desiredAccess) override {
        return Counted(real_.OpenSCManagerA(machineName, databaseName, desiredAccess));
    }
    ScHandle OpenServiceA(ScHandle manager, const char* serviceName,
                          std::uint32_t desiredAccess) override {
        return Counted(real_.OpenServiceA(manager, serviceName, desiredAccess));
    }
    bool QueryServiceStatus(ScHandle service, ServiceStatus* status) override {
        return real_.QueryServiceStatus(service, status);
    }
    bool QueryServiceConfigA(ScHandle service, void* buffer, std::uint32_t bufSize,
                             std::uint32_t* bytesNeeded) override {
        return real_.QueryServiceConfigA(service, buffer, bufSize, bytesNeeded);
    }
    bool StartServiceA(ScHandle service, std::uint32_t numArgs, const char** args) override {
        return real_.StartServiceA(service, numArgs, args);
    }
    bool ControlService(ScHandle service, std::uint32_t control, ServiceStatus* status) override {
        return real_.ControlService(service, control, status);
    }
    bool DeleteService(ScHandle service) override { return real_.DeleteService(service); }
    ScHandle CreateServiceA(ScHandle manager, const char* serviceName, const char* displayName,
                            std::uint32_t desiredAccess, std::uint32_t serviceType,
                            std::uint32_t startType, std::uint32_t errorControl,
                            const char* binaryPathName, const char* loadOrderGroup,
                            std::uint32_t* tagId, const char* dependencies,
                            const char* serviceStartName, const char* password) override {
        return Counted(real_.CreateServiceA(
            manager, serviceName, displayName, desiredAccess, serviceType, startType, errorControl,
            binaryPathName, loadOrderGroup, tagId, dependencies, serviceStartName, password));
    }
    bool CloseServiceHandle(ScHandle handle) override {
        const bool closed = real_.CloseServiceHandle(handle);
        if (closed) --open_;
        return closed;
    }
    std::uint32_t GetLastError() override { return real_.GetLastError(); }

private:
    ScHandle Counted(ScHandle handle) {
        if (handle != nullptr) ++open_;
        return handle;
    }

    ServiceManagerWin32 real_;
    int open_ = 0;
};

class NTServiceControlContract : public ::testing::Test {
protected:
    void SetUp() override {
        // A run that died half way may have left the service behind.
        ASSERT_EQ(Uninstall(), "");
    }
    void TearDown() override {
        EXPECT_EQ(scm_.OpenHandles(), 0) << "NTServiceControl left service handles open";
        EXPECT_EQ(Uninstall(), "");
    }

    void InstallStandin(const std::wstring& exe) {
        ASSERT_FALSE(exe.empty()) << "no stand-in to install";
        ASSERT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES)
            << "stand-in not found; build it or set QV_STANDIN_EXE";
        ASSERT_EQ(Install(exe), 0u);
    }
    void InstallAndStart(const std::wstring& exe) {
        ASSERT_NO_FATAL_FAILURE(InstallStandin(exe));
        ASSERT_EQ(control_.StartNTService(), 0);
        ASSERT_TRUE(WaitForState(SERVICE_RUNNING)) << "the stand-in never reached RUNNING";
    }

    // A stand-in of its own, kept until TearDown has removed the service.
    std::wstring StandinWith(std::string_view behaviourXml) {
        standinCopy_.emplace(behaviourXml);
        return standinCopy_->exe();
    }

    CountingServiceManager scm_;
    FileSystemWin32 files_;
    ProgramWide program_;
    NTServiceControl control_{scm_, files_, program_};
    std::optional<StandinCopy> standinCopy_;
};

TEST_F(NTServiceControlContract, EveryOperationOnAMissingServiceReportsItDoesNotExist) {
    EXPECT_EQ(control_.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control_.GetServiceStatus(), 0);
    EXPECT_EQ(control_.StartNTService(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control_.StopNTService(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control_.DeleteNTService(), scm::kErrorServiceDoesNotExist);
    // The service was never asked to start, so no start was refused.
    EXPECT_EQ(program_.StartFailed, VbFalse);
}

TEST_F(NTServiceControlContract, InstalledServiceIsConfiguredAndStopped) {
    ASSERT_NO_FATAL_FAILURE(InstallStandin(StandinExe()));
    EXPECT_EQ(control_.GetServiceConfig(), 0);
    EXPECT_EQ(control_.GetServiceStatus(), scm::kStopped);
}

TEST_F(NTServiceControlContract, StartedServiceRunsAndStartFailedStaysClear) {
    ASSERT_NO_FATAL_FAILURE(InstallAndStart(StandinExe()));
    EXPECT_EQ(control_.GetServiceStatus(), scm::kRunning);
    EXPECT_EQ(control_.GetServiceConfig(), 0);
    EXPECT_EQ(program_.StartFailed, VbFalse);
}

TEST_F(NTServiceControlContract, StartingARunningServiceIsRefusedAndRaisesStartFailed) {
    ASSERT_NO_FATAL_FAILURE(InstallAndStart(StandinExe()));
    EXPECT_EQ(control_.StartNTService(), scm::kErrorServiceAlreadyRunning);
    EXPECT_EQ(program_.StartFailed, VbTrue);
    EXPECT_EQ(control_.GetServiceStatus(), scm::kRunning);
}

TEST_F(NTServiceControlContract, StopTakesARunningServiceToStoppedAndAStoppedOneIsNotActive) {
    ASSERT_NO_FATAL_FAILURE(InstallAndStart(StandinExe()));
    EXPECT_EQ(control_.StopNTService(), 0);
    ASSERT_TRUE(WaitForState(SERVICE_STOPPED));
    EXPECT_EQ(control_.GetServiceStatus(), scm::kStopped);
    EXPECT_EQ(control_.StopNTService(), scm::kErrorServiceNotActive);
}

TEST_F(NTServiceControlContract, DeletingARunningServiceStopsItAndThenItIsGone) {
    ASSERT_NO_FATAL_FAILURE(InstallAndStart(StandinExe()));
    EXPECT_EQ(control_.DeleteNTService(), 0);
    EXPECT_TRUE(WaitUntil([&] {
        return control_.GetServiceConfig() == scm::kErrorServiceDoesNotExist;
    })) << "the deleted service never went away";
    EXPECT_EQ(control_.GetServiceStatus(), 0);
}

TEST_F(NTServiceControlContract, DeletingAStoppedServiceRemovesItAtOnce) {
    ASSERT_NO_FATAL_FAILURE(InstallStandin(StandinExe()));
    EXPECT_EQ(control_.DeleteNTService(), 0);
    EXPECT_EQ(control_.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(control_.GetServiceStatus(), 0);
}

TEST_F(NTServiceControlContract, LongConfigurationIsReadWithTheResizedSecondRequest) {
    const std::wstring displayName = std::wstring(kDisplayName) + L" " + std::wstring(200, L'D');
    const std::wstring arguments = L"--unused " + std::wstring(3000, L'a');
    ASSERT_EQ(Install(StandinExe(), displayName, arguments), 0u);

    // The first, fixed-size request must really come back short here, or the
    // resize path this case is about would go untested.
    {
        UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        UniqueScHandle service(OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_CONFIG));
        ASSERT_TRUE(service);
        alignas(8) unsigned char record[36] = {};
        DWORD needed = 0;
        EXPECT_FALSE(QueryServiceConfigA(service.get(),
                                         reinterpret_cast<QUERY_SERVICE_CONFIGA*>(record),
                                         sizeof record, &needed));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_GT(needed, arguments.size() + displayName.size());
    }
    EXPECT_EQ(control_.GetServiceConfig(), 0);
}

// The shipped defaults only pass through the pending states; these cases hold
// the stand-in in each state long enough to read it.

TEST_F(NTServiceControlContract, ServiceStuckStartingReadsAsStartPendingAndRefusesAnotherStart) {
    const std::wstring standin =
        StandinWith("<TesmoVoIP><StayPending>true</StayPending></TesmoVoIP>");
    ASSERT_NO_FATAL_FAILURE(InstallStandin(standin));
    ASSERT_EQ(control_.StartNTService(), 0);
    EXPECT_EQ(control_.GetServiceStatus(), scm::kStartPending);
    EXPECT_EQ(program_.StartFailed, VbFalse);
    EXPECT_EQ(control_.StartNTService(), scm::kErrorServiceAlreadyRunning);
    EXPECT_EQ(program_.StartFailed, VbTrue);
}

TEST_F(NTServiceControlContract, ServiceStillStoppingReadsAsStopPendingAndRefusesAnotherStop) {
    const std::wstring standin =
        StandinWith("<TesmoVoIP><StopPendingMs>600000</StopPendingMs></TesmoVoIP>");
    ASSERT_NO_FATAL_FAILURE(InstallAndStart(standin));
    ASSERT_EQ(control_.StopNTService(), 0);
    EXPECT_EQ(control_.GetServiceStatus(), scm::kStopPending);
    EXPECT_EQ(control_.StopNTService(), scm::kErrorServiceCannotAcceptCtrl);
}

TEST_F(NTServiceControlContract, PausedServiceReadsAsPausedAndStillStops) {
    const std::wstring standin =
        StandinWith("<TesmoVoIP><PauseAfterMs>0</PauseAfterMs></TesmoVoIP>");
    ASSERT_NO_FATAL_FAILURE(InstallStandin(standin));
    // RUNNING lasts no time at all here, so only PAUSED is waited for.
    ASSERT_EQ(control_.StartNTService(), 0);
    ASSERT_TRUE(WaitForState(SERVICE_PAUSED)) << "the stand-in never reported PAUSED";
    EXPECT_EQ(control_.GetServiceStatus(), scm::kPaused);
    EXPECT_EQ(control_.StopNTService(), 0);
    EXPECT_TRUE(WaitForState(SERVICE_STOPPED));
}

}  // namespace
}  // namespace qv::contract
