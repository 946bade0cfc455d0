// The window's design as plain data: its size, its colours, and its drawn
// controls in twips, front-most first, with what each shows at creation.
// The view converts the twips with the screen's twips per pixel.
#pragma once

#include <array>
#include <cstdint>

#include "platform/Types.h"

namespace qv {

inline constexpr int kWindowWidthTwips = 3735;
inline constexpr int kWindowHeightTwips = 4515;
// Width and height of the ellipse that rounds each corner: 26 pixels at
// 96 dpi, where a pixel is 15 twips.
inline constexpr int kCornerEllipseTwips = 390;

inline constexpr Rgb kBlack = MakeRgb(0, 0, 0);
inline constexpr Rgb kStatusBlue = MakeRgb(0, 0, 192);
inline constexpr Rgb kHeadingGrey = MakeRgb(128, 128, 128);
inline constexpr Rgb kLineGrey = MakeRgb(192, 192, 192);
// A command label's text while its command is in progress.
inline constexpr Rgb kBusyGrey = MakeRgb(120, 120, 120);
// A colour that names a system colour rather than an RGB value: the high bit
// set and the GetSysColor index (COLOR_BTNTEXT) below it.
inline constexpr Rgb kSystemButtonText = 0x80000012;

enum class ControlId {
    Line2, Line1, imgTop, lblStatus, Line3, Label2, lblts, Image1,
    lblClose, lblRestart, lblStop, lblStart,
};
enum class ControlKind { Line, Image, Label };
enum class TextAlign { Left, Centre };

struct FontSpec {
    const wchar_t* face;
    double points;
    int weight;  // 400 regular, 700 bold
};

inline constexpr FontSpec kDefaultFont{L"Tahoma", 8.25, 700};

struct ControlLayout {
    ControlId id;
    ControlKind kind;
    // Rectangles: left, top, width, height. Lines: x1, y1, x2, y2.
    int a, b, c, d;
    const wchar_t* caption = L"";
    const wchar_t* tooltip = L"";
    Rgb colour = kBlack;  // a label's text, a line's stroke
    FontSpec font = kDefaultFont;
    TextAlign align = TextAlign::Left;
    // A command takes clicks, and shows the hand cursor and its tooltip.
    bool command = false;
};

constexpr std::array<ControlLayout, 12> DesignLayout() {
    using enum ControlId;
    using enum ControlKind;
    return {{
        {Line2, Line, 2505, 2325, 3300, 2325, L"", L"", kLineGrey},
        {Line1, Line, 390, 2340, 1140, 2340, L"", L"", kLineGrey},
        {imgTop, Image, 60, 0, 3705, 195},
        {lblStatus, Label, 315, 2505, 3015, 240, L"", L"", kStatusBlue, {L"Tahoma", 9.0, 700},
         TextAlign::Centre},
        {Line3, Line, 405, 2940, 3315, 2940, L"", L"", kLineGrey},
        // The heading sizes itself to its caption; the width here is the design's.
        {Label2, Label, 1215, 2235, 1230, 195, L"Service Status", L"", kHeadingGrey},
        {lblts, Label, 1215, 375, 2490, 885, L"Quorvel Voice Chat Server Tool", L"",
         kSystemButtonText, {L"Tahoma", 11.25, 700}},
        {Image1, Image, 300, 405, 720, 720},
        // No caption: a hot spot over the cross drawn in the background.
        {lblClose, Label, 3525, 210, 165, 180, L"", L"Close", kBlack, {L"MS Sans Serif", 8.25, 400},
         TextAlign::Left, true},
        {lblRestart, Label, 2610, 4140, 810, 195, L"Restart", L"Restart Service", kBlack,
         kDefaultFont, TextAlign::Centre, true},
        {lblStop, Label, 1380, 4140, 810, 195, L"Stop", L"Stop Service", kBlack, kDefaultFont,
         TextAlign::Centre, true},
        // One pixel higher than the other two, as designed.
        {lblStart, Label, 210, 4125, 810, 195, L"Start", L"Start Service", kBlack, kDefaultFont,
         TextAlign::Centre, true},
    }};
}
inline constexpr std::array<ControlLayout, 12> kLayout = DesignLayout();

const ControlLayout& LayoutOf(ControlId id);

// Twips to pixels: to the nearest pixel, a quotient exactly halfway going to
// the even neighbour, as the window's region computation requires.
std::int32_t TwipsToPixels(float twips, float twipsPerPixel);

struct PixelRect {
    int left, top, right, bottom;  // right and bottom exclusive
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

PixelRect ControlRect(const ControlLayout& control, float twipsPerPixel);

struct PixelSize {
    int width, height;
    bool operator==(const PixelSize&) const = default;
};
// The window, and its background picture, one pixel wider and one shorter
// (its last column is never seen, and the window's bottom row is black).
PixelSize WindowSize(float twipsPerPixel);
PixelSize PictureSize(float twipsPerPixel);
// A stroke one pixel wide at 96 dpi: lines, the disabled text's relief.
int StrokePixels(float twipsPerPixel);

// The front-most label or image whose rectangle holds the point, whether or
// not it draws anything there; null over the bare background.
const ControlLayout* ControlAt(int x, int y, float twipsPerPixel);

}  // namespace qv
