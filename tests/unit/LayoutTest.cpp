// The layout's twips as pixels, and which control takes the mouse where.
#include <gtest/gtest.h>

#include <optional>

#include "window/Layout.h"

namespace qv {
namespace {

std::optional<ControlId> At(int x, int y, float twipsPerPixel = 15.0f) {
    const ControlLayout* control = ControlAt(x, y, twipsPerPixel);
    return control ? std::optional(control->id) : std::nullopt;
}

TEST(Layout, TwipsBecomePixelsRoundingHalvesToEven) {
    EXPECT_EQ(TwipsToPixels(3735.0f, 15.0f), 249);
    EXPECT_EQ(TwipsToPixels(623.0f, 2.0f), 312);  // 311.5
    EXPECT_EQ(TwipsToPixels(621.0f, 2.0f), 310);  // 310.5
    EXPECT_EQ(TwipsToPixels(3735.0f, 12.0f), 311);
    EXPECT_THROW(TwipsToPixels(3e9f, 1.0f), std::overflow_error);
    const PixelRect start = ControlRect(LayoutOf(ControlId::lblStart), 15.0f);
    EXPECT_EQ(std::tuple(start.left, start.top, start.right, start.bottom),
              std::tuple(14, 275, 68, 288));
    const PixelRect line = ControlRect(LayoutOf(ControlId::Line2), 15.0f);
    EXPECT_EQ(std::tuple(line.left, line.top, line.right, line.bottom),
              std::tuple(167, 155, 220, 155));
}

TEST(Layout, EachDensityTakesTheArtDrawnAtOrAboveItAndStrokesFollow) {
    const float tpp = 1440.0f;  // twips per pixel = tpp / dpi
    const std::pair<int, int> densities[] = {{96, 100},  {110, 125}, {120, 125}, {144, 150},
                                             {168, 175}, {192, 200}, {240, 200}};
    for (const auto& [dpi, percent] : densities)
        EXPECT_EQ(ArtPercent(tpp / static_cast<float>(dpi)), percent) << dpi;
    EXPECT_EQ(PictureSize(15.0f), (PixelSize{250, 300}));
    EXPECT_EQ(PictureSize(10.0f), (PixelSize{375, 451}));
    EXPECT_EQ(StrokePixels(15.0f), 1);
    EXPECT_EQ(StrokePixels(12.0f), 1);
    EXPECT_EQ(StrokePixels(10.0f), 2);
    EXPECT_EQ(StrokePixels(5.0f), 3);
}

TEST(Layout, TheFrontMostControlWhoseRectangleHoldsThePointTakesTheMouse) {
    struct Case {
        int x, y;
        std::optional<ControlId> control;
    };
    const Case cases[] = {
        {235, 14, ControlId::lblClose}, {245, 24, ControlId::lblClose},  // 11 x 12 pixels
        {234, 14, std::nullopt},        {246, 20, std::nullopt},
        {240, 25, ControlId::lblts},    // the title lies in front of Close's last row
        {4, 0, ControlId::imgTop},      {248, 12, ControlId::imgTop},
        {3, 5, std::nullopt},           {100, 13, std::nullopt},
        {14, 275, ControlId::lblStart}, {67, 287, ControlId::lblStart},
        {68, 287, std::nullopt},        {14, 274, std::nullopt},
        {92, 276, ControlId::lblStop},  {227, 288, ControlId::lblRestart},
        {30, 156, std::nullopt},        // lines never take the mouse
        {20, 27, ControlId::Image1},
    };
    for (const Case& c : cases) EXPECT_EQ(At(c.x, c.y), c.control) << c.x << "," << c.y;
    EXPECT_EQ(At(18, 344, 12.0f), ControlId::lblStart);  // 120 dpi: the twips decide
    EXPECT_EQ(At(17, 344, 12.0f), std::nullopt);
}

}  // namespace
}  // namespace qv
