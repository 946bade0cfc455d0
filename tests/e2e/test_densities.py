"""At 96, 120, 144, 192 and 288 dpi: the window's size is its twips, the
picture fills it out to a border as on the left (288 dpi needs a screen
larger than 1024 x 768), the corners are cut, the captions read right and
lie on their buttons, and the close spot follows."""

import subprocess

import harness as h

WHITE = (255, 255, 255)  # the root window of the test's X server
FRAME = (128, 141, 158)  # the drawn buttons' outline


def near(pixel, colour, slack=40) -> bool:
    return all(abs(a - b) <= slack for a, b in zip(pixel, colour))


def on_button(shot, rect) -> bool:
    """Whether a caption's ink lies inside a drawn button: the button's
    outline found around the caption's middle row and column."""
    left, top, right, bottom = rect
    # Text, black or greyed: dark and without colour, unlike the buttons'
    # outlines and coloured ends that the rectangle may just touch.
    ink = [(x, y) for y in range(top, bottom) for x in range(left, right)
           if max(p := shot.getpixel((x, y))) < 200 and max(p) - min(p) < 16
           and not near(p, FRAME, 12)]
    if not ink:
        return False
    row, column = (top + bottom) // 2, (left + right) // 2
    frame_x = [x for x in range(shot.width) if near(shot.getpixel((x, row)), FRAME, 12)]
    frame_y = [y for y in range(shot.height) if near(shot.getpixel((column, y)), FRAME, 12)]
    xs, ys = [x for x, _ in ink], [y for _, y in ink]
    return (any(x < min(xs) for x in frame_x) and any(x > max(xs) for x in frame_x)
            and any(y < min(ys) for y in frame_y) and any(y > max(ys) for y in frame_y))


with h.scenario("densities") as tool:
    for dpi in (96, 120, 144, 192, 288):
        tool.density(dpi)
        tool.launch()
        tool.wait_face("Stopped: Start+ Stop- Restart-")
        w, h_ = (round(v * dpi / 1440) for v in (3735, 4515))
        assert tool.size == (w, h_), f"{dpi} dpi: window {tool.size}, want {(w, h_)}"
        names = [name for _, _, name, *_ in tool.elements()]
        assert names[3:] == ["Start", "Stop", "Restart", "Close"], names
        shot = tool.shot()
        # The picture reaches the right edge, its last shown column the
        # border as on the left row by row between the rounded corners, and
        # all but the bottom row.
        arc = 26 * dpi // 96
        rim = [y for y in range(arc, h_ - arc)
               if shot.getpixel((w - 2, y)) != shot.getpixel((0, y))]
        assert not rim, f"{dpi} dpi: right edge unlike the left border in {len(rim)} rows from {rim[:1]}"
        assert not near(shot.getpixel((0, h_ // 2)), (0, 0, 0), 20), f"{dpi}: border black"
        assert not near(shot.getpixel((w // 2, h_ - 2)), (0, 0, 0), 20), f"{dpi}: bottom black"
        for corner in ((0, 0), (w - 1, 0), (0, h_ - 1), (w - 1, h_ - 1)):
            assert shot.getpixel(corner) == WHITE, f"{dpi} dpi: corner {corner} not cut away"
        for name in ("Start", "Stop", "Restart"):
            assert on_button(shot, tool.rect(name)), f"{dpi} dpi: {name} off its button"
        h.log(f"{dpi} dpi: {w} x {h_}, picture, corners and captions in place")
        tool.click("Close")
        h.wait(lambda: not tool.running(), f"the close spot at {dpi} dpi")
