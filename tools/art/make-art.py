#!/usr/bin/python3
"""Draws the status window's artwork and writes it into window/res/.

    /usr/bin/python3 tools/art/make-art.py            regenerate window/res/*
    /usr/bin/python3 tools/art/make-art.py --out DIR  write somewhere else

The background at 100 % is drawn here; the program draws every other density
itself (window/BackgroundArt.cpp), from the same design: keep the two in step.

Everything is computed from plain arithmetic (no random module, no clock, no
fonts), so a run yields the same bytes on every machine with the same Pillow.
The icon and cursor containers are assembled here with struct, because neither
Pillow nor ImageMagick lets us choose the bit depth of each entry.
"""

import argparse
import functools
import io
import math
import os
import struct
import sys
from fractions import Fraction

from PIL import Image, ImageDraw

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.normpath(os.path.join(HERE, "..", ".."))
RES = os.path.join(REPO, "window", "res")

# ---------------------------------------------------------------------------
# small colour helpers
# ---------------------------------------------------------------------------


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def clamp8(v):
    return max(0, min(255, int(round(v))))


def rgb8(c):
    return tuple(clamp8(v) for v in c[:3])


def smooth(t):
    t = max(0.0, min(1.0, t))
    return t * t * (3 - 2 * t)


def inside_rrect(px, py, x0, y0, x1, y1, r):
    if px < x0 or px > x1 or py < y0 or py > y1:
        return False
    cx = min(max(px, x0 + r), x1 - r)
    cy = min(max(py, y0 + r), y1 - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def coverage(test, x, y, n=4):
    """Fraction of pixel (x, y) for which test(px, py) holds."""
    hit = 0
    for j in range(n):
        for i in range(n):
            if test(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hit += 1
    return hit / (n * n)


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
    t = max(0.0, min(1.0, t))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def hash01(*vals):
    """Stable pseudo-random number in [0, 1) from integers (no global state)."""
    h = 2166136261
    for v in vals:
        for byte in struct.pack("<i", v):
            h = ((h ^ byte) * 16777619) & 0xFFFFFFFF
    # murmur3's finaliser: FNV alone leaves neighbouring inputs correlated
    h ^= h >> 16
    h = (h * 0x85EBCA6B) & 0xFFFFFFFF
    h ^= h >> 13
    h = (h * 0xC2B2AE35) & 0xFFFFFFFF
    h ^= h >> 16
    return h / 4294967296.0


# ---------------------------------------------------------------------------
# the background: background.gif and background-100.bmp
# ---------------------------------------------------------------------------

# The densities the emblem and the cursor come in: 100 to 200 % in quarters,
# 250 and 300 %. render_background draws any density, for comparison with
# the program's drawing.
DENSITIES = (96, 120, 144, 168, 192, 240, 288)
WINDOW_TWIPS = (3735, 4515)


class Density:
    """Pixel arithmetic at one screen density. Everything below is laid out in
    100 % pixels and goes through here, so the art lands where the program puts
    its controls (it converts twips with halves to the even neighbour)."""

    def __init__(self, dpi):
        self.dpi = dpi
        self.s = dpi / 96
        self.k = round(self.s)  # a 1-px line at 100 % keeps whole pixels
        window_w, window_h = (twips_to_px(t, dpi) for t in WINDOW_TWIPS)
        # One column wider and one row shorter than the window, as at 100 %:
        # the last column is never seen and the window's bottom row is black.
        self.w, self.h = window_w + 1, window_h - 1

    def px(self, v):
        return round(Fraction(v) * self.dpi / 96)

    def rect(self, x, y, w, h):
        """Left, top, right, bottom (exclusive) of a 100 % rectangle, converted
        the way the program converts a control's left, top, width and height."""
        left, top = self.px(x), self.px(y)
        return left, top, left + self.px(w), top + self.px(h)


def twips_to_px(twips, dpi):
    return round(Fraction(twips * dpi, 1440))


SLATE = (102, 119, 139)
SLATE_DARK = (62, 75, 92)
OUTSIDE = (0, 0, 0)
WHITE = (255, 255, 255)
BAND_TOP = (158, 172, 190)
BAND_BOTTOM = (140, 156, 176)
GRADIENT_TOP = (200, 210, 223)
BAND_END, GRADIENT_END = 24, 90
FOOTER_TOP, FOOTER_END = 262, 295

# The window's plain vertical layout at 100 %: the first row of each stretch
# and its colour, either fixed or a function of (row in the stretch, rows in
# it) for a gradient. A stretch of one row is a rule and stays round(s) rows
# thick at any density; the others end where their 100 % end scales to.
ROWS = [
    (0, SLATE_DARK),
    (1, mix(SLATE, WHITE, 0.16)),
    (2, SLATE),
    (10, WHITE),
    (11, mix(BAND_TOP, WHITE, 0.55)),
    (12, lambda i, n: mix(BAND_TOP, BAND_BOTTOM, i / (n - 1))),
    (BAND_END + 1, mix(BAND_BOTTOM, SLATE, 0.35)),
    # Easing out keeps the light part long, so the title reads on it.
    (BAND_END + 2, lambda i, n: mix(GRADIENT_TOP, WHITE, 1 - (1 - i / n) ** 2.2)),
    (GRADIENT_END, WHITE),
    (FOOTER_TOP, (208, 215, 224)),
    (FOOTER_TOP + 1, WHITE),
    (FOOTER_TOP + 2, lambda i, n: mix((245, 247, 250), (224, 230, 237), i / n)),
    (FOOTER_END, mix(SLATE, WHITE, 0.3)),
    (FOOTER_END + 1, SLATE),
]


def body_rows(d):
    """Colour of every row, and the row each stretch of ROWS starts on."""
    colours, starts = [], {}
    for n, (first, colour) in enumerate(ROWS):
        starts[first] = len(colours)
        if n + 1 == len(ROWS):
            count = d.h - len(colours)
        elif ROWS[n + 1][0] == first + 1:
            count = d.k
        else:
            count = d.px(ROWS[n + 1][0]) - len(colours)
        colours += [colour(i, count) if callable(colour) else colour for i in range(count)]
    return colours, starts


# 3 x 5 digits for the data motif in the band.
DIGITS = {
    "0": [".#.", "#.#", "#.#", "#.#", ".#."],
    "1": [".#.", "##.", ".#.", ".#.", "###"],
}

BUTTONS = [  # left, top, end-piece colours from left to right
    (12, 273, ["green"]),
    (92, 273, ["red"]),
    (172, 273, ["red", "green"]),
]
BUTTON_W, BUTTON_H = 64, 20
# The coloured end must stay clear of the centred caption, so two colours
# share the width that one gets.
END_W = 9
END_COLOURS = {  # top, bottom of each coloured end piece
    "green": ((132, 214, 110), (38, 150, 52)),
    "red": ((240, 124, 112), (188, 40, 36)),
}
CLOSE_MARK = (235, 14, 12, 12)  # left, top, width, height


def cell_cover(a, b, pixel):
    """How much of [pixel, pixel + 1) the span [a, b) covers."""
    return max(0.0, min(b, pixel + 1) - max(a, pixel))


def draw_digits(px, d):
    left, right = 4, 226  # stop short of the close mark
    for row, top in enumerate((13, 19)):
        x = left + (2 if row else 0)
        col = 0
        while x + 3 <= right:
            digit = "1" if hash01(row, col, 7) < 0.5 else "0"
            # Brighter towards the left, with a little per-digit variation:
            # reads as a faint stream of data without becoming a texture.
            fade = 1.0 - 0.75 * (x - left) / (right - left)
            strength = (0.07 + 0.09 * hash01(row, col, 11)) * fade
            if hash01(row, col, 3) < 0.12:
                strength = 0.0  # gaps, so it does not look like a ruler
            # Each glyph starts on a whole pixel, so all of them get the same
            # soft edges between 100 and 200 %; rounding halves up keeps a
            # gap between the two lines at 150 %.
            gx, gy = math.floor(x * d.s + 0.5), math.floor(top * d.s + 0.5)
            cover = {}
            for dy, line in enumerate(DIGITS[digit]):
                for dx, ch in enumerate(line):
                    if ch != "#":
                        continue
                    x0, y0 = gx + dx * d.s, gy + dy * d.s
                    for py in range(math.floor(y0), math.ceil(y0 + d.s)):
                        for qx in range(math.floor(x0), math.ceil(x0 + d.s)):
                            c = cell_cover(x0, x0 + d.s, qx) * cell_cover(y0, y0 + d.s, py)
                            cover[py, qx] = cover.get((py, qx), 0.0) + c
            for (py, qx), c in sorted(cover.items()):
                px[py][qx] = mix(px[py][qx], WHITE, strength * c)
            x += 5
            col += 1


def draw_close_mark(px, d):
    s = d.s
    x0, y0, x1, y1 = d.rect(*CLOSE_MARK)

    def box(qx, qy):
        return inside_rrect(qx, qy, x0, y0, x1, y1, 2 * s)

    def inner(qx, qy):
        return inside_rrect(qx, qy, x0 + d.k, y0 + d.k, x1 - d.k, y1 - d.k, 1.5 * s)

    def cross(qx, qy):
        a, b = x0 + 3.5 * s, x1 - 3.5 * s
        c, e = y0 + 3.5 * s, y1 - 3.5 * s
        return min(seg_dist(qx, qy, a, c, b, e), seg_dist(qx, qy, b, c, a, e)) <= 0.85 * s

    for y in range(y0, y1):
        for x in range(x0, x1):
            outer = coverage(box, x, y)
            if outer == 0:
                continue
            fill = coverage(inner, x, y)
            mark = coverage(cross, x, y)
            t = (y - y0) / (y1 - y0 - 1)
            face = mix((78, 92, 112), (40, 50, 64), t)
            c = mix(px[y][x], (30, 38, 50), outer)
            c = mix(c, face, fill)
            px[y][x] = mix(c, WHITE, mark)


def button_geometry(d, left, top, pieces):
    """The button's outer box, and the column where its coloured end begins
    (a divider of d.k columns, then the pieces split by dividers)."""
    box = d.rect(left, top, BUTTON_W, BUTTON_H)
    n = len(pieces)
    piece_w = (d.px(END_W) - (n - 1) * d.k) // n
    # The last piece runs under the frame's right edge.
    ends = box[2] - piece_w * n - (n - 1) * d.k - d.k
    return box, ends, piece_w


def draw_button(px, d, left, top, pieces):
    (left, top, right, bottom), ends, piece_w = button_geometry(d, left, top, pieces)
    k = d.k

    def frame(qx, qy):
        return inside_rrect(qx, qy, left, top, right, bottom, 3 * d.s)

    def face(qx, qy):
        return inside_rrect(qx, qy, left + k, top + k, right - k, bottom - k, 3 * d.s - k)

    for y in range(top, bottom):
        for x in range(left, right):
            outer = coverage(frame, x, y)
            if outer == 0:
                continue
            inner = coverage(face, x, y)
            t = (y - top - k) / (bottom - top - 2 * k - 1)
            highlight = top + k <= y < top + 2 * k
            if x < ends:
                # Light enough that both black and greyed captions read.
                colour = mix((248, 249, 251), (222, 227, 233), t)
                if highlight:
                    colour = WHITE
                elif bottom - 2 * k <= y < bottom - k:
                    colour = (204, 210, 218)
            elif x < ends + k:
                colour = (150, 160, 172)
            else:
                i, offset = divmod(x - ends - k, piece_w + k)
                if offset >= piece_w and i < len(pieces) - 1:
                    colour = (236, 238, 241)
                else:
                    hi, lo = END_COLOURS[pieces[min(i, len(pieces) - 1)]]
                    colour = mix(hi, lo, t)
                    if highlight:
                        colour = mix(colour, WHITE, 0.45)
            c = mix(px[y][x], (128, 141, 158), outer)
            px[y][x] = mix(c, colour, inner)


def draw_window_outline(px, d, starts):
    # The window W x H is clipped with CreateRoundRectRgn(0, 0, W, H, 26 s,
    # 26 s). A region leaves out its right and bottom edges, so what shows is
    # (W - 1) x (H - 1) with corner radius 13 s; the outline follows that
    # shape so the clipped edge lands on drawn pixels on all four sides.
    win_w, win_h, r, k = d.w - 2, d.h, 13 * d.s, d.k
    reach = math.ceil(r) + k  # beyond this the corners leave the rows alone

    def region(qx, qy):
        return inside_rrect(qx, qy, 0, 0, win_w, win_h, r)

    def interior(qx, qy):
        return inside_rrect(qx, qy, k, k, win_w - k, win_h - k, r - k)

    for y in range(d.h):
        near_y = y < reach or y > win_h - reach - 1
        for x in range(d.w):
            near_x = x < reach or x > win_w - reach - 1
            if not (near_x or near_y or x < 2 * k or x >= win_w - 2 * k):
                continue
            outer = coverage(region, x, y)
            inner = coverage(interior, x, y)
            slate = y < starts[12] or y >= starts[FOOTER_END]
            edge = SLATE_DARK if slate else (110, 126, 146)
            c = mix(OUTSIDE, edge, outer)
            px[y][x] = mix(c, px[y][x], inner)


@functools.lru_cache(maxsize=None)  # the GIF and background-100.bmp share one drawing
def render_background(dpi):
    d = Density(dpi)
    colours, starts = body_rows(d)
    px = [[c] * d.w for c in colours]
    draw_digits(px, d)
    draw_close_mark(px, d)
    for left, top, pieces in BUTTONS:
        draw_button(px, d, left, top, pieces)
    draw_window_outline(px, d, starts)
    img = Image.new("RGB", (d.w, d.h))
    img.putdata([rgb8(c) for row in px for c in row])
    return img


def to_palette(img, method=Image.Quantize.MEDIANCUT):
    """256-entry palette image; exact when the picture has <= 256 colours."""
    colours = img.getcolors(1 << 16)
    if len(colours) <= 256:
        ordered = sorted(colours, key=lambda nc: (-nc[0], nc[1]))
        index = {c: i for i, (_, c) in enumerate(ordered)}
        pal = [c for _, c in ordered]
        out = Image.new("P", img.size)
        out.putdata([index[c] for c in img.getdata()])
    else:
        out = img.quantize(256, method=method, dither=Image.Dither.NONE)
        pal = [tuple(out.getpalette()[i * 3:i * 3 + 3]) for i in range(256)]
    pal = (pal + [(0, 0, 0)] * 256)[:256]
    out.putpalette([v for c in pal for v in c])
    return out


def background_gif():
    pimg = to_palette(render_background(96))
    pimg.info.pop("transparency", None)
    buf = io.BytesIO()
    pimg.save(buf, "GIF", optimize=False)
    return buf.getvalue()


BMP_HEADERS = 14 + 40 + 256 * 4


def background_bmp(dpi=96):
    """Uncompressed 8-bit bottom-up DIB, as LoadImage(IMAGE_BITMAP) reads it,
    with exactly the GIF's pixels (the same median-cut palette)."""
    pimg = to_palette(render_background(dpi))
    w, h = pimg.size
    pad = b"\0" * (-w % 4)
    data = pimg.tobytes()
    pixels = b"".join(data[y * w:(y + 1) * w] + pad for y in range(h - 1, -1, -1))
    pal = pimg.getpalette()
    pal_bytes = b"".join(bytes((pal[i + 2], pal[i + 1], pal[i], 0)) for i in range(0, 768, 3))
    per_metre = round(dpi / 0.0254)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(pixels), per_metre, per_metre, 256, 0)
    head = struct.pack("<2sIHHI", b"BM", BMP_HEADERS + len(pixels), 0, 0, BMP_HEADERS)
    return head + info + pal_bytes + pixels


# ---------------------------------------------------------------------------
# the green broadcast antenna (app.ico, emblem.ico)
# ---------------------------------------------------------------------------

GREEN_DARK = (14, 84, 30)
GREEN_HI = (150, 230, 110)
GREEN_LO = (26, 142, 48)

# Hand-placed pixels for 16 x 16, where anti-aliased vectors go mushy.
#   k outline, g green, a wave, l light green, w highlight, . transparent
ANTENNA_16 = [
    "................",
    "..a..........a..",
    ".a..a......a..a.",
    "a..a...ll...a..a",
    "a..a..lwlg..a..a",
    "a..a..lggk..a..a",
    "a..a...kk...a..a",
    ".a..a..kk..a..a.",
    "..a...kggk...a..",
    "......kggk......",
    ".....kggggk.....",
    ".....kg..gk.....",
    "....kg....gk....",
    "....kggggggk....",
    "...kg......gk...",
    "..kkkkkkkkkkkk..",
]
ANTENNA_16_COLOURS = {
    "k": GREEN_DARK + (255,),
    "a": (40, 168, 58, 255),
    "g": (34, 150, 52, 255),
    "l": (110, 206, 88, 255),
    "w": (214, 248, 196, 255),
}


def antenna_16():
    img = Image.new("RGBA", (16, 16), (0, 0, 0, 0))
    for y, line in enumerate(ANTENNA_16):
        for x, ch in enumerate(line):
            if ch != ".":
                img.putpixel((x, y), ANTENNA_16_COLOURS[ch])
    return img


def antenna_vector(size):
    ss = 8 if size <= 64 else 4
    n = size * ss

    def u(v):
        return v * n

    px_unit = ss  # one output pixel in canvas units
    big = size >= 48
    if big:
        outline = 0.028 * size
        arc_w = 0.062 * size
        arcs = [0.20, 0.31, 0.42]
    else:
        # Whole-pixel strokes on whole-pixel radii keep the waves sharp;
        # at 24 px an outline would close the gap between them.
        outline = 1.0 if size >= 32 else 0.0
        arc_w = 2.0
        arcs = [8 / 32, 13 / 32] if size >= 32 else [6 / 24, 10 / 24]
    outline *= px_unit
    arc_w *= px_unit
    leg_w = max(1.6, 0.05 * size) * px_unit
    bar_w = max(1.2, 0.036 * size) * px_unit
    span = 36
    bx, by, br = 0.5, 0.31, 0.085 if big else 0.1
    apex_y, base_y = 0.34, 0.94
    half_base = 0.21
    bars = [0.62, 0.80] if big else [0.66]

    def leg_x(y, side):
        t = (y - apex_y) / (base_y - apex_y)
        return 0.5 + side * half_base * t

    def shapes(draw, grow):
        def disc(cx, cy, r):
            draw.ellipse([cx - r, cy - r, cx + r, cy + r], fill=255)

        def stroke(ax, ay, bx_, by_, w):
            draw.line([ax, ay, bx_, by_], fill=255, width=int(round(w + 2 * grow)))
            disc(ax, ay, w / 2 + grow)
            disc(bx_, by_, w / 2 + grow)

        # the waves
        for r in arcs:
            rr = u(r)
            w = arc_w + 2 * grow
            for a0, a1 in ((-span, span), (180 - span, 180 + span)):
                box = [u(bx) - rr - w / 2, u(by) - rr - w / 2, u(bx) + rr + w / 2, u(by) + rr + w / 2]
                draw.arc(box, a0, a1, fill=255, width=int(round(w)))
                for a in (a0, a1):
                    disc(u(bx) + rr * math.cos(math.radians(a)),
                         u(by) + rr * math.sin(math.radians(a)), w / 2)
        # the mast: two legs, cross bars, bracing and a foot
        for side in (-1, 1):
            stroke(u(0.5), u(apex_y), u(leg_x(base_y, side)), u(base_y), leg_w)
        prev = apex_y + 0.08
        for yb in bars:
            stroke(u(leg_x(yb, -1)), u(yb), u(leg_x(yb, 1)), u(yb), bar_w)
            if size >= 64:
                stroke(u(leg_x(prev, -1)), u(prev), u(leg_x(yb, 1)), u(yb), bar_w * 0.8)
                stroke(u(leg_x(prev, 1)), u(prev), u(leg_x(yb, -1)), u(yb), bar_w * 0.8)
            prev = yb
        stroke(u(leg_x(base_y, -1) - 0.06), u(base_y), u(leg_x(base_y, 1) + 0.06), u(base_y), bar_w)
        # the radiator ball on top
        disc(u(bx), u(by), u(br) + grow)

    outer = Image.new("L", (n, n), 0)
    shapes(ImageDraw.Draw(outer), outline)
    inner = Image.new("L", (n, n), 0)
    shapes(ImageDraw.Draw(inner), 0)

    grad = Image.new("RGB", (1, 256))
    for i in range(256):
        grad.putpixel((0, i), rgb8(mix(GREEN_HI, GREEN_LO, smooth(i / 255 * 0.9 + 0.05))))
    grad = grad.resize((n, n), Image.BILINEAR)

    colour = Image.new("RGB", (n, n), GREEN_DARK)
    if outline:
        colour.paste(grad, (0, 0), inner)
    else:
        flat = Image.new("RGB", (1, 256))
        for i in range(256):
            flat.putpixel((0, i), rgb8(mix((48, 162, 56), (16, 110, 38), i / 255)))
        colour.paste(flat.resize((n, n), Image.BILINEAR), (0, 0), inner)
    if size >= 32:
        # a small highlight makes the ball read as round
        spot = Image.new("L", (n, n), 0)
        d = ImageDraw.Draw(spot)
        sr = u(br) * 0.42
        sx, sy = u(bx) - u(br) * 0.32, u(by) - u(br) * 0.32
        d.ellipse([sx - sr, sy - sr, sx + sr, sy + sr], fill=200)
        colour.paste((240, 255, 230), (0, 0), spot)
    img = colour.convert("RGBA")
    img.putalpha(outer)
    return img.resize((size, size), Image.BOX)


def antenna(size):
    return antenna_16() if size == 16 else antenna_vector(size)


# ---------------------------------------------------------------------------
# ICO / CUR containers
# ---------------------------------------------------------------------------

VGA16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]


