// QVVoIPService.exe: a stand-in for the voice chat server. It is a real
// service of its own process, so the status tool can be driven through the
// real service manager, but all it does is walk through the service states
// on the timetable that TesmoVoIP.xml beside it sets out.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>

#include "Behaviour.h"
#include "platform/win32/Handles.h"

namespace {

using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::milliseconds;

// While pending, the checkpoint advances this often; the wait hint leaves the
// service manager a wide margin over it so a loaded machine is not mistaken
// for a hung service.
constexpr Milliseconds kCheckpointEvery{200};
constexpr DWORD kPendingWaitHintMs = 2000;


constexpr wchar_t kBehaviourFile[] = L"TesmoVoIP.xml";
// Nothing sensible in the behaviour file comes near this; a larger file is
// the wrong file and is ignored, as an unreadable one is.
constexpr DWORD kLargestBehaviourFile = 64 * 1024;

DWORD MillisecondsUntil(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<Milliseconds>(deadline - Clock::now());
    return left.count() <= 0 ? 0 : static_cast<DWORD>(left.count());
}

std::wstring ExeFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        // Truncated: a long path; try again with room to spare.
        if (path.size() >= 32768) return {};
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring{} : path.substr(0, slash + 1);
}

std::string ReadBehaviourFile() {
    const std::wstring folder = ExeFolder();
    if (folder.empty()) return {};
    const std::wstring path = folder + kBehaviourFile;
    const qv::UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart <= 0 ||
        size.QuadPart > kLargestBehaviourFile)
        return {};
    std::string bytes(static_cast<std::size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr))
        return {};
    bytes.resize(read);
    return bytes;
}

class StandinService {
public:
    // The body of ServiceMain: runs the whole life of the service.
    void Run(const wchar_t* name);

private:
    static DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID context) {
        return static_cast<StandinService*>(context)->OnControl(control);
    }
    DWORD OnControl(DWORD control);

    void Report(DWORD state, DWORD win32ExitCode = NO_ERROR);
    // Moves to `to` only from one of `from`; the handler thread and the
    // service thread both change the state, and a stop must not be undone.
    bool ReportFrom(std::initializer_list<DWORD> from, DWORD to);
    void ReportLocked(DWORD state, DWORD win32ExitCode);
    // Stays in a pending state for `duration`, advancing the checkpoint.
    void Pend(DWORD state, Milliseconds duration);
    void PendForever(DWORD state);

    std::mutex lock_;
    SERVICE_STATUS_HANDLE statusHandle_ = nullptr;
    SERVICE_STATUS status_{};
    HANDLE stopRequested_ = nullptr;  // owned by Run
};

// The handler can be entered until the dispatcher returns, so the service
// object lives as long as the process.
StandinService service;

void StandinService::Run(const wchar_t* name) {
    statusHandle_ = RegisterServiceCtrlHandlerExW(name, &Handler, this);
    if (statusHandle_ == nullptr) return;

    status_.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    Report(SERVICE_START_PENDING);

    const qv::UniqueHandle stopRequested(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopRequested) {
        Report(SERVICE_STOPPED, GetLastError());
        return;
    }
    {
        std::lock_guard guard(lock_);
        stopRequested_ = stopRequested.get();
    }

    const qv::standin::Behaviour behaviour = qv::standin::ParseBehaviour(ReadBehaviourFile());
    if (behaviour.stayPending) PendForever(SERVICE_START_PENDING);
    Pend(SERVICE_START_PENDING, Milliseconds{behaviour.startPendingMs});
    Report(SERVICE_RUNNING);

    const Clock::time_point runningSince = Clock::now();
    std::optional<Clock::time_point> pauseAt;
    if (behaviour.pauseAfterMs) pauseAt = runningSince + Milliseconds{*behaviour.pauseAfterMs};

    for (;;) {
        const DWORD timeout = pauseAt ? MillisecondsUntil(*pauseAt) : INFINITE;
        const DWORD woke = WaitForSingleObject(stopRequested.get(), timeout);
        // A failed wait cannot be retried usefully; stopping is the way out
        // that leaves the service manager with a true picture.
        if (woke != WAIT_TIMEOUT) break;

        const Clock::time_point now = Clock::now();
        if (pauseAt && now >= *pauseAt) {
            pauseAt.reset();
            ReportFrom({SERVICE_RUNNING}, SERVICE_PAUSED);
        }
    }

    // Normally the handler has reported STOP_PENDING already; this covers
    // the failed wait.
    ReportFrom({SERVICE_RUNNING, SERVICE_PAUSED}, SERVICE_STOP_PENDING);
    Pend(SERVICE_STOP_PENDING, Milliseconds{behaviour.stopPendingMs});
    {
        std::lock_guard guard(lock_);
        stopRequested_ = nullptr;
        ReportLocked(SERVICE_STOPPED, NO_ERROR);
    }
}

