#include "window/win32/Painter.h"

#include <algorithm>

#include "window/Faces.h"
#include "window/TextFit.h"

namespace qv {
namespace {

void Fill(HDC dc, const RECT& rect, COLORREF colour) {
    const UniqueBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rect, brush.get());
}

RECT Win32Rect(const PixelRect& r) { return {r.left, r.top, r.right, r.bottom}; }

// The room the design leaves between the heading and the line after it.
constexpr float kHeadingGapTwips = 60;

void PaintLine(HDC dc, const PixelRect& r, int stroke, COLORREF colour) {
    // The layout's lines run straight across or down; both ends belong to
    // the line.
    Fill(dc, {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right) + stroke,
              std::max(r.top, r.bottom) + stroke},
         colour);
}

// High contrast has no art: the window in the scheme's window colour, each
// command a rounded button in its button colours, the close mark a cross on
// one, and the outline in its text colour, all where the art has them.
void PaintHighContrast(HDC dc, const RECT& client, const Scene& scene) {
    const int stroke = StrokePixels(scene.twipsPerPixel);
    const auto frame = [&](RECT r, COLORREF fill, COLORREF edge, int round) {
        const UniquePen pen(CreatePen(PS_INSIDEFRAME, stroke, edge));
        const UniqueBrush brush(CreateSolidBrush(fill));
        const SelectedObject p(dc, pen.get()), b(dc, brush.get());
        RoundRect(dc, r.left, r.top, r.right, r.bottom, round, round);
    };
    RECT outline = client;
    outline.right -= 1;  // the region leaves out the last column
    frame(outline, HighContrastBack(scene.scheme, false), scene.scheme[SysColour::WindowText],
          TwipsToPixels(kCornerEllipseTwips, scene.twipsPerPixel));
    const COLORREF text = scene.scheme[SysColour::ButtonText];
    for (const ControlId id : kFocusOrder) {
        RECT face = Win32Rect(CommandFace(id, scene.twipsPerPixel));
        if (id != ControlId::lblClose) InflateRect(&face, stroke, stroke);
        frame(face, HighContrastBack(scene.scheme, true), text, 6 * stroke);
        if (id != ControlId::lblClose) continue;
        const UniquePen pen(CreatePen(PS_SOLID, stroke, text));
        const SelectedObject p(dc, pen.get());
        InflateRect(&face, -3 * stroke, -3 * stroke);
        for (const auto& [from, to] : {std::pair{face.top, face.bottom}, {face.bottom - 1, face.top - 1}}) {
            MoveToEx(dc, face.left, from, nullptr);
            LineTo(dc, face.right, to);
        }
    }
}

// As a label lays out its text: from the top, broken at word boundaries;
// or, for a text too long even at the smallest legible size, on one line,
// as cut with its ellipsis (LabelFonts::Shown). A right-to-left text reads
// in its own order, aligned as the label aligns: the layout is not
// mirrored. An ampersand is a letter like any other, as a reader hears it.
UINT TextFormat(const ControlLayout& layout, const std::wstring& text, bool cut = false) {
    const UINT lines = cut ? DT_SINGLELINE : DT_WORDBREAK;
    return lines | DT_TOP | DT_NOPREFIX | (layout.align == TextAlign::Centre ? DT_CENTER : DT_LEFT) |
           (RightToLeft(text) ? DT_RTLREADING : 0);
}

void PaintLabel(HDC dc, std::size_t index, const Label& label, const Scene& scene) {
    if (label.Caption().empty()) return;
    const ControlLayout& layout = kLayout[index];
    const SelectedObject font(dc, scene.fonts[index]);
    RECT rect = LabelRect(layout.id, scene.twipsPerPixel, scene.heading);
    const bool cut = scene.fonts.Cut(index);
    const UINT format = TextFormat(layout, label.Caption(), cut);
    const std::wstring& text = cut ? scene.fonts.Shown(index) : label.Caption();
    SetBkMode(dc, TRANSPARENT);
    // Text past the rectangle is cut off, also below its last whole line.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, rect.left, rect.top, rect.right, rect.bottom);
    rect.top += scene.fonts.Drop(index);
    // A cut caption lies in its room, its ellipsis clear of the button's
    // border and coloured end.
    if (cut) {
        const PixelRect room = CaptionRoom(layout, scene.twipsPerPixel, scene.cue);
        rect.left = room.left;
        rect.right = room.right;
    }
    const Ink ink = LabelInk(scene.scheme, label.ForeColor(), label.Enabled(), layout.command,
                             scene.art.Behind(index));
    if (ink.relief) {
        // The classic disabled look: a light relief under the grey text.
        RECT relief = rect;
        const int stroke = StrokePixels(scene.twipsPerPixel);
        OffsetRect(&relief, stroke, stroke);
        SetTextColor(dc, *ink.relief);
        DrawTextW(dc, text.c_str(), -1, &relief, format);
    }
    SetTextColor(dc, ink.text);
    DrawTextW(dc, text.c_str(), -1, &rect, format);
    RestoreDC(dc, saved);
}

