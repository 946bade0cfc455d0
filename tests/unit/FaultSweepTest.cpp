// Every service manager, registry and file call a scenario makes, failed on
// its own with each error it can plausibly return: the window must stay
// consistent, close what it opened and never be stuck in an endless wait.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/frmVctool.h"

namespace qv {
namespace {

using ReadFailure = fake::FakeFileSystem::ReadFailure;

constexpr wchar_t kFolder[] = LR"(C:\Quorvel)";
constexpr wchar_t kLangFolder[] = LR"(C:\Lang)";
constexpr char kKeyPath[] = R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)";
// Long after every wait that can end by itself has ended: the user gives up
// on a wait that cannot and closes the window.
constexpr std::uint64_t kUserClosesAt = 20 * 60 * 1000;

struct Rig : fake::FakeWindow {
    Rig() {
        desktop.programFolder = kFolder;
        desktop.onTick = [this](int id) { form.OnTimer(id); };
    }
    fake::FakeService& Install(std::int32_t state) {
        fake::FakeService installed;
        installed.state = state;
        return manager.AddService(ServiceName, installed);
    }
    void ServiceFiles() {
        files.AddFile(std::wstring(kFolder) + L"\\" + kServiceDataFile, "<xml/>");
        files.AddFile(std::wstring(kFolder) + L"\\" + kServiceExecutable, "MZ");
    }
    // The service process finishes each start or stop a second after it was
    // asked to (if the service is still there), however late the request.
    void SettleAfterRequests() {
        manager.onCall = [this](const std::string& call) {
            if (call != "StartServiceA" && call != "ControlService") return;
            desktop.Schedule(desktop.Now() + 1000, [this] {
                if (manager.Find(ServiceName)) manager.Settle(ServiceName);
            });
        };
    }

