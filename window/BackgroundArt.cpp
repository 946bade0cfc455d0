#include "window/BackgroundArt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

#include "window/Faces.h"
#include "window/Layout.h"

// The design is laid out in 100 % pixels and goes through Density, so that
// every density gets the same picture drawn at its own size.
namespace qv {
namespace {

// A colour while it is being mixed: unrounded, 0..255 a channel.
struct Colour {
    double r, g, b;
};

constexpr Colour Mix(Colour a, Colour b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

std::uint32_t Channel(double v) {
    // Halves go to the even neighbour, as the design's twips do when they become pixels.
    return static_cast<std::uint32_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}
std::uint32_t Pack(Colour c) { return Channel(c.r) << 16 | Channel(c.g) << 8 | Channel(c.b); }

// Each layer mixes into the pixels the layers below left, rounded.
Colour Get(const Picture& p, int x, int y) {
    const auto channel = [v = p.at(x, y)](int shift) { return static_cast<double>(v >> shift & 0xFF); };
    return {channel(16), channel(8), channel(0)};
}
void Set(Picture& p, int x, int y, Colour c) { p.at(x, y) = Pack(c); }

constexpr Colour kSlate{102, 119, 139};
constexpr Colour kSlateDark{62, 75, 92};
constexpr Colour kOutside{0, 0, 0};
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBandTop{158, 172, 190};
constexpr Colour kBandBottom{140, 156, 176};
constexpr Colour kGradientTop{200, 210, 223};
constexpr Colour kBorder{110, 126, 146};  // the outline beside the light rows
constexpr int kBandEnd = 24, kGradientEnd = 90, kFooterTop = 262, kFooterEnd = 295;

// A stretch of rows from its first 100 % row: `from` blended towards `to` by
// ease(row in the stretch, rows in it). One 100 % row long, it is a rule and
// keeps round(s) rows at any density.
struct Stretch {
    int first;
    Colour from, to = from;
    double (*ease)(int i, int n) = [](int, int) { return 0.0; };
};

constexpr std::array<Stretch, 14> kRows{{
    {0, kSlateDark},
    {1, Mix(kSlate, kWhite, 0.16)},
    {2, kSlate},
    {10, kWhite},
    {11, Mix(kBandTop, kWhite, 0.55)},
    {12, kBandTop, kBandBottom, [](int i, int n) { return i / std::max(1.0, n - 1.0); }},
    {kBandEnd + 1, Mix(kBandBottom, kSlate, 0.35)},
    // Easing out keeps the light part long, so the title reads on it.
    {kBandEnd + 2, kGradientTop, kWhite,
     [](int i, int n) { return 1 - std::pow(1 - static_cast<double>(i) / n, 2.2); }},
    {kGradientEnd, kWhite},
    {kFooterTop, {208, 215, 224}},
    {kFooterTop + 1, kWhite},
    {kFooterTop + 2, {245, 247, 250}, {224, 230, 237},
     [](int i, int n) { return static_cast<double>(i) / n; }},
    {kFooterEnd, Mix(kSlate, kWhite, 0.3)},
    {kFooterEnd + 1, kSlate},
}};

// Pixel arithmetic at one density.
struct Density {
    float twipsPerPixel;
    double s = 15.0 / twipsPerPixel;               // 100 % pixels to these
    int k = StrokePixels(twipsPerPixel);           // a 1-px line at 100 %
    PixelSize size = PictureSize(twipsPerPixel);

    int Px(int v) const { return DesignPixels(v, twipsPerPixel); }
    PixelRect Rect(int x, int y, int w, int h) const { return DesignRect(x, y, w, h, twipsPerPixel); }
};

// The picture row where the stretch from 100 % row `first` starts: round(s)
// rows below a rule just before it, or else where `first` scales to.
int RowOf(int first, const Density& d) {
    const auto rule = [&](const Stretch& r) { return r.first == first - 1; };
    if (first == 0) return 0;
    return std::any_of(kRows.begin(), kRows.end(), rule) ? RowOf(first - 1, d) + d.k : d.Px(first);
}

void PaintRows(Picture& p, const Density& d) {
    for (std::size_t n = 0; n < kRows.size(); ++n) {
        const int start = RowOf(kRows[n].first, d);
        const int count = (n + 1 < kRows.size() ? RowOf(kRows[n + 1].first, d) : d.size.height) - start;
        for (int i = 0; i < count && start + i < d.size.height; ++i) {
            const Colour c = Mix(kRows[n].from, kRows[n].to, kRows[n].ease(i, count));
            std::fill_n(&p.at(0, start + i), p.width, Pack(c));
        }
    }
}

// A rectangle with rounded corners, as the test whether a point lies in it.
struct RoundRect {
    double x0, y0, x1, y1, r;

    bool operator()(double px, double py) const {
        if (px < x0 || px > x1 || py < y0 || py > y1) return false;
        const double cx = std::min(std::max(px, x0 + r), x1 - r);
        const double cy = std::min(std::max(py, y0 + r), y1 - r);
        return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
    }
    RoundRect Inset(double k, double radius) const { return {x0 + k, y0 + k, x1 - k, y1 - k, radius}; }
};
RoundRect Rounded(const PixelRect& b, double r) {
    return {1.0 * b.left, 1.0 * b.top, 1.0 * b.right, 1.0 * b.bottom, r};
}

// The share of pixel (x, y) inside a shape, from 4 x 4 samples. A convex shape
// holds all when it holds the four outermost: most pixels are quickly done.
template <typename Inside>
double Coverage(const Inside& inside, int x, int y, bool convex = true) {
    if (convex && inside(x + 0.125, y + 0.125) && inside(x + 0.875, y + 0.125) &&
        inside(x + 0.125, y + 0.875) && inside(x + 0.875, y + 0.875))
        return 1.0;
    int hits = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) hits += inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4) ? 1 : 0;
    return hits / 16.0;
}

// Pixel (x, y) of a rounded frame: `outside` beyond it, `edge` on its ring,
// `inside` within the ring, anti-aliased where they meet.
Colour Framed(const RoundRect& outer, const RoundRect& inner, int x, int y, Colour outside,
              Colour edge, Colour inside) {
    return Mix(Mix(outside, edge, Coverage(outer, x, y)), inside, Coverage(inner, x, y));
}

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    const double dx = bx - ax, dy = by - ay;
    const double t = std::clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
    return std::hypot(px - ax - t * dx, py - ay - t * dy);
}

