#include "window/BackgroundArt.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>

#include "window/Layout.h"

// The design is laid out in 100 % pixels and goes through Density, as in
// tools/art/make-art.py, which draws the same picture for 100 % (and agrees
// within a level elsewhere): change the two together.
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
    // Halves to the even neighbour, as the generator rounds.
    return static_cast<std::uint32_t>(std::clamp(std::nearbyint(v), 0.0, 255.0));
}
std::uint32_t Pack(Colour c) { return Channel(c.r) << 16 | Channel(c.g) << 8 | Channel(c.b); }
Colour Unpack(std::uint32_t p) {
    return {static_cast<double>(p >> 16 & 0xFF), static_cast<double>(p >> 8 & 0xFF),
            static_cast<double>(p & 0xFF)};
}

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

// Pixel arithmetic at one density, converting like the program converts a
// control, so the drawn edges fall where it puts its labels.
struct Density {
    float twipsPerPixel;
    double s = 15.0 / twipsPerPixel;               // 100 % pixels to these
    int k = StrokePixels(twipsPerPixel);           // a 1-px line at 100 %
    PixelSize size = PictureSize(twipsPerPixel);

    int Px(int v) const { return TwipsToPixels(15.0f * static_cast<float>(v), twipsPerPixel); }
    PixelRect Rect(int x, int y, int w, int h) const {
        const int left = Px(x), top = Px(y);
        return {left, top, left + Px(w), top + Px(h)};
    }
};

class Canvas {
public:
    explicit Canvas(Picture& picture) : p_(picture) {}
    Colour Get(int x, int y) const { return Unpack(p_.at(x, y)); }
    void Set(int x, int y, Colour c) {
        p_.pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(p_.width) +
                  static_cast<std::size_t>(x)] = Pack(c);
    }

    void FillRow(int y, Colour c) {
        const auto first = p_.pixels.begin() + static_cast<std::ptrdiff_t>(y) * p_.width;
        std::fill(first, first + p_.width, Pack(c));
    }

private:
    Picture& p_;
};

bool InsideRoundRect(double px, double py, double x0, double y0, double x1, double y1, double r) {
    if (px < x0 || px > x1 || py < y0 || py > y1) return false;
    const double cx = std::min(std::max(px, x0 + r), x1 - r);
    const double cy = std::min(std::max(py, y0 + r), y1 - r);
    return (px - cx) * (px - cx) + (py - cy) * (py - cy) <= r * r;
}

// The share of pixel (x, y) inside a shape, from 4 x 4 samples.
template <typename Inside>
double Coverage(const Inside& inside, int x, int y) {
    int hits = 0;
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i) hits += inside(x + (i + 0.5) / 4, y + (j + 0.5) / 4) ? 1 : 0;
    return hits / 16.0;
}

