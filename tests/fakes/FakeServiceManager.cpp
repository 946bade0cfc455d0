#include "tests/fakes/FakeServiceManager.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace qv::fake {
namespace {

std::string Str(const char* text) { return text ? text : "null"; }

std::optional<std::string> Opt(const char* text) {
    return text ? std::optional<std::string>(text) : std::nullopt;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string H(ScHandle handle) {
    return handle ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(handle)) : "null";
}

bool IsPending(std::int32_t state) {
    return state == scm::kStartPending || state == scm::kStopPending ||
           state == scm::kContinuePending || state == scm::kPausePending;
}

void Put32(std::vector<unsigned char>& out, std::size_t at, std::uint32_t value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}

}  // namespace

std::string FakeServiceManager::Key(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return key;
}

FakeService& FakeServiceManager::AddService(const std::string& name, FakeService service) {
    return services_[Key(name)] = std::move(service);
}

FakeService* FakeServiceManager::Find(const std::string& name) {
    const auto it = services_.find(Key(name));
    return it == services_.end() ? nullptr : &it->second;
}

void FakeServiceManager::SetState(const std::string& name, std::int32_t state) {
    Find(name)->state = state;
    RemoveIfDone(Key(name));
}

void FakeServiceManager::Settle(const std::string& name) {
    FakeService& service = *Find(name);
    if (service.state == scm::kStartPending ||
        service.state == scm::kContinuePending)
        service.state = scm::kRunning;
    else if (service.state == scm::kStopPending)
        service.state = scm::kStopped;
    else if (service.state == scm::kPausePending)
        service.state = scm::kPaused;
    RemoveIfDone(Key(name));
}

void FakeServiceManager::FailCall(const std::string& call, std::uint32_t error, int occurrence) {
    failures_.push_back({call, error, occurrence});
}

std::vector<std::string> FakeServiceManager::CallTexts() const {
    std::vector<std::string> texts;
    for (const Call& call : calls_) texts.push_back(call.text);
    return texts;
}

int FakeServiceManager::CountCalls(std::string_view fragment) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& call) {
        return call.text.find(fragment) != std::string::npos;
    }));
}

int FakeServiceManager::OpenHandleCount() const {
    return static_cast<int>(std::count_if(handles_.begin(), handles_.end(),
                                          [](const auto& entry) { return entry.second.open; }));
}

std::uint32_t FakeServiceManager::ConfigBytes(const ServiceConfig& c) {
    // The strings follow the fixed part, each with its terminator; the
    // dependencies are a list ending in two.
    const std::size_t bytes = kConfigFixedBytes + c.binaryPath.size() + 1 +
                              c.loadOrderGroup.size() + 1 + c.dependencies.size() + 2 +
                              c.account.size() + 1 + c.displayName.size() + 1;
    return static_cast<std::uint32_t>(bytes);
}

bool FakeServiceManager::Begin(const std::string& name, const std::string& args) {
    calls_.push_back({name, name + "(" + args + ")", true, 0});
    if (onCall) onCall(name);
    const int nth = ++callCounts_[name];
    for (const Failure& failure : failures_)
        if (failure.call == name && (failure.occurrence == 0 || failure.occurrence == nth)) {
            Fail(failure.error);
            return true;
        }
    return false;
}

bool FakeServiceManager::Fail(std::uint32_t error) {
    calls_.back().ok = false;
    calls_.back().error = error;
    lastError_ = error;
    return false;
}

ScHandle FakeServiceManager::FailHandle(std::uint32_t error) {
    Fail(error);
    return nullptr;
}

ScHandle FakeServiceManager::NewHandle(Handle handle) {
    const std::uintptr_t id = nextHandle_++;
    handles_[id] = std::move(handle);
    return reinterpret_cast<ScHandle>(id);
}

FakeServiceManager::Handle* FakeServiceManager::Lookup(ScHandle handle) {
    const auto it = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    return it == handles_.end() || !it->second.open ? nullptr : &it->second;
}

FakeService* FakeServiceManager::ServiceFor(ScHandle handle, std::uint32_t right) {
    const Handle* entry = Lookup(handle);
    if (!entry || entry->isManager) {
        Fail(scm::kErrorInvalidHandle);
        return nullptr;
    }
    if ((entry->access & right) != right) {
        Fail(scm::kErrorAccessDenied);
        return nullptr;
    }
    return &services_.at(entry->key);
}

