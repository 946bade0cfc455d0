// A desktop with a virtual clock for the native tests. Timers behave like
// Windows periodic timers; Advance(ms) delivers their ticks in time order.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Process.h"
#include "window/Desktop.h"

namespace qv::fake {

class FakeDesktop final : public Desktop, public Process {
public:
    struct Message {
        std::wstring text;
        std::wstring title;
        std::uint64_t at;
    };
    struct TimerEvent {
        std::uint64_t at;
        int id;
        std::uint32_t intervalMs;  // 0: stopped
    };
    struct Tick {
        std::uint64_t at;
        int id;
    };

    std::wstring programFolder = LR"(C:\Tools)";
    std::function<void(int)> onTick;           // receives each timer tick
    std::function<void()> whileMessageOpen;    // runs while a message box is open

    // The window as the shape code reads it: 249 x 301 pixels at 96 dpi.
    float twipsPerPixelX = 15.0f;
    float twipsPerPixelY = 15.0f;
    float widthTwips = 3735.0f;
    float heightTwips = 4515.0f;
    // The shape and move calls, in order, with their arguments.
    std::vector<std::string> windowCalls;

    std::vector<Message> messages;
    std::vector<TimerEvent> timerEvents;
    std::vector<Tick> ticks;
    std::map<ControlId, int> changes;
    int openMessages = 0;

    bool ended = false;           // EndProgram was called
    bool captured = false;        // the window holds the mouse capture
    bool blockedForever = false;  // DoEvents found nothing that could ever arrive
    // A wait still going at this virtual time, or one that keeps asking
    // DoEvents after being told to give up, throws: on Windows both would
    // hang, here they fail the test instead.
    std::uint64_t horizonMs = 3'600'000;
    std::vector<std::uint32_t> sleeps;

    // Runs `event` (a click, say) once the clock reaches `at`.
    void Schedule(std::uint64_t at, std::function<void()> event);

    std::uint64_t Now() const { return now_; }
    // Lets `ms` pass, delivering every tick due meanwhile; callable from a
    // tick or from whileMessageOpen, as a modal loop would.
    void Advance(std::uint64_t ms);
    bool TimerRunning(int id) const { return timers_.count(id) != 0; }
    int TotalChanges() const;
    int TimerStarts(int id) const;

    void StartTimer(int id, std::uint32_t intervalMs) override;
    void StopTimer(int id) override;
    void ControlChanged(ControlId id) override { ++changes[id]; }
    void ShowMessage(const std::wstring& text, const std::wstring& title) override;
    // Jumps the clock to the next tick or scheduled event and delivers it.
    bool DoEvents() override;
    float TwipsPerPixelX() override { return twipsPerPixelX; }
    float TwipsPerPixelY() override { return twipsPerPixelY; }
    float WidthTwips() override { return widthTwips; }
    float HeightTwips() override { return heightTwips; }
    Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) override;
    void SetWindowRgn(Region region, bool redraw) override;
    void SetCapture() override { captured = true; }
    void ReleaseCapture() override {
        captured = false;
        windowCalls.push_back("ReleaseCapture()");
    }
    void SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

    std::wstring ProgramFolder() override { return programFolder; }
    void Sleep(std::uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
    void EndProgram() override { ended = true; }

private:
    struct Running {
        std::uint32_t intervalMs;
        std::uint64_t due;
        std::uint64_t order;  // ties go to the timer started first
    };
    // The earliest thing due at or before `until`, delivered; false if none.
    bool DeliverNext(std::uint64_t until);

    std::map<int, Running> timers_;
    std::multimap<std::uint64_t, std::function<void()>> scheduled_;
    std::uint64_t now_ = 0;
    std::uint64_t started_ = 0;
    int refusalsInARow_ = 0;
    int regions_ = 0;
};

}  // namespace qv::fake