def and_mask_rows(img):
    """1 = transparent; bottom-up rows padded to 32 bits."""
    w, h = img.size
    stride = ((w + 31) // 32) * 4
    alpha = img.getchannel("A")
    rows = []
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            if alpha.getpixel((x, y)) < 128:
                row[x >> 3] |= 0x80 >> (x & 7)
        rows.append(bytes(row))
    return b"".join(rows)


def nearest(pal, c):
    best, bi = None, 0
    for i, p in enumerate(pal):
        d = 2 * (p[0] - c[0]) ** 2 + 4 * (p[1] - c[1]) ** 2 + 3 * (p[2] - c[2]) ** 2
        if best is None or d < best:
            best, bi = d, i
    return bi


def vga_index(c):
    """The standard 16-colour palette has no mid greens, so plain nearest
    colour turns light green into grey. Map the greens by lightness onto the
    classic black / green / lime ramp instead."""
    r, g, b = c
    if g > r + 25 and g > b + 25:
        if g < 112:
            return 0
        return 2 if g < 214 else 10
    return nearest(VGA16, c)


def indexed(img, bits):
    """Palette and per-pixel indices for a 4- or 8-bit entry."""
    w, h = img.size
    opaque = [(x, y) for y in range(h) for x in range(w) if img.getpixel((x, y))[3] >= 128]
    if bits == 4:
        pal = list(VGA16)
    else:
        rgb = Image.new("RGB", (w, h), (0, 0, 0))
        for x, y in opaque:
            rgb.putpixel((x, y), img.getpixel((x, y))[:3])
        colours = sorted(c for _, c in rgb.getcolors(w * h))
        if len(colours) > 255:
            q = rgb.quantize(255, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
            p = q.getpalette()
            colours = sorted(set(tuple(p[i * 3:i * 3 + 3]) for i in range(255)))
        pal = [(0, 0, 0)] + [c for c in colours if c != (0, 0, 0)]
        pal = (pal + [(0, 0, 0)] * 256)[:256]
    cache = {}
    idx = [[0] * w for _ in range(h)]
    for x, y in opaque:
        c = img.getpixel((x, y))[:3]
        if c not in cache:
            cache[c] = vga_index(c) if bits == 4 else nearest(pal, c)
        idx[y][x] = cache[c]
    return pal, idx


def bmp_entry(img, bits):
    w, h = img.size
    if bits == 32:
        stride = w * 4
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray()
            for x in range(w):
                r, g, b, a = img.getpixel((x, y))
                row += bytes((b, g, r, a))
            rows.append(bytes(row))
        pal_bytes = b""
    else:
        pal, idx = indexed(img, bits)
        stride = ((w * bits + 31) // 32) * 4
        rows = []
        for y in range(h - 1, -1, -1):
            row = bytearray(stride)
            for x in range(w):
                if bits == 8:
                    row[x] = idx[y][x]
                else:
                    row[x >> 1] |= idx[y][x] << (0 if x & 1 else 4)
            rows.append(bytes(row))
        pal_bytes = b"".join(bytes((c[2], c[1], c[0], 0)) for c in pal)
    xor = b"".join(rows)
    mask = and_mask_rows(img)
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, bits, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + pal_bytes + xor + mask


def png_entry(img):
    buf = io.BytesIO()
    img.save(buf, "PNG", optimize=False, compress_level=9)
    return buf.getvalue()


def icon_file(entries, kind=1):
    """entries: (width, height, bits, data, hotspot or None)."""
    out = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    blobs = []
    for w, h, bits, data, hot in entries:
        colours = 16 if bits == 4 else 0
        if kind == 2:
            f1, f2 = hot
        else:
            f1, f2 = 1, bits
        out += struct.pack("<BBBBHHII", w & 0xFF, h & 0xFF, colours, 0, f1, f2, len(data), offset)
        offset += len(data)
        blobs.append(data)
    return out + b"".join(blobs)


def app_ico():
    entries = []
    for bits, sizes in ((4, (16, 32, 48)), (8, (16, 32, 48)), (32, (16, 24, 32, 48, 64, 128, 256))):
        for s in sizes:
            img = antenna(s)
            data = png_entry(img) if s == 256 else bmp_entry(img, bits)
            entries.append((s, s, bits, data, None))
    return icon_file(entries)


# The window shows the emblem in a 720-twip box: 48 px at 100 %, 144 at 300 %.
EMBLEM_SIZES = [twips_to_px(720, dpi) for dpi in DENSITIES]


def emblem_ico():
    img = antenna(48)
    entries = [(48, 48, 8, bmp_entry(img, 8), None), (48, 48, 32, bmp_entry(img, 32), None)]
    for size in EMBLEM_SIZES[1:]:
        entries.append((size, size, 32, bmp_entry(antenna(size), 32), None))
    return icon_file(entries)


# ---------------------------------------------------------------------------
# hand.cur
# ---------------------------------------------------------------------------

# B black, W white, . transparent; the finger tip is the hot spot.
HAND = [
    ".....BB..........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWB.........",
    "....BWWBBB.......",
    "....BWWBWWBBB....",
    "....BWWBWWBWWB...",
    "....BWWBWWBWWBBB.",
    ".BB.BWWBWWBWWBWWB",
    "BWWBBWWBWWBWWBWWB",
    "BWWWBWWWWWWWWWWWB",
    ".BWWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWWB",
    "..BWWWWWWWWWWWWWB",
    "...BWWWWWWWWWWWWB",
    "...BWWWWWWWWWWWB.",
    "....BWWWWWWWWWWB.",
    "....BWWWWWWWWWB..",
    ".....BWWWWWWWWB..",
    ".....BWWWWWWWWB..",
    ".....BBBBBBBBBB..",
]
HAND_HOTSPOT = (5, 0)
# The system scales the cursor with the screen: 32 px at 100 %, 96 at 300 %.
CURSOR_SIZES = [32 * dpi // 96 for dpi in DENSITIES]


def hand_hotspot(img):
    """The hot spot scaled to the image, moved down onto the fingertip where
    the resampled outline leaves the scaled spot clear (at 250 %)."""
    size = img.width
    x, y = round(HAND_HOTSPOT[0] * size / 32), round(HAND_HOTSPOT[1] * size / 32)
    while img.getpixel((x, y))[3] == 0:
        y += 1
    return x, y


def hand_image(size=32):
    img = Image.new("RGBA", (size, size), (0, 0, 0, 0))
    if size % 32 == 0:
        n = size // 32
        for y, line in enumerate(HAND):
            for x, ch in enumerate(line):
                if ch != ".":
                    c = (0, 0, 0, 255) if ch == "B" else (255, 255, 255, 255)
                    img.paste(c, (x * n, y * n, (x + 1) * n, (y + 1) * n))
        return img
    # Between whole multiples, pixel-doubling some columns and not others
    # would give 1- and 2-pixel outlines side by side. So only the white of
    # the hand is resampled (a pixel is white when more than half of it is;
    # the strict half keeps the fingertip's top outline inside the image at
    # 150 %), and the outline is grown round(s) pixels around it afresh.
    s = size / 32
    k = round(s)
    white = [[False] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            cover = 0.0
            for sy, line in enumerate(HAND):
                cy = cell_cover(sy * s, (sy + 1) * s, y)
                for sx, ch in enumerate(line):
                    if cy and ch == "W":
                        cover += cy * cell_cover(sx * s, (sx + 1) * s, x)
            white[y][x] = cover > 0.5
    # A 2-pixel outline also takes the knight's-move neighbours, or its
    # outer corners come out notched.
    reach = [(dx, dy) for dy in range(-k, k + 1) for dx in range(-k, k + 1)
             if dx * dx + dy * dy <= k * k + (k > 1)]
    for y in range(size):
        for x in range(size):
            if white[y][x]:
                img.putpixel((x, y), (255, 255, 255, 255))
            elif any(0 <= x + dx < size and 0 <= y + dy < size and white[y + dy][x + dx]
                     for dx, dy in reach):
                img.putpixel((x, y), (0, 0, 0, 255))
    return img


def hand_cur():
    images = [hand_image(size) for size in CURSOR_SIZES]
    return icon_file([(img.width, img.height, 8, bmp_entry(img, 8), hand_hotspot(img))
                      for img in images], kind=2)


# ---------------------------------------------------------------------------
# generation
# ---------------------------------------------------------------------------

PRODUCTS = {
    "background.gif": background_gif,
    "background-100.bmp": background_bmp,
    "app.ico": app_ico,
    "emblem.ico": emblem_ico,
    "hand.cur": hand_cur,
}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", default=RES)
    ap.add_argument("--render", type=int, metavar="DPI",
                    help="only write the background at DPI, before its colours are reduced, as a "
                         "binary PPM to --out: the reference the program's own drawing is held to")
    args = ap.parse_args()
    if args.render:
        render_background(args.render).save(args.out, "PPM")
        return 0
    os.makedirs(args.out, exist_ok=True)
    for name, make in PRODUCTS.items():
        data = make()
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
        print(f"wrote {os.path.join(args.out, name)} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