void FakeServiceManager::RemoveIfDone(const std::string& key) {
    const auto it = services_.find(key);
    if (it == services_.end() || !it->second.markedForDelete ||
        it->second.state != scm::kStopped)
        return;
    for (const auto& [id, handle] : handles_)
        if (handle.open && handle.key == key) return;
    services_.erase(it);
}

ScHandle FakeServiceManager::OpenSCManagerA(const char* machineName, const char* databaseName,
                                            std::uint32_t desiredAccess) {
    if (Begin("OpenSCManagerA", Str(machineName) + ", " + Str(databaseName) + ", " +
                                    Hex(desiredAccess)))
        return nullptr;
    if ((desiredAccess & ~managerAccess) != 0) return FailHandle(scm::kErrorAccessDenied);
    return NewHandle({true, desiredAccess, {}, true});
}

ScHandle FakeServiceManager::OpenServiceA(ScHandle manager, const char* serviceName,
                                          std::uint32_t desiredAccess) {
    if (Begin("OpenServiceA", H(manager) + ", " + Str(serviceName) + ", " + Hex(desiredAccess)))
        return nullptr;
    const Handle* entry = Lookup(manager);
    if (!entry || !entry->isManager) return FailHandle(scm::kErrorInvalidHandle);
    if (!serviceName || !*serviceName) return FailHandle(kErrorInvalidName);
    const FakeService* service = Find(serviceName);
    if (!service) return FailHandle(scm::kErrorServiceDoesNotExist);
    if ((desiredAccess & ~service->grantedAccess) != 0)
        return FailHandle(scm::kErrorAccessDenied);
    return NewHandle({false, desiredAccess, Key(serviceName), true});
}

bool FakeServiceManager::QueryServiceStatus(ScHandle handle, ServiceStatus* status) {
    if (Begin("QueryServiceStatus", H(handle))) return false;
    const FakeService* service = ServiceFor(handle, scm::kServiceQueryStatus);
    if (!service) return false;
    if (!status) return Fail(kErrorNullRefPointer);
    *status = {};
    status->dwServiceType = service->config.serviceType;
    status->dwCurrentState = static_cast<std::uint32_t>(service->state);
    status->dwControlsAccepted = service->state == scm::kRunning ||
                                         service->state == scm::kPaused
                                     ? kAcceptStop
                                     : 0;
    status->dwWaitHint = IsPending(service->state) ? 2000 : 0;
    return true;
}

bool FakeServiceManager::QueryServiceConfigA(ScHandle handle, void* buffer,
                                             std::uint32_t bufSize,
                                             std::uint32_t* bytesNeeded) {
    if (Begin("QueryServiceConfigA", H(handle) + ", " + std::to_string(bufSize))) return false;
    const FakeService* service = ServiceFor(handle, scm::kServiceQueryConfig);
    if (!service) return false;
    if (!bytesNeeded) return Fail(kErrorNullRefPointer);
    const ServiceConfig& c = service->config;
    const std::uint32_t need = service->bytesNeeded.value_or(ConfigBytes(c));
    if (bufSize < need) {
        *bytesNeeded = need;
        return Fail(scm::kErrorInsufficientBuffer);
    }
    if (!buffer) return Fail(kErrorNullRefPointer);

    // The 32-bit record layout, with offsets where Windows puts pointers.
    std::vector<unsigned char> record(kConfigFixedBytes);
    auto append = [&](const std::string& text, std::size_t terminators) {
        const auto at = static_cast<std::uint32_t>(record.size());
        record.insert(record.end(), text.begin(), text.end());
        record.insert(record.end(), terminators, '\0');
        return at;
    };
    Put32(record, 0, c.serviceType);
    Put32(record, 4, c.startType);
    Put32(record, 8, c.errorControl);
    Put32(record, 12, append(c.binaryPath, 1));
    Put32(record, 16, append(c.loadOrderGroup, 1));
    Put32(record, 20, c.tagId);
    Put32(record, 24, append(c.dependencies, 2));
    Put32(record, 28, append(c.account, 1));
    Put32(record, 32, append(c.displayName, 1));
    // Writes exactly the bytes it claims to need, so an undersized buffer
    // shows up under AddressSanitizer.
    record.resize(need, 0);
    std::memcpy(buffer, record.data(), record.size());
    return true;
}

