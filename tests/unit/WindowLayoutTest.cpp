#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/fakes/FakeWindow.h"
#include "tests/fakes/FakeFileSystem.h"
#include "tests/fakes/FakeLanguageSources.h"
#include "tests/fakes/FakeRegistry.h"
#include "tests/fakes/FakeServiceManager.h"
#include "window/Layout.h"
#include "window/frmVctool.h"

namespace qv {
namespace {

std::optional<ControlId> NameAt(int x, int y, float twipsPerPixel = 15.0f) {
    const ControlLayout* control = ControlAt(x, y, twipsPerPixel);
    if (control == nullptr) return std::nullopt;
    return control->id;
}

struct Rect {
    int left, top, right, bottom;
    bool operator==(const Rect&) const = default;
};
Rect Pixels(ControlId id, float twipsPerPixel) {
    const PixelRect r = ControlRect(LayoutOf(id), twipsPerPixel);
    return {r.left, r.top, r.right, r.bottom};
}

TEST(TwipsToPixels, RoundsHalfwayQuotientsToEven) {
    EXPECT_EQ(TwipsToPixels(3735.0f, 15.0f), 249);
    EXPECT_EQ(TwipsToPixels(4515.0f, 15.0f), 301);
    EXPECT_EQ(TwipsToPixels(623.0f, 2.0f), 312);  // 311.5
    EXPECT_EQ(TwipsToPixels(621.0f, 2.0f), 310);  // 310.5
    EXPECT_EQ(TwipsToPixels(3735.0f, 12.0f), 311);  // 311.25
    EXPECT_EQ(TwipsToPixels(210.0f, 12.0f), 18);    // 17.5
}

TEST(Layout, CommandLabelsSitOnTheDrawnButtonsAt96Dpi) {
    EXPECT_EQ(Pixels(ControlId::lblStart, 15.0f), (Rect{14, 275, 68, 288}));
    EXPECT_EQ(Pixels(ControlId::lblStop, 15.0f), (Rect{92, 276, 146, 289}));
    EXPECT_EQ(Pixels(ControlId::lblRestart, 15.0f), (Rect{174, 276, 228, 289}));
    EXPECT_EQ(Pixels(ControlId::lblClose, 15.0f), (Rect{235, 14, 246, 26}));
    EXPECT_EQ(Pixels(ControlId::lblStatus, 15.0f), (Rect{21, 167, 222, 183}));
    EXPECT_EQ(Pixels(ControlId::imgTop, 15.0f), (Rect{4, 0, 251, 13}));
    EXPECT_EQ(Pixels(ControlId::Line2, 15.0f), (Rect{167, 155, 220, 155}));
}

TEST(Layout, FollowsTheTwipsAt120Dpi) {
    // 12 twips to the pixel: 210/12 = 17.5 and 810/12 = 67.5 both go to the
    // even neighbour.
    EXPECT_EQ(Pixels(ControlId::lblStart, 12.0f), (Rect{18, 344, 86, 360}));
    EXPECT_EQ(Pixels(ControlId::lblClose, 12.0f), (Rect{294, 18, 308, 33}));
}

TEST(HitTest, CloseIsAnElevenByTwelvePixelHotSpot) {
    EXPECT_EQ(NameAt(235, 14), ControlId::lblClose);
    EXPECT_EQ(NameAt(245, 24), ControlId::lblClose);
    EXPECT_EQ(NameAt(234, 14), std::nullopt);
    EXPECT_EQ(NameAt(246, 20), std::nullopt);
    EXPECT_EQ(NameAt(235, 12), ControlId::imgTop);
    EXPECT_EQ(NameAt(235, 13), std::nullopt);
}

TEST(HitTest, TheTitleLiesInFrontOfCloseWhereTheyShareARow) {
    // The title's rectangle starts at y 25, the last row of the close spot;
    // there the front-most control takes the mouse.
    EXPECT_EQ(NameAt(240, 25), ControlId::lblts);
    EXPECT_EQ(NameAt(240, 26), ControlId::lblts);
    EXPECT_EQ(NameAt(246, 25), ControlId::lblts);
}

TEST(HitTest, DragStripRunsFromColumnFourAcrossTheTopThirteenRows) {
    EXPECT_EQ(NameAt(4, 0), ControlId::imgTop);
    EXPECT_EQ(NameAt(248, 12), ControlId::imgTop);
    EXPECT_EQ(NameAt(3, 5), std::nullopt);
    EXPECT_EQ(NameAt(100, 13), std::nullopt);
}

TEST(HitTest, LabelsTakeTheMouseOverTheirWholeRectangle) {
    EXPECT_EQ(NameAt(14, 275), ControlId::lblStart);
    EXPECT_EQ(NameAt(67, 287), ControlId::lblStart);
    EXPECT_EQ(NameAt(68, 287), std::nullopt);
    EXPECT_EQ(NameAt(14, 274), std::nullopt);
    EXPECT_EQ(NameAt(92, 276), ControlId::lblStop);
    EXPECT_EQ(NameAt(227, 288), ControlId::lblRestart);
    // Lines never take the mouse.
    EXPECT_EQ(NameAt(30, 156), std::nullopt);
}

class WindowShapeTest : public ::testing::Test, protected fake::FakeWindow {
protected:
};

TEST_F(WindowShapeTest, LoadClipsTheWindowBeforeTheFirstRefresh) {
    form.Form_Load();
    EXPECT_EQ(desktop.windowCalls, (std::vector<std::string>{
                                       "CreateRoundRectRgn(0, 0, 249, 301, 26, 26)",
                                       "SetWindowRgn(#1, true)"}));
}

TEST_F(WindowShapeTest, RegionFollowsTheScreenDensity) {
    desktop.twipsPerPixelX = 12.0f;
    desktop.twipsPerPixelY = 12.0f;
    form.MakeRound(desktop, 26);
    EXPECT_EQ(desktop.windowCalls.front(), "CreateRoundRectRgn(0, 0, 311, 376, 26, 26)");
    desktop.windowCalls.clear();
    desktop.widthTwips = 623.0f;
    desktop.heightTwips = 621.0f;
    desktop.twipsPerPixelX = desktop.twipsPerPixelY = 2.0f;
    form.MakeRound(desktop, 10);
    EXPECT_EQ(desktop.windowCalls.front(), "CreateRoundRectRgn(0, 0, 312, 310, 10, 10)");
}

TEST_F(WindowShapeTest, AnyButtonOnTheStripStartsTheSystemMove) {
    for (const int button : {1, 2, 4}) {
        desktop.windowCalls.clear();
        form.imgTop_MouseDown(button, 0, 10.0f, 3.0f);
        EXPECT_EQ(desktop.windowCalls,
                  (std::vector<std::string>{"ReleaseCapture()", "SendMessageA(161, 2, 0)"}))
            << "button " << button;
    }
}

}  // namespace
}  // namespace qv
