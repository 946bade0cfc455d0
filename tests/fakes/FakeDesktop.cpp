#include "tests/fakes/FakeDesktop.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace qv::fake {

// A wait still going at this virtual time would hang on Windows; here it
// fails the test instead.
constexpr std::uint64_t kHorizonMs = 3'600'000;

void FakeDesktop::Advance(std::uint64_t ms) {
    const std::uint64_t until = now_ + ms;
    while (DeliverNext(until)) {
    }
    now_ = std::max(now_, until);
}

bool FakeDesktop::DeliverNext(std::uint64_t until) {
    auto next = timers_.end();
    for (auto it = timers_.begin(); it != timers_.end(); ++it)
        if (it->second.due <= until &&
            (next == timers_.end() || std::pair(it->second.due, it->second.order) <
                                          std::pair(next->second.due, next->second.order)))
            next = it;
    const auto event = scheduled_.begin();
    if (event != scheduled_.end() && event->first <= until &&
        (next == timers_.end() || event->first <= next->second.due)) {
        now_ = std::max(now_, event->first);
        const auto run = event->second;
        scheduled_.erase(event);
        run();
        return true;
    }
    if (next == timers_.end()) return false;
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
    if (!DeliverNext(UINT64_MAX)) {
        blockedForever = true;
        return false;
    }
    return true;
}

void FakeDesktop::StartTimer(int id, std::uint32_t intervalMs) {
    // Like SetTimer on an existing id: replaced, and a full interval begins.
    // Shorter intervals are raised to USER_TIMER_MINIMUM.
    const std::uint32_t interval = std::max<std::uint32_t>(intervalMs, 10);
    timers_[id] = {interval, now_ + interval, started_++};
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
    messages.push_back({text, title});
    if (whileMessageOpen) whileMessageOpen();
}

Desktop::Region FakeDesktop::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    char call[96];
    std::snprintf(call, sizeof call, "CreateRoundRectRgn(%d, %d, %d, %d, %d, %d)", x1, y1, x2, y2,
                  w, h);
    windowCalls.push_back(call);
    return reinterpret_cast<Region>(windowCalls.size());  // any non-null handle
}

void FakeDesktop::SetWindowRgn(Region region, bool redraw) {
    windowCalls.push_back("SetWindowRgn(#" + std::to_string(reinterpret_cast<std::uintptr_t>(region)) +
                          (redraw ? ", true)" : ", false)"));
}

void FakeDesktop::SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    char call[96];
    std::snprintf(call, sizeof call, "SendMessageA(%u, %zu, %td)", message, wParam, lParam);
    windowCalls.push_back(call);
}

}  // namespace qv::fake