// The focus cue inside the command's drawn face, as thick as the system's
// focus border at this density: the system's dotted rectangle, or in high
// contrast a frame in the scheme's highlight colour.
void PaintFocusCue(HDC dc, ControlId id, const Scene& scene) {
    RECT rect = Win32Rect(FocusCueRect(id, scene.twipsPerPixel));
    const int saved = SaveDC(dc);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    const UniqueBrush highlight(CreateSolidBrush(scene.scheme[SysColour::Highlight]));
    for (int i = 0; i < scene.cue; ++i) {
        scene.scheme.highContrast ? FrameRect(dc, &rect, highlight.get()) : DrawFocusRect(dc, &rect);
        InflateRect(&rect, -1, -1);
    }
    RestoreDC(dc, saved);
}

}  // namespace

void PaintScene(HDC dc, const RECT& client, const Scene& scene) {
    // The back colour shows where the picture, one row shorter than the
    // window, does not reach.
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (scene.scheme.highContrast) {
        PaintHighContrast(dc, client, scene);
    } else if (const HBITMAP background = scene.art.Background()) {
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
            // A heading translated longer than its room widens over the lines
            // beside it: they stop short of it, as of the English one, rather
            // than strike its letters through.
            const int saved = SaveDC(dc);
            const int gap = TwipsToPixels(kHeadingGapTwips, scene.twipsPerPixel);
            if (scene.heading.right > scene.heading.left)
                ExcludeClipRect(dc, scene.heading.left - gap, scene.heading.top, scene.heading.right + gap,
                                scene.heading.bottom);
            PaintLine(dc, r, stroke, scene.scheme.highContrast ? scene.scheme[SysColour::GreyText] : layout.colour);
            RestoreDC(dc, saved);
        } else if (const Label* label = scene.form.LabelFor(layout.id)) {
            PaintLabel(dc, n, *label, scene);
        } else if (layout.id == ControlId::Image1 && scene.art.Emblem()) {
            DrawIconEx(dc, r.left, r.top, scene.art.Emblem(), r.right - r.left, r.bottom - r.top, 0,
                       nullptr, DI_NORMAL);
        }
    }
    if (scene.focusCue) PaintFocusCue(dc, *scene.focusCue, scene);
}

ColourScheme SystemColourScheme() {
    ColourScheme scheme;
    HIGHCONTRASTW contrast{sizeof(contrast), 0, nullptr};
    scheme.highContrast = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
                          (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
    for (std::size_t i = 0; i < scheme.system.size(); ++i) scheme.system[i] = GetSysColor(static_cast<int>(i));
    return scheme;
}

int FocusCuePixels(float twipsPerPixel) {
    UINT width = 1, height = 1;
    SystemParametersInfoW(SPI_GETFOCUSBORDERWIDTH, 0, &width, 0);
    SystemParametersInfoW(SPI_GETFOCUSBORDERHEIGHT, 0, &height, 0);
    return std::max(1, TwipsToPixels(15.0f * static_cast<float>(std::max(width, height)), twipsPerPixel));
}

RECT LabelRect(ControlId id, float twipsPerPixel, const RECT& heading) {
    return id == ControlId::Label2 ? heading : Win32Rect(ControlRect(LayoutOf(id), twipsPerPixel));
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
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    if (caption.empty()) measured.right = 0;
    return {design.left, design.top, design.left + measured.right, design.top + measured.bottom};
}

}  // namespace qv
