// Start, Stop and Restart on the fakes: what they leave in the service
// manager and on the window, and how their waits end.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/fakes/FakeWindow.h"

namespace qv {
namespace {

using fake::FakeWindow;
using Step = std::function<void(FakeWindow&)>;

constexpr std::int32_t S = scm::kStopped, R = scm::kRunning;
constexpr auto Start = &frmVctool::lblStart_Click, Stop = &frmVctool::lblStop_Click,
               Restart = &frmVctool::lblRestart_Click;

// A folder named in another script than the ANSI code page's.
const std::wstring kFolder = L"C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool";

const Step settle = [](FakeWindow& w) { w.manager.Settle(ServiceName); };
const Step deleted = [](FakeWindow& w) { w.manager.Find(ServiceName)->markedForDelete = true; };
const Step running = [](FakeWindow& w) { w.Become(R); };
const Step stopped = [](FakeWindow& w) { w.Become(S); };
// Disabled, and held open by another program until it lets go.
const Step disabledHeld = [](FakeWindow& w) {
    w.manager.Find(ServiceName)->disabled = true;
    w.manager.HoldOpen(ServiceName);
};
const Step letGo = [](FakeWindow& w) { w.manager.LetGo(); };
// Every command pressed, by a reader, many times: none may start.
const Step pressEach = [](FakeWindow& w) {
    const std::int32_t before = w.Actual();
    for (int i = 0; i < 1000; ++i)
        for (const ControlId id : {ControlId::lblStart, ControlId::lblStop, ControlId::lblRestart})
            w.form.input.DoDefaultAction(id);
    EXPECT_EQ(w.Actual(), before);
};
// Start finds the files `missing` (1: the data, 2: the executable) not there:
// a box, the program ends, and it looked for both, the data first.
Step Missing(std::set<int> missing) {
    return [=](FakeWindow& w) { w.files.failing["FileLength"] = missing; };
}
const Step endsOnABox = [](FakeWindow& w) {
    EXPECT_EQ(w.desktop.messages, std::vector<std::wstring>{
        L"Quorvel: Unable to Start due to a dependency file missing. Please re-install Voice "
        L"Chat Service Tool"});
    EXPECT_TRUE(w.desktop.ended);
    EXPECT_EQ(w.files.lengthQueries, (std::vector{kFolder + L"\\TesmoVoIP.xml",
                                                  kFolder + L"\\QVVoIPService.exe"}));
};

// The window loaded in kFolder with the service's files and the service
// `installed` (-1: not installed), which takes its time to start and stop
// (it settles at the events that say so); the commands painted a colour the
// window never paints them. Then `events` scheduled, `arrange` run, and
// `command` pressed: the time it returns at, and then the service's state
// (0: removed), the commands and the status text; never a service left
// marked for deletion, nor a handle left open.
struct Scenario {
    const char* what;
    std::int32_t installed;
    Step arrange;
    std::vector<std::pair<std::uint64_t, Step>> events;
    void (frmVctool::*command)();
    std::uint64_t returned;
    std::int32_t state;
    const char* commands;
    const wchar_t* status;
    Step check = [](FakeWindow& w) { EXPECT_TRUE(w.desktop.messages.empty()); };
};

const Scenario kScenarios[] = {
    // Registered with the folder's text exactly, quoted for its blank.
    {"Start registers a missing service", -1, {}, {}, Start, 0, R, "busy- black+ black+", L"Running",
     [](FakeWindow& w) {
         const fake::FakeService& s = *w.manager.Find(ServiceName);
         EXPECT_EQ(std::tuple(s.displayName, s.binaryPath, s.serviceType, s.startType,
                              s.errorControl, s.loadOrderGroup, s.account, s.password),
                   std::tuple(L"QV Voice Chat Server", L"\"" + kFolder + L"\\QVVoIPService.exe\"",
                              0x10u, 2u, 0u, L"1", std::nullopt, L"Quorvel Voice Chat Server"));
         EXPECT_TRUE(w.registry.Value(R"(SYSTEM\CurrentControlSet\Services\QuorvelVC)", "Description"));
     }},
    {"no data file", -1, Missing({1}), {}, Start, 0, 0, "other+ other- other-", L"Stopped", endsOnABox},
    {"no executable", -1, Missing({2}), {}, Start, 0, 0, "other+ other- other-", L"Stopped", endsOnABox},
    // A refused start is retried once, with a fresh registration.
    {"Start, refused once", S, [](FakeWindow& w) { w.manager.Find(ServiceName)->disabled = true; },
     {}, Start, 0, R, "busy- black+ black+", L"Running",
     [](FakeWindow& w) {
         EXPECT_EQ(w.desktop.sleeps, std::vector<std::uint32_t>{5});
         EXPECT_EQ(w.manager.Find(ServiceName)->startType, 2u);
         EXPECT_EQ(w.program.StartFailed, VbFalse);
     }},
    // Refused again: no third attempt, and the refusal stays raised.
    {"Start, refused twice", -1,
     [](FakeWindow& w) { w.manager.FailCall("StartServiceA", scm::kErrorServiceDisabled); }, {},
     Start, 0, S, "busy+ black- black-", L"Stopped",
     [](FakeWindow& w) {
         EXPECT_EQ(std::ranges::count_if(w.manager.calls,
                                         [](auto& call) { return call.starts_with("StartServiceA"); }),
                   2);
         EXPECT_EQ(w.program.StartFailed, VbTrue);
     }},
    // A start refused while Restart waited does not make Start reinstall.
    {"Start after a refusal", S, [](FakeWindow& w) { w.program.StartFailed = VbTrue; }, {},
     Start, 0, scm::kStartPending, "busy- black- black-", L"Stopped"},
    // Last seen running, the configuration now unreadable: Start stops it.
    {"Start, the configuration unreadable", R,
     [](FakeWindow& w) { w.manager.FailCall("QueryServiceConfigA", scm::kErrorAccessDenied); }, {},
     Start, 0, scm::kStopPending, "busy+ black- black-", L"Stopped"},
    // Stop and Restart grey their command and wait for each state the
    // service takes; Restart starts it only once it is stopped.
    {"Stop", R, {}, {{1000, settle}}, Stop, 1600, 0, "black+ busy- other-", L"Stopped"},
    {"Restart", R, {}, {{1000, settle}, {2000, settle}}, Restart, 2400, R, "other- black+ black+",
     L"Running"},
    // The start completes between the refresh's tick and the watchdog's,
    // both due at 9.6 s, so the refresh left every command disabled.
    {"Restart, the watchdog sees it running", R,
     [](FakeWindow& w) {
         w.desktop.onTick = [&w](int id) {
             w.form.OnTimer(id);
             if (id == kTmrcheckId && w.desktop.Now() == 9600) w.manager.Settle(ServiceName);
         };
     },
     {{100, settle}}, Restart, 9600, R, "other- black- black+", L"Stopped"},
    // The watchdog's count starts afresh with each pending spell: a brief
    // start leaves no deadline behind that an ordinary Stop happens to cover.
    {"Stop after a brief start", S,
     [](FakeWindow& w) {
         w.form.lblStart_Click();
         w.desktop.Advance(7600);
     },
     {{300, settle}, {9100, settle}}, Stop, 9600, 0, "black+ busy- black-", L"Stopped"},
    // Deleted by another tool while Restart (or Stop, the same wait) waits:
    // the service never shows Stopped, so the wait ends when a refresh finds
    // it gone, and the command does nothing more.
    {"Restart, deleted meanwhile", R, {}, {{1000, deleted}, {2000, settle}}, Restart, 2400, 0,
     "other+ black- busy-", L"Stopped"},
    // A stop refused (Wine: the service's process is gone, yet it reads
    // running) ends the command: no wait is left behind to delete the
    // service once it is stopped from outside later.
    {"Stop, refused", R, [](FakeWindow& w) { w.manager.FailCall("ControlService", 232, 1); }, {},
     Stop, 0, R, "black- busy- other+", L"Running",
     [](FakeWindow& w) {
         stopped(w);
         w.desktop.Advance(1600);
         EXPECT_EQ(w.Actual(), S);
     }},
    // Stopped by another program just before: no refusal to end on.
    {"Stop, stopped elsewhere meanwhile", R,
     [](FakeWindow& w) { w.manager.Before("ControlService", [&w] { stopped(w); }); }, {}, Stop, 800,
     0, "black+ busy- other-", L"Stopped"},
    // So does a refused start: no wait for a start that never comes.
    {"Restart, its start refused", R,
     [](FakeWindow& w) { w.manager.FailCall("StartServiceA", scm::kErrorServiceDisabled, 1); },
     {{1000, settle}}, Restart, 1600, S, "other+ black- busy-", L"Stopped"},
    // Running again before it stopped, then stopped from outside: Stop
    // waits it out, and while it waits no command can be pressed, neither
    // Restart, as it was, nor those the refresh offers, so no second wait
    // starts inside the first.
    {"Stop, running again meanwhile", R, {},
     {{100, pressEach}, {1000, running}, {2000, pressEach}, {3000, stopped}}, Stop, 3200, 0,
     "black+ busy- black-", L"Stopped"},
    // Started by another program between Start's look and its request: the
    // refusal says nothing against the registration, which stays.
    {"Start, started elsewhere meanwhile", S,
     [](FakeWindow& w) { w.manager.Before("StartServiceA", [&w] { w.Become(R); }); }, {}, Start, 0,
     R, "busy- black+ black+", L"Running"},
    // The retry's delete only marks a registration another program holds
    // open: Start waits for it to go, then registers afresh; held past the
    // watchdog's interval, it is left to go on its own.
    {"Start, refused and held open", S, disabledHeld, {{3000, letGo}}, Start, 3200, R,
     "busy- black+ black+", L"Running"},
    {"Start, refused and held open long", S, disabledHeld, {{9000, letGo}}, Start, 8000, S,
     "busy+ black- black-", L"Stopped",
     [](FakeWindow& w) {
         // Pressed again while it is still there, Start waits for it again.
         w.form.lblStart_Click();
         EXPECT_EQ(std::tuple(w.desktop.Now(), w.Actual()), std::tuple(9600u, R));
     }},
};

TEST(Commands, EachScenarioEndsInItsStateFaceAndTime) {
    for (const Scenario& c : kScenarios) {
        SCOPED_TRACE(c.what);
        FakeWindow w;
        w.InFolder(kFolder);
        if (c.installed >= 0) {
            w.Install(c.installed).onStart = fake::OnStart::StayPending;
            w.manager.Find(ServiceName)->onStop = fake::OnStop::StayPending;
        }
        w.form.Load();
        for (Label* label : {&w.form.lblStart, &w.form.lblStop, &w.form.lblRestart})
            label->SetForeColor(kStatusBlue);
        for (const auto& [at, event] : c.events) w.desktop.Schedule(at, [&w, &event] { event(w); });
        if (c.arrange) c.arrange(w);
        (w.form.*c.command)();
        EXPECT_EQ(w.desktop.Now(), c.returned);
        EXPECT_EQ(w.Actual(), c.state);
        EXPECT_EQ(w.Commands(), c.commands);
        EXPECT_EQ(w.form.lblStatus.Caption(), c.status);
        c.check(w);
        const fake::FakeService* left = w.manager.Find(ServiceName);
        EXPECT_FALSE(left && left->markedForDelete);
        EXPECT_EQ(w.manager.OpenHandles(), 0);
    }
}

}  // namespace
}  // namespace qv
