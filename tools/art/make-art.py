#!/usr/bin/python3
"""Draws the status window's icons and cursor and writes them into window/res/.

    /usr/bin/python3 tools/art/make-art.py            regenerate window/res/*
    /usr/bin/python3 tools/art/make-art.py --out DIR  write somewhere else

The background is no file: the program draws it at every density
(window/BackgroundArt.cpp).

Everything is computed from plain arithmetic (no random module, no clock, no
fonts), so a run yields the same bytes on every machine with the same Pillow.
The icon and cursor containers are assembled here with struct, because neither
Pillow nor ImageMagick lets us choose the bit depth of each entry.
"""

import argparse
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
# small helpers
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


# The densities the emblem and the cursor come in: 100 to 200 % in quarters,
# 250 and 300 %.
DENSITIES = (96, 120, 144, 168, 192, 240, 288)


def twips_to_px(twips, dpi):
    """Pixels as the program converts twips: halves to the even neighbour."""
    return round(Fraction(twips * dpi, 1440))


def cell_cover(a, b, pixel):
    """How much of [pixel, pixel + 1) the span [a, b) covers."""
    return max(0.0, min(b, pixel + 1) - max(a, pixel))


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
    "app.ico": app_ico,
    "emblem.ico": emblem_ico,
    "hand.cur": hand_cur,
}


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", default=RES)
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    for name, make in PRODUCTS.items():
        data = make()
        with open(os.path.join(args.out, name), "wb") as f:
            f.write(data)
        print(f"wrote {os.path.join(args.out, name)} ({len(data)} bytes)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
