#include "tests/fakes/FakeServiceManager.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace qv::fake {
namespace {

constexpr std::uint32_t kDeleteAccess = 0x00010000;  // DELETE
constexpr std::uint32_t kManagerAllAccess = 0xF003F;  // SC_MANAGER_ALL_ACCESS

std::string Key(std::string name) {
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

// Texts as the call log shows them: null as "null", wide letters beyond
// ASCII as '?'.
template <typename Char>
std::string Text(const Char* text) {
    if (!text) return "null";
    std::string narrow;
    for (; *text; ++text)
        narrow += static_cast<std::uint32_t>(*text) < 0x80 ? static_cast<char>(*text) : '?';
    return narrow;
}

std::string Hex(std::uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
}

std::string Id(ScHandle handle) {
    return handle ? std::string("#").append(std::to_string(reinterpret_cast<std::uintptr_t>(handle)))
                  : "null";
}

template <typename... Parts>
std::string Args(const Parts&... parts) {
    std::string text;
    ((text.append(text.empty() ? "" : ", ").append(parts)), ...);
    return text;
}

}  // namespace

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
    const std::int32_t state = Find(name)->state;
    if (state == scm::kStartPending || state == scm::kContinuePending) SetState(name, scm::kRunning);
    if (state == scm::kStopPending) SetState(name, scm::kStopped);
    if (state == scm::kPausePending) SetState(name, scm::kPaused);
}

void FakeServiceManager::FailCall(const std::string& call, std::uint32_t error, int occurrence) {
    failures_[call][occurrence] = error;
}

int FakeServiceManager::OpenHandles() const { return static_cast<int>(handles_.size()); }

bool FakeServiceManager::Injected(const std::string& name, const std::string& args) {
    calls.push_back(name + "(" + args + ")");
    const int nth = ++callCounts_[name];
    for (const int occurrence : {0, nth})
        if (failures_[name].count(occurrence) != 0) return !Fail(failures_[name][occurrence]);
    return false;
}

bool FakeServiceManager::Fail(std::uint32_t error) {
    calls.back() += " -> " + std::to_string(error);
    lastError_ = error;
    return false;
}

ScHandle FakeServiceManager::NewHandle(std::uint32_t access, const std::string& key) {
    handles_[nextHandle_] = {access, key};
    return reinterpret_cast<ScHandle>(nextHandle_++);
}

FakeService* FakeServiceManager::ServiceFor(ScHandle handle, std::uint32_t right) {
    const auto it = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == handles_.end() || it->second.key.empty()) return Fail(scm::kErrorInvalidHandle), nullptr;
    if ((it->second.access & right) != right) return Fail(scm::kErrorAccessDenied), nullptr;
    return &services_.at(it->second.key);
}

void FakeServiceManager::RemoveIfDone(const std::string& key) {
    const auto it = services_.find(key);
    if (it == services_.end() || !it->second.markedForDelete || it->second.state != scm::kStopped)
        return;
    for (const auto& [id, handle] : handles_)
        if (handle.key == key) return;
    services_.erase(it);
}

ScHandle FakeServiceManager::OpenSCManagerA(const char* machineName, const char* databaseName,
                                            std::uint32_t desiredAccess) {
    if (Injected("OpenSCManagerA", Args(Text(machineName), Text(databaseName), Hex(desiredAccess))))
        return nullptr;
    if ((desiredAccess & ~kManagerAllAccess) != 0) return Fail(scm::kErrorAccessDenied), nullptr;
    return NewHandle(desiredAccess, {});
}

ScHandle FakeServiceManager::OpenServiceA(ScHandle manager, const char* serviceName,
                                          std::uint32_t desiredAccess) {
    if (Injected("OpenServiceA", Args(Id(manager), Text(serviceName), Hex(desiredAccess))))
        return nullptr;
    const FakeService* service = Find(serviceName);
    if (!service) return Fail(scm::kErrorServiceDoesNotExist), nullptr;
    if ((desiredAccess & ~service->grantedAccess) != 0) return Fail(scm::kErrorAccessDenied), nullptr;
    return NewHandle(desiredAccess, Key(serviceName));
}

bool FakeServiceManager::QueryServiceStatus(ScHandle handle, ServiceStatus* status) {
    if (Injected("QueryServiceStatus", Id(handle))) return false;
    const FakeService* service = ServiceFor(handle, scm::kServiceQueryStatus);
    if (!service) return false;
    *status = {};
    status->dwCurrentState = static_cast<std::uint32_t>(service->state);
    return true;
}

