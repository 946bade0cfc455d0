#include "window/TextFit.h"

namespace qv {

bool RightToLeft(std::wstring_view text) {
    // By first match: code points, the high surrogates of the right-to-left
    // planes standing for theirs (U+10800-U+10FFF, U+1E800-U+1EFFF). Marks
    // and signs inside a script's block count as its letters, which a text
    // never starts with; code points in no range decide nothing.
    enum class Strong { Left, Right, Neither };
    struct Range {
        char32_t first, last;
        Strong strong;
    };
    constexpr Range kRanges[] = {
        {U'A', U'Z', Strong::Left},         {U'a', U'z', Strong::Left},
        {0xAA, 0xAA, Strong::Left},         {0xB5, 0xB5, Strong::Left},
        {0xBA, 0xBA, Strong::Left},         {0xD7, 0xD7, Strong::Neither},  // x
        {0xF7, 0xF7, Strong::Neither},      {0xC0, 0x58F, Strong::Left},    // Latin to Armenian
        {0x660, 0x669, Strong::Neither},    {0x6F0, 0x6F9, Strong::Neither},  // Arabic digits
        {0x590, 0x8FF, Strong::Right},      {0x900, 0x1FFF, Strong::Left},  // Hebrew to Arabic; Indic on
        {0x200E, 0x200E, Strong::Left},     {0x200F, 0x200F, Strong::Right},  // the marks
        {0x2C00, 0x2DFF, Strong::Left},     {0x3040, 0xD7FF, Strong::Left},   // kana, CJK, Hangul
        {0xD802, 0xD803, Strong::Right},    {0xD83A, 0xD83B, Strong::Right},
        {0xF900, 0xFB1C, Strong::Left},     {0xFB1D, 0xFDFF, Strong::Right},  // presentation forms
        {0xFE70, 0xFEFE, Strong::Right},    {0xFF21, 0xFFDC, Strong::Left},   // full and half width
    };
    for (const wchar_t unit : text)
        for (const Range& range : kRanges)
            if (static_cast<char32_t>(unit) >= range.first && static_cast<char32_t>(unit) <= range.last) {
                if (range.strong != Strong::Neither) return range.strong == Strong::Right;
                break;
            }
    return false;
}

}  // namespace qv