// The same for a convex shape, which holds all samples when it holds the
// four outermost: most pixels of a rounded rectangle are quickly done.
template <typename Inside>
double ConvexCoverage(const Inside& inside, int x, int y) {
    if (inside(x + 0.125, y + 0.125) && inside(x + 0.875, y + 0.125) &&
        inside(x + 0.125, y + 0.875) && inside(x + 0.875, y + 0.875))
        return 1.0;
    return Coverage(inside, x, y);
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

// The picture rows of stretch n when it starts on `row`: a rule round(s),
// the last what is left.
int RowsOf(std::size_t n, int row, const Density& d) {
    if (n + 1 == kRows.size()) return d.size.height - row;
    if (kRows[n + 1].first == kRows[n].first + 1) return d.k;
    return d.Px(kRows[n + 1].first) - row;
}

// Paints the rows; returns the picture row each stretch starts on.
std::array<int, kRows.size()> PaintRows(Canvas& canvas, const Density& d) {
    std::array<int, kRows.size()> starts{};
    int row = 0;
    for (std::size_t n = 0; n < kRows.size(); ++n) {
        starts[n] = row;
        const int count = RowsOf(n, row, d);
        for (int i = 0; i < count && row < d.size.height; ++i, ++row) {
            const Colour c = Mix(kRows[n].from, kRows[n].to, kRows[n].ease(i, count));
            canvas.FillRow(row, c);
        }
    }
    return starts;
}

int StartOf(const std::array<int, kRows.size()>& starts, int first) {
    for (std::size_t n = 0; n < kRows.size(); ++n)
        if (kRows[n].first == first) return starts[n];
    return 0;
}

// 3 x 5 digits, 0 and 1, for a faint stream of data in the band.
constexpr const char* kDigits[2][5] = {{".#.", "#.#", "#.#", "#.#", ".#."},
                                       {".#.", "##.", ".#.", ".#.", "###"}};

double CellCover(double a, double b, int pixel) {
    return std::max(0.0, std::min(b, pixel + 1.0) - std::max(a, static_cast<double>(pixel)));
}

void PaintDigits(Canvas& canvas, const Density& d) {
    const int left = 4, right = 226;  // short of the close mark
    const double s = d.s;
    std::vector<double> cover;
    for (int line = 0; line < 2; ++line) {
        const int top = line == 0 ? 13 : 19;
        for (int x = left + 2 * line, col = 0; x + 3 <= right; x += 5, ++col) {
            const char* const* glyph = kDigits[Hash01({line, col, 7}) < 0.5 ? 1 : 0];
            // Brighter towards the left, with a little variation per digit,
            // and gaps, so it does not look like a ruler.
            const double fade = 1.0 - 0.75 * (x - left) / (right - left);
            const double strength = Hash01({line, col, 3}) < 0.12
                                        ? 0.0
                                        : (0.07 + 0.09 * Hash01({line, col, 11})) * fade;
            if (strength == 0.0) continue;
            // Each glyph starts on a whole pixel, so all get the same soft
            // edges; rounding halves up keeps the two lines apart at 150 %.
            const int gx = static_cast<int>(std::floor(x * s + 0.5));
            const int gy = static_cast<int>(std::floor(top * s + 0.5));
            const int w = static_cast<int>(std::ceil(3 * s)) + 1, h = static_cast<int>(std::ceil(5 * s)) + 1;
            cover.assign(static_cast<std::size_t>(w * h), 0.0);
            for (int dy = 0; dy < 5; ++dy)
                for (int dx = 0; dx < 3; ++dx) {
                    if (glyph[dy][dx] != '#') continue;
                    const double x0 = gx + dx * s, y0 = gy + dy * s;
                    for (int py = static_cast<int>(std::floor(y0)); py < std::ceil(y0 + s); ++py)
                        for (int qx = static_cast<int>(std::floor(x0)); qx < std::ceil(x0 + s); ++qx)
                            cover[static_cast<std::size_t>((py - gy) * w + qx - gx)] +=
                                CellCover(x0, x0 + s, qx) * CellCover(y0, y0 + s, py);
                }
            for (int py = 0; py < h; ++py)
                for (int qx = 0; qx < w; ++qx)
                    if (const double c = cover[static_cast<std::size_t>(py * w + qx)]; c > 0)
                        canvas.Set(gx + qx, gy + py,
                                   Mix(canvas.Get(gx + qx, gy + py), kWhite, strength * c));
        }
    }
}

void PaintCloseMark(Canvas& canvas, const Density& d) {
    const double s = d.s, k = d.k;
    const PixelRect m = d.Rect(235, 14, 12, 12);
    const double x0 = m.left, y0 = m.top, x1 = m.right, y1 = m.bottom;
    const auto box = [&](double x, double y) { return InsideRoundRect(x, y, x0, y0, x1, y1, 2 * s); };
    const auto inner = [&](double x, double y) {
        return InsideRoundRect(x, y, x0 + k, y0 + k, x1 - k, y1 - k, 1.5 * s);
    };
    const double a = x0 + 3.5 * s, b = x1 - 3.5 * s, c = y0 + 3.5 * s, e = y1 - 3.5 * s;
    const auto cross = [&](double x, double y) {
        return std::min(SegmentDistance(x, y, a, c, b, e), SegmentDistance(x, y, b, c, a, e)) <= 0.85 * s;
    };
    for (int y = m.top; y < m.bottom; ++y)
        for (int x = m.left; x < m.right; ++x) {
            const double outer = ConvexCoverage(box, x, y);
            if (outer == 0) continue;
            const Colour face = Mix({78, 92, 112}, {40, 50, 64}, (y - y0) / (y1 - y0 - 1));
            Colour out = Mix(canvas.Get(x, y), {30, 38, 50}, outer);
            out = Mix(out, face, ConvexCoverage(inner, x, y));
            canvas.Set(x, y, Mix(out, kWhite, Coverage(cross, x, y)));
        }
}

struct EndPiece {
    Colour top, bottom;
};
constexpr EndPiece kGreen{{132, 214, 110}, {38, 150, 52}};
constexpr EndPiece kRed{{240, 124, 112}, {188, 40, 36}};

struct Button {
    int left, top;
    std::array<const EndPiece*, 2> pieces;  // left to right; the second may be absent
};
constexpr int kButtonWidth = 64, kButtonHeight = 20;
// Two colours share the width one gets, so the end stays clear of the caption.
constexpr int kEndWidth = 9;
constexpr Button kButtons[] = {{12, 273, {&kGreen}}, {92, 273, {&kRed}}, {172, 273, {&kRed, &kGreen}}};

void PaintButton(Canvas& canvas, const Density& d, const Button& button) {
    const PixelRect box = d.Rect(button.left, button.top, kButtonWidth, kButtonHeight);
    const int k = d.k;
    const int n = button.pieces[1] != nullptr ? 2 : 1;
    const int pieceWidth = (d.Px(kEndWidth) - (n - 1) * k) / n;
    // A divider, then the pieces split by dividers; the last runs under the frame.
    const int ends = box.right - pieceWidth * n - (n - 1) * k - k;
    const double left = box.left, top = box.top, right = box.right, bottom = box.bottom;
    const auto frame = [&](double x, double y) { return InsideRoundRect(x, y, left, top, right, bottom, 3 * d.s); };
    const auto face = [&](double x, double y) {
        return InsideRoundRect(x, y, left + k, top + k, right - k, bottom - k, 3 * d.s - k);
    };
    for (int y = box.top; y < box.bottom; ++y) {
        const double t = static_cast<double>(y - box.top - k) / (box.bottom - box.top - 2 * k - 1);
        const bool highlight = box.top + k <= y && y < box.top + 2 * k;
        for (int x = box.left; x < box.right; ++x) {
            const double outer = ConvexCoverage(frame, x, y);
            if (outer == 0) continue;
            Colour colour;
            if (x < ends) {
                // Light enough that both black and greyed captions read.
                colour = highlight ? kWhite
                         : box.bottom - 2 * k <= y && y < box.bottom - k
                             ? Colour{204, 210, 218}
                             : Mix({248, 249, 251}, {222, 227, 233}, t);
            } else if (x < ends + k) {
                colour = {150, 160, 172};
            } else {
                const int i = (x - ends - k) / (pieceWidth + k), offset = (x - ends - k) % (pieceWidth + k);
                if (offset >= pieceWidth && i < n - 1) {
                    colour = {236, 238, 241};
                } else {
                    const EndPiece& piece = *button.pieces[static_cast<std::size_t>(std::min(i, n - 1))];
                    colour = Mix(piece.top, piece.bottom, t);
                    if (highlight) colour = Mix(colour, kWhite, 0.45);
                }
            }
            const Colour edge = Mix(canvas.Get(x, y), {128, 141, 158}, outer);
            canvas.Set(x, y, Mix(edge, colour, ConvexCoverage(face, x, y)));
        }
    }
}

// The window is clipped with CreateRoundRectRgn(0, 0, W, H, 26 s, 26 s),
// which leaves out its right and bottom edges: (W - 1) x (H - 1) shows, with
// corners of radius 13 s. The outline follows that shape, so the clipped
// edge lands on drawn pixels on all four sides.
void PaintOutline(Canvas& canvas, const Density& d, int bandStart, int footerStart) {
    const int winW = d.size.width - 2, winH = d.size.height, k = d.k;
    const double r = 13 * d.s;
    const int reach = static_cast<int>(std::ceil(r)) + k;  // beyond, the corners leave rows alone
    const auto region = [&](double x, double y) { return InsideRoundRect(x, y, 0, 0, winW, winH, r); };
    const auto interior = [&](double x, double y) {
        return InsideRoundRect(x, y, k, k, winW - k, winH - k, r - k);
    };
    const auto paint = [&](int x, int y) {
        const double inside = ConvexCoverage(interior, x, y);
        if (inside == 1.0) return;  // the picture shows unchanged
        const Colour edge = y < bandStart || y >= footerStart ? kSlateDark : kBorder;
        const Colour c = Mix(kOutside, edge, ConvexCoverage(region, x, y));
        canvas.Set(x, y, Mix(c, canvas.Get(x, y), inside));
    };
    for (int y = 0; y < d.size.height; ++y) {
        const bool nearY = y < reach || y > winH - reach - 1;
        if (nearY) {
            for (int x = 0; x < d.size.width; ++x) paint(x, y);
            continue;
        }
        for (int x = 0; x < std::min(reach, d.size.width); ++x) paint(x, y);
        for (int x = std::max(reach, winW - reach); x < d.size.width; ++x) paint(x, y);
    }
}

}  // namespace

Picture DrawBackground(float twipsPerPixel) {
    const Density d{twipsPerPixel};
    Picture picture{d.size.width, d.size.height,
                    std::vector<std::uint32_t>(static_cast<std::size_t>(d.size.width) *
                                               static_cast<std::size_t>(d.size.height))};
    Canvas canvas(picture);
    const auto starts = PaintRows(canvas, d);
    PaintDigits(canvas, d);
    PaintCloseMark(canvas, d);
    for (const Button& button : kButtons) PaintButton(canvas, d, button);
    PaintOutline(canvas, d, StartOf(starts, 12), StartOf(starts, kFooterEnd));
    return picture;
}

}  // namespace qv
