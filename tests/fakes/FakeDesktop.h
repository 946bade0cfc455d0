// The window and the process for the native tests, with a virtual clock:
// timers behave like Windows periodic timers, Advance(ms) delivers their
// ticks in time order, and a waiting command's DoEvents jumps to the next.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/Process.h"
#include "window/Desktop.h"

namespace qv::fake {

class FakeDesktop final : public Desktop, public Process {
public:
    std::function<void(int id)> onTick;      // receives each timer tick
    std::function<void()> whileMessageOpen;  // runs while a message box is open
    std::wstring programFolder = LR"(C:\Tools)";

    std::vector<std::wstring> messages;    // "title: text"
    std::vector<std::string> windowCalls;  // the shape, capture and move calls, in order
    std::vector<std::uint32_t> sleeps;
    // What the window was told, in order: "lblStop Enabled", "focus lblStop>none".
    std::vector<std::string> told;
    bool ended = false;
    bool blockedForever = false;  // a wait found nothing that could ever arrive

    // Runs `event` (a click, say) once the clock reaches `at`.
    void Schedule(std::uint64_t at, std::function<void()> event) { scheduled_.emplace(at, event); }
    // Lets `ms` pass, delivering every tick due meanwhile; callable from a
    // tick or a message box, as a modal loop would.
    void Advance(std::uint64_t ms);
    std::uint64_t Now() const { return now_; }

    // Like SetTimer on an existing id: replaced, and a full interval begins.
    void StartTimer(int id, std::uint32_t intervalMs) override {
        timers_[id] = {intervalMs, now_ + intervalMs};
    }
    void StopTimer(int id) override { timers_.erase(id); }
    std::uint64_t TickCountMs() override { return now_; }
    void ControlChanged(const Label& label, LabelProperty what) override;
    void FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) override;
    void ShowMessage(const std::wstring& text, const std::wstring& title) override {
        messages.push_back(title + L": " + text);
        if (whileMessageOpen) whileMessageOpen();
    }
    bool DoEvents() override;
    float TwipsPerPixelX() override { return 15.0f; }
    float TwipsPerPixelY() override { return 15.0f; }
    // The window at its designed size.
    float WidthTwips() override { return kWindowWidthTwips; }
    float HeightTwips() override { return kWindowHeightTwips; }
    // The region's handle is its call's place among the calls.
    Region CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) override {
        windowCalls.push_back(Call("CreateRoundRectRgn", x1, y1, x2, y2, w, h));
        return reinterpret_cast<Region>(windowCalls.size());
    }
    void SetWindowRgn(Region region, bool redraw) override {
        windowCalls.push_back(Call("SetWindowRgn", reinterpret_cast<std::uintptr_t>(region), redraw));
    }
    void SetCapture() override { windowCalls.push_back("SetCapture()"); }
    void ReleaseCapture() override { windowCalls.push_back("ReleaseCapture()"); }
    void SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
        windowCalls.push_back(Call("SendMessageA", message, wParam, lParam));
    }

    std::wstring ProgramFolder() override { return programFolder; }
    void Sleep(std::uint32_t milliseconds) override { sleeps.push_back(milliseconds); }
    void EndProgram() override { ended = true; }

private:
    // "Name(1, 2)": a call as the tests compare it.
    template <typename... Args>
    static std::string Call(const char* name, Args... args) {
        std::string call = std::string(name).append("(");
        const char* separator = "";
        ((call.append(std::exchange(separator, ", ")).append(std::to_string(args))), ...);
        return call.append(")");
    }
    struct Running {
        std::uint32_t intervalMs;
        std::uint64_t due;
    };
    // The earliest tick or event due by `until`, delivered; false if none.
    bool DeliverNext(std::uint64_t until);

    std::map<int, Running> timers_;
    std::multimap<std::uint64_t, std::function<void()>> scheduled_;
    std::uint64_t now_ = 0;
};

}  // namespace qv::fake