    bool closedWithTimersRunning = false;
};

enum class Seam { Manager, Registry, Files };

struct Site {
    Seam seam;
    std::string call;
    int occurrence;  // among the calls of that name over the fakes' life
    int nth;         // among the scenario's own calls of that name
    std::string op;  // the service manager operation it belongs to
};

struct Scenario {
    const char* name;
    std::function<void(Rig&)> setUp;
    std::function<void(Rig&)> act;  // only its calls are failed
    std::int32_t waitsFor = 0;      // the state a command's wait ends on
    // What a single failure must lead to, where that is short to state.
    std::function<void(Rig&, const Site&, int code)> expect = nullptr;
};

std::string NameOf(const std::string& text) { return text.substr(0, text.find('(')); }

std::vector<std::string> CallNames(const Rig& rig, Seam seam) {
    std::vector<std::string> names;
    if (seam == Seam::Manager)
        for (const fake::Call& call : rig.manager.Calls()) names.push_back(call.name);
    if (seam == Seam::Registry)
        for (const std::string& text : rig.registry.calls) names.push_back(NameOf(text));
    if (seam == Seam::Files) names = rig.files.calls;
    return names;
}

// Every operation opens the manager, then the service with the access it
// needs; that access names the operation.
std::string Operation(const std::vector<fake::Call>& calls, std::size_t i) {
    if (calls[i].text == "OpenSCManagerA(null, null, 0x2)" || calls[i].name == "CreateServiceA")
        return "install";
    std::size_t j = i;
    if (calls[i].name == "OpenSCManagerA")
        while (j + 1 < calls.size() && calls[j].name != "OpenServiceA") ++j;
    else
        while (j > 0 && calls[j].name != "OpenServiceA") --j;
    const std::string& text = calls[j].text;
    const std::string access = text.substr(text.rfind(' ') + 1);
    for (const auto& [mask, op] : {std::pair{"0x1)", "config"}, {"0x4)", "status"},
                                   {"0x10)", "start"}, {"0x20)", "stop"}, {"0xf01ff)", "delete"}})
        if (access == mask) return op;
    return "?";
}

std::vector<int> Codes(Seam seam, const std::string& call) {
    if (seam == Seam::Registry) return {2, 5};
    if (seam == Seam::Files)
        return call == "ReadWholeFile" ? std::vector<int>{static_cast<int>(ReadFailure::Fail),
                                                          static_cast<int>(ReadFailure::OutOfMemory)}
                                       : std::vector<int>{static_cast<int>(ReadFailure::Fail)};
    if (call == "OpenSCManagerA") return {5, 6};
    if (call == "OpenServiceA") return {5, 6, 1060};
    if (call == "QueryServiceStatus") return {5, 6};
    if (call == "QueryServiceConfigA") return {5, 6, 122};
    if (call == "StartServiceA") return {5, 6, 1053, 1056, 1058, 1072};
    if (call == "ControlService") return {5, 6, 1053, 1061, 1062};
    if (call == "DeleteService") return {5, 6, 1072};
    if (call == "CreateServiceA") return {5, 6, 1072, 1073};
    return {};  // closing: nothing the tool could do about a failure
}

void Prepare(Rig& rig, const Scenario& scenario) {
    scenario.setUp(rig);
    if (scenario.waitsFor != 0)
        rig.desktop.Schedule(kUserClosesAt, [&rig] {
            rig.closedWithTimersRunning =
                rig.desktop.TimerRunning(kTmrcheckId) || rig.desktop.TimerRunning(kTmrErrorId);
            rig.Click(ControlId::lblClose);
        });
}

std::vector<Site> Record(const Scenario& scenario) {
    Rig rig;
    Prepare(rig, scenario);
    std::vector<std::size_t> marks;
    for (Seam seam : {Seam::Manager, Seam::Registry, Seam::Files})
        marks.push_back(CallNames(rig, seam).size());
    scenario.act(rig);
    std::vector<Site> sites;
    for (Seam seam : {Seam::Manager, Seam::Registry, Seam::Files}) {
        const std::vector<std::string> names = CallNames(rig, seam);
        const std::size_t mark = marks[static_cast<std::size_t>(seam)];
        for (std::size_t i = mark; i < names.size(); ++i) {
            const auto before = [&](std::size_t from) {
                return static_cast<int>(std::count(names.begin() + static_cast<std::ptrdiff_t>(from),
                                                   names.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                                   names[i]));
            };
            if (Codes(seam, names[i]).empty()) continue;
            sites.push_back({seam, names[i], before(0), before(mark),
                             seam == Seam::Manager ? Operation(rig.manager.Calls(), i) : ""});
        }
    }
    return sites;
}

std::string Buttons(const frmVctool& form) {
    return std::string(form.lblStart.Enabled() ? "Start+" : "Start-") +
           (form.lblStop.Enabled() ? " Stop+" : " Stop-") +
           (form.lblRestart.Enabled() ? " Restart+" : " Restart-");
}

// The faces RefreshStatus can leave, and what the commands only take away:
// Start is offered only for a service that is not running, so never beside
// Stop or Restart, and never under "Running"; Stop never under "Stopped".
void ExpectConsistentWindow(const frmVctool& form) {
    const std::wstring& status = form.lblStatus.Caption();
    EXPECT_TRUE(status.empty() || status == L"Stopped" || status == L"Running");
    const bool start = form.lblStart.Enabled();
    EXPECT_FALSE(start && (form.lblStop.Enabled() || form.lblRestart.Enabled())) << Buttons(form);
    EXPECT_FALSE(start && status == L"Running") << Buttons(form);
    EXPECT_FALSE(form.lblStop.Enabled() && status == L"Stopped") << Buttons(form);
}

// Set-up: the service installed in `state`, then the window started.
std::function<void(Rig&)> Loaded(std::int32_t state) {
    return [state](Rig& rig) {
        rig.Install(state);
        rig.form.Load();
    };
}

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> scenarios = {
        {"Load with a language file",
         [](Rig& rig) {
             rig.Install(scm::kRunning);
             rig.settings.Set(L"Language", L"Deutsch");
             rig.settings.Set(L"LFOLDER", kLangFolder);
             rig.folders.folders[kLangFolder] = {L"Deutsch.txt"};
             rig.files.AddFile(std::wstring(kLangFolder) + L"\\Deutsch.txt",
                               "h\r\nStart=>Los\r\nRunning=>L\xE4uft\r\n");
         },
         [](Rig& rig) { rig.form.Load(); }, 0,
         [](Rig& rig, const Site& site, int) {
             EXPECT_EQ(rig.form.lblStart.Caption(), site.seam == Seam::Files ? L"Start" : L"Los");
             // The language comes after the first refresh, so its text is English.
             const wchar_t* status = site.seam != Seam::Manager ? L"Running"
                                     : site.op == "config"       ? L"Stopped"
                                                                 : L"";
             EXPECT_EQ(rig.form.lblStatus.Caption(), status);
         }},
        {"refresh tick, installed and running", Loaded(scm::kRunning),
         [](Rig& rig) { rig.form.OnTimer(kTmrcheckId); }, 0,
         [](Rig& rig, const Site& site, int) {
             if (site.op == "config") {
                 EXPECT_EQ(rig.form.lblStatus.Caption(), L"Stopped");
                 EXPECT_EQ(Buttons(rig.form), "Start+ Stop- Restart-");
             } else {  // the status read failed: nothing pressable, the watchdog counts
                 EXPECT_EQ(Buttons(rig.form), "Start- Stop- Restart-");
                 EXPECT_TRUE(rig.form.Tmr_error.Enabled());
             }
         }},
        {"refresh tick, not installed", [](Rig& rig) { rig.form.Load(); },
         [](Rig& rig) { rig.form.OnTimer(kTmrcheckId); }, 0,
         [](Rig& rig, const Site&, int) {
             EXPECT_EQ(rig.form.lblStatus.Caption(), L"Stopped");
             EXPECT_EQ(Buttons(rig.form), "Start+ Stop- Restart-");
         }},
        {"refresh tick, start pending", Loaded(scm::kStartPending),
         [](Rig& rig) { rig.form.OnTimer(kTmrcheckId); }},
        {"watchdog tick, start pending", Loaded(scm::kStartPending),
         [](Rig& rig) { rig.form.OnTimer(kTmrErrorId); }, 0,
         [](Rig& rig, const Site& site, int) {
             // A failed status read reads as settled; any later failure does
             // not stop the watchdog from giving up on the service.
             const bool statusRead = site.op == "status" && site.nth == 1;
             EXPECT_EQ(rig.desktop.messages.size(), statusRead ? 0u : 1u);
             EXPECT_EQ(rig.form.tmrcheck.Enabled(), statusRead);
             EXPECT_FALSE(rig.form.Tmr_error.Enabled());
         }},
        {"Start, not installed, both files there",
         [](Rig& rig) {
             rig.ServiceFiles();
             rig.form.Load();
         },
         [](Rig& rig) { rig.form.lblStart_Click(); }, 0,
         [](Rig& rig, const Site& site, int) {
             if (site.seam == Seam::Files) {  // a file that seems missing ends the program
                 EXPECT_TRUE(rig.desktop.ended);
                 EXPECT_TRUE(rig.manager.creates.empty());
             }
             if (site.call == "CreateServiceA") {
                 EXPECT_NE(rig.registry.Value(kKeyPath, "Description"), nullptr);
             }
             if (site.seam == Seam::Registry) {
                 EXPECT_EQ(rig.form.lblStatus.Caption(), L"Running");
             }
         }},
        {"Start, installed and stopped", Loaded(scm::kStopped),
         [](Rig& rig) { rig.form.lblStart_Click(); }},
        {"Start, refused start",
         [](Rig& rig) {
             rig.ServiceFiles();
             rig.Install(scm::kStopped).config.startType = fake::kDisabled;
             rig.form.Load();
         },
         [](Rig& rig) { rig.form.lblStart_Click(); }},
        {"Stop, running, settles after a while",
         [](Rig& rig) {
             rig.Install(scm::kRunning).onStop = fake::OnStop::StayPending;
             rig.form.Load();
             rig.SettleAfterRequests();
         },
         [](Rig& rig) { rig.form.lblStop_Click(); }, scm::kStopped},
        {"Restart, running, settles after a while",
         [](Rig& rig) {
             fake::FakeService& service = rig.Install(scm::kRunning);
             service.onStop = fake::OnStop::StayPending;
             service.onStart = fake::OnStart::StayPending;
             rig.form.Load();
             rig.SettleAfterRequests();
         },
         [](Rig& rig) { rig.form.lblRestart_Click(); }, scm::kRunning},
    };
    return scenarios;
}

