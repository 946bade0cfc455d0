#include "window/Accessibility.h"

#include <algorithm>
#include <array>

namespace qv {
namespace {

constexpr std::array kElements = {ControlId::lblStart, ControlId::lblStop, ControlId::lblRestart,
                                  ControlId::lblClose, ControlId::lblts,   ControlId::Label2,
                                  ControlId::lblStatus};

}  // namespace

int AccessibleChildId(ControlId id) {
    const auto at = std::find(kElements.begin(), kElements.end(), id);
    return at == kElements.end() ? 0 : static_cast<int>(at - kElements.begin()) + 1;
}

std::vector<AccessibleElement> AccessibleElements(const frmVctool& form) {
    std::vector<AccessibleElement> elements;
    for (const ControlId id : kElements) {
        const Label& label = *form.LabelFor(id);
        const bool button = LayoutOf(id).command;
        // The close mark has no caption: its tooltip is its name.
        elements.push_back({id, button, label.Caption().empty() ? label.ToolTipText() : label.Caption(),
                            button ? label.ToolTipText() : L"", button && !label.Enabled()});
    }
    return elements;
}

}  // namespace qv
