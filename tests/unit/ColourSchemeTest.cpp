// The texts' colours under the system's colour schemes.
#include <gtest/gtest.h>

#include <tuple>

#include "window/ColourScheme.h"
#include "window/Layout.h"

namespace qv {
namespace {

constexpr Rgb kWhite = MakeRgb(255, 255, 255), kPanel = MakeRgb(240, 242, 245),
              kGreen = MakeRgb(0, 255, 0), kGrey = MakeRgb(128, 128, 128), kDim = MakeRgb(109, 109, 109),
              kNavy = MakeRgb(0, 0, 128), kYellow = MakeRgb(255, 255, 0), kRelief = MakeRgb(255, 255, 224);

// The colours a label's ink is chosen from, each system colour unlike the
// others, so that taking one for another shows. Windows' default scheme has
// black texts and a grey text of 109; "High Contrast #1" white texts, yellow
// buttons' texts and a green grey text.
ColourScheme Scheme(bool highContrast, Rgb windowText, Rgb buttonText, Rgb greyText) {
    ColourScheme scheme{highContrast, {}};
    scheme.system[static_cast<std::size_t>(SysColour::WindowText)] = windowText;
    scheme.system[static_cast<std::size_t>(SysColour::ButtonText)] = buttonText;
    scheme.system[static_cast<std::size_t>(SysColour::GreyText)] = greyText;
    scheme.system[static_cast<std::size_t>(SysColour::ButtonHighlight)] = kRelief;
    return scheme;
}

TEST(ColourScheme, EveryTextStandsOutAndAGreyedCommandNeverOutshinesAnEnabledOne) {
    const ColourScheme standard = Scheme(false, kNavy, kBlack, kDim);
    const ColourScheme light = Scheme(false, kNavy, kBlack, MakeRgb(166, 166, 166));  // Wine's own
    const ColourScheme darkColours = Scheme(false, kYellow, kWhite, kGreen);  // set, not high contrast
    const ColourScheme highContrast = Scheme(true, kWhite, kYellow, kGreen);
    // Each row: a label's colour, whether it is enabled and a command, its ink.
    const std::tuple<const char*, const ColourScheme&, Rgb, bool, bool, Ink> rows[] = {
        {"the title, default", standard, kSystemButtonText, true, false, {kBlack, {}}},
        {"a status, default", standard, kStatusBlue, true, false, {kStatusBlue, {}}},
        {"a greyed command, default", standard, kBlack, false, true, {kDim, kRelief}},
        {"a lighter default grey recedes", light, kBlack, false, true, {MakeRgb(166, 166, 166), kRelief}},
        {"a white title on the light art", darkColours, kSystemButtonText, true, false, {kBlack, {}}},
        {"a green greyed command on it", darkColours, kBlack, false, true, {kGrey, kWhite}},
        {"a busy command keeps its grey", darkColours, kBusyGrey, true, true, {kBusyGrey, {}}},
        {"the title, high contrast", highContrast, kSystemButtonText, true, false, {kWhite, {}}},
        {"a status, high contrast", highContrast, kStatusBlue, true, false, {kWhite, {}}},
        {"a command, high contrast", highContrast, kBlack, true, true, {kYellow, {}}},
        {"a greyed command, high contrast", highContrast, kBlack, false, true, {kGreen, {}}},
    };
    for (const auto& [what, scheme, colour, enabled, command, ink] : rows)
        EXPECT_EQ(LabelInk(scheme, colour, enabled, command, kPanel), ink) << what;
    EXPECT_NEAR(ContrastRatio(kBlack, kWhite), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(kGrey, kWhite), 3.95, 0.01);
}

}  // namespace
}  // namespace qv
