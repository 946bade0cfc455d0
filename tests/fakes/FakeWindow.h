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
    frmVctool form{service, installer, desktop, program, {settings, folders, files}};
};

}  // namespace qv::fake
