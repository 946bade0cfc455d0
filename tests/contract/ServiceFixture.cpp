#include "ServiceFixture.h"

#include <atomic>
#include <vector>

namespace qv::contract {
namespace {

constexpr DWORD kPollMs = 50;

std::string Describe(const char* what, DWORD error) {
    return std::string(what) + " failed with error " + std::to_string(error);
}

std::wstring FullPath(const std::wstring& path) {
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return path;
    std::wstring full(size, L'\0');
    const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    if (length == 0 || length >= size) return path;
    full.resize(length);
    return full;
}

std::wstring ExePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return path.substr(0, length);
        path.resize(path.size() * 2);
    }
}

std::optional<SERVICE_STATUS_PROCESS> StatusOf(SC_HANDLE service) {
    SERVICE_STATUS_PROCESS status{};
    DWORD needed = 0;
    if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                              sizeof status, &needed))
        return std::nullopt;
    return status;
}

bool IsPending(DWORD state) {
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING ||
           state == SERVICE_CONTINUE_PENDING || state == SERVICE_PAUSE_PENDING;
}

// The stand-in's process was started for these tests by the service manager;
// it is ended by its id, and only when it will not stop on request.
std::string EndProcess(DWORD processId) {
    if (processId == 0) return {};
    UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
    if (!process) return {};  // already gone
    if (!TerminateProcess(process.get(), 1) && GetLastError() != ERROR_ACCESS_DENIED)
        return Describe("TerminateProcess", GetLastError());
    if (WaitForSingleObject(process.get(), static_cast<DWORD>(kStateDeadline.count())) !=
        WAIT_OBJECT_0)
        return "the stand-in process did not end";
    return {};
}

// Once the process has gone the service can be deleted whatever its last
// reported state: Windows then marks it STOPPED, Wine 8 leaves the state as
// it was, and both remove it when its last handle closes.
std::string StopForRemoval(SC_HANDLE service) {
    auto status = StatusOf(service);
    if (!status) return Describe("QueryServiceStatusEx", GetLastError());
    if (status->dwCurrentState == SERVICE_STOPPED) return {};

    // A stand-in told to stay pending never settles, and a pending service
    // takes no stop request; one that is merely slow would settle, but ending
    // it does just as well for removal.
    if (!IsPending(status->dwCurrentState)) {
        SERVICE_STATUS ignored{};
        ControlService(service, SERVICE_CONTROL_STOP, &ignored);
        const bool stopped = WaitUntil([&] {
            status = StatusOf(service);
            return status && status->dwCurrentState == SERVICE_STOPPED;
        });
        if (stopped) return {};
        if (!status) return Describe("QueryServiceStatusEx", GetLastError());
    }
    return EndProcess(status->dwProcessId);
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(kPollMs);
    }
}

std::wstring StandinExe() {
    std::vector<wchar_t> value(32768);
    const DWORD length =
        GetEnvironmentVariableW(L"QV_STANDIN_EXE", value.data(), static_cast<DWORD>(value.size()));
    if (length > 0 && length < value.size()) return std::wstring(value.data(), length);

    // build/<preset>/tests/contract/qv_contract_tests.exe beside
    // build/<preset>/standin/QVVoIPService.exe.
    std::wstring path = ExePath();
    path.resize(path.find_last_of(L"\\/") + 1);
    return FullPath(path + L"..\\..\\standin\\QVVoIPService.exe");
}

std::optional<DWORD> CurrentState() {
    UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return std::nullopt;
    UniqueScHandle service(OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
    if (!service) return std::nullopt;
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service.get(), &status)) return std::nullopt;
    return status.dwCurrentState;
}

bool WaitForState(DWORD state) {
    return WaitUntil([state] { return CurrentState() == state; });
}

DWORD Install(const std::wstring& exe, const std::wstring& displayName,
              const std::wstring& arguments) {
    UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CREATE_SERVICE));
    if (!manager) return GetLastError();
    // Quoted, so a folder with blanks in its name is not read as arguments.
    std::wstring binaryPath = L"\"" + exe + L"\"";
    if (!arguments.empty()) binaryPath += L" " + arguments;
    UniqueScHandle service(
        CreateServiceW(manager.get(), kServiceName, displayName.c_str(), SERVICE_ALL_ACCESS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       binaryPath.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return service ? 0 : GetLastError();
}

std::string Uninstall() {
    UniqueScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return Describe("OpenSCManagerW", GetLastError());
    {
        UniqueScHandle service(OpenServiceW(manager.get(), kServiceName, SERVICE_ALL_ACCESS));
        if (!service) {
            const DWORD error = GetLastError();
            return error == ERROR_SERVICE_DOES_NOT_EXIST ? std::string{}
                                                         : Describe("OpenServiceW", error);
        }
        if (auto failure = StopForRemoval(service.get()); !failure.empty()) return failure;
        if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE)
            return Describe("DeleteService", GetLastError());
    }
    // The manager forgets a deleted service once its last handle is closed.
    const bool gone = WaitUntil([&] {
        UniqueScHandle service(OpenServiceW(manager.get(), kServiceName, SERVICE_QUERY_STATUS));
        return !service && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST;
    });
    return gone ? std::string{} : "QuorvelVC was still installed after deletion";
}

StandinCopy::StandinCopy(std::string_view behaviourXml) {
    static std::atomic<unsigned> copies{0};
    std::wstring temp(MAX_PATH + 1, L'\0');
    const DWORD length = GetTempPathW(static_cast<DWORD>(temp.size()), temp.data());
    if (length == 0 || length > temp.size()) return;
    temp.resize(length);

    const std::wstring folder = temp + L"qv-standin-" + std::to_wstring(GetCurrentProcessId()) +
                                L"-" + std::to_wstring(++copies);
    if (!CreateDirectoryW(folder.c_str(), nullptr)) return;
    folder_ = folder;
    const std::wstring exe = folder + L"\\QVVoIPService.exe";
    if (!CopyFileW(StandinExe().c_str(), exe.c_str(), TRUE)) return;
    if (!WriteWholeFile(folder + L"\\TesmoVoIP.xml", behaviourXml)) return;
    exe_ = exe;
}

StandinCopy::~StandinCopy() {
    if (folder_.empty()) return;
    // The exe stays locked until its process has quite gone, which can be a
    // moment after the service manager reported STOPPED.
    const std::wstring exe = folder_ + L"\\QVVoIPService.exe";
    WaitUntil([&] { return DeleteFileW(exe.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
    DeleteFileW((folder_ + L"\\TesmoVoIP.xml").c_str());
    RemoveDirectoryW(folder_.c_str());
}

}  // namespace qv::contract
