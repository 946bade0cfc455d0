// The layout's twips as pixels at each density.
#include <gtest/gtest.h>

#include <tuple>
#include <vector>

#include "window/Faces.h"
#include "window/Layout.h"
#include "window/TextFit.h"

namespace qv {
namespace {

// A rectangle's edges, comparable and printable.
std::tuple<int, int, int, int> Edges(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

TEST(Layout, TwipsBecomePixelsRoundingHalvesToEven) {
    EXPECT_EQ(TwipsToPixels(623.0f, 2.0f), 312);  // 311.5
    EXPECT_EQ(TwipsToPixels(621.0f, 2.0f), 310);  // 310.5
    EXPECT_THROW(TwipsToPixels(3e9f, 1.0f), std::overflow_error);
    EXPECT_EQ(Edges(ControlRect(LayoutOf(ControlId::Line2), 15.0f)), std::tuple(167, 155, 220, 155));
    // The picture's size at 144 dpi (the bitmap test pins it at 96 dpi);
    // strokes a pixel wide at 96 dpi.
    EXPECT_EQ(PictureSize(10.0f), (PixelSize{375, 451}));
    for (const auto& [twipsPerPixel, stroke] : {std::pair{15.0f, 1}, {12.0f, 1}, {10.0f, 2}, {5.0f, 3}})
        EXPECT_EQ(StrokePixels(twipsPerPixel), stroke);
}

// A command label 54 x 13 pixels at 96 dpi, its text designed 11 pixels high;
// each row gives the text's measured size at 11, 10, 9 ... pixels, as far as
// the fit may look.
TEST(TextFit, TheLargestSizeThatFitsWholeDownToTheLegibleFloorThenCut) {
    const std::tuple<const char*, std::vector<PixelSize>, FittedText> rows[] = {
        {"fits as designed", {{25, 12}}, {11, false}},
        {"fills the box exactly", {{54, 13}}, {11, false}},
        {"two lines too tall, one line fits", {{53, 24}, {47, 22}, {52, 10}}, {9, false}},
        {"one word wider than the box",
         {{81, 12}, {76, 11}, {66, 10}, {58, 9}, {54, 7}}, {7, false}},
        {"too long at the floor", {{53, 24}, {47, 22}, {45, 20}, {37, 18}, {31, 14}}, {7, true}},
    };
    const int floor = LegibleTextPixels(15.0f);
    for (const auto& [what, measured, fitted] : rows) {
        const auto measure = [&](int pixels) { return measured.at(static_cast<std::size_t>(11 - pixels)); };
        EXPECT_EQ(FitText(11, floor, {54, 13}, measure), fitted) << what;
    }
    // 7 pixels at 96 dpi, scaled with the density.
    for (const auto& [dpi, pixels] : {std::pair{96, 7}, {144, 10}, {192, 14}})
        EXPECT_EQ(LegibleTextPixels(1440.0f / static_cast<float>(dpi)), pixels) << dpi;
}

// A text reads from the right when its first strongly directed character is
// of a right-to-left script; digits, blanks and signs decide nothing.
TEST(TextFit, ATextReadsInTheDirectionOfItsFirstStrongCharacter) {
    const std::pair<const wchar_t*, bool> rows[] = {
        {L"Stopped", false}, {L"", false},
        {L"\u0645\u062a\u0648\u0642\u0641 (Quorvel 2)", true},  // Arabic, then Latin
        {L"(Quorvel 2) \u0645\u062a\u0648\u0642\u0641", false},
        {L"2 \u05e2\u05e6\u05d5\u05e8", true},                  // Hebrew after a digit
        {L"\u0661\u0662 Start", false},                           // Arabic-Indic digits
        {L"\u200f2 Start", true},                                  // a right-to-left mark
        {L"\u041f\u0443\u0441\u043a", false},                      // Cyrillic
        {L"\u505c\u6b62", false},                                  // CJK
        {L"\xD802\xDD00", true},                                   // U+10900, Phoenician
        // A script a range: lower case, Latin-1, Armenian, Syriac, Thaana,
        // N'Ko, Mandaic, Devanagari, Hangul, a left-to-right mark,
        // presentation forms, full-width Latin, Adlam, Glagolitic, CJK
        // compatibility; the sign x and Persian digits decide nothing.
        {L"quorvel", false}, {L"\u00e9t\u00e9", false}, {L"\u0561", false}, {L"\u0710", true},
        {L"\u0780", true},  {L"\u07ca", true},        {L"\u0840", true},  {L"\u0915", false},
        {L"\uac00", false}, {L"\u200e\u05d0", false},  {L"\ufb50", true},  {L"\ufe8d", true},
        {L"\ufb1d", true},  {L"\uff21", false},       {L"\u0608", true},  {L"\u08a0", true},
        {L"\xD83A\xDD00", true}, {L"\u2c00", false},  {L"\uf900", false}, {L"\u00f8", false},
        {L"\u00d7 \u05d0", true}, {L"\u00aa", false}, {L"\uff41", false},  {L"\u06f1 A", false},
    };
    for (const auto& [text, rightToLeft] : rows) EXPECT_EQ(RightToLeft(text), rightToLeft) << text;
}

// At 100 %: Start's face runs from x 13 to its divider at 66, the focus cue
// a pixel inside it, the caption a cue and a pixel inside that, centred on
// the label (14..68) as the caption is drawn. Texts that are no service
// command keep their rectangle.
TEST(TextFit, ACommandsCaptionHasTheRoomInsideItsFaceAndFocusCue) {
    const std::tuple<ControlId, int, std::tuple<int, int, int, int>> rows[] = {
        {ControlId::lblStart, 1, {19, 275, 63, 288}},   {ControlId::lblStart, 2, {20, 275, 62, 288}},
        {ControlId::lblStop, 1, {96, 276, 142, 289}},   {ControlId::lblRestart, 1, {179, 276, 223, 289}},
        {ControlId::lblClose, 1, {235, 14, 246, 26}},   {ControlId::lblStatus, 1, {21, 167, 222, 183}},
    };
    for (const auto& [id, cue, room] : rows)
        EXPECT_EQ(Edges(CaptionRoom(LayoutOf(id), 15.0f, cue)), room) << LayoutOf(id).name << " " << cue;
    // Inside the mark's border.
    EXPECT_EQ(Edges(FocusCueRect(ControlId::lblClose, 15.0f)), std::tuple(236, 15, 246, 25));
    EXPECT_THROW(ButtonOf(ControlId::lblStatus, 15.0f), std::invalid_argument);  // no button, not Restart's
}

}  // namespace
}  // namespace qv
