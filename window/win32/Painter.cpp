#include "window/win32/Painter.h"

#include <algorithm>

#include "window/TextFit.h"

namespace qv {
namespace {

COLORREF Resolve(Rgb colour) {
    if (colour & 0x80000000u) return GetSysColor(static_cast<int>(colour & 0xFFu));
    return colour;
}

void PaintLine(HDC dc, const ControlLayout& layout, const PixelRect& r, int stroke) {
    // The layout's lines run straight across or down; both ends belong to
    // the line.
    const RECT line{std::min(r.left, r.right), std::min(r.top, r.bottom),
                    std::max(r.left, r.right) + stroke, std::max(r.top, r.bottom) + stroke};
    const UniqueBrush brush(CreateSolidBrush(layout.colour));
    FillRect(dc, &line, brush.get());
}

// As a label lays out its text: from the top, broken at word boundaries;
// or, for a text too long even at the smallest legible size, on one line
// ended with an ellipsis wherever the rectangle ends, so that it shows it
// is cut. A right-to-left text reads in its own order, its ellipsis where
// its reading stops, aligned as the label aligns: the layout is not mirrored.
UINT TextFormat(const ControlLayout& layout, const std::wstring& text, bool cut = false) {
    const UINT lines = cut ? DT_SINGLELINE | DT_END_ELLIPSIS : DT_WORDBREAK;
    return lines | DT_TOP | (layout.align == TextAlign::Centre ? DT_CENTER : DT_LEFT) |
           (RightToLeft(text) ? DT_RTLREADING : 0);
}

void PaintLabel(HDC dc, std::size_t index, const Label& label, const Scene& scene) {
    if (label.Caption().empty()) return;
    const ControlLayout& layout = kLayout[index];
    const SelectedObject font(dc, scene.fonts[index]);
    RECT rect = LabelRect(layout.id, scene.twipsPerPixel, scene.heading);
    const UINT format = TextFormat(layout, label.Caption(), scene.fonts.Cut(index));
    SetBkMode(dc, TRANSPARENT);
    // Text past the rectangle is cut off, also below its last whole line.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    rect.top += scene.fonts.Drop(index);
    if (label.Enabled()) {
        SetTextColor(dc, Resolve(label.ForeColor()));
        DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
    } else {
        // The classic disabled look: a light relief under grey text.
        RECT relief = rect;
        const int stroke = StrokePixels(scene.twipsPerPixel);
        OffsetRect(&relief, stroke, stroke);
        SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawTextW(dc, label.Caption().c_str(), -1, &relief, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, label.Caption().c_str(), -1, &rect, format);
    }
    RestoreDC(dc, saved);
}

// The system's dotted focus rectangle around a label, as many pixels thick
// as a stroke is at this density.
void PaintFocusCue(HDC dc, RECT rect, int stroke) {
    const int saved = SaveDC(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    for (int i = 0; i < stroke; ++i) {
        DrawFocusRect(dc, &rect);
        InflateRect(&rect, -1, -1);
    }
    RestoreDC(dc, saved);
}

}  // namespace

void PaintScene(HDC dc, const RECT& client, const Scene& scene) {
    // The back colour shows where the picture, one row shorter than the
    // window, does not reach.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (const HBITMAP background = scene.art.Background()) {
        const UniqueMemoryDc picture(CreateCompatibleDC(dc));
        BITMAP size{};
        GetObjectW(background, sizeof(size), &size);
        const SelectedObject selected(picture.get(), background);
        BitBlt(dc, 0, 0, size.bmWidth, size.bmHeight, picture.get(), 0, 0, SRCCOPY);
    }

    // Back to front: the table lists the front-most control first.
    const int stroke = StrokePixels(scene.twipsPerPixel);
    for (std::size_t n = kLayout.size(); n-- > 0;) {
        const ControlLayout& layout = kLayout[n];
        const PixelRect r = ControlRect(layout, scene.twipsPerPixel);
        if (layout.kind == ControlKind::Line) {
            PaintLine(dc, layout, r, stroke);
        } else if (const Label* label = scene.form.LabelFor(layout.id)) {
            PaintLabel(dc, n, *label, scene);
        } else if (layout.id == ControlId::Image1 && scene.art.Emblem()) {
            DrawIconEx(dc, r.left, r.top, scene.art.Emblem(), r.right - r.left, r.bottom - r.top, 0,
                       nullptr, DI_NORMAL);
        }
    }
    if (scene.focusCue)
        PaintFocusCue(dc, LabelRect(*scene.focusCue, scene.twipsPerPixel, scene.heading), stroke);
}

RECT LabelRect(ControlId id, float twipsPerPixel, const RECT& heading) {
    if (id == ControlId::Label2) return heading;
    const PixelRect r = ControlRect(LayoutOf(id), twipsPerPixel);
    return {r.left, r.top, r.right, r.bottom};
}

PixelSize LabelTextSize(HDC dc, HFONT font, const std::wstring& text, const ControlLayout& layout,
                        const PixelRect& box) {
    // Given the label's width, DrawText reports the lines it breaks the text
    // into, and a width beyond the label's for a word it cannot break.
    RECT measured{0, 0, box.right - box.left, 0};
    const SelectedObject selected(dc, font);
    DrawTextW(dc, text.c_str(), -1, &measured, TextFormat(layout, text) | DT_CALCRECT);
    return {measured.right - measured.left, measured.bottom - measured.top};
}

RECT HeadingRect(HDC dc, HFONT font, const std::wstring& caption, float twipsPerPixel) {
    const PixelRect design = ControlRect(LayoutOf(ControlId::Label2), twipsPerPixel);
    RECT measured{0, 0, 0, 0};
    const SelectedObject selected(dc, font);
    // An empty caption still measures one line high.
    DrawTextW(dc, caption.empty() ? L" " : caption.c_str(), -1, &measured,
              DT_CALCRECT | DT_SINGLELINE);
    if (caption.empty()) measured.right = 0;
    return {design.left, design.top, design.left + measured.right, design.top + measured.bottom};
}

}  // namespace qv
