// The window's logic wired to a complete set of fakes, for the tests that
// drive frmVctool.
#pragma once

#include "service/NTServiceControl.h"
#include "service/install.h"
#include "tests/fakes/FakeDesktop.h"
#include "tests/fakes/FakeFiles.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv::fake {

struct FakeWindow {
    FakeServiceManager manager;
    FakeRegistry registry;
    FakeFiles files;
    FakeDesktop desktop;
    ProgramWide program;
    NTServiceControl service{manager, files, program};
    install installer{manager, registry};
    frmVctool form{service, installer, desktop, desktop, program, {files, files, files}};

    FakeWindow() { desktop.onTick = [this](int id) { form.OnTimer(id); }; }

    // The program in `folder`, with the service's files beside it (those asked for).
    void InFolder(const std::wstring& folder, bool data = true, bool executable = true) {
        desktop.programFolder = folder;
        if (data) files.AddFile(folder + L"\\TesmoVoIP.xml", "<xml/>");
        if (executable) files.AddFile(folder + L"\\QVVoIPService.exe", "MZ");
    }
    // The service installed in `state`.
    FakeService& Install(std::int32_t state = scm::kStopped) {
        FakeService installed;
        installed.state = state;
        return manager.AddService(ServiceName, installed);
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
    // How many calls of the service manager begin with `call`.
    int Calls(const std::string& call) const {
        int n = 0;
        for (const std::string& made : manager.calls) n += made.starts_with(call);
        return n;
    }
    // "Start+ Stop- Restart-": the commands as the window offers them.
    std::string Buttons() const {
        return std::string("Start") + (form.lblStart.Enabled() ? '+' : '-') + " Stop" +
               (form.lblStop.Enabled() ? '+' : '-') + " Restart" +
               (form.lblRestart.Enabled() ? '+' : '-');
    }
    // "black busy other": Start's, Stop's and Restart's text colours.
    std::string Colours() const {
        std::string colours;
        for (const Label* label : {&form.lblStart, &form.lblStop, &form.lblRestart})
            colours += std::string(colours.empty() ? "" : " ") +
                       (label->ForeColor() == kBlack      ? "black"
                        : label->ForeColor() == kBusyGrey ? "busy"
                                                          : "other");
        return colours;
    }
    // A press and a release of `button` in the middle of a control, as the
    // view hands them over.
    void Click(ControlId id, int button = 1) {
        const PixelRect r = ControlRect(LayoutOf(id), desktop.TwipsPerPixelX());
        const int x = (r.left + r.right) / 2;
        const int y = (r.top + r.bottom) / 2;
        form.input.MouseDown(button, 0, x, y);
        form.input.MouseUp(x, y);
    }
};

}  // namespace qv::fake
