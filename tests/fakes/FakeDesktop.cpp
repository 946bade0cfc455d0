#include "tests/fakes/FakeDesktop.h"

#include <algorithm>
#include <stdexcept>

#include "window/Controls.h"

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
    // Of ticks due together the lower id goes first: the refresh, always the
    // older timer. An event due with a tick goes before it.
    const auto timer = std::min_element(timers_.begin(), timers_.end(),
                                        [](auto& a, auto& b) { return a.second.due < b.second.due; });
    const auto event = scheduled_.begin();
    if (event != scheduled_.end() && event->first <= until &&
        (timer == timers_.end() || event->first <= timer->second.due)) {
        now_ = std::max(now_, event->first);
        const auto run = event->second;
        scheduled_.erase(event);
        run();
    } else if (timer != timers_.end() && timer->second.due <= until) {
        now_ = std::max(now_, timer->second.due);
        timer->second.due += timer->second.intervalMs;
        onTick(timer->first);  // may start or stop timers, or advance the clock
    } else {
        return false;
    }
    return true;
}

bool FakeDesktop::DoEvents() {
    if (now_ > kHorizonMs) throw std::runtime_error("a wait ran past the horizon");
    // The real program is gone by then; a waiting command must give up.
    if (ended) return false;
    blockedForever = !DeliverNext(UINT64_MAX);
    return !blockedForever;
}

void FakeDesktop::ControlChanged(const Label& label, LabelProperty what) {
    constexpr const char* kWhat[] = {" Caption", " ToolTip", " Colour", " Enabled"};
    told.push_back(LayoutOf(label.Id()).name + std::string(kWhat[static_cast<int>(what)]));
}

void FakeDesktop::FocusChanged(std::optional<ControlId> from, std::optional<ControlId> to) {
    const auto name = [](std::optional<ControlId> id) { return id ? LayoutOf(*id).name : "none"; };
    told.push_back(std::string("focus ") + name(from) + ">" + name(to));
}

}  // namespace qv::fake