DWORD StandinService::OnControl(DWORD control) {
    switch (control) {
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        case SERVICE_CONTROL_STOP: {
            std::lock_guard guard(lock_);
            const DWORD state = status_.dwCurrentState;
            if (state == SERVICE_STOP_PENDING) return NO_ERROR;
            if ((state != SERVICE_RUNNING && state != SERVICE_PAUSED) || stopRequested_ == nullptr)
                return ERROR_SERVICE_CANNOT_ACCEPT_CTRL;
            // Reported here rather than by the service thread, so the status
            // ControlService hands back already says STOP_PENDING.
            ReportLocked(SERVICE_STOP_PENDING, NO_ERROR);
            SetEvent(stopRequested_);
            return NO_ERROR;
        }
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void StandinService::Report(DWORD state, DWORD win32ExitCode) {
    std::lock_guard guard(lock_);
    ReportLocked(state, win32ExitCode);
}

bool StandinService::ReportFrom(std::initializer_list<DWORD> from, DWORD to) {
    std::lock_guard guard(lock_);
    for (const DWORD state : from) {
        if (status_.dwCurrentState == state) {
            ReportLocked(to, NO_ERROR);
            return true;
        }
    }
    return false;
}

void StandinService::ReportLocked(DWORD state, DWORD win32ExitCode) {
    const bool pending = state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING;
    // Like most services, it takes no controls while starting or stopping;
    // the service manager answers those requests itself.
    const bool settled = state == SERVICE_RUNNING || state == SERVICE_PAUSED;
    status_.dwCurrentState = state;
    status_.dwControlsAccepted = settled ? SERVICE_ACCEPT_STOP : 0;
    status_.dwWin32ExitCode = win32ExitCode;
    status_.dwServiceSpecificExitCode = 0;
    status_.dwCheckPoint = pending ? status_.dwCheckPoint + 1 : 0;
    status_.dwWaitHint = pending ? kPendingWaitHintMs : 0;
    SetServiceStatus(statusHandle_, &status_);
}

void StandinService::Pend(DWORD state, Milliseconds duration) {
    const Clock::time_point until = Clock::now() + duration;
    for (DWORD left = MillisecondsUntil(until); left > 0; left = MillisecondsUntil(until)) {
        Sleep(std::min(left, static_cast<DWORD>(kCheckpointEvery.count())));
        Report(state);
    }
}

void StandinService::PendForever(DWORD state) {
    for (;;) {
        Sleep(static_cast<DWORD>(kCheckpointEvery.count()));
        Report(state);
    }
}

void WINAPI ServiceMain(DWORD argc, LPWSTR* argv) {
    // The name the service was installed under, whatever it is.
    service.Run(argc > 0 && argv[0] != nullptr ? argv[0] : L"QuorvelVC");
}

}  // namespace

int main() {
    // The name is not used by an own-process service, but the table needs one.
    wchar_t name[] = L"QuorvelVC";
    const SERVICE_TABLE_ENTRYW table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
    if (StartServiceCtrlDispatcherW(table)) return 0;

    const DWORD error = GetLastError();
    if (error == ERROR_FAILED_SERVICE_CONTROLLER_CONNECT) {
        std::fputs(
            "QVVoIPService.exe is a Windows service; install it and start it through the "
            "service manager (sc start).\n",
            stderr);
        return 1;
    }
    std::fprintf(stderr, "QVVoIPService.exe: the service dispatcher failed with error %lu.\n",
                 static_cast<unsigned long>(error));
    return 2;
}
