// The window's logic wired to a complete set of fakes, for the tests that
// drive frmVctool.
#pragma once

#include <string>

#include "service/NTServiceControl.h"
#include "service/install.h"
#include "tests/fakes/FakeDesktop.h"
#include "tests/fakes/FakeFiles.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeSecurity.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv::fake {

struct FakeWindow {
    FakeServiceManager manager;
    FakeRegistry registry;
    FakeFiles files;
    FakeDesktop desktop;
    FakeSecurity security;
    ProgramWide program;
    NTServiceControl service{manager, files, program};
    install installer{manager, registry};
    frmVctool form{service, installer, desktop, desktop, program, security, {files, files, files}};

    FakeWindow() { desktop.onTick = [this](int id) { form.OnTimer(id); }; }

    // The program in `folder`, with the service's files beside it.
    void InFolder(const std::wstring& folder) {
        desktop.programFolder = folder;
        files.AddFile(folder + L"\\TesmoVoIP.xml", "<xml/>");
        files.AddFile(folder + L"\\QVVoIPService.exe", "MZ");
    }
    FakeService& Install(std::int32_t state) {
        FakeService& installed = manager.AddService(ServiceName);
        installed.state = state;
        return installed;
    }
    // The service as the next status query finds it; 0 makes the status
    // unreadable while the configuration stays readable.
    void Become(std::int32_t state) {
        if (state == 0)
            manager.Find(ServiceName)->grantedAccess = scm::kServiceQueryConfig;
        else
            manager.SetState(ServiceName, state);
    }
    // The service's real state; 0 once it is gone.
    std::int32_t Actual() {
        const FakeService* found = manager.Find(ServiceName);
        return found ? found->state : 0;
    }
    // Start's, Stop's and Restart's text colour, each marked "+" if it can be
    // pressed: "black+ busy- other-".
    std::string Commands() const {
        std::string shown;
        for (const Label* label : {&form.lblStart, &form.lblStop, &form.lblRestart}) {
            const Rgb colour = label->ForeColor();
            shown += colour == kBlack ? " black" : colour == kBusyGrey ? " busy" : " other";
            shown += label->Enabled() ? '+' : '-';
        }
        return shown.substr(1);
    }
};

}  // namespace qv::fake
