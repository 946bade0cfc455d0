// The layout's twips as pixels at each density.
#include <gtest/gtest.h>

#include "window/Layout.h"

namespace qv {
namespace {

TEST(Layout, TwipsBecomePixelsRoundingHalvesToEven) {
    EXPECT_EQ(TwipsToPixels(623.0f, 2.0f), 312);  // 311.5
    EXPECT_EQ(TwipsToPixels(621.0f, 2.0f), 310);  // 310.5
    EXPECT_THROW(TwipsToPixels(3e9f, 1.0f), std::overflow_error);
    const PixelRect line = ControlRect(LayoutOf(ControlId::Line2), 15.0f);
    EXPECT_EQ(std::tuple(line.left, line.top, line.right, line.bottom),
              std::tuple(167, 155, 220, 155));
    // The picture's size; strokes a pixel wide at 96 dpi.
    EXPECT_EQ(PictureSize(15.0f), (PixelSize{250, 300}));
    EXPECT_EQ(PictureSize(10.0f), (PixelSize{375, 451}));
    for (const auto& [twipsPerPixel, stroke] : {std::pair{15.0f, 1}, {12.0f, 1}, {10.0f, 2}, {5.0f, 3}})
        EXPECT_EQ(StrokePixels(twipsPerPixel), stroke);
}

}  // namespace
}  // namespace qv
