// One suite over the service seam, run twice: natively against the simulated
// manager, and under Wine against the real one with the stand-in installed,
// so that the simulation cannot drift from what the real manager answers.
//
// A World offers: manager, registry and files, the seams; Standin(behaviour),
// the executable to register; Installed(behaviour), called once the tool
// registered it; Eventually(condition), which lets the service process act
// until the condition holds or a deadline passes; Clean(), which removes the
// service whatever its state.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "service/NTServiceControl.h"
#include "service/install.h"

namespace qv::contract {

enum class Behaviour { Quick, StuckStarting, SlowStop, Pausing };

template <typename World>
class ServiceContract : public ::testing::Test {
protected:
    void SetUp() override { world.Clean(); }
    void TearDown() override { world.Clean(); }

    // The stand-in registered by the tool's own installer, on demand start.
    VbBool Register(Behaviour behaviour, const std::wstring& displayName = kServiceDisplayName) {
        return installer.InstallNTService(world.Standin(behaviour), kServiceKeyName, displayName, VbFalse,
                                          VbFalse, std::nullopt, std::nullopt, std::nullopt, L"");
    }
    // Registered; given a state, also started until its status reads that.
    void Install(Behaviour behaviour, std::int32_t reach = 0,
                 const std::wstring& displayName = kServiceDisplayName) {
        ASSERT_EQ(Register(behaviour, displayName), VbTrue);
        world.Installed(behaviour);
        if (reach == 0) return;
        ASSERT_EQ(control.StartNTService(), 0);
        ASSERT_TRUE(Reaches(reach));
    }
    bool Reaches(std::int32_t state) {
        return world.Eventually([&] { return control.GetServiceStatus() == state; });
    }

    World world;
    ProgramWide program;
    NTServiceControl control{world.manager, world.files, program};
    install installer{world.manager, world.registry};
};

TYPED_TEST_SUITE_P(ServiceContract);

TYPED_TEST_P(ServiceContract, EveryOperationOnAMissingServiceSaysItDoesNotExist) {
    for (const auto operation : {&NTServiceControl::GetServiceConfig, &NTServiceControl::StartNTService,
                                 &NTServiceControl::StopNTService, &NTServiceControl::DeleteNTService})
        EXPECT_EQ((this->control.*operation)(), scm::kErrorServiceDoesNotExist);
    EXPECT_EQ(this->control.GetServiceStatus(), 0);
    EXPECT_EQ(this->program.StartFailed, VbFalse);
}

TYPED_TEST_P(ServiceContract, ARegisteredServiceIsStoppedAndCannotBeRegisteredTwice) {
    // A long display name makes the configuration outgrow the first request.
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Quick, 0, std::wstring(300, L'D')));
    EXPECT_EQ(this->control.GetServiceConfig(), 0);
    EXPECT_EQ(this->control.GetServiceStatus(), scm::kStopped);
    EXPECT_EQ(this->Register(Behaviour::Quick), VbFalse);
    EXPECT_EQ(this->installer.RegResult, 0);  // the description is written all the same
}

TYPED_TEST_P(ServiceContract, AStartedServiceRunsAndASecondStartIsRefused) {
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Quick, scm::kRunning));
    EXPECT_EQ(this->program.StartFailed, VbFalse);
    EXPECT_EQ(this->control.StartNTService(), scm::kErrorServiceAlreadyRunning);
    EXPECT_EQ(this->program.StartFailed, VbTrue);
    EXPECT_EQ(this->control.StopNTService(), 0);
    ASSERT_TRUE(this->Reaches(scm::kStopped));
    EXPECT_EQ(this->control.StopNTService(), scm::kErrorServiceNotActive);
}

TYPED_TEST_P(ServiceContract, ADeletedServiceGoesOnceStopped) {
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Quick));
    EXPECT_EQ(this->control.DeleteNTService(), 0);  // stopped: gone at once
    EXPECT_EQ(this->control.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Quick, scm::kRunning));
    EXPECT_EQ(this->control.DeleteNTService(), 0);  // running: stopped first
    EXPECT_TRUE(this->Reaches(0));                    // no status: gone
    EXPECT_EQ(this->control.GetServiceConfig(), scm::kErrorServiceDoesNotExist);
    // Held open by another program: marked, it stays, and its name cannot be
    // registered again until that program lets go.
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Quick));
    ServiceManager& other = this->world.manager;
    ScopedScHandle manager(other.OpenSCManagerA(nullptr, nullptr, scm::kScManagerConnect), {&other});
    ScopedScHandle held(other.OpenServiceA(manager.get(), ServiceName, scm::kServiceQueryStatus), {&other});
    EXPECT_EQ(this->control.DeleteNTService(), 0);
    EXPECT_EQ(this->control.DeleteNTService(), scm::kErrorServiceMarkedForDelete);
    EXPECT_EQ(this->Register(Behaviour::Quick), VbFalse);
    EXPECT_EQ(this->control.GetServiceConfig(), 0);
    held.reset();
    EXPECT_TRUE(this->world.Eventually(
        [&] { return this->control.GetServiceConfig() == scm::kErrorServiceDoesNotExist; }));
}

TYPED_TEST_P(ServiceContract, PendingAndPausedStatesReadAsTheyAre) {
    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::StuckStarting, scm::kStartPending));
    EXPECT_EQ(this->control.StartNTService(), scm::kErrorServiceAlreadyRunning);
    this->world.Clean();

    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::SlowStop, scm::kRunning));
    ASSERT_EQ(this->control.StopNTService(), 0);
    EXPECT_EQ(this->control.GetServiceStatus(), scm::kStopPending);
    EXPECT_EQ(this->control.StopNTService(), scm::kErrorServiceCannotAcceptCtrl);
    this->world.Clean();

    ASSERT_NO_FATAL_FAILURE(this->Install(Behaviour::Pausing, scm::kPaused));
    EXPECT_EQ(this->control.StopNTService(), 0);  // a paused service still stops
    EXPECT_TRUE(this->Reaches(scm::kStopped));
}

REGISTER_TYPED_TEST_SUITE_P(ServiceContract, EveryOperationOnAMissingServiceSaysItDoesNotExist,
                            ARegisteredServiceIsStoppedAndCannotBeRegisteredTwice,
                            AStartedServiceRunsAndASecondStartIsRefused,
                            ADeletedServiceGoesOnceStopped, PendingAndPausedStatesReadAsTheyAre);

}  // namespace qv::contract
