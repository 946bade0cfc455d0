#include "window/Input.h"

#include <cstdlib>
#include <utility>


namespace qv {
namespace {

constexpr int kLeftButton = 1;

}  // namespace

std::optional<ControlId> CommandToward(ControlId from, Direction direction,
                                       const std::function<bool(ControlId)>& candidate) {
    // Top-left corners in twips (the commands are drawn alike); a command
    // lies in a direction when that is the larger part of the way to it.
    const auto corner = [](ControlId id) { return std::pair{LayoutOf(id).a, LayoutOf(id).b}; };
    const auto [x0, y0] = corner(from);
    std::optional<ControlId> nearest;
    long best = 0;
    for (const ControlId id : kFocusOrder) {
        const auto [x, y] = corner(id);
        const long dx = x - x0, dy = y - y0;
        const bool across = std::labs(dx) > std::labs(dy);
        const bool toward = direction == Direction::Left    ? across && dx < 0
                            : direction == Direction::Right ? across && dx > 0
                            : direction == Direction::Up    ? !across && dy < 0
                                                            : !across && dy > 0;
        const long distance = dx * dx + dy * dy;
        if (id != from && toward && candidate(id) && (!nearest || distance < best)) {
            nearest = id;
            best = distance;
        }
    }
    return nearest;
}

std::optional<ControlId> CommandNumbered(std::uintmax_t value) {
    for (const ControlId id : kFocusOrder)
        if (value == static_cast<std::uintmax_t>(id)) return id;
    return std::nullopt;
}

void Input::MouseDown(int button, int shift, int x, int y) {
    const ControlLayout* target = ControlAt(x, y, desktop_.TwipsPerPixelX());
    if (target == nullptr) return;
    if (target->id == ControlId::imgTop) {
        form_.imgTop_MouseDown(button, shift, x, y);
        return;
    }
    // A disabled label does not react: a press on it starts no click, even
    // if the label is enabled by the time the button comes up. As on a push
    // button, a press takes the keyboard focus too, so that Enter presses
    // what was last touched.
    if (button == kLeftButton && Clickable(target->id)) {
        pressed_ = target->id;
        MoveFocus(target->id);
        desktop_.SetCapture();
    }
}

void Input::MouseUp(int x, int y) {
    if (!pressed_) return;
    const ControlId pressed = *std::exchange(pressed_, std::nullopt);
    desktop_.ReleaseCapture();
    // A click is a press and a release on the same label, which must still
    // be enabled: a command started meanwhile may have disabled it.
    const ControlLayout* target = ControlAt(x, y, desktop_.TwipsPerPixelX());
    if (target != nullptr && target->id == pressed && Clickable(pressed)) Click(pressed);
}

void Input::DoDefaultAction(ControlId id) {
    if (Clickable(id)) Click(id);
}

void Input::KeyDown(Key key, bool shift) {
    switch (key) {
        case Key::Tab:
            MoveFocus(NextEnabled(focus_, !shift, false));
            break;
        case Key::Enter:
            if (focus_ && Clickable(*focus_)) Click(*focus_);
            break;
        case Key::Space:
            spaceDown_ = focus_;
            break;
        case Key::Escape:
            form_.Click(ControlId::lblClose);
            break;
    }
}

void Input::KeyUp(Key key) {
    if (key != Key::Space) return;
    const std::optional<ControlId> down = std::exchange(spaceDown_, std::nullopt);
    if (down && down == focus_ && Clickable(*down)) Click(*down);
}

void Input::Arrow(Direction direction) {
    // With no command focused an arrow starts where Tab would, from either end.
    if (!focus_) {
        const bool forward = direction == Direction::Right || direction == Direction::Down;
        MoveFocus(NextEnabled(std::nullopt, forward, false));
        return;
    }
    // As drawn, and where nothing lies that way the focus stays.
    const auto enabled = [this](ControlId id) { return Clickable(id); };
    if (const std::optional<ControlId> to = CommandToward(*focus_, direction, enabled)) MoveFocus(to);
}

void Input::CommandsSet() {
    // A greyed command cannot keep the focus. Greyed by its own press (the
    // command, its wait), it goes to none at once: a second Enter typed
    // after the first then presses nothing, as a second click lands on the
    // grey label. Greyed by the service changing, which mostly passes
    // through a pending state where nothing can be pressed, it is kept in
    // mind and lands on the first service command that can be pressed once
    // there is one: Start after a stop from outside, Stop after a start;
    // never on Close, where a second Enter would end the program. Set once
    // the display has settled all three, readers hear no command that is
    // about to go grey too.
    if (focus_ && !Clickable(*focus_)) {
        remembered_ = clicking_ == 0;
        if (!remembered_) SetFocus(std::nullopt);
    }
    if (remembered_) {
        SetFocus(NextEnabled(std::nullopt, true, true));
        remembered_ = !focus_;
    }
}

bool Input::Clickable(ControlId id) const {
    return CommandNumbered(static_cast<std::uintmax_t>(id)) && form_.Enabled(id);
}

void Input::Click(ControlId id) {
    ++clicking_;
    form_.Click(id);
    --clicking_;
}

std::optional<ControlId> Input::NextEnabled(std::optional<ControlId> from, bool forward,
                                            bool serviceCommandsOnly) const {
    constexpr auto order = kFocusOrder;
    const int count = static_cast<int>(order.size());
    int at = forward ? -1 : count;
    for (int i = 0; from && i < count; ++i)
        if (order[static_cast<std::size_t>(i)] == *from) at = i;
    for (int step = 1; step <= count; ++step) {
        const int i = ((forward ? at + step : at - step) % count + count) % count;
        const ControlId id = order[static_cast<std::size_t>(i)];
        if (serviceCommandsOnly && id == ControlId::lblClose) continue;
        if (Clickable(id)) return id;
    }
    return std::nullopt;
}

void Input::MoveFocus(std::optional<ControlId> id) {
    remembered_ = false;
    SetFocus(id);
}

void Input::SetFocus(std::optional<ControlId> id) {
    if (id == focus_) return;
    const std::optional<ControlId> before = std::exchange(focus_, id);
    desktop_.FocusChanged(before, focus_);
}

}  // namespace qv
