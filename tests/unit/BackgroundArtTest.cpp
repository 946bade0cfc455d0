// The drawn background under the layout, from 100 % to 350 %.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <string>

#include "window/BackgroundArt.h"
#include "window/Layout.h"

namespace qv {
namespace {

struct Channels {
    int lo, hi;  // the darkest and brightest of red, green and blue
};
Channels At(const Picture& art, int x, int y) {
    const std::uint32_t p = art.at(x, y);
    const int r = static_cast<int>(p >> 16 & 0xFF), g = static_cast<int>(p >> 8 & 0xFF),
              b = static_cast<int>(p & 0xFF);
    return {std::min({r, g, b}), std::max({r, g, b})};
}
bool ButtonFace(Channels c) { return c.lo >= 200 && c.hi - c.lo <= 16; }  // light, neutral grey
bool Dark(Channels c) { return c.hi < 100; }

// The last pixel of the button face that runs from (x, y) in direction (dx, dy).
int FaceEnd(const Picture& art, int x, int y, int dx, int dy) {
    while (x + dx >= 0 && x + dx < art.width && y + dy >= 0 && y + dy < art.height &&
           ButtonFace(At(art, x + dx, y + dy)))
        x += dx, y += dy;
    return dx != 0 ? x : y;
}

TEST(BackgroundArt, CaptionsLieOnTheButtonsTheCloseSpotOnTheCrossAndTheBorderReachesTheEdge) {
    for (const int dpi : {96, 120, 144, 168, 192, 240, 288, 336}) {
        SCOPED_TRACE(dpi);
        const float twipsPerPixel = 1440.0f / static_cast<float>(dpi);
        const double s = dpi / 96.0;
        const Picture art = DrawBackground(twipsPerPixel);
        ASSERT_EQ((PixelSize{art.width, art.height}), PictureSize(twipsPerPixel));

        for (const ControlId id : {ControlId::lblStart, ControlId::lblStop, ControlId::lblRestart}) {
            const PixelRect r = ControlRect(LayoutOf(id), twipsPerPixel);
            const int x = (r.left + r.right) / 2, y = (r.top + r.bottom) / 2;
            const int top = FaceEnd(art, x, y, 0, -1), bottom = FaceEnd(art, x, y, 0, 1);
            EXPECT_TRUE(top <= r.top && r.bottom <= bottom + 1 && bottom - top < 20 * s)
                << static_cast<int>(id) << ": rows " << r.top << ".." << r.bottom - 1 << ", face "
                << top << ".." << bottom;
            // The caption's box is a pixel wider than the grey bar at 100 %
            // and may reach over the frame or the divider by that, scaled.
            const double slack = 2 * s + 1;
            const int left = FaceEnd(art, x, y, -1, 0), right = FaceEnd(art, x, y, 1, 0);
            EXPECT_TRUE(std::abs(left - r.left) <= slack && std::abs(right + 1 - r.right) <= slack)
                << static_cast<int>(id) << ": columns " << r.left << ".." << r.right - 1
                << ", face " << left << ".." << right;
        }

        // The close spot lies within the dark square of the mark found
        // around it, and holds some of its white cross.
        const PixelSize window = WindowSize(twipsPerPixel);
        const PixelRect spot = ControlRect(LayoutOf(ControlId::lblClose), twipsPerPixel);
        const int growX = (spot.right - spot.left) / 2, growY = (spot.bottom - spot.top) / 2;
        PixelRect mark{art.width, art.height, 0, 0};
        bool cross = false;
        for (int y = std::max(0, spot.top - growY); y < spot.bottom + growY; ++y)
            for (int x = spot.left - growX; x < std::min(spot.right + growX, window.width - 2); ++x) {
                if (Dark(At(art, x, y)))
                    mark = {std::min(mark.left, x), std::min(mark.top, y),
                            std::max(mark.right, x + 1), std::max(mark.bottom, y + 1)};
                cross |= spot.Contains(x, y) && At(art, x, y).lo >= 230;
            }
        EXPECT_TRUE(mark.left <= spot.left && mark.top <= spot.top && spot.right <= mark.right &&
                    spot.bottom <= mark.bottom)
            << "spot " << spot.left << "," << spot.top << ".." << spot.right - 1 << ","
            << spot.bottom - 1 << ", mark " << mark.left << "," << mark.top << ".."
            << mark.right - 1 << "," << mark.bottom - 1;
        EXPECT_TRUE(cross);

        // The last column the window shows is the border, as the first is.
        int unlike = 0;
        for (int y = 0; y < art.height; ++y)
            unlike += art.at(window.width - 2, y) != art.at(0, y) ||
                              (y > 13 * s && y < art.height - 13 * s && At(art, 0, y).hi < 80)
                          ? 1
                          : 0;
        EXPECT_EQ(unlike, 0);
    }
}

// The art generator keeps the design too (it draws the 100 % bitmap): the two
// drawings of it may differ by a level of rounding here and there, no more.
TEST(BackgroundArt, MatchesTheArtGeneratorsDrawing) {
    for (const int dpi : {144, 288}) {
        SCOPED_TRACE(dpi);
        std::ifstream file(QV_ART_REFERENCES + std::to_string(dpi) + ".ppm", std::ios::binary);
        std::string magic;
        int width = 0, height = 0, levels = 0;
        file >> magic >> width >> height >> levels;
        file.get();  // the one blank before the pixels
        ASSERT_EQ(magic, "P6");
        const Picture art = DrawBackground(1440.0f / static_cast<float>(dpi));
        ASSERT_EQ((PixelSize{art.width, art.height}), (PixelSize{width, height}));
        int apart = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint32_t drawn = art.at(x, y);
                int off = 0;
                for (const int shift : {16, 8, 0})
                    off = std::max(off, std::abs(static_cast<int>(drawn >> shift & 0xFF) - file.get()));
                ASSERT_LE(off, 1) << x << "," << y;
                apart += off;
            }
        EXPECT_LT(apart, width * height / 100);
    }
}

}  // namespace
}  // namespace qv
