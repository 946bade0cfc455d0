// The window's logic wired to a complete set of fakes, for the tests that
// drive frmVctool.
#pragma once

#include "service/NTServiceControl.h"
#include "service/ProgramWide.h"
#include "service/install.h"
#include "tests/fakes/FakeDesktop.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv::fake {

struct FakeWindow {
    FakeServiceManager manager;
    FakeFileSystem files;
    FakeDesktop desktop;
    FakeRegistry registry;
    FakeSettings settings;
    FakeFolders folders;
    ProgramWide program;
    NTServiceControl service{manager, files, program};
    install installer{manager, registry};
    frmVctool form{service, installer, desktop, desktop, program, {settings, folders, files}};

    // A left click in the middle of a control, as the view hands it over.
    void Click(ControlId id) {
        const PixelRect r = ControlRect(LayoutOf(id), desktop.TwipsPerPixelX());
        const int x = (r.left + r.right) / 2;
        const int y = (r.top + r.bottom) / 2;
        form.MouseDown(1, 0, x, y);
        form.MouseUp(x, y);
    }
};

}  // namespace qv::fake
