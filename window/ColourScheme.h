// What the window's texts are drawn in under the system's colour scheme:
// the design's colours where they stand out, the system's own in high
// contrast, and never a text that cannot be read against what lies behind it.
#pragma once

#include <array>
#include <optional>

#include "platform/Types.h"

namespace qv {

// The system colours the window reads, by their GetSysColor index.
enum class SysColour {
    Window = 5, WindowText = 8, Highlight = 13, ButtonFace = 15, GreyText = 17, ButtonText = 18,
    ButtonHighlight = 20,
};

struct ColourScheme {
    bool highContrast = false;
    std::array<Rgb, 32> system{};  // GetSysColor(i) for each index i
    Rgb operator[](SysColour c) const { return system[static_cast<std::size_t>(c)]; }
};

// The WCAG contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double ContrastRatio(Rgb a, Rgb b);

// A text's colour, and the light relief a disabled text has under it.
struct Ink {
    Rgb text;
    std::optional<Rgb> relief;
    bool operator==(const Ink&) const = default;
};

// A label's ink: `colour` as the label holds it (an RGB value, or a system
// colour with the high bit set), enabled or not, a command or a text, drawn
// over `behind` (what the art shows there; nothing in high contrast).
Ink LabelInk(const ColourScheme& scheme, Rgb colour, bool enabled, bool command, Rgb behind);

// What fills the window, and a command's face, in high contrast.
Rgb HighContrastBack(const ColourScheme& scheme, bool command);

}  // namespace qv