bool FakeServiceManager::StartServiceA(ScHandle handle, std::uint32_t numArgs, const char**) {
    if (Begin("StartServiceA", H(handle) + ", " + std::to_string(numArgs))) return false;
    FakeService* service = ServiceFor(handle, scm::kServiceStart);
    if (!service) return false;
    if (service->markedForDelete) return Fail(scm::kErrorServiceMarkedForDelete);
    if (service->config.startType == kDisabled) return Fail(scm::kErrorServiceDisabled);
    if (service->state != scm::kStopped) return Fail(scm::kErrorServiceAlreadyRunning);
    switch (service->onStart) {
        case OnStart::Run: service->state = scm::kRunning; break;
        case OnStart::StayPending: service->state = scm::kStartPending; break;
        case OnStart::TimeOut: return Fail(scm::kErrorServiceRequestTimeout);
    }
    return true;
}

bool FakeServiceManager::ControlService(ScHandle handle, std::uint32_t control,
                                        ServiceStatus* status) {
    if (Begin("ControlService", H(handle) + ", " + std::to_string(control))) return false;
    if (control != scm::kServiceControlStop) return Fail(kErrorInvalidServiceControl);
    FakeService* service = ServiceFor(handle, scm::kServiceStop);
    if (!service) return false;
    if (!status) return Fail(kErrorNullRefPointer);
    if (service->state == scm::kStopped) return Fail(scm::kErrorServiceNotActive);
    if (IsPending(service->state)) return Fail(scm::kErrorServiceCannotAcceptCtrl);
    service->state =
        service->onStop == OnStop::Stop ? scm::kStopped : scm::kStopPending;
    *status = {};
    status->dwServiceType = service->config.serviceType;
    status->dwCurrentState = static_cast<std::uint32_t>(service->state);
    return true;
}

bool FakeServiceManager::DeleteService(ScHandle handle) {
    if (Begin("DeleteService", H(handle))) return false;
    FakeService* service = ServiceFor(handle, kDeleteAccess);
    if (!service) return false;
    if (service->markedForDelete) return Fail(scm::kErrorServiceMarkedForDelete);
    // It goes once it is stopped and its last handle is closed.
    service->markedForDelete = true;
    return true;
}

ScHandle FakeServiceManager::CreateServiceA(
    ScHandle manager, const char* serviceName, const char* displayName,
    std::uint32_t desiredAccess, std::uint32_t serviceType, std::uint32_t startType,
    std::uint32_t errorControl, const char* binaryPathName, const char* loadOrderGroup,
    std::uint32_t* tagId, const char* dependencies, const char* serviceStartName,
    const char* password) {
    creates.push_back({Opt(serviceName), Opt(displayName), desiredAccess, serviceType, startType,
                       errorControl, Opt(binaryPathName), Opt(loadOrderGroup),
                       tagId ? std::optional<std::uint32_t>(*tagId) : std::nullopt,
                       Opt(dependencies), Opt(serviceStartName), Opt(password)});
    if (Begin("CreateServiceA", H(manager) + ", " + Str(serviceName) + ", " +
                                    Hex(desiredAccess) + ", " + std::to_string(startType)))
        return nullptr;
    const Handle* entry = Lookup(manager);
    if (!entry || !entry->isManager) return FailHandle(scm::kErrorInvalidHandle);
    if ((entry->access & scm::kScManagerCreateService) == 0)
        return FailHandle(scm::kErrorAccessDenied);
    if (!serviceName || !*serviceName) return FailHandle(kErrorInvalidName);
    if (const FakeService* existing = Find(serviceName))
        return FailHandle(existing->markedForDelete ? scm::kErrorServiceMarkedForDelete
                                                    : scm::kErrorServiceExists);
    FakeService service;
    ServiceConfig& c = service.config;
    c.displayName = displayName ? displayName : serviceName;
    c.binaryPath = Str(binaryPathName);
    c.serviceType = serviceType;
    c.startType = startType;
    c.errorControl = errorControl;
    c.loadOrderGroup = loadOrderGroup ? loadOrderGroup : "";
    c.dependencies = dependencies ? dependencies : "";
    c.account = serviceStartName ? serviceStartName : "LocalSystem";
    if (tagId) *tagId = c.tagId;
    AddService(serviceName, std::move(service));
    return NewHandle({false, desiredAccess, Key(serviceName), true});
}

bool FakeServiceManager::CloseServiceHandle(ScHandle handle) {
    if (Begin("CloseServiceHandle", H(handle))) return false;
    Handle* entry = Lookup(handle);
    if (!entry) return Fail(scm::kErrorInvalidHandle);
    entry->open = false;
    if (!entry->isManager) RemoveIfDone(entry->key);
    return true;
}

}  // namespace qv::fake