// A stable number in [0, 1) from integers: FNV-1a over their little-endian
// bytes, then murmur3's finaliser, which FNV alone needs for neighbours.
double Hash01(std::initializer_list<std::int32_t> values) {
    std::uint32_t h = 2166136261u;
    for (const std::int32_t v : values)
        for (int byte = 0; byte < 4; ++byte)
            h = (h ^ (static_cast<std::uint32_t>(v) >> (8 * byte) & 0xFFu)) * 16777619u;
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h / 4294967296.0;
}

// 3 x 5 digits, 0 and 1, for a faint stream of data in the band.
constexpr const char* kDigits[2][5] = {{".#.", "#.#", "#.#", "#.#", ".#."},
                                       {".#.", "##.", ".#.", ".#.", "###"}};

// How much of pixel column (or row) `pixel` the span of length s from a covers.
double CellCover(double a, double s, int pixel) {
    return std::max(0.0, std::min(a + s, pixel + 1.0) - std::max(a, static_cast<double>(pixel)));
}

void PaintDigits(Picture& p, const Density& d) {
    const int left = 4, right = 226;  // short of the close mark
    const double s = d.s;
    for (int line = 0; line < 2; ++line)
        for (int x = left + 2 * line, col = 0; x + 3 <= right; x += 5, ++col) {
            // Brighter towards the left, with a little variation per digit,
            // and gaps, so it does not look like a ruler.
            if (Hash01({line, col, 3}) < 0.12) continue;
            const char* const* glyph = kDigits[Hash01({line, col, 7}) < 0.5 ? 1 : 0];
            const double fade = 1.0 - 0.75 * (x - left) / (right - left);
            const double strength = (0.07 + 0.09 * Hash01({line, col, 11})) * fade;
            // Each glyph starts on a whole pixel, so all get the same soft
            // edges; rounding halves up keeps the two lines apart at 150 %.
            const int gx = static_cast<int>(std::floor(x * s + 0.5));
            const int gy = static_cast<int>(std::floor((line == 0 ? 13 : 19) * s + 0.5));
            for (int py = gy; py <= gy + static_cast<int>(std::ceil(5 * s)); ++py)
                for (int qx = gx; qx <= gx + static_cast<int>(std::ceil(3 * s)); ++qx) {
                    double cover = 0;
                    for (int dy = 0; dy < 5; ++dy)
                        for (int dx = 0; dx < 3; ++dx)
                            if (glyph[dy][dx] == '#')
                                cover += CellCover(gx + dx * s, s, qx) * CellCover(gy + dy * s, s, py);
                    if (cover > 0) Set(p, qx, py, Mix(Get(p, qx, py), kWhite, strength * cover));
                }
        }
}

