// Every call a scenario makes to the service manager, the registry or the
// files, failed on its own: nothing stays open, the window shows one of its
// faces, and a wait the user has to end by closing the window waits, with
// the refresh going on, for a state the service is not in.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

// The service installed in `installed` (-1: not), disabled or not, with its files and a
// language file there; the window loaded unless `act` does it.
struct Scenario {
    const char* name;
    std::int32_t installed;
    std::function<void(fake::FakeWindow&)> act;
    bool waits = false;  // a command that waits for the service
    bool disabled = false;
};

const Scenario kScenarios[] = {
    {"load", scm::kRunning, [](auto& w) { w.form.Load(); }},
    {"refresh", scm::kRunning, [](auto& w) { w.form.tmrcheck_Timer(); }},
    {"watchdog", scm::kStartPending, [](auto& w) { w.form.Tmr_error_Timer(); }},
    {"Start, not installed", -1, [](auto& w) { w.form.lblStart_Click(); }},
    {"Start, refused", scm::kStopped, [](auto& w) { w.form.lblStart_Click(); }, false, true},
    {"Stop", scm::kRunning, [](auto& w) { w.form.lblStop_Click(); }, true},
    {"Restart", scm::kRunning, [](auto& w) { w.form.lblRestart_Click(); }, true},
};

void Prepare(fake::FakeWindow& w, const Scenario& scenario) {
    w.InFolder(L"C:\\Quorvel");
    w.files.folders[L"C:\\Lang"] = {L"Deutsch.txt"};
    w.files.AddFile(L"C:\\Lang\\Deutsch.txt", "h\r\nStart=>Los\r\n");
    w.files.settings[LR"(Quorvel\Options\LFOLDER)"] = L"C:\\Lang";
    w.files.settings[LR"(Quorvel\Options\Language)"] = L"Deutsch";
    if (scenario.installed >= 0) w.Install(scenario.installed).disabled = scenario.disabled;
    if (std::string(scenario.name) != "load") w.form.Load();
}

// The calls of each seam so far, by name.
std::map<std::string, int> Counts(fake::FakeWindow& w) {
    std::map<std::string, int> counts;
    for (const std::string& call : w.manager.calls) ++counts["scm:" + call.substr(0, call.find('('))];
    for (const std::string& call : w.registry.calls) ++counts["reg:" + call.substr(0, call.find('('))];
    counts["files:FileLength"] = static_cast<int>(w.files.lengthQueries.size());
    counts["files:ReadWholeFile"] = w.files.reads;
    return counts;
}

TEST(FaultSweep, AnySingleFailingCallLeavesNothingOpenAndTheWindowInOneOfItsFaces) {
    int runs = 0;
    for (const Scenario& scenario : kScenarios) {
        fake::FakeWindow dry;
        Prepare(dry, scenario);
        auto before = Counts(dry);
        scenario.act(dry);
        for (const auto& [site, total] : Counts(dry)) {
            const std::string call = site.substr(site.find(':') + 1);
            if (call == "CloseServiceHandle" || call == "RegCloseKey") continue;
            // A generic failure, and the codes the program tells apart from it.
            std::vector<std::uint32_t> codes{1450};
            if (call == "QueryServiceConfigA") codes.push_back(scm::kErrorInsufficientBuffer);
            if (call == "RegOpenKeyExA") codes.push_back(reg::kErrorFileNotFound);
            for (int n = before[site] + 1; n <= total; ++n)
                for (const std::uint32_t code : codes) {
                    SCOPED_TRACE(std::string(scenario.name) + ": " + site + " #" +
                                 std::to_string(n) + " fails with " + std::to_string(code));
                    ++runs;
                    fake::FakeWindow w;
                    Prepare(w, scenario);
                    if (site.starts_with("scm:")) w.manager.FailCall(call, code, n);
                    if (site.starts_with("reg:")) w.registry.failing[call] = {n, static_cast<std::int32_t>(code)};
                    if (site.starts_with("files:")) w.files.failing[call].insert(n);
                    // The user closes the window 20 minutes on.
                    bool userClosed = false;
                    w.desktop.Schedule(w.desktop.Now() + 20 * 60 * 1000, [&] {
                        userClosed = true;
                        EXPECT_TRUE(w.form.tmrcheck.Enabled());
                        EXPECT_EQ(w.form.ServiceState(), w.Actual());
                        w.form.input.DoDefaultAction(ControlId::lblClose);
                    });
                    EXPECT_NO_THROW(scenario.act(w));
                    EXPECT_TRUE(!userClosed || scenario.waits);
                    EXPECT_FALSE(w.desktop.blockedForever);
                    EXPECT_EQ(w.manager.OpenHandles(), 0);
                    EXPECT_EQ(w.registry.OpenKeys(), 0u);
                    const std::wstring& status = w.form.lblStatus.Caption();
                    const bool start = w.form.lblStart.Enabled(), stop = w.form.lblStop.Enabled();
                    EXPECT_TRUE(status.empty() || status == L"Stopped" || status == L"Running");
                    EXPECT_FALSE(start && (stop || w.form.lblRestart.Enabled() || status == L"Running"));
                    EXPECT_FALSE(stop && status == L"Stopped");
                }
        }
    }
    EXPECT_GT(runs, 100);
}

}  // namespace
}  // namespace qv
