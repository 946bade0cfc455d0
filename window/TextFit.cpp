#include "window/TextFit.h"

namespace qv {
namespace {

constexpr wchar_t kEllipsis = L'\u2026';

// Only the space counts as a blank, as in a language file.
std::wstring_view TrimEnd(std::wstring_view text) { return text.substr(0, text.find_last_not_of(L' ') + 1); }
std::wstring_view TrimStart(std::wstring_view text) {
    return text.substr(std::min(text.size(), text.find_first_not_of(L' ')));
}

// The caption's first `start` and last `end` units around an ellipsis, the
// blanks beside it dropped; a cut never splits a surrogate pair.
struct Cut {
    std::wstring_view head, tail;

    Cut(std::wstring_view caption, std::size_t start, std::size_t end) {
        const auto trailing = [&](std::size_t at) {
            return at < caption.size() && caption[at] >= 0xDC00 && caption[at] <= 0xDFFF;
        };
        if (trailing(start)) --start;
        if (end > 0 && trailing(caption.size() - end)) --end;
        head = TrimEnd(caption.substr(0, start));
        tail = TrimStart(caption.substr(caption.size() - end));
    }
    std::wstring Text() const { return std::wstring(head).append(1, kEllipsis).append(tail); }
    // Whether the ellipsis could stand for what `other` has between them.
    bool ReadsAs(std::wstring_view other) const {
        return other.size() >= head.size() + tail.size() && other.starts_with(head) && other.ends_with(tail);
    }
};

// The largest n in [low, high] for which fits(n) holds, fits being true up
// to some n and false after; `low` when none does.
template <typename Fits>
std::size_t Largest(std::size_t low, std::size_t high, Fits fits) {
    while (low < high) {
        const std::size_t mid = low + (high - low + 1) / 2;
        if (fits(mid))
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

}  // namespace

std::wstring CutCaption(std::wstring_view caption, std::span<const std::wstring> others, int room,
                        const std::function<int(std::wstring_view)>& width) {
    const std::size_t n = caption.size();
    if (n < 2) return std::wstring(caption);
    const auto fits = [&](const Cut& cut) { return width(cut.Text()) <= room; };
    const auto unlike = [&](const Cut& cut) {
        return std::none_of(others.begin(), others.end(), [&](const std::wstring& o) { return cut.ReadsAs(o); });
    };
    // A shorter start reads as whatever a longer one does: the longest that
    // fits decides.
    const Cut end(caption, Largest(1, n - 1, [&](std::size_t h) { return fits(Cut(caption, h, 0)); }), 0);
    if (unlike(end) || n < 3) return end.Text();
    // Start and end halves, as many letters as fit; should both halves match
    // another caption's, another split of those letters.
    const std::size_t shown =
        Largest(2, n - 1, [&](std::size_t m) { return fits(Cut(caption, (m + 1) / 2, m / 2)); });
    for (std::size_t h = (shown + 1) / 2, tried = 0; tried < shown - 1; ++tried) {
        const Cut middle(caption, h, shown - h);
        if (fits(middle) && unlike(middle)) return middle.Text();
        h = h % (shown - 1) + 1;  // round the splits from the halves on
    }
    return end.Text();
}

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
