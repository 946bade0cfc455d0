#include "window/ColourScheme.h"

#include <algorithm>
#include <cmath>

namespace qv {
namespace {

// The least contrast at which a text still stands out: WCAG's for large
// text and for the parts of a control. A greyed command's text, an inactive
// control's, is meant to recede (a default scheme's own grey can have as
// little as 2:1 on a button), so it only has to show, and may not shine.
constexpr double kReadable = 3.0;
constexpr double kVisible = 2.0;
// What the default scheme gives a title, a command and a greyed command.
constexpr Rgb kDefaultText = MakeRgb(0, 0, 0);
constexpr Rgb kDefaultGrey = MakeRgb(128, 128, 128);
constexpr Rgb kDefaultRelief = MakeRgb(255, 255, 255);

double Luminance(Rgb c) {
    const auto channel = [](Rgb value) {
        const double v = static_cast<double>(value & 0xFF) / 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c) + 0.7152 * channel(c >> 8) + 0.0722 * channel(c >> 16);
}

}  // namespace

double ContrastRatio(Rgb a, Rgb b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Rgb HighContrastBack(const ColourScheme& scheme, bool command) {
    return scheme[command ? SysColour::ButtonFace : SysColour::Window];
}

Ink LabelInk(const ColourScheme& scheme, Rgb colour, bool enabled, bool command, Rgb behind) {
    // High contrast: the scheme's own colours throughout, as its controls
    // have them, and no relief, which would blur a greyed text.
    if (scheme.highContrast) {
        if (!enabled) return {scheme[SysColour::GreyText], std::nullopt};
        return {scheme[command ? SysColour::ButtonText : SysColour::WindowText], std::nullopt};
    }
    // Otherwise the design's colours, which were chosen for the art; a
    // system colour that would not stand out from the art (a scheme's white
    // or bright green on the light panels) gives way to what the default
    // scheme has there, so a greyed command never outshines a black one.
    if (!enabled) {
        const Rgb grey = scheme[SysColour::GreyText];
        if (ContrastRatio(grey, behind) < kVisible) return {kDefaultGrey, kDefaultRelief};
        return {grey, scheme[SysColour::ButtonHighlight]};
    }
    if ((colour & 0x80000000u) == 0) return {colour, std::nullopt};
    const Rgb system = scheme.system[colour & 0x1Fu];
    return {ContrastRatio(system, behind) < kReadable ? kDefaultText : system, std::nullopt};
}

}  // namespace qv
