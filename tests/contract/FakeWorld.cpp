// The service seam's suite against the simulated manager, in the native
// tests: whatever it answers there, the real manager answers under Wine.
#include "tests/contract/ServiceContract.h"
#include "tests/fakes/FakeFiles.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"

namespace qv::contract {
namespace {

struct FakeWorld {
    fake::FakeServiceManager manager;
    fake::FakeRegistry registry;
    fake::FakeFiles files;

    std::wstring Standin(Behaviour) { return LR"(C:\Standin\QVVoIPService.exe)"; }
    void Installed(Behaviour behaviour) {
        fake::FakeService& service = *manager.Find(ServiceName);
        if (behaviour == Behaviour::StuckStarting) service.onStart = fake::OnStart::StayPending;
        if (behaviour == Behaviour::SlowStop) service.onStop = fake::OnStop::StayPending;
        pausing_ = behaviour == Behaviour::Pausing;
    }
    // The simulated service process has done all it will do by the time it
    // is asked; a pausing one pauses once it runs.
    template <typename Condition>
    bool Eventually(Condition done) {
        const fake::FakeService* service = manager.Find(ServiceName);
        if (pausing_ && service && service->state == scm::kRunning)
            manager.SetState(ServiceName, scm::kPaused);
        return done();
    }
    void Clean() { *this = {}; }

    bool pausing_ = false;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Simulated, ServiceContract, FakeWorld);

}  // namespace
}  // namespace qv::contract
