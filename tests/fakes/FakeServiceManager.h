// A simulated Windows service manager: services by name, the real error
// codes, a service that is deleted only once it is stopped and its last
// handle closed (another program's too), and any call made to fail or
// preceded by another program's doing. Names keep their case: the real
// manager ignores it, but the tool uses one name throughout.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ServiceManager.h"

namespace qv::fake {

// What the service process does with a start request / the stop control.
enum class OnStart { Run, StayPending };
enum class OnStop { Stop, StayPending };

struct FakeService {
    std::int32_t state = scm::kStopped;
    // The registration: what CreateService was given.
    std::wstring displayName{}, binaryPath{}, loadOrderGroup{};
    std::uint32_t serviceType = 0, startType = 0, errorControl = 0;
    std::optional<std::wstring> account{}, password{};
    bool disabled = false;
    // The most the caller may open the service with; more gives error 5.
    std::uint32_t grantedAccess = scm::kServiceAllAccess;
    // What the configuration record needs: nine 32-bit fields and the texts.
    std::uint32_t configBytes = 122;
    OnStart onStart = OnStart::Run;
    OnStop onStop = OnStop::Stop;
    bool markedForDelete = false;
};

class FakeServiceManager final : public ServiceManager {
public:
    FakeService& AddService(const std::string& name, FakeService service = {}) {
        return services_[name] = std::move(service);
    }
    FakeService* Find(const std::string& name) {  // null when not installed
        const auto it = services_.find(name);
        return it == services_.end() ? nullptr : &it->second;
    }
    // The state the next query reports; a deleted service goes once stopped.
    void SetState(const std::string& name, std::int32_t state) {
        Find(name)->state = state;
        RemoveIfDone(name);
    }
    // The service process finishes a pending start or stop.
    void Settle(const std::string& name) {
        const std::int32_t state = Find(name)->state;
        if (state == scm::kStartPending) SetState(name, scm::kRunning);
        if (state == scm::kStopPending) SetState(name, scm::kStopped);
    }
    // The n-th call (1-based, over the fake's life) of `call` fails with
    // `error`; occurrence 0 makes every such call fail.
    void FailCall(const std::string& call, std::uint32_t error, int occurrence = 0) {
        failures_[call][occurrence] = error;
    }
    // `action` (another program starting the service, say) happens just
    // before the next call of `call`.
    void Before(const std::string& call, std::function<void()> action) {
        before_[call] = std::move(action);
    }
    // Another program opens the service and holds it open until it lets go.
    void HoldOpen(const std::string& name) { held_.push_back(NewHandle(name)); }
    void LetGo() {
        for (const ScHandle handle : std::exchange(held_, {})) CloseServiceHandle(handle);
    }
    int OpenHandles() const { return static_cast<int>(handles_.size()); }

    // Every call with its arguments, for the tests that pin an operation's
    // exact calls; a failed call ends in " -> error".
    std::vector<std::string> calls;

