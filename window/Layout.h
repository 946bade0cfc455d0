// The window's design as plain data: its size, its colours, and its drawn
// controls in twips, front-most first, with what each shows at creation, how
// a language rebuilds its texts, and where a reader and the keyboard meet it.
// The logic, the painter, the hit test, the tooltips and the screen reader
// interface all read this one table.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

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

// A caption or tooltip: a prefix that is never translated, then up to two
// keys of the language file joined by blanks. In English the keys are their
// own translations, so the same words give the design-time text. A text
// composed of several words may also be translated whole, by the key
// `phrase`, which is that design-time text: the translator's own word order
// and grammar then stand as written.
struct Words {
    const wchar_t* prefix = L"";
    std::array<const wchar_t*, 2> keys{};
    const wchar_t* phrase = nullptr;
};

struct ControlLayout {
    ControlId id;
    const char* name;
    ControlKind kind;
    // Rectangles: left, top, width, height. Lines: x1, y1, x2, y2.
    int a, b, c, d;
    Words caption{};
    Words tooltip{};
    Rgb colour = kBlack;  // a label's text, a line's stroke
    FontSpec font = kDefaultFont;
    TextAlign align = TextAlign::Left;
    // A command takes clicks, and shows the hand cursor and its tooltip.
    bool command = false;
    // Where a screen reader meets the control, from 1; 0 for what it never
    // meets. The commands take the keyboard focus in this order too.
    int reading = 0;
    // A text too long for the rectangle shrinks to fit (window/TextFit.h);
    // the title and heading have room for any sensible translation.
    bool shrinks = false;
};

// The window's controls, front-most first: painted from the back, hit-tested
// from the front.
constexpr std::array<ControlLayout, 12> DesignLayout() {
    using enum ControlId;
    using enum ControlKind;
    return {{
        {.id = Line2, .name = "Line2", .kind = Line, .a = 2505, .b = 2325, .c = 3300, .d = 2325,
         .colour = kLineGrey},
        {.id = Line1, .name = "Line1", .kind = Line, .a = 390, .b = 2340, .c = 1140, .d = 2340,
         .colour = kLineGrey},
        {.id = imgTop, .name = "imgTop", .kind = Image, .a = 60, .b = 0, .c = 3705, .d = 195},
        {.id = lblStatus, .name = "lblStatus", .kind = Label, .a = 315, .b = 2505, .c = 3015,
         .d = 240, .colour = kStatusBlue, .font = {L"Tahoma", 9.0, 700}, .align = TextAlign::Centre,
         .reading = 3, .shrinks = true},
        {.id = Line3, .name = "Line3", .kind = Line, .a = 405, .b = 2940, .c = 3315, .d = 2940,
         .colour = kLineGrey},
        // The heading sizes itself to its caption; the width here is the design's.
        {.id = Label2, .name = "Label2", .kind = Label, .a = 1215, .b = 2235, .c = 1230, .d = 195,
         .caption = {L"", {L"Service", L"Status"}, L"Service Status"}, .colour = kHeadingGrey, .reading = 2},
        {.id = lblts, .name = "lblts", .kind = Label, .a = 1215, .b = 375, .c = 2490, .d = 885,
         .caption = {L"Quorvel ", {L"Voice Chat Server", L"Tool"}, L"Quorvel Voice Chat Server Tool"}, .colour = kSystemButtonText,
         .font = {L"Tahoma", 11.25, 700}, .reading = 1},
        {.id = Image1, .name = "Image1", .kind = Image, .a = 300, .b = 405, .c = 720, .d = 720},
        // No caption: a hot spot over the cross drawn in the background. Its
        // tooltip is never translated.
        {.id = lblClose, .name = "lblClose", .kind = Label, .a = 3525, .b = 210, .c = 165, .d = 180,
         .tooltip = {L"Close"}, .font = {L"MS Sans Serif", 8.25, 400}, .command = true,
         .reading = 7},
        {.id = lblRestart, .name = "lblRestart", .kind = Label, .a = 2610, .b = 4140, .c = 810,
         .d = 195, .caption = {L"", {L"Restart"}}, .tooltip = {L"", {L"Restart", L"Service"}, L"Restart Service"},
         .align = TextAlign::Centre, .command = true, .reading = 6, .shrinks = true},
        {.id = lblStop, .name = "lblStop", .kind = Label, .a = 1380, .b = 4140, .c = 810, .d = 195,
         .caption = {L"", {L"Stop"}}, .tooltip = {L"", {L"Stop", L"Service"}, L"Stop Service"},
         .align = TextAlign::Centre, .command = true, .reading = 5, .shrinks = true},
        // One pixel higher than the other two, as designed.
        {.id = lblStart, .name = "lblStart", .kind = Label, .a = 210, .b = 4125, .c = 810, .d = 195,
         .caption = {L"", {L"Start"}}, .tooltip = {L"", {L"Start", L"Service"}, L"Start Service"},
         .align = TextAlign::Centre, .command = true, .reading = 4, .shrinks = true},
    }};
}
inline constexpr std::array<ControlLayout, 12> kLayout = DesignLayout();