bool FakeServiceManager::QueryServiceConfigA(ScHandle handle, void* buffer, std::uint32_t bufSize,
                                             std::uint32_t* bytesNeeded) {
    if (Injected("QueryServiceConfigA", Args(Id(handle), std::to_string(bufSize)))) return false;
    const FakeService* s = ServiceFor(handle, scm::kServiceQueryConfig);
    if (!s) return false;
    // Nine 32-bit fields, then the texts with their terminators; the empty
    // dependency list ends in two.
    const auto need = static_cast<std::uint32_t>(
        36 + s->binaryPath.size() + 1 + s->loadOrderGroup.size() + 1 + 2 +
        s->account.value_or(L"LocalSystem").size() + 1 + s->displayName.size() + 1);
    *bytesNeeded = s->bytesNeeded.value_or(need);
    if (bufSize < *bytesNeeded) return Fail(scm::kErrorInsufficientBuffer);
    // All it claims to need, so an undersized buffer shows up under
    // AddressSanitizer.
    std::memset(buffer, 0, *bytesNeeded);
    return true;
}

bool FakeServiceManager::StartServiceA(ScHandle handle, std::uint32_t numArgs, const char**) {
    if (Injected("StartServiceA", Args(Id(handle), std::to_string(numArgs)))) return false;
    FakeService* service = ServiceFor(handle, scm::kServiceStart);
    if (!service) return false;
    if (service->markedForDelete) return Fail(scm::kErrorServiceMarkedForDelete);
    if (service->disabled) return Fail(scm::kErrorServiceDisabled);
    if (service->state != scm::kStopped) return Fail(scm::kErrorServiceAlreadyRunning);
    service->state = service->onStart == OnStart::Run ? scm::kRunning : scm::kStartPending;
    return true;
}

bool FakeServiceManager::ControlService(ScHandle handle, std::uint32_t control,
                                        ServiceStatus* status) {
    if (Injected("ControlService", Args(Id(handle), std::to_string(control)))) return false;
    FakeService* service = ServiceFor(handle, scm::kServiceStop);
    if (!service) return false;
    if (service->state == scm::kStopped) return Fail(scm::kErrorServiceNotActive);
    if (service->state != scm::kRunning && service->state != scm::kPaused)
        return Fail(scm::kErrorServiceCannotAcceptCtrl);
    service->state = service->onStop == OnStop::Stop ? scm::kStopped : scm::kStopPending;
    *status = {};
    status->dwCurrentState = static_cast<std::uint32_t>(service->state);
    return true;
}

bool FakeServiceManager::DeleteService(ScHandle handle) {
    if (Injected("DeleteService", Id(handle))) return false;
    FakeService* service = ServiceFor(handle, kDeleteAccess);
    if (!service) return false;
    if (service->markedForDelete) return Fail(scm::kErrorServiceMarkedForDelete);
    service->markedForDelete = true;  // gone once stopped and its last handle closed
    return true;
}

ScHandle FakeServiceManager::CreateServiceW(
    ScHandle manager, const wchar_t* serviceName, const wchar_t* displayName,
    std::uint32_t desiredAccess, std::uint32_t serviceType, std::uint32_t startType,
    std::uint32_t errorControl, const wchar_t* binaryPathName, const wchar_t* loadOrderGroup,
    std::uint32_t* tagId, const wchar_t* dependencies, const wchar_t* serviceStartName,
    const wchar_t* password) {
    // What the registration keeps is the created service's; the log has the rest.
    if (Injected("CreateServiceW",
                 Args(Id(manager), Text(serviceName), Hex(desiredAccess),
                      std::string("tag ").append(tagId ? std::to_string(*tagId) : "null"),
                      Text(dependencies))))
        return nullptr;
    if ((handles_.at(reinterpret_cast<std::uintptr_t>(manager)).access &
         scm::kScManagerCreateService) == 0)
        return Fail(scm::kErrorAccessDenied), nullptr;
    const std::string name = Text(serviceName);  // key names are ASCII
    if (const FakeService* existing = Find(name))
        return Fail(existing->markedForDelete ? scm::kErrorServiceMarkedForDelete
                                              : scm::kErrorServiceExists),
               nullptr;
    const auto optional = [](const wchar_t* text) {
        return text ? std::optional<std::wstring>(text) : std::nullopt;
    };
    FakeService& created = AddService(name);
    created.displayName = displayName;
    created.binaryPath = binaryPathName;
    created.serviceType = serviceType;
    created.startType = startType;
    created.errorControl = errorControl;
    created.loadOrderGroup = loadOrderGroup ? loadOrderGroup : L"";
    created.account = optional(serviceStartName);
    created.password = optional(password);
    return NewHandle(desiredAccess, Key(name));
}

bool FakeServiceManager::CloseServiceHandle(ScHandle handle) {
    if (Injected("CloseServiceHandle", Id(handle))) return false;
    const auto it = handles_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == handles_.end()) return Fail(scm::kErrorInvalidHandle);
    const std::string key = it->second.key;
    handles_.erase(it);
    if (!key.empty()) RemoveIfDone(key);
    return true;
}

}  // namespace qv::fake
