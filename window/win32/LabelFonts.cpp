#include "window/win32/LabelFonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "window/Faces.h"
#include "window/TextFit.h"
#include "window/win32/Painter.h"

namespace qv {
namespace {

// Where the designed face lacks a caption's letters (a translation in
// another script), the first of these that has them all draws it.
constexpr const wchar_t* kFallbackFaces[] = {
    L"Segoe UI",  L"Microsoft Sans Serif", L"Arial Unicode MS", L"Nirmala UI", L"Microsoft YaHei",
    L"SimSun",    L"Meiryo",               L"MS Gothic",        L"Malgun Gothic"};

// Whether `font` draws every character of `text` with glyphs of its own.
bool HasGlyphs(HDC dc, HFONT font, const std::wstring& text) {
    if (font == nullptr || text.empty()) return true;
    const SelectedObject selected(dc, font);
    std::vector<WORD> glyphs(text.size());
    if (GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return true;
    return std::find(glyphs.begin(), glyphs.end(), 0xFFFF) == glyphs.end();
}

// Whether the font the system made for a face is that face, not a stand-in.
bool IsFace(HDC dc, HFONT font, const wchar_t* face) {
    const SelectedObject selected(dc, font);
    wchar_t made[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, made);
    return _wcsicmp(made, face) == 0;
}

}  // namespace

void LabelFonts::Make(HDC dc, std::size_t index, const std::wstring& caption,
                      std::span<const std::wstring> others, float twipsPerPixel, int cue) {
    const ControlLayout& layout = kLayout[index];
    const FontSpec& design = layout.font;
    const int designed = static_cast<int>(std::lround(design.points * 20.0f / twipsPerPixel));
    // Sizes are the letters' height (a negative font height), as designed.
    const auto make = [&](const wchar_t* face, BYTE charset, int pixels) {
        return UniqueFont(CreateFontW(-pixels, 0, 0, 0, design.weight, FALSE, FALSE, FALSE, charset,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, face));
    };
    UniqueFont& font = fonts_[index];
    // A machine without the face gets the dialog font the system maps to its
    // nearest sans serif, rather than a serif default.
    const wchar_t* face = design.face;
    BYTE charset = ANSI_CHARSET;
    font = make(face, charset, designed);
    if (!IsFace(dc, font.get(), face)) font = make(face = L"MS Shell Dlg 2", charset, designed);
    for (const wchar_t* fallback : kFallbackFaces) {
        if (HasGlyphs(dc, font.get(), caption)) break;
        UniqueFont other = make(fallback, DEFAULT_CHARSET, designed);
        if (HasGlyphs(dc, other.get(), caption)) {
            font = std::move(other);
            face = fallback;
            charset = DEFAULT_CHARSET;
        }
    }

    cut_[index] = false;
    shown_[index].clear();
    drop_[index] = 0;
    if (!layout.shrinks) return;
    // A command's caption has the room inside its drawn button, clear of the
    // border, the coloured end and the focus cue.
    const PixelRect box = CaptionRoom(layout, twipsPerPixel, cue);
    const auto measure = [&](int pixels) {
        if (pixels == designed) return LabelTextSize(dc, font.get(), caption, layout, box);
        const UniqueFont smaller = make(face, charset, pixels);
        return LabelTextSize(dc, smaller.get(), caption, layout, box);
    };
    const FittedText fitted = FitText(designed, LegibleTextPixels(twipsPerPixel),
                                      {box.right - box.left, box.bottom - box.top}, measure);
    if (fitted.pixels == designed) return;
    font = make(face, charset, fitted.pixels);
    cut_[index] = fitted.cut;
    if (fitted.cut) {
        const SelectedObject selected(dc, font.get());
        const UINT direction = RightToLeft(caption) ? DT_RTLREADING : 0;
        shown_[index] = CutCaption(caption, others, box.right - box.left, [&](std::wstring_view text) {
            RECT measured{0, 0, 0, 0};
            DrawTextW(dc, text.data(), static_cast<int>(text.size()), &measured,
                      DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX | direction);
            return static_cast<int>(measured.right - measured.left);
        });
    }
    // A smaller text sits in the middle of its label's height, level with
    // its full-size neighbours, rather than at the top.
    TEXTMETRICW metrics{};
    const SelectedObject selected(dc, font.get());
    GetTextMetricsW(dc, &metrics);
    const int height = fitted.cut ? metrics.tmHeight : measure(fitted.pixels).height;
    drop_[index] = std::max(0, (box.bottom - box.top - height) / 2);
}

}  // namespace qv