void PaintCloseMark(Picture& p, const Density& d) {
    const double s = d.s;
    const PixelRect m = CommandFace(ControlId::lblClose, d.twipsPerPixel);
    const RoundRect box = Rounded(m, 2 * s), inner = box.Inset(d.k, 1.5 * s);
    const double a = m.left + 3.5 * s, b = m.right - 3.5 * s, c = m.top + 3.5 * s, e = m.bottom - 3.5 * s;
    const auto cross = [&](double x, double y) {
        return std::min(SegmentDistance(x, y, a, c, b, e), SegmentDistance(x, y, b, c, a, e)) <= 0.85 * s;
    };
    for (int y = m.top; y < m.bottom; ++y) {
        const Colour face = Mix({78, 92, 112}, {40, 50, 64}, (y - m.top) / (m.bottom - m.top - 1.0));
        for (int x = m.left; x < m.right; ++x)
            Set(p, x, y, Mix(Framed(box, inner, x, y, Get(p, x, y), {30, 38, 50}, face), kWhite,
                             Coverage(cross, x, y, false)));
    }
}

struct EndPiece {
    Colour top, bottom;
};
constexpr EndPiece kGreen{{132, 214, 110}, {38, 150, 52}};
constexpr EndPiece kRed{{240, 124, 112}, {188, 40, 36}};

// The end pieces' colours, left to right, by command.
const EndPiece* PiecesOf(ControlId id, int i) {
    return id == ControlId::lblStart ? &kGreen : id == ControlId::lblStop || i == 0 ? &kRed : &kGreen;
}

void PaintButton(Picture& p, const Density& d, ControlId id) {
    const auto [box, k, n, pieceWidth, ends] = ButtonOf(id, d.twipsPerPixel);
    const RoundRect frame = Rounded(box, 3 * d.s), face = frame.Inset(k, 3 * d.s - k);
    for (int y = box.top; y < box.bottom; ++y) {
        const double t = static_cast<double>(y - box.top - k) / (box.bottom - box.top - 2 * k - 1);
        const bool highlight = box.top + k <= y && y < box.top + 2 * k;
        const bool shadow = box.bottom - 2 * k <= y && y < box.bottom - k;
        for (int x = box.left; x < box.right; ++x) {
            const int i = (x - ends - k) / (pieceWidth + k), offset = (x - ends - k) % (pieceWidth + k);
            const EndPiece& piece = *PiecesOf(id, std::clamp(i, 0, n - 1));
            Colour colour = Mix(piece.top, piece.bottom, t);
            if (x < ends)  // the bar, light enough that both black and greyed captions read
                colour = highlight ? kWhite
                         : shadow  ? Colour{204, 210, 218}
                                   : Mix({248, 249, 251}, {222, 227, 233}, t);
            else if (x < ends + k)
                colour = {150, 160, 172};
            else if (offset >= pieceWidth && i < n - 1)
                colour = {236, 238, 241};
            else if (highlight)
                colour = Mix(colour, kWhite, 0.45);
            Set(p, x, y, Framed(frame, face, x, y, Get(p, x, y), {128, 141, 158}, colour));
        }
    }
}

// The window is clipped with CreateRoundRectRgn(0, 0, W, H, 26 s, 26 s),
// which leaves out its right and bottom edges: (W - 1) x (H - 1) shows, with
// corners of radius 13 s. The outline follows that shape, so the clipped
// edge lands on drawn pixels on all four sides.
void PaintOutline(Picture& p, const Density& d) {
    const int winW = d.size.width - 2, winH = d.size.height, k = d.k;
    const RoundRect region = Rounded({0, 0, winW, winH}, 13 * d.s), interior = region.Inset(k, region.r - k);
    const int bandStart = RowOf(12, d), footerStart = RowOf(kFooterEnd, d);
    const int reach = static_cast<int>(std::ceil(region.r)) + k;  // beyond, the corners leave rows alone
    for (int y = 0; y < d.size.height; ++y) {
        const Colour edge = y < bandStart || y >= footerStart ? kSlateDark : kBorder;
        const bool nearY = y < reach || y > winH - reach - 1;
        for (int x = 0; x < d.size.width; ++x) {
            if (!nearY && x == reach) x = std::max(reach, winW - reach);
            Set(p, x, y, Framed(region, interior, x, y, kOutside, edge, Get(p, x, y)));
        }
    }
}

}  // namespace

Picture DrawBackground(float twipsPerPixel) {
    const Density d{twipsPerPixel};
    Picture picture{d.size.width, d.size.height, {}};
    picture.pixels.resize(static_cast<std::size_t>(d.size.width) * static_cast<std::size_t>(d.size.height));
    PaintRows(picture, d);
    PaintDigits(picture, d);
    PaintCloseMark(picture, d);
    for (const ControlId id : {ControlId::lblStart, ControlId::lblStop, ControlId::lblRestart})
        PaintButton(picture, d, id);
    PaintOutline(picture, d);
    return picture;
}

}  // namespace qv
