// How a caption too long for its label is drawn: whole in a smaller size of
// its face, as long as that stays legible, and only then cut, visibly, and
// never so that it reads as another command's caption.
#pragma once

#include <algorithm>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "window/Layout.h"

namespace qv {

// The smallest text height still legible: 7 pixels at 96 dpi (about 5
// points), as many more as the density has.
inline constexpr int kLegibleTextTwips = 105;
inline int LegibleTextPixels(float twipsPerPixel) {
    return std::max(1, TwipsToPixels(static_cast<float>(kLegibleTextTwips), twipsPerPixel));
}

struct FittedText {
    int pixels;     // the text height to draw at
    bool cut;       // still too large there: drawn on one line, ended with an ellipsis
    bool operator==(const FittedText&) const = default;
};

// The size to draw a text at in a box: the designed size if it fits whole,
// else the largest smaller one that does, down to `floor`; at the floor, cut.
// `measure(pixels)` gives the text's size at that height as the label lays
// it out (broken at word boundaries); a word that cannot be broken makes it
// wider than the box.
template <typename Measure>
FittedText FitText(int designed, int floor, PixelSize box, Measure measure) {
    const int smallest = std::min(designed, floor);
    for (int pixels = designed; pixels >= smallest; --pixels) {
        const PixelSize size = measure(pixels);
        if (size.width <= box.width && size.height <= box.height) return {pixels, false};
    }
    return {smallest, true};
}

// What a caption too long even at the floor is drawn as, `room` pixels wide
// as `width` measures a text on one line: its start and an ellipsis, as much
// as fits. But a cut must not read as another command's caption (`others`):
// Polish "Uruchom ponownie" (Restart) cut to "Uruchom \u2026" reads as Start's
// "Uruchom". Such a caption keeps its start and its end around the ellipsis
// instead, which keeps letters of what tells it apart.
std::wstring CutCaption(std::wstring_view caption, std::span<const std::wstring> others, int room,
                        const std::function<int(std::wstring_view)>& width);

// Whether a text reads from right to left: its first strongly directed
// character is one of a right-to-left script (Hebrew, Arabic, Syriac,
// Thaana, N'Ko ...), as the Unicode bidirectional algorithm decides a
// paragraph's direction. Digits, blanks, signs and marks decide nothing.
bool RightToLeft(std::wstring_view text);

}  // namespace qv