    ScHandle OpenSCManagerA(const char* machine, const char* database, std::uint32_t access) override {
        if (Injected("OpenSCManagerA", {Text(machine), Text(database), N(access)})) return nullptr;
        return NewHandle({});
    }
    ScHandle OpenServiceA(ScHandle manager, const char* name, std::uint32_t access) override {
        if (Injected("OpenServiceA", {Id(manager), Text(name), N(access)})) return nullptr;
        const FakeService* service = Find(name);
        if (!service) return Fail(scm::kErrorServiceDoesNotExist), nullptr;
        if ((access & ~service->grantedAccess) != 0) return Fail(scm::kErrorAccessDenied), nullptr;
        return NewHandle(name);
    }
    bool QueryServiceStatus(ScHandle handle, ServiceStatus* status) override {
        if (Injected("QueryServiceStatus", {Id(handle)})) return false;
        *status = {.dwCurrentState = static_cast<std::uint32_t>(ServiceOf(handle).state)};
        return true;
    }
    bool QueryServiceConfigA(ScHandle handle, void* buffer, std::uint32_t size,
                             std::uint32_t* needed) override {
        if (Injected("QueryServiceConfigA", {Id(handle), N(size)})) return false;
        *needed = ServiceOf(handle).configBytes;
        if (size < *needed) return Fail(scm::kErrorInsufficientBuffer);
        // All it claims to need, so an undersized buffer shows up under
        // AddressSanitizer.
        std::memset(buffer, 0, *needed);
        return true;
    }
    bool StartServiceA(ScHandle handle, std::uint32_t numArgs, const char**) override {
        if (Injected("StartServiceA", {Id(handle), N(numArgs)})) return false;
        FakeService& s = ServiceOf(handle);
        if (s.disabled) return Fail(scm::kErrorServiceDisabled);
        if (s.state != scm::kStopped) return Fail(scm::kErrorServiceAlreadyRunning);
        s.state = s.onStart == OnStart::Run ? scm::kRunning : scm::kStartPending;
        return true;
    }
    bool ControlService(ScHandle handle, std::uint32_t control, ServiceStatus*) override {
        if (Injected("ControlService", {Id(handle), N(control)})) return false;
        FakeService& s = ServiceOf(handle);
        if (s.state == scm::kStopped) return Fail(scm::kErrorServiceNotActive);
        if (s.state != scm::kRunning && s.state != scm::kPaused)
            return Fail(scm::kErrorServiceCannotAcceptCtrl);
        s.state = s.onStop == OnStop::Stop ? scm::kStopped : scm::kStopPending;
        return true;
    }
    bool DeleteService(ScHandle handle) override {
        if (Injected("DeleteService", {Id(handle)})) return false;
        FakeService& s = ServiceOf(handle);
        if (s.markedForDelete) return Fail(scm::kErrorServiceMarkedForDelete);
        s.markedForDelete = true;  // gone once stopped and its last handle closed
        return true;
    }
    ScHandle CreateServiceW(ScHandle manager, const wchar_t* name, const wchar_t* displayName,
                            std::uint32_t access, std::uint32_t serviceType, std::uint32_t startType,
                            std::uint32_t errorControl, const wchar_t* binaryPath,
                            const wchar_t* loadOrderGroup, std::uint32_t* tag, const wchar_t* dependencies,
                            const wchar_t* account, const wchar_t* password) override {
        // The log has what the registration does not keep.
        if (Injected("CreateServiceW", {Id(manager), Text(name), N(access), N(*tag), Text(dependencies)}))
            return nullptr;
        if (const FakeService* old = Find(Text(name))) {
            Fail(old->markedForDelete ? scm::kErrorServiceMarkedForDelete : scm::kErrorServiceExists);
            return nullptr;
        }
        AddService(Text(name), {.displayName = displayName, .binaryPath = binaryPath,
                                .loadOrderGroup = loadOrderGroup, .serviceType = serviceType,
                                .startType = startType, .errorControl = errorControl,
                                .account = Optional(account), .password = Optional(password)});
        return NewHandle(Text(name));
    }
    bool CloseServiceHandle(ScHandle handle) override {
        if (Injected("CloseServiceHandle", {Id(handle)})) return false;
        const std::string key = handles_.at(Number(handle));
        handles_.erase(Number(handle));
        RemoveIfDone(key);
        return true;
    }
    std::uint32_t GetLastError() override { return lastError_; }

private:
    static std::string N(std::uint32_t value) { return std::to_string(value); }
    static std::uintptr_t Number(ScHandle handle) { return reinterpret_cast<std::uintptr_t>(handle); }
    static std::string Id(ScHandle handle) { return "#" + std::to_string(Number(handle)); }
    template <typename Char>
    static std::string Text(const Char* text) {  // the names are ASCII
        return text ? std::string(text, text + std::char_traits<Char>::length(text)) : "null";
    }
    static std::optional<std::wstring> Optional(const wchar_t* text) {
        return text ? std::optional<std::wstring>(text) : std::nullopt;
    }

    // Logs the call; true when an injected failure applies to it.
    bool Injected(const std::string& name, std::initializer_list<std::string> args) {
        if (const auto action = before_.extract(name)) action.mapped()();
        std::string call = name + "(";
        for (const std::string& arg : args) call += (&arg == args.begin() ? "" : ", ") + arg;
        calls.push_back(call + ")");
        const std::map<int, std::uint32_t>& failures = failures_[name];
        const int nth = ++callCounts_[name];
        for (const int occurrence : {0, nth})
            if (failures.contains(occurrence)) return !Fail(failures.at(occurrence));
        return false;
    }
    bool Fail(std::uint32_t error) {
        calls.back() += " -> " + std::to_string(error);
        lastError_ = error;
        return false;
    }
    // Handles are numbered from 1 over the fake's life; the manager's has no key.
    ScHandle NewHandle(const std::string& key) {
        handles_[nextHandle_] = key;
        return reinterpret_cast<ScHandle>(nextHandle_++);
    }
    // The service behind an open service handle (throws for any other).
    FakeService& ServiceOf(ScHandle handle) { return services_.at(handles_.at(Number(handle))); }
    void RemoveIfDone(const std::string& key) {
        const auto it = services_.find(key);
        if (it == services_.end() || !it->second.markedForDelete || it->second.state != scm::kStopped)
            return;
        for (const auto& [id, open] : handles_)
            if (open == key) return;
        services_.erase(it);
    }

    std::map<std::string, FakeService> services_;
    std::map<std::uintptr_t, std::string> handles_;  // the service's name of each open handle
    std::uintptr_t nextHandle_ = 1;
    std::map<std::string, int> callCounts_;
    std::map<std::string, std::map<int, std::uint32_t>> failures_;
    std::map<std::string, std::function<void()>> before_;
    std::vector<ScHandle> held_;  // another program's
    std::uint32_t lastError_ = 0;
};

}  // namespace qv::fake
