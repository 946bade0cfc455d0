// The texts' colours under the system's colour schemes.
#include <gtest/gtest.h>

#include "window/ColourScheme.h"
#include "window/Layout.h"

namespace qv {
namespace {

constexpr Rgb kWhite = MakeRgb(255, 255, 255), kPanel = MakeRgb(240, 242, 245),
              kGreen = MakeRgb(0, 255, 0), kYellow = MakeRgb(255, 255, 0),
              kGrey = MakeRgb(128, 128, 128), kDim = MakeRgb(109, 109, 109);

// Windows' default scheme, and a dark high-contrast one ("High Contrast #1"
// has white texts, green grey text and yellow highlights on black).
ColourScheme Scheme(bool highContrast, Rgb text, Rgb greyText, Rgb face) {
    ColourScheme scheme{highContrast, {}};
    scheme.system[static_cast<std::size_t>(SysColour::Window)] = face;
    scheme.system[static_cast<std::size_t>(SysColour::ButtonFace)] = face;
    scheme.system[static_cast<std::size_t>(SysColour::WindowText)] = text;
    scheme.system[static_cast<std::size_t>(SysColour::ButtonText)] = text;
    scheme.system[static_cast<std::size_t>(SysColour::GreyText)] = greyText;
    scheme.system[static_cast<std::size_t>(SysColour::ButtonHighlight)] = kWhite;
    scheme.system[static_cast<std::size_t>(SysColour::Highlight)] = kYellow;
    return scheme;
}

TEST(ColourScheme, EveryTextStandsOutAndAGreyedCommandNeverOutshinesAnEnabledOne) {
    const ColourScheme standard = Scheme(false, kBlack, kDim, kPanel);
    const ColourScheme light = Scheme(false, kBlack, MakeRgb(166, 166, 166), kPanel);  // Wine's own
    const ColourScheme darkColours = Scheme(false, kWhite, kGreen, kBlack);  // set, not high contrast
    const ColourScheme highContrast = Scheme(true, kWhite, kGreen, kBlack);
    struct Row {
        const char* what;
        const ColourScheme& scheme;
        Rgb colour;
        bool enabled, command;
        Ink ink;
    };
    const Row rows[] = {
        {"the title, default", standard, kSystemButtonText, true, false, {kBlack, {}}},
        {"a status, default", standard, kStatusBlue, true, false, {kStatusBlue, {}}},
        {"a greyed command, default", standard, kBlack, false, true, {kDim, kWhite}},
        {"a lighter default grey recedes", light, kBlack, false, true, {MakeRgb(166, 166, 166), kWhite}},
        {"a white title on the light art", darkColours, kSystemButtonText, true, false, {kBlack, {}}},
        {"a green greyed command on it", darkColours, kBlack, false, true, {kGrey, kWhite}},
        {"a busy command keeps its grey", darkColours, kBusyGrey, true, true, {kBusyGrey, {}}},
        {"the title, high contrast", highContrast, kSystemButtonText, true, false, {kWhite, {}}},
        {"a status, high contrast", highContrast, kStatusBlue, true, false, {kWhite, {}}},
        {"a command, high contrast", highContrast, kBlack, true, true, {kWhite, {}}},
        {"a greyed command, high contrast", highContrast, kBlack, false, true, {kGreen, {}}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LabelInk(row.scheme, row.colour, row.enabled, row.command, kPanel), row.ink) << row.what;
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kGrey, kWhite), 3.95, 0.01);
}

}  // namespace
}  // namespace qv
