"""What the look and language tests add to qve2e: the X server seen
directly (root colour, pointer, cursor image, fast screen grabs through
libX11), the mouse driven with xdotool, tooltips and any crop read by OCR."""

from __future__ import annotations

import ctypes
import io
import re
import struct
import subprocess
import time
from pathlib import Path
from typing import Callable

from PIL import Image

import qve2e
from qve2e import WINDOW_TITLE, crop, log, wait_until

# A root colour found nowhere in the window's own art: a pixel of it inside
# the window's rectangle is one the window's outline cut away.
ROOT_COLOUR = (255, 0, 255)

# --- libX11 / libXfixes through ctypes ------------------------------------

_x11 = ctypes.CDLL("libX11.so.6")
_xfixes = ctypes.CDLL("libXfixes.so.3")


class _XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as they are read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class _CursorImage(ctypes.Structure):
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = ctypes.c_ulong
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XSetWindowBackground.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_ulong]
_x11.XClearWindow.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.POINTER(_XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                           ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.POINTER(_XImage)]
_xfixes.XFixesQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                         ctypes.POINTER(ctypes.c_int)]
_xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
_xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
_ZPIXMAP = 2


class XDisplay:
    """A connection of our own to the test's X server."""

    def __init__(self) -> None:
        self.display = _x11.XOpenDisplay(None)
        if not self.display:
            raise AssertionError("cannot open the X display")
        self.root = _x11.XDefaultRootWindow(self.display)

    def close(self) -> None:
        if self.display:
            _x11.XCloseDisplay(self.display)
            self.display = None

    def set_root_colour(self, rgb: tuple[int, int, int]) -> None:
        _x11.XSetWindowBackground(self.display, self.root, (rgb[0] << 16) | (rgb[1] << 8) | rgb[2])
        _x11.XClearWindow(self.display, self.root)
        _x11.XSync(self.display, 0)

    def grab(self, rect: tuple[int, int, int, int]) -> Image.Image:
        """What the screen shows in (x, y, width, height): a few
        milliseconds, where `import` takes a tenth of a second."""
        x, y, w, h = rect
        image = _x11.XGetImage(self.display, self.root, x, y, w, h, 0xFFFFFFFF, _ZPIXMAP)
        if not image:
            raise AssertionError(f"XGetImage {rect} failed")
        try:
            ximage = image.contents
            assert ximage.bits_per_pixel == 32, f"{ximage.bits_per_pixel} bits per pixel"
            raw = ctypes.string_at(ximage.data, ximage.bytes_per_line * h)
            return Image.frombuffer("RGB", (w, h), raw, "raw", "BGRX",
                                    ximage.bytes_per_line, 1).copy()
        finally:
            _x11.XDestroyImage(image)

    def cursor(self) -> tuple[tuple[int, int], Image.Image]:
        """The pointer's current shape: its hot spot and its RGBA image."""
        event, error = ctypes.c_int(), ctypes.c_int()
        if not _xfixes.XFixesQueryExtension(self.display, ctypes.byref(event), ctypes.byref(error)):
            raise AssertionError("the X server has no XFIXES")
        pointer = _xfixes.XFixesGetCursorImage(self.display)
        if not pointer:
            raise AssertionError("XFixesGetCursorImage failed")
        try:
            c = pointer.contents
            argb = [c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height)]
            image = Image.new("RGBA", (c.width, c.height))
            image.putdata([((p >> 16) & 255, (p >> 8) & 255, p & 255, p >> 24) for p in argb])
            return (c.xhot, c.yhot), image
        finally:
            _x11.XFree(pointer)


# --- the pointer -------------------------------------------------------------

def xdotool(*args: str) -> str:
    result = subprocess.run(["xdotool", *args], capture_output=True, text=True, timeout=30)
    assert result.returncode == 0, f"xdotool {' '.join(args)}: {result.stderr}"
    return result.stdout


def move_to(x: int, y: int) -> None:
    xdotool("mousemove", str(x), str(y))


def window_under_pointer() -> int:
    """The X window the server would hand a click at the pointer to."""
    values = dict(v.split("=", 1) for v in xdotool("getmouselocation", "--shell").split())
    return int(values["WINDOW"])