// The controls a screen reader meets, in its order.
constexpr auto ReadingOrder() {
    constexpr std::size_t kCount = static_cast<std::size_t>(std::count_if(
        kLayout.begin(), kLayout.end(), [](const ControlLayout& c) { return c.reading > 0; }));
    std::array<ControlId, kCount> order{};
    for (const ControlLayout& control : kLayout)
        if (control.reading > 0) order[static_cast<std::size_t>(control.reading - 1)] = control.id;
    return order;
}
inline constexpr auto kReadingOrder = ReadingOrder();

// The commands in the order Tab moves the keyboard focus: as a reader meets them.
constexpr auto FocusOrder() {
    constexpr std::size_t kCount = static_cast<std::size_t>(std::count_if(
        kLayout.begin(), kLayout.end(), [](const ControlLayout& c) { return c.command; }));
    std::array<ControlId, kCount> order{};
    std::size_t n = 0;
    for (const ControlId id : kReadingOrder)
        for (const ControlLayout& control : kLayout)
            if (control.id == id && control.command) order[n++] = id;
    return order;
}
inline constexpr auto kFocusOrder = FocusOrder();

// The labels, in the table's order: what the window's logic models.
constexpr auto LabelIds() {
    constexpr std::size_t kCount = static_cast<std::size_t>(std::count_if(
        kLayout.begin(), kLayout.end(), [](const ControlLayout& c) { return c.kind == ControlKind::Label; }));
    std::array<ControlId, kCount> ids{};
    std::size_t n = 0;
    for (const ControlLayout& control : kLayout)
        if (control.kind == ControlKind::Label) ids[n++] = control.id;
    return ids;
}
inline constexpr auto kLabelIds = LabelIds();

// The text `words` make when each key becomes translate(key).
template <typename Translate>
std::wstring Compose(const Words& words, Translate translate) {
    std::wstring text = words.prefix;
    for (std::size_t i = 0; i < words.keys.size() && words.keys[i] != nullptr; ++i) {
        if (i > 0) text += L' ';
        text += translate(words.keys[i]);
    }
    return text;
}

const ControlLayout& LayoutOf(ControlId id);
// The control's place in kLayout.
inline std::size_t IndexOf(ControlId id) {
    return static_cast<std::size_t>(&LayoutOf(id) - kLayout.data());
}

// The densities Windows offers a screen, 100 % to 500 %, alike across and
// down: what the window follows when told of a move to another screen.
constexpr bool SupportedDensity(std::uint32_t dpiX, std::uint32_t dpiY) {
    return dpiX == dpiY && dpiX >= 96 && dpiX <= 480;
}

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
