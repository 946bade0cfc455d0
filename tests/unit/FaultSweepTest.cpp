// Every call a scenario makes to the service manager, the registry or the
// files, failed on its own: nothing stays open, the window shows one of its
// faces, and only a refused stop or start leaves a wait that the user ends
// by closing the window.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

constexpr wchar_t kFolder[] = LR"(C:\Quorvel)";
constexpr std::uint64_t kUserClosesAt = 20 * 60 * 1000;

struct Scenario {
    const char* name;
    std::function<void(fake::FakeWindow&)> setUp, act;
    bool waits = false;  // a command that waits for the service
};

void ServiceFiles(fake::FakeWindow& w) {
    w.desktop.programFolder = kFolder;
    w.files.AddFile(std::wstring(kFolder) + L"\\TesmoVoIP.xml", "<xml/>");
    w.files.AddFile(std::wstring(kFolder) + L"\\QVVoIPService.exe", "MZ");
}

// The service installed in `state`, then the window loaded.
std::function<void(fake::FakeWindow&)> Loaded(std::int32_t state) {
    return [state](fake::FakeWindow& w) {
        w.Install(state);
        w.form.Load();
    };
}

const Scenario kScenarios[] = {
    {"load with a language file",
     [](fake::FakeWindow& w) {
         w.Install(scm::kRunning);
         w.files.folders[L"C:\\Lang"] = {L"Deutsch.txt"};
         w.files.AddFile(L"C:\\Lang\\Deutsch.txt", "h\r\nStart=>Los\r\n");
         w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = L"C:\\Lang";
         w.files.settings[LR"(Quorvel\Options\Language)"] = L"Deutsch";
     },
     [](fake::FakeWindow& w) { w.form.Load(); }},
    {"refresh, running", Loaded(scm::kRunning),
     [](fake::FakeWindow& w) { w.form.OnTimer(kTmrcheckId); }},
    {"watchdog, start pending", Loaded(scm::kStartPending),
     [](fake::FakeWindow& w) { w.form.OnTimer(kTmrErrorId); }},
    {"Start, not installed",
     [](fake::FakeWindow& w) {
         ServiceFiles(w);
         w.form.Load();
     },
     [](fake::FakeWindow& w) { w.form.lblStart_Click(); }},
    {"Start, refused",
     [](fake::FakeWindow& w) {
         ServiceFiles(w);
         w.Install(scm::kStopped).disabled = true;
         w.form.Load();
     },
     [](fake::FakeWindow& w) { w.form.lblStart_Click(); }},
    {"Stop", Loaded(scm::kRunning), [](fake::FakeWindow& w) { w.form.lblStop_Click(); }, true},
    {"Restart", Loaded(scm::kRunning), [](fake::FakeWindow& w) { w.form.lblRestart_Click(); },
     true},
};

// The calls each seam made, by name.
std::map<std::string, int> Counts(fake::FakeWindow& w) {
    std::map<std::string, int> counts;
    for (const std::string& call : w.manager.calls) ++counts["scm:" + call.substr(0, call.find('('))];
    for (const std::string& call : w.registry.calls) ++counts["reg:" + call.substr(0, call.find('('))];
    counts["files:FileLength"] = static_cast<int>(w.files.lengthQueries.size());
    counts["files:ReadWholeFile"] = w.files.reads;
    return counts;
}

// A generic failure, and the codes the program tells apart from it.
std::vector<std::uint32_t> Codes(const std::string& call) {
    if (call == "scm:CloseServiceHandle" || call == "reg:RegCloseKey") return {};
    if (call == "scm:QueryServiceConfigA") return {1450, scm::kErrorInsufficientBuffer};
    if (call == "reg:RegOpenKeyExA") return {5, reg::kErrorFileNotFound};
    return {1450};
}

void Fail(fake::FakeWindow& w, const std::string& site, std::uint32_t code, int occurrence) {
    const std::string call = site.substr(site.find(':') + 1);
    if (site.starts_with("scm:")) w.manager.FailCall(call, code, occurrence);
    if (site.starts_with("reg:")) w.registry.FailCall(call, static_cast<std::int32_t>(code), occurrence);
    if (site.starts_with("files:")) w.files.failing[call].insert(occurrence);
}

TEST(FaultSweep, AnySingleFailingCallLeavesNothingOpenAndTheWindowInOneOfItsFaces) {
    int runs = 0;
    for (const Scenario& scenario : kScenarios) {
        fake::FakeWindow dry;
        scenario.setUp(dry);
        const auto before = Counts(dry);
        scenario.act(dry);
        for (const auto& [site, total] : Counts(dry)) {
            const int already = before.count(site) ? before.at(site) : 0;
            for (int n = already + 1; n <= total; ++n)
                for (const std::uint32_t code : Codes(site)) {
                    SCOPED_TRACE(std::string(scenario.name) + ": " + site + " #" +
                                 std::to_string(n) + " fails with " + std::to_string(code));
                    ++runs;
                    fake::FakeWindow w;
                    scenario.setUp(w);
                    Fail(w, site, code, n);
                    // A wait still going then is one the user gives up on: it
                    // must be waiting, with the refresh going on, for a state
                    // the service is not in.
                    bool userClosed = false;
                    w.desktop.Schedule(w.desktop.Now() + kUserClosesAt, [&] {
                        userClosed = true;
                        EXPECT_TRUE(w.form.tmrcheck.Enabled());
                        EXPECT_EQ(w.form.ServiceState(), w.Actual());
                        w.Click(ControlId::lblClose);
                    });
                    EXPECT_NO_THROW(scenario.act(w));
                    EXPECT_EQ(w.manager.OpenHandles(), 0);
                    EXPECT_EQ(w.registry.OpenKeys(), 0);
                    EXPECT_FALSE(w.desktop.blockedForever);
                    const std::wstring& status = w.form.lblStatus.Caption();
                    EXPECT_TRUE(status.empty() || status == L"Stopped" || status == L"Running");
                    const std::string buttons = w.Buttons();
                    EXPECT_FALSE(buttons.starts_with("Start+") && buttons != "Start+ Stop- Restart-");
                    EXPECT_FALSE(buttons.starts_with("Start+") && status == L"Running");
                    EXPECT_FALSE(w.form.lblStop.Enabled() && status == L"Stopped");
                    EXPECT_TRUE(!userClosed || scenario.waits);
                }
        }
    }
    EXPECT_GT(runs, 100);
}

}  // namespace
}  // namespace qv
