// A simulated Windows service manager: services by name (case-insensitive),
// handles that remember their access, the real error codes, a service that
// is deleted only once it is stopped and its last handle closed, and any call
// made to fail.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/ServiceManager.h"

namespace qv::fake {

// What the service process does with a start request / the stop control.
enum class OnStart { Run, StayPending };
enum class OnStop { Stop, StayPending };

struct FakeService {
    std::int32_t state = scm::kStopped;
    // The registration: what CreateService was given.
    std::wstring displayName = L"Quorvel Voice Chat Service";
    std::wstring binaryPath = LR"(C:\Program Files\Quorvel\QVVoIPService.exe)";
    std::uint32_t serviceType = 0x10;
    std::uint32_t startType = 3;  // demand start
    std::uint32_t errorControl = 1;
    std::wstring loadOrderGroup;
    std::optional<std::wstring> account;
    std::optional<std::wstring> password;
    bool disabled = false;
    // The most the caller may open the service with; more gives error 5.
    std::uint32_t grantedAccess = scm::kServiceAllAccess;
    // Replaces the size the configuration record needs when set.
    std::optional<std::uint32_t> bytesNeeded;
    OnStart onStart = OnStart::Run;
    OnStop onStop = OnStop::Stop;
    bool markedForDelete = false;
};

class FakeServiceManager final : public ServiceManager {
public:
    FakeService& AddService(const std::string& name, FakeService service = {});
    FakeService* Find(const std::string& name);  // null when not installed
    // The state the next query reports; a deleted service goes once stopped.
    void SetState(const std::string& name, std::int32_t state);
    // The service process finishes a pending start or stop.
    void Settle(const std::string& name);
    // The n-th call (1-based, over the fake's life) of `call` fails with
    // `error`; occurrence 0 makes every such call fail.
    void FailCall(const std::string& call, std::uint32_t error, int occurrence = 0);

    // Every call with its arguments, for the tests that pin an operation's
    // exact calls; a failed call ends in " -> error".
    std::vector<std::string> calls;
    int OpenHandles() const;

    ScHandle OpenSCManagerA(const char* machineName, const char* databaseName,
                            std::uint32_t desiredAccess) override;
    ScHandle OpenServiceA(ScHandle manager, const char* serviceName,
                          std::uint32_t desiredAccess) override;
    bool QueryServiceStatus(ScHandle service, ServiceStatus* status) override;
    bool QueryServiceConfigA(ScHandle service, void* buffer, std::uint32_t bufSize,
                             std::uint32_t* bytesNeeded) override;
    bool StartServiceA(ScHandle service, std::uint32_t numArgs, const char** args) override;
    bool ControlService(ScHandle service, std::uint32_t control, ServiceStatus* status) override;
    bool DeleteService(ScHandle service) override;
    ScHandle CreateServiceW(ScHandle manager, const wchar_t* serviceName,
                            const wchar_t* displayName, std::uint32_t desiredAccess,
                            std::uint32_t serviceType, std::uint32_t startType,
                            std::uint32_t errorControl, const wchar_t* binaryPathName,
                            const wchar_t* loadOrderGroup, std::uint32_t* tagId,
                            const wchar_t* dependencies, const wchar_t* serviceStartName,
                            const wchar_t* password) override;
    bool CloseServiceHandle(ScHandle handle) override;
    std::uint32_t GetLastError() override { return lastError_; }

private:
    struct Handle {
        std::uint32_t access;
        std::string key;  // the service's key; empty for the manager
    };

    // Logs the call; true when an injected failure applies to it.
    bool Injected(const std::string& name, const std::string& args);
    bool Fail(std::uint32_t error);
    ScHandle NewHandle(std::uint32_t access, const std::string& key);
    // The service behind an open service handle that holds `right`; else
    // null with the call failed.
    FakeService* ServiceFor(ScHandle handle, std::uint32_t right);
    void RemoveIfDone(const std::string& key);

    std::map<std::string, FakeService> services_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 1;
    std::map<std::string, int> callCounts_;
    std::map<std::string, std::map<int, std::uint32_t>> failures_;
    std::uint32_t lastError_ = 0;
};

}  // namespace qv::fake
