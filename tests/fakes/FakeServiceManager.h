// A simulated Windows service manager for the native tests: services by name
// (case-insensitive), handles that remember their kind and access, Win32
// error codes, failure injection and a log of every call.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ServiceManager.h"

namespace qv::fake {

// winnt.h / winsvc.h / winerror.h values the fake needs beyond platform/.
inline constexpr std::uint32_t kDeleteAccess = 0x00010000;  // DELETE
inline constexpr std::uint32_t kScManagerAllAccess = 0xF003F;
inline constexpr std::uint32_t kOwnProcess = 0x10;  // SERVICE_WIN32_OWN_PROCESS
inline constexpr std::uint32_t kDemandStart = 3;
inline constexpr std::uint32_t kDisabled = 4;
inline constexpr std::uint32_t kErrorNormal = 1;
inline constexpr std::uint32_t kAcceptStop = 1;
inline constexpr std::int32_t kErrorInvalidName = 123;
inline constexpr std::int32_t kErrorInvalidServiceControl = 1052;
inline constexpr std::int32_t kErrorNullRefPointer = 1780;
// QUERY_SERVICE_CONFIG's nine 32-bit fields.
inline constexpr std::uint32_t kConfigFixedBytes = 36;

struct ServiceConfig {
    std::string displayName = "Quorvel Voice Chat Service";
    std::string binaryPath = R"(C:\Program Files\Quorvel\QVService.exe)";
    std::uint32_t serviceType = kOwnProcess;
    std::uint32_t startType = kDemandStart;
    std::uint32_t errorControl = kErrorNormal;
    std::string loadOrderGroup;
    std::string dependencies;
    std::string account = "LocalSystem";
    std::uint32_t tagId = 0;
};

// What the service process does with a start request / the stop control.
enum class OnStart { Run, StayPending, TimeOut };
enum class OnStop { Stop, StayPending };

struct FakeService {
    ServiceConfig config;
    std::int32_t state = scm::kStopped;
    // The most the caller may open the service with; more gives error 5.
    std::uint32_t grantedAccess = scm::kServiceAllAccess;
    // Replaces the computed size of the configuration record when set.
    std::optional<std::uint32_t> bytesNeeded;
    OnStart onStart = OnStart::Run;
    OnStop onStop = OnStop::Stop;
    bool markedForDelete = false;
};

struct Call {
    std::string name;
    std::string text;  // name and arguments, e.g. "OpenServiceA(#1, QuorvelVC, 0x4)"
    bool ok = true;
    std::uint32_t error = 0;
};

// One CreateServiceA call's arguments; a null pointer stays distinguishable
// from an empty text.
struct CreateCall {
    std::optional<std::string> serviceName;
    std::optional<std::string> displayName;
    std::uint32_t desiredAccess = 0;
    std::uint32_t serviceType = 0;
    std::uint32_t startType = 0;
    std::uint32_t errorControl = 0;
    std::optional<std::string> binaryPath;
    std::optional<std::string> loadOrderGroup;
    std::optional<std::uint32_t> tag;  // the tag variable as the call found it
    std::optional<std::string> dependencies;
    std::optional<std::string> account;
    std::optional<std::string> password;
    bool operator==(const CreateCall&) const = default;
};

class FakeServiceManager final : public ServiceManager {
public:
    // --- set-up and state transitions -------------------------------------
    FakeService& AddService(const std::string& name, FakeService service = {});
    FakeService* Find(const std::string& name);  // null when not installed
    void SetState(const std::string& name, std::int32_t state);
    // The service process finishes a pending start or stop.
    void Settle(const std::string& name);
    // The n-th call (1-based, over the fake's life) of `call` fails with
    // `error`; occurrence 0 makes every such call fail.
    void FailCall(const std::string& call, std::uint32_t error, int occurrence = 0);
    std::uint32_t managerAccess = kScManagerAllAccess;  // granted to OpenSCManagerA

    // --- observation ----------------------------------------------------------
    const std::vector<Call>& Calls() const { return calls_; }
    // Every CreateServiceA call, failed ones included.
    std::vector<CreateCall> creates;
    // Runs as each call begins, so a test can look at its callers' state then.
    std::function<void(const std::string& call)> onCall;
    std::vector<std::string> CallTexts() const;
    // Calls whose text contains `fragment`.
    int CountCalls(std::string_view fragment) const;
    int OpenHandleCount() const;
    static std::uint32_t ConfigBytes(const ServiceConfig& config);

    // --- ServiceManager -------------------------------------------------------
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
    ScHandle CreateServiceA(ScHandle manager, const char* serviceName, const char* displayName,
                            std::uint32_t desiredAccess, std::uint32_t serviceType,
                            std::uint32_t startType, std::uint32_t errorControl,
                            const char* binaryPathName, const char* loadOrderGroup,
                            std::uint32_t* tagId, const char* dependencies,
                            const char* serviceStartName, const char* password) override;
    bool CloseServiceHandle(ScHandle handle) override;
    std::uint32_t GetLastError() override { return lastError_; }

private:
    struct Handle {
        bool isManager = false;
        std::uint32_t access = 0;
        std::string key;  // the service's key; empty for a manager
        bool open = true;
    };
    struct Failure {
        std::string call;
        std::uint32_t error;
        int occurrence;
    };

    static std::string Key(std::string_view name);
    // Logs the call; true when an injected failure applies to it.
    bool Begin(const std::string& name, const std::string& args);
    bool Fail(std::uint32_t error);
    ScHandle FailHandle(std::uint32_t error);
    ScHandle NewHandle(Handle handle);
    Handle* Lookup(ScHandle handle);
    // The open service handle's service when it holds `right`; else fails.
    FakeService* ServiceFor(ScHandle handle, std::uint32_t right);
    void RemoveIfDone(const std::string& key);

    std::map<std::string, FakeService> services_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 1;
    std::vector<Call> calls_;
    std::map<std::string, int> callCounts_;
    std::vector<Failure> failures_;
    std::uint32_t lastError_ = 0;
};

}  // namespace qv::fake
