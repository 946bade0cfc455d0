#include "tests/fakes/FakeDesktop.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <utility>

namespace qv::fake {

// SetTimer raises shorter intervals to USER_TIMER_MINIMUM.
constexpr std::uint32_t kMinimumIntervalMs = 10;

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
            (next == timers_.end() || it->second.due < next->second.due ||
             (it->second.due == next->second.due && it->second.order < next->second.order)))
            next = it;
    const auto event = scheduled_.begin();
    const bool eventFirst = event != scheduled_.end() && event->first <= until &&
                            (next == timers_.end() || event->first <= next->second.due);
    if (eventFirst) {
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
    ticks.push_back({now_, id});
    if (onTick) onTick(id);  // may start or stop timers, or advance the clock
    return true;
}

bool FakeDesktop::DoEvents() {
    if (++refusalsInARow_ > 100) throw std::logic_error("DoEvents asked again after refusing");
    if (now_ > horizonMs) throw std::runtime_error("a wait ran past the horizon");
    if (ended) return false;
    if (!DeliverNext(UINT64_MAX)) {
        blockedForever = true;
        return false;
    }
    if (ended) return false;
    refusalsInARow_ = 0;
    return true;
}

void FakeDesktop::Schedule(std::uint64_t at, std::function<void()> event) {
    scheduled_.emplace(at, std::move(event));
}

int FakeDesktop::TotalChanges() const {
    int total = 0;
    for (const auto& [id, count] : changes) total += count;
    return total;
}

int FakeDesktop::TimerStarts(int id) const {
    return static_cast<int>(std::count_if(timerEvents.begin(), timerEvents.end(),
                                          [&](const TimerEvent& e) {
                                              return e.id == id && e.intervalMs != 0;
                                          }));
}

void FakeDesktop::StartTimer(int id, std::uint32_t intervalMs) {
    const std::uint32_t interval = std::max(intervalMs, kMinimumIntervalMs);
    // Like SetTimer on an existing id: replaced, and a full interval begins.
    timers_[id] = {interval, now_ + interval, started_++};
    timerEvents.push_back({now_, id, interval});
}

void FakeDesktop::StopTimer(int id) {
    timers_.erase(id);
    timerEvents.push_back({now_, id, 0});
}

void FakeDesktop::ShowMessage(const std::wstring& text, const std::wstring& title) {
    messages.push_back({text, title, now_});
    ++openMessages;
    if (whileMessageOpen) whileMessageOpen();
    --openMessages;
}

Desktop::Region FakeDesktop::CreateRoundRectRgn(int x1, int y1, int x2, int y2, int w, int h) {
    windowCalls.push_back("CreateRoundRectRgn(" + std::to_string(x1) + ", " + std::to_string(y1) +
                          ", " + std::to_string(x2) + ", " + std::to_string(y2) + ", " +
                          std::to_string(w) + ", " + std::to_string(h) + ")");
    // Any distinct non-null value will do as a handle.
    return reinterpret_cast<Region>(static_cast<std::uintptr_t>(++regions_));
}

void FakeDesktop::SetWindowRgn(Region region, bool redraw) {
    windowCalls.push_back("SetWindowRgn(#" + std::to_string(reinterpret_cast<std::uintptr_t>(region)) +
                          ", " + (redraw ? "true" : "false") + ")");
}

void FakeDesktop::SendMessageA(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    windowCalls.push_back("SendMessageA(" + std::to_string(message) + ", " + std::to_string(wParam) +
                          ", " + std::to_string(lParam) + ")");
}

}  // namespace qv::fake
