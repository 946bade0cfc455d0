// Start registers the service only when nobody but administrators, the
// system and the user running the tool can change what it would run.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

using namespace access;
using fake::FakeSecurity;

const std::wstring kFolder = LR"(C:\Program Files\Quorvel)";
const std::wstring kExe = kFolder + LR"(\QVVoIPService.exe)";
constexpr std::uint32_t kModify = 0x1301BF;

// The administrators' list with `entry` added.
ObjectSecurity Plus(AccessEntry entry, std::wstring owner = fake::kAdministrators) {
    ObjectSecurity security = FakeSecurity::AdministratorsOnly();
    security.owner = std::move(owner);
    if (!entry.trustee.empty()) security.allowed->push_back(entry);
    return security;
}

// `arrange` sets up the files' security, then Start is pressed with the
// service not installed (or installed and refusing to start: the retry).
// Either it registers the service as ever, or a box names `path` and `who`
// and nothing is registered.
struct Row {
    const char* what;
    std::function<void(FakeSecurity&)> arrange;
    const wchar_t* path = nullptr;  // none: accepted
    const wchar_t* who = L"";
    bool retry = false;
};

const Row kRows[] = {
    {"under Program Files", [](FakeSecurity&) {}},
    {"Users may add files and folders to the folder",
     [](FakeSecurity& s) { s.objects[kFolder] = Plus({fake::kUsers, kWriteData | kAppendData}); },
     LR"(C:\Program Files\Quorvel)", L"BUILTIN\\Users"},
    {"the executable writable by Everyone (generic)",
     [](FakeSecurity& s) { s.objects[kExe] = Plus({fake::kEveryone, kGenericWrite}); }, kExe.c_str(), L"Everyone"},
    {"the data file appendable by Authenticated Users",
     [](FakeSecurity& s) { s.objects[kFolder + L"\\TesmoVoIP.xml"] = Plus({fake::kAuthenticatedUsers, kAppendData}); },
     LR"(C:\Program Files\Quorvel\TesmoVoIP.xml)", L"NT AUTHORITY\\Authenticated Users"},
    {"the folder owned by another user",
     [](FakeSecurity& s) { s.objects[kFolder] = Plus({}, fake::kOtherUser); }, LR"(C:\Program Files\Quorvel)",
     L"PC\\bob"},
    {"a folder above that another user may rename",
     [](FakeSecurity& s) { s.objects[LR"(C:\Program Files)"] = Plus({fake::kOtherUser, kDelete}); },
     LR"(C:\Program Files)", L"PC\\bob"},
    {"a null access list", [](FakeSecurity& s) { s.objects[kExe] = ObjectSecurity{fake::kAdministrators, {}}; },
     kExe.c_str(), L"Everyone"},
    {"security that cannot be read", [](FakeSecurity& s) { s.objects[kFolder] = std::nullopt; },
     LR"(C:\Program Files\Quorvel)"},
    // What only the folder's children inherit, adding files to a folder
    // above, and the current user's own rights change nothing.
    {"inherit-only entries and the user's own rights", [](FakeSecurity& s) {
         s.objects[kFolder] = Plus({fake::kAuthenticatedUsers, kModify, true}, fake::kTheAdmin);
         s.objects[LR"(C:\Program Files)"] = Plus({fake::kUsers, kWriteData | kAppendData});
     }},
    // C:\ as Windows sets it up: users may make folders there.
    {"C:\\ with its create-folders right", [](FakeSecurity& s) {
         ObjectSecurity root = Plus({fake::kAuthenticatedUsers, kAppendData});
         root.allowed->push_back({fake::kAuthenticatedUsers, kModify, true});
         s.objects[LR"(C:\)"] = root;
     }},
    {"C:\\ itself, where Users may remove a folder",
     [](FakeSecurity& s) { s.objects[LR"(C:\)"] = Plus({fake::kUsers, kDeleteChild}); }, LR"(C:\)", L"BUILTIN\\Users"},
    {"a link to a share whose root others can change", [](FakeSecurity& s) {
         s.links[kFolder] = LR"(\\srv\share\Q)";
         s.objects[LR"(\\srv\share\)"] = Plus({fake::kEveryone, kWriteDac});
     }, LR"(\\srv\share\)", L"Everyone"},
    {"a junction out of a safe folder into a user's", [](FakeSecurity& s) {
         s.links[kFolder] = LR"(C:\Users\bob\Q)";
         s.objects[LR"(C:\Users\bob\Q)"] = Plus({}, fake::kOtherUser);
     }, LR"(C:\Users\bob\Q)", L"PC\\bob"},
    {"the retry after a refused start, which keeps the registration",
     [](FakeSecurity& s) { s.objects[kFolder] = Plus({fake::kUsers, kModify}); }, LR"(C:\Program Files\Quorvel)",
     L"BUILTIN\\Users", true},
};

TEST(WriteGuard, StartRegistersOnlyWhatNobodyElseCanChange) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.what);
        fake::FakeWindow w;
        w.InFolder(kFolder);
        if (row.retry) w.Install(scm::kStopped).disabled = true;
        row.arrange(w.security);
        w.form.Load();
        w.form.lblStart_Click();
        const fake::FakeService* service = w.manager.Find(ServiceName);
        if (row.path == nullptr) {
            EXPECT_TRUE(w.desktop.messages.empty());
            ASSERT_TRUE(service);
            EXPECT_EQ(service->binaryPath, L'"' + kExe + L'"');
            EXPECT_EQ(service->state, scm::kRunning);
            continue;
        }
        // Refused before the retry's delete: the registration there is kept.
        EXPECT_EQ(service != nullptr, row.retry);
        EXPECT_EQ(std::ranges::count_if(w.manager.calls, [](auto& c) { return c.starts_with("StartServiceA"); }),
                  row.retry ? 1 : 0);
        const std::wstring who = *row.who ? std::wstring(L"\r\n") + row.who : L"";
        EXPECT_EQ(w.desktop.messages,
                  std::vector<std::wstring>{
                      L"Quorvel: Unable to Start: the file or folder below can be changed by the users "
                      L"named under it, not by administrators alone, and the service would run whatever "
                      L"they put there. Keep the server in a folder under C:\\Program Files, or take "
                      L"their write access away.\r\n\r\n" +
                      std::wstring(row.path) + who});
        EXPECT_FALSE(w.desktop.ended);
    }
}

}  // namespace
}  // namespace qv