def tool_window() -> tuple[int, tuple[int, int, int, int]]:
    """The tool's X window (mapped or not yet): its id and (x, y, w, h);
    fails the wait while there is none."""
    found = subprocess.run(["xdotool", "search", "--name", f"^{re.escape(WINDOW_TITLE)}$"],
                           capture_output=True, text=True, timeout=30).stdout.split()
    assert len(found) == 1, f"{len(found)} X windows titled {WINDOW_TITLE!r}"
    shell = xdotool("getwindowgeometry", "--shell", found[0])
    v = dict(line.split("=", 1) for line in shell.split() if "=" in line)
    return int(found[0]), (int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"]))


def tool_window_or_none():
    try:
        return tool_window()
    except AssertionError:
        return None


# --- tooltips ------------------------------------------------------------------

def shown_tooltips(s: qve2e.Session, pid: int) -> list[qve2e.WinWindow]:
    return [w for w in qve2e.parse_windows(s.inspect("list").stdout)
            if w.cls == "tooltips_class32" and w.pid == pid and w.visible]


def tooltip_at(s: qve2e.Session, point: tuple[int, int]) -> str:
    """Rests the pointer on `point` (screen) until the tool shows a tooltip
    there; returns its text. The pointer first leaves the window so that
    any tip shown before is taken down."""
    main = s.windows_titled(WINDOW_TITLE)
    assert len(main) == 1, main
    pid = main[0].pid
    left, top, right, bottom = main[0].rect
    move_to(right + 40, bottom + 40)
    wait_until(lambda: shown_tooltips(s, pid), qve2e.CHANGE_DEADLINE,
               "no tooltip while the pointer is away", accept=lambda tips: not tips)
    move_to(*point)
    tips = wait_until(lambda: shown_tooltips(s, pid), qve2e.CHANGE_DEADLINE,
                      f"a tooltip with the pointer resting at {point}")
    assert len(tips) == 1, tips
    return tips[0].text


# --- OCR -------------------------------------------------------------------------

def ocr(image: Image.Image, rect: tuple[int, int, int, int], lines: int = 1) -> str:
    """The text in `rect` (inclusive) of `image`, by tesseract, as one line
    or a block of several. Grey levels, upscaled four times, with a white
    margin: tesseract's own thresholding then reads these small captions,
    on gradients and greyed ones too, far better than a thresholded crop."""
    part = crop(image, rect).convert("L")
    big = part.resize((part.width * 4, part.height * 4), Image.LANCZOS)
    page = Image.new("L", (big.width + 80, big.height + 80), 255)
    page.paste(big, (40, 40))
    buffer = io.BytesIO()
    page.save(buffer, format="PNG")
    result = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "7" if lines == 1 else "6"],
                            input=buffer.getvalue(), capture_output=True, timeout=60)
    return " ".join(result.stdout.decode("utf-8", "replace").split())


# --- watching the window from its first frame on ---------------------------------

def record_until(s: qve2e.Session, done: Callable[[list[tuple[float, Image.Image]]], bool],
                 deadline: float = qve2e.START_DEADLINE) -> list[tuple[float, Image.Image]]:
    """Call right after launch_tool. Grabs the window's rectangle every few
    milliseconds from the moment its X window exists, keeping each frame
    that differs from the one before, as (seconds since launch, image),
    until `done(frames)` holds, which is asked after each new frame. What
    shows only for a moment, such as the status before the first refresh,
    is in there."""
    # Taken before the window is mapped, once it has its final size.
    _, (x, y, w, h) = wait_until(tool_window_or_none, qve2e.START_DEADLINE,
                                 f"an X window titled {WINDOW_TITLE!r} of size {qve2e.WINDOW_SIZE}",
                                 accept=lambda found: found and found[1][2:] == qve2e.WINDOW_SIZE,
                                 interval=0.02)
    display = XDisplay()
    frames: list[tuple[float, Image.Image]] = []
    last = b""
    end = time.monotonic() + deadline
    try:
        while True:
            if time.monotonic() > end:
                raise AssertionError(f"gave up after {deadline:.0f} s recording the window; "
                                     f"{len(frames)} distinct frames")
            frame = display.grab((x, y, w, h))
            raw = frame.tobytes()
            if raw != last:
                last = raw
                frames.append((s.since_launch(), frame))
                s.last_screenshot = frame
                if done(frames):
                    break
            time.sleep(0.005)
    finally:
        display.close()
    log(f"recorded {len(frames)} distinct frames in {s.since_launch():.1f} s")
    return frames


def save(image: Image.Image, s: qve2e.Session, name: str) -> Path:
    s.artifacts.mkdir(parents=True, exist_ok=True)
    path = s.artifacts / name
    image.save(path)
    return path


def read_cursor_file(path: Path) -> tuple[tuple[int, int], Image.Image]:
    """Hot spot and RGBA image of a one-image, 8-bit .cur file (the AND
    mask made transparent), to compare with what the X server shows."""
    data = path.read_bytes()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    assert kind == 2 and count == 1, (kind, count)
    w, h, _, _, xhot, yhot, _, offset = struct.unpack_from("<BBBBHHII", data, 6)
    header, width, height2, _, bits = struct.unpack_from("<IiiHH", data, offset)
    assert bits == 8 and (width, height2) == (w, 2 * h), (bits, width, height2)
    used = struct.unpack_from("<I", data, offset + 32)[0] or 256
    palette = offset + header
    pixels = palette + 4 * used
    mask = pixels + ((w + 3) & ~3) * h
    mask_stride = ((w + 31) // 32) * 4
    image = Image.new("RGBA", (w, h))
    for y in range(h):
        row = h - 1 - y  # bottom-up
        for x in range(w):
            index = data[pixels + row * ((w + 3) & ~3) + x]
            b, g, r = data[palette + 4 * index:palette + 4 * index + 3]
            clear = data[mask + row * mask_stride + x // 8] >> (7 - x % 8) & 1
            image.putpixel((x, y), (0, 0, 0, 0) if clear else (r, g, b, 255))
    return (xhot, yhot), image
