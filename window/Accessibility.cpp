#include "window/Accessibility.h"

#include <cstdlib>
#include <utility>

namespace qv {

int AccessibleChildId(ControlId id) { return LayoutOf(id).reading; }

std::vector<AccessibleElement> AccessibleElements(const frmVctool& form) {
    std::vector<AccessibleElement> elements;
    for (const ControlId id : kReadingOrder) {
        const Label& label = *form.LabelFor(id);
        const bool button = LayoutOf(id).command;
        // The close mark has no caption: its tooltip is its name.
        elements.push_back({id, button, label.Caption().empty() ? label.ToolTipText() : label.Caption(),
                            button ? label.ToolTipText() : L"", button && !label.Enabled(),
                            form.Focused() == id});
    }
    return elements;
}

std::optional<ControlId> CommandToward(ControlId from, Direction direction) {
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
        if (id != from && toward && (!nearest || distance < best)) {
            nearest = id;
            best = distance;
        }
    }
    return nearest;
}

}  // namespace qv
