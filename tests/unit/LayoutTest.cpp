// The layout's twips as pixels at each density, and the art for it.
#include <gtest/gtest.h>

#include "window/Layout.h"

namespace qv {
namespace {

TEST(Layout, TwipsBecomePixelsRoundingHalvesToEvenAndEachDensityTakesItsArt) {
    EXPECT_EQ(TwipsToPixels(623.0f, 2.0f), 312);  // 311.5
    EXPECT_EQ(TwipsToPixels(621.0f, 2.0f), 310);  // 310.5
    EXPECT_THROW(TwipsToPixels(3e9f, 1.0f), std::overflow_error);
    const PixelRect line = ControlRect(LayoutOf(ControlId::Line2), 15.0f);
    EXPECT_EQ(std::tuple(line.left, line.top, line.right, line.bottom),
              std::tuple(167, 155, 220, 155));
    // The art drawn at or above a density; strokes a pixel wide at 96 dpi.
    const std::pair<int, int> densities[] = {{96, 100},  {110, 125}, {120, 125}, {144, 150},
                                             {168, 175}, {192, 200}, {240, 200}};
    for (const auto& [dpi, percent] : densities)
        EXPECT_EQ(ArtPercent(1440.0f / static_cast<float>(dpi)), percent) << dpi;
    EXPECT_EQ(PictureSize(15.0f), (PixelSize{250, 300}));
    EXPECT_EQ(PictureSize(10.0f), (PixelSize{375, 451}));
    for (const auto& [twipsPerPixel, stroke] : {std::pair{15.0f, 1}, {12.0f, 1}, {10.0f, 2}, {5.0f, 3}})
        EXPECT_EQ(StrokePixels(twipsPerPixel), stroke);
}

}  // namespace
}  // namespace qv
