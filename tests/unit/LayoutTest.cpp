// The layout's twips as pixels at each density.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "language/LanguageText.h"
#include "tests/fakes/FakeFiles.h"
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

// A move to another screen, as any program can announce one: only a density
// Windows offers, the same across and down, is followed.
TEST(Layout, OnlyTheDensitiesWindowsOffersAreFollowed) {
    const std::tuple<std::uint32_t, std::uint32_t, bool> rows[] = {
        {96, 96, true},   {144, 144, true},  {480, 480, true},    {0, 0, false},
        {48, 48, false},  {95, 95, false},   {481, 481, false},   {65535, 65535, false},
        {96, 144, false},
    };
    for (const auto& [x, y, followed] : rows) EXPECT_EQ(SupportedDensity(x, y), followed) << x << " x " << y;
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

// One unit a code unit: each row a caption, the other commands' captions,
// the room, what is drawn. A cut that would read as another command's
// caption keeps its start and end around the ellipsis instead.
TEST(TextFit, ACutCaptionNeverReadsAsAnotherCommandsCaption) {
    using Others = std::vector<std::wstring>;
    const Others polish{L"Uruchom", L"Zatrzymaj"};
    const std::tuple<const wchar_t*, Others, int, const wchar_t*> rows[] = {
        {L"Uruchom ponownie", polish, 10, L"Uruchom p\u2026"},
        {L"Uruchom ponownie", polish, 9, L"Uruc\u2026wnie"},  // not "Uruchom \u2026"
        {L"Uruchom ponownie", {}, 9, L"Uruchom\u2026"},       // its blank goes
        {L"Uruchom us\u0142ug\u0119", {L"Uruchom us\u0142ug\u0119 ponownie"}, 10, L"Uruch\u2026\u0142ug\u0119"},
        {L"\xD83D\xDCE1\xDBFF\xDFFF\xD83D\xDCE1", {}, 4, L"\xD83D\xDCE1\u2026"},  // no half a pair
        {L"Uruchom \xD83D\xDCE1", polish, 3, L"Ur\u2026"},  // nor at the start of the end kept
        {L"Stop it", {}, 1, L"S\u2026"},                                 // too narrow for anything
        {L"abcdefXYZwvu", {L"abcdefQRwvu"}, 7, L"a\u2026YZwvu"},           // both halves alike: another split
        {L"Stop now", {L"Stop now"}, 5, L"Stop\u2026"},                  // nothing tells them apart
    };
    for (const auto& [caption, others, room, shown] : rows) {
        const auto width = [](std::wstring_view text) { return static_cast<int>(text.size()); };
        EXPECT_EQ(CutCaption(caption, others, room, width), shown) << caption << " " << room;
    }
}

// The sample languages and Polish, whose Restart begins with Start's
// "Uruchom", at each density, in a face whose letters are 6/11 of its
// height wide: each caption whole at the legible floor, or cut fitting its
// room and unlike the other commands' captions. Each row: the file, how
// many captions are cut over all densities.
TEST(TextFit, TheSampleLanguagesCaptionsAreWholeOrCutUnlikeTheOthers) {
    const auto sample = [](const char* name) {
        std::ifstream file(std::string(QV_SOURCE_DIR "/docs/languages/") + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    };
    const std::pair<std::string, int> rows[] = {
        {sample("German.txt"), 0}, {sample("Russian.txt"), 0},
        {"h\nStart=>Uruchom\nStop=>Zatrzymaj\nRestart=>Uruchom ponownie\n", 5}};
    for (const auto& [file, cuts] : rows) {
        fake::FakeFiles files;
        files.AddFile(L"L.txt", file);
        const LanguageText text(ReadTextFile(files, L"L.txt"));
        std::vector<std::wstring> captions;
        for (const wchar_t* key : {L"Start", L"Stop", L"Restart"}) {
            std::wstring str1 = key;
            captions.push_back(changelstring(str1, text));
        }
        int cut = 0;
        for (const int dpi : {96, 120, 144, 192, 288})
            for (std::size_t i = 0; i < captions.size(); ++i) {
                const float twipsPerPixel = 1440.0f / static_cast<float>(dpi);
                const PixelRect room = CaptionRoom(LayoutOf(kFocusOrder[i]), twipsPerPixel, StrokePixels(twipsPerPixel));
                const int floor = LegibleTextPixels(twipsPerPixel);
                const auto width = [&](std::wstring_view t) { return static_cast<int>(t.size()) * floor * 6 / 11; };
                std::vector<std::wstring> others = captions;
                others.erase(others.begin() + static_cast<std::ptrdiff_t>(i));
                if (width(captions[i]) <= room.right - room.left) continue;
                ++cut;
                const std::wstring shown = CutCaption(captions[i], others, room.right - room.left, width);
                EXPECT_LE(width(shown), room.right - room.left) << shown;
                const std::size_t ellipsis = shown.find(L'\u2026');
                const std::wstring head = shown.substr(0, ellipsis), tail = shown.substr(ellipsis + 1);
                for (const std::wstring& other : others)
                    EXPECT_FALSE(other.starts_with(head) && other.ends_with(tail)) << shown << " " << dpi;
            }
        EXPECT_EQ(cut, cuts) << file;
    }
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

// A focus change repaints all the cue covers, which reaches past the label
// (at 100 % below Start and above and below Stop and Restart), and the
// label with its relief. Each row a density.
TEST(Faces, AFocusChangeRepaintsTheWholeCueAndLabel) {
    const auto covers = [](const PixelRect& outer, const PixelRect& inner) {
        return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
               outer.bottom >= inner.bottom;
    };
    for (const int dpi : {96, 110, 120, 144, 168, 192, 240, 288, 384})
        for (const ControlId id : kFocusOrder) {
            const float twipsPerPixel = 1440.0f / static_cast<float>(dpi);
            const PixelRect repainted = FocusRepaintRect(id, twipsPerPixel);
            PixelRect label = ControlRect(LayoutOf(id), twipsPerPixel);
            label.right += StrokePixels(twipsPerPixel);
            label.bottom += StrokePixels(twipsPerPixel);
            EXPECT_TRUE(covers(repainted, FocusCueRect(id, twipsPerPixel))) << dpi << " " << LayoutOf(id).name;
            EXPECT_TRUE(covers(repainted, label)) << dpi << " " << LayoutOf(id).name;
        }
}

}  // namespace
}  // namespace qv