void Arm(Rig& rig, const Site& site, int code) {
    if (site.seam == Seam::Manager)
        rig.manager.FailCall(site.call, static_cast<std::uint32_t>(code), site.occurrence);
    if (site.seam == Seam::Registry) rig.registry.FailCall(site.call, code, site.occurrence);
    if (site.seam == Seam::Files)
        rig.files.FailCall(site.call, static_cast<ReadFailure>(code), site.occurrence);
}

// Whether the armed call was reached and, for the service manager, failed.
bool Hit(const Rig& rig, const Site& site, int code) {
    const std::vector<std::string> names = CallNames(rig, site.seam);
    int seen = 0;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] != site.call || ++seen != site.occurrence) continue;
        if (site.seam != Seam::Manager) return true;
        const fake::Call& call = rig.manager.Calls()[i];
        return !call.ok && call.error == static_cast<std::uint32_t>(code);
    }
    return false;
}

TEST(FaultSweepTest, EachCallFailingAloneLeavesTheWindowConsistent) {
    int pairs = 0, completed = 0, blocked = 0, userClosed = 0;
    for (const Scenario& scenario : Scenarios()) {
        const std::vector<Site> sites = Record(scenario);
        EXPECT_FALSE(sites.empty()) << scenario.name;
        for (const Site& site : sites) {
            EXPECT_NE(site.op, "?") << scenario.name << ": " << site.call;
            for (const int code : Codes(site.seam, site.call)) {
                SCOPED_TRACE(std::string(scenario.name) + ": " + site.call + " #" +
                             std::to_string(site.nth) + " fails with " + std::to_string(code));
                ++pairs;
                auto rig = std::make_unique<Rig>();
                Arm(*rig, site, code);
                Prepare(*rig, scenario);
                try {
                    scenario.act(*rig);
                } catch (const std::exception& e) {
                    ADD_FAILURE() << "escaped: " << e.what();
                    continue;
                }
                EXPECT_TRUE(Hit(*rig, site, code));
                EXPECT_EQ(rig->manager.OpenHandleCount(), 0);
                EXPECT_EQ(rig->registry.OpenKeys(), 0);
                ExpectConsistentWindow(rig->form);
                if (scenario.expect) scenario.expect(*rig, site, code);
                if (scenario.waitsFor == 0) {
                    EXPECT_FALSE(rig->desktop.blockedForever);
                } else if (rig->desktop.ended) {
                    // Only a refused stop or start request leaves its wait
                    // to the user; the refresh goes on meanwhile.
                    EXPECT_TRUE(site.op == "stop" || site.op == "start") << site.op;
                    ++(rig->closedWithTimersRunning ? userClosed : blocked);
                } else {
                    EXPECT_EQ(rig->form.ServiceState(), scenario.waitsFor);
                    ++completed;
                }
            }
        }
    }
    std::cout << "[ sweep    ] " << pairs << " (call site, code) pairs over "
              << Scenarios().size() << " scenarios; waits: " << completed << " completed, "
              << blocked << " blocked, " << userClosed << " only ended by closing the window\n";
    ::testing::Test::RecordProperty("pairs", pairs);
    EXPECT_GT(pairs, 0);
}

}  // namespace
}  // namespace qv
