// The service seam's suite against the real service manager, under Wine (or
// on Windows as an administrator), with the stand-in registered as the
// service. The world looks after the service with advapi32 directly, never
// through the code under test, so a fault there cannot hide itself.
#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/Handles.h"
#include "platform/win32/RegistryWin32.h"
#include "platform/win32/ServiceManagerWin32.h"
#include "tests/contract/ServiceContract.h"

namespace qv::contract {
namespace {

// Long enough for a loaded two-core machine under Wine.
constexpr auto kDeadline = std::chrono::seconds(20);

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); }

std::wstring ThisExe() {
    std::wstring path(32768, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return path;
}

template <typename Condition>
bool WaitUntil(Condition done) {
    const auto end = std::chrono::steady_clock::now() + kDeadline;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

struct WineWorld {
    ServiceManagerWin32 manager;
    RegistryWin32 registry;
    FileSystemWin32 files;
    std::wstring copy;  // the stand-in's folder of this test

    ~WineWorld() { Clean(); }
    ServiceManager& Scm() { return manager; }
    qv::Registry& Keys() { return registry; }
    FileSystem& Files() { return files; }

    // A copy of the stand-in (built beside this test program) in a folder of
    // its own, with the TesmoVoIP.xml that makes it behave so.
    std::wstring Standin(Behaviour behaviour) {
        if (!copy.empty()) return copy + L"\\QVVoIPService.exe";
        static std::atomic<int> copies{0};
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        copy = std::wstring(temp) + L"qv-standin-" + std::to_wstring(GetCurrentProcessId()) +
               L"-" + std::to_wstring(++copies);
        CreateDirectoryW(copy.c_str(), nullptr);
        const std::wstring built = Folder(Folder(Folder(ThisExe()))) + L"\\standin\\QVVoIPService.exe";
        CopyFileW(built.c_str(), (copy + L"\\QVVoIPService.exe").c_str(), FALSE);
        const char* xml = behaviour == Behaviour::StuckStarting ? "<StayPending>true</StayPending>"
                          : behaviour == Behaviour::SlowStop    ? "<StopPendingMs>600000</StopPendingMs>"
                          : behaviour == Behaviour::Pausing     ? "<PauseAfterMs>0</PauseAfterMs>"
                                                                : "";
        const std::string file = std::string("<TesmoVoIP>") + xml + "</TesmoVoIP>";
        const UniqueFile out(CreateFileW((copy + L"\\TesmoVoIP.xml").c_str(), GENERIC_WRITE, 0,
                                         nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(out.get(), file.data(), static_cast<DWORD>(file.size()), &written, nullptr);
        return copy + L"\\QVVoIPService.exe";
    }
    void Installed(Behaviour) {}

    template <typename Condition>
    bool Eventually(Condition done) {
        return WaitUntil(done);
    }

    // Its process ended, whatever state it is in, then deleted and gone; the
    // stand-in's copy removed.
    void Clean() {
        const UniqueScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
        const auto open = [&] {
            return UniqueScHandle(OpenServiceW(scm.get(), kServiceKeyName, SERVICE_ALL_ACCESS));
        };
        if (const UniqueScHandle service = open()) {
            SERVICE_STATUS_PROCESS status{};
            DWORD needed = 0;
            QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO,
                                 reinterpret_cast<BYTE*>(&status), sizeof status, &needed);
            const UniqueHandle process(
                OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId));
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 20000);
            DeleteService(service.get());
        }
        EXPECT_TRUE(WaitUntil([&] { return !open() && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST; }))
            << "the stand-in outlived its deletion";
        if (copy.empty()) return;
        // The exe stays locked a moment after its process reported STOPPED.
        const std::wstring exe = copy + L"\\QVVoIPService.exe";
        WaitUntil([&] { return DeleteFileW(exe.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND; });
        DeleteFileW((copy + L"\\TesmoVoIP.xml").c_str());
        RemoveDirectoryW(copy.c_str());
        copy.clear();
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Wine, ServiceContract, WineWorld);

}  // namespace
}  // namespace qv::contract
