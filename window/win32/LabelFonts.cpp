#include "window/win32/LabelFonts.h"

#include <algorithm>
#include <cmath>
#include <vector>

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

void LabelFonts::Make(HDC dc, std::size_t index, const std::wstring& caption, float twipsPerPixel) {
    const FontSpec& design = kLayout[index].font;
    const int height = -static_cast<int>(std::lround(design.points * 20.0f / twipsPerPixel));
    const auto make = [&](const wchar_t* face, BYTE charset) {
        return UniqueFont(CreateFontW(height, 0, 0, 0, design.weight, FALSE, FALSE, FALSE, charset,
                                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                      DEFAULT_PITCH | FF_DONTCARE, face));
    };
    UniqueFont& font = fonts_[index];
    // A machine without the face gets the dialog font the system maps to its
    // nearest sans serif, rather than a serif default.
    font = make(design.face, ANSI_CHARSET);
    if (!IsFace(dc, font.get(), design.face)) font = make(L"MS Shell Dlg 2", ANSI_CHARSET);
    for (const wchar_t* face : kFallbackFaces) {
        if (HasGlyphs(dc, font.get(), caption)) break;
        if (UniqueFont fallback = make(face, DEFAULT_CHARSET); HasGlyphs(dc, fallback.get(), caption))
            font = std::move(fallback);
    }
}

}  // namespace qv
