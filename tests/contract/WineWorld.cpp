// The service seam's suite against the real service manager, under Wine (or
// on Windows as an administrator), with the stand-in registered as the
// service. The world looks after the service with advapi32 directly, never
// through the code under test, so a fault there cannot hide itself.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32/FileSystemWin32.h"
#include "platform/win32/Handles.h"
#include "platform/win32/RegistryWin32.h"
#include "platform/win32/ServiceManagerWin32.h"
#include "tests/contract/ServiceContract.h"

namespace qv::contract {
namespace {

namespace fs = std::filesystem;

struct WineWorld {
    ServiceManagerWin32 manager;
    RegistryWin32 registry;
    FileSystemWin32 files;
    fs::path copy;  // the stand-in's folder of this test

    // A copy of the stand-in (built beside this test program) in a folder of
    // its own, with the TesmoVoIP.xml that makes it behave so.
    std::wstring Standin(Behaviour behaviour) {
        if (copy.empty()) {
            static int copies = 0;  // the tests run one at a time
            copy = fs::temp_directory_path() / (L"qv-standin-" + std::to_wstring(GetCurrentProcessId()) +
                                                L"-" + std::to_wstring(++copies));
            std::wstring self(32768, L'\0');
            self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
            fs::create_directory(copy);
            const fs::path build = fs::path(self).parent_path().parent_path().parent_path();
            fs::copy_file(build / "standin" / "QVVoIPService.exe", copy / "QVVoIPService.exe");
            const char* xml = behaviour == Behaviour::StuckStarting ? "<StayPending>true</StayPending>"
                              : behaviour == Behaviour::SlowStop ? "<StopPendingMs>600000</StopPendingMs>"
                              : behaviour == Behaviour::Pausing  ? "<PauseAfterMs>0</PauseAfterMs>"
                                                                 : "";
            std::ofstream(copy / "TesmoVoIP.xml") << "<TesmoVoIP>" << xml << "</TesmoVoIP>";
        }
        return (copy / "QVVoIPService.exe").wstring();
    }
    void Installed(Behaviour) {}

    // Long enough for a loaded two-core machine under Wine.
    template <typename Condition>
    static bool Eventually(Condition done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!done()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return true;
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
        EXPECT_TRUE(Eventually([&] { return !open() && GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST; }))
            << "the stand-in outlived its deletion";
        // The exe stays locked a moment after its process reported STOPPED.
        if (copy.empty()) return;
        std::error_code error;
        Eventually([&] {
            fs::remove_all(copy, error);
            return !error;
        });
        copy.clear();
    }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Wine, ServiceContract, WineWorld);

}  // namespace
}  // namespace qv::contract
