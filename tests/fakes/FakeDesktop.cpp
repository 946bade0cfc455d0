#include "tests/fakes/FakeDesktop.h"

#include <algorithm>
#include <stdexcept>

namespace qv::fake {
namespace {

// A wait still going at this virtual time would hang on Windows; here it
// fails the test instead.
constexpr std::uint64_t kHorizonMs = 3'600'000;

// "Name(1, 2)": a call as the tests compare it.
template <typename... Args>
std::string Call(const char* name, Args... args) {
    std::string list;
    ((list += ", " + std::to_string(args)), ...);
    return name + ("(" + list.substr(2) + ")");
}

}  // namespace

void FakeDesktop::Advance(std::uint64_t ms) {
    const std::uint64_t until = now_ + ms;
    while (DeliverNext(until)) {
    }
    now_ = std::max(now_, until);
}

bool FakeDesktop::DeliverNext(std::uint64_t until) {
    // Ties go to the lower id: the refresh, always the older timer.
    const auto next = std::min_element(timers_.begin(), timers_.end(), [](auto& a, auto& b) {
        return a.second.due < b.second.due;
    });
    const auto event = scheduled_.begin();
    if (event != scheduled_.end() && event->first <= until &&
        (next == timers_.end() || event->first <= next->second.due)) {
        now_ = std::max(now_, event->first);
        const auto run = event->second;
        scheduled_.erase(event);
        run();
        return true;
    }
    if (next == timers_.end() || next->second.due > until) return false;
    const int id = next->first;
    now_ = std::max(now_, next->second.due);
    next->second.due += next->second.intervalMs;
    if (onTick) onTick(id);  // may start or stop timers, or advance the clock
    return true;
}

bool FakeDesktop::DoEvents() {
    if (now_ > kHorizonMs) throw std::runtime_error("a wait ran past the horizon");
    // The real program is gone by then; a waiting command must give up.
    if (ended) return false;
    blockedForever = !DeliverNext(UINT64_MAX);
    return !blockedForever;
}

void FakeDesktop::ControlChanged(ControlId id, LabelProperty what) {
    constexpr const char* kWhat[] = {" Caption", " ToolTip", " Colour", " Enabled"};
    told.push_back(LayoutOf(id).name + std::string(kWhat[static_cast<int>(what)]));
}

void FakeDesktop::FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) {
    const auto name = [](std::optional<ControlId> id) { return id ? LayoutOf(*id).name : "none"; };
    told.push_back(std::string("focus ") + name(from) + ">" + name(to));
}

void FakeDesktop::ShowMessage(const std::wstring& text, const std::wstring& title) {
    messages.push_back(title + L": " + text);
    if (whileMessageOpen) whileMessageOpen();
}

Desktop::Region FakeDesktop::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    windowCalls.push_back(Call("CreateRoundRectRgn", x1, y1, x2, y2, w, h));
    return reinterpret_cast<Region>(windowCalls.size());  // its place among the calls
}

void FakeDesktop::SetWindowRgn(Region region, bool redraw) {
    windowCalls.push_back(Call("SetWindowRgn", reinterpret_cast<std::uintptr_t>(region), redraw));
}

void FakeDesktop::SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    windowCalls.push_back(Call("SendMessageA", message, wParam, lParam));
}

}  // namespace qv::fake
