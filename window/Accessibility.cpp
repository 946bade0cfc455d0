#include "window/Accessibility.h"

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
                            form.input.Focused() == id});
    }
    return elements;
}

}  // namespace qv
