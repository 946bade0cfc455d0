// The window's design: its size and its fourteen controls in twips, front-most
// first, as plain data. The view converts the twips with the screen's twips
// per pixel when it creates the window.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include "platform/Types.h"
#include "window/Desktop.h"

namespace qv {

inline constexpr wchar_t kWindowCaption[] = L"Voice Chat Service Status Tool";
inline constexpr int kWindowWidthTwips = 3735;
inline constexpr int kWindowHeightTwips = 4515;

enum class ControlKind { Timer, Line, Image, Label };
enum class TextAlign { Left, Centre };

struct FontSpec {
    const wchar_t* face;
    double points;
    int weight;  // 400 regular, 700 bold
};

inline constexpr FontSpec kDefaultFont{L"Tahoma", 8.25, 700};
inline constexpr Rgb kLineGrey = MakeRgb(192, 192, 192);

struct ControlLayout {
    const wchar_t* name;
    ControlKind kind;
    // Rectangles: left, top, width, height. Lines: x1, y1, x2, y2.
    int a, b, c, d;
    std::optional<ControlId> label;  // the label model this row draws
    FontSpec font;
    TextAlign align;
};

inline constexpr std::array<ControlLayout, 14> kLayout{{
    {L"Tmr_error", ControlKind::Timer, 0, 0, 0, 0, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"tmrcheck", ControlKind::Timer, 0, 0, 0, 0, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"Line2", ControlKind::Line, 2505, 2325, 3300, 2325, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"Line1", ControlKind::Line, 390, 2340, 1140, 2340, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"imgTop", ControlKind::Image, 60, 0, 3705, 195, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"lblStatus", ControlKind::Label, 315, 2505, 3015, 240, ControlId::lblStatus,
     {L"Tahoma", 9.0, 700}, TextAlign::Centre},
    {L"Line3", ControlKind::Line, 405, 2940, 3315, 2940, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"Label2", ControlKind::Label, 1215, 2235, 1230, 195, ControlId::Label2, kDefaultFont,
     TextAlign::Left},
    {L"lblts", ControlKind::Label, 1215, 375, 2490, 885, ControlId::lblts, {L"Tahoma", 11.25, 700},
     TextAlign::Left},
    {L"Image1", ControlKind::Image, 300, 405, 720, 720, std::nullopt, kDefaultFont, TextAlign::Left},
    {L"lblClose", ControlKind::Label, 3525, 210, 165, 180, ControlId::lblClose,
     {L"MS Sans Serif", 8.25, 400}, TextAlign::Left},
    {L"lblRestart", ControlKind::Label, 2610, 4140, 810, 195, ControlId::lblRestart, kDefaultFont,
     TextAlign::Centre},
    {L"lblStop", ControlKind::Label, 1380, 4140, 810, 195, ControlId::lblStop, kDefaultFont,
     TextAlign::Centre},
    {L"lblStart", ControlKind::Label, 210, 4125, 810, 195, ControlId::lblStart, kDefaultFont,
     TextAlign::Centre},
}};

// Twips to pixels: to the nearest pixel, a quotient exactly halfway going to
// the even neighbour, as the window's region computation requires.
std::int32_t TwipsToPixels(float twips, float twipsPerPixel);

struct PixelRect {
    int left, top, right, bottom;  // right and bottom exclusive
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

PixelRect ControlRect(const ControlLayout& control, float twipsPerPixel);

// The front-most label or image whose rectangle holds the point, whether or
// not it draws anything there; nothing over the bare background.
const ControlLayout* ControlAt(int x, int y, float twipsPerPixel);

inline constexpr wchar_t kDragStrip[] = L"imgTop";

}  // namespace qv
