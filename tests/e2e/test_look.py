"""The finished window as a person meets it, with the service running: its
rounded outline (clicks on the cut-away corners go to what lies behind),
its picture, the hand cursor and the tooltips of the commands, and dragging
it by its top strip, and by nothing else, while it keeps refreshing.

Leaves the window's picture in the artifacts folder as screenshot.png
(transparent where the outline cuts the window away)."""

import itertools
import re
import subprocess
import tempfile
import unittest

from PIL import Image

import qve2e
import qve2e_look as look
from qve2e import LABEL_RECTS, RUNNING, STOPPED, log, wait_until
from qve2e_look import ROOT_COLOUR

ART = qve2e.ROOT / "window" / "res"
W, H = qve2e.WINDOW_SIZE

# Client pixels a rounded rectangle with 26 x 26 corner ellipses cuts away,
# and pixels it keeps. CreateRoundRectRgn leaves out the right column and
# the bottom row of the rectangle it is given, as Windows does.
CUT_AWAY = [(0, 0), (1, 1), (2, 2), (9, 0), (0, 9), (W - 1, 0), (W - 2, 1), (W - 3, 2),
            (0, H - 1), (1, H - 2), (W - 1, H - 1), (W - 2, H - 2), (W - 1, 150), (124, H - 1)]
KEPT = [(13, 13), (W - 14, 13), (13, H - 14), (W - 14, H - 14), (0, 150), (W - 2, 150),
        (124, 0), (124, H - 2), (10, 0), (0, 10)]
# Rows where the program draws nothing over its picture but the command labels.
PICTURE_ROWS = [*range(0, 25), *range(85, 149), *range(197, H - 1)]
SLATE = (102, 119, 139)
CLOSE_MARK = (235, 14, 246, 25)
# Middles of the coloured end pieces of the three button frames.
END_PIECES = [((71, 283), "green"), ((151, 283), "red"), ((228, 283), "red"),
              ((233, 283), "green")]
COMMAND_POINTS = {"Start": (40, 281), "Stop": (118, 282), "Restart": (200, 282),
                  "Close": (240, 19)}
TOOLTIPS = {"Start": "Start Service", "Stop": "Stop Service", "Restart": "Restart Service",
            "Close": "Close"}
# Over the background, the top strip, the status, the emblem and the title.
ELSEWHERE = [(120, 120), (120, 6), (120, 175), (44, 50), (240, 40)]
STRIP = (120, 6)
DRAG = (60, 40)
# A press elsewhere is dragged by a different offset, so that if it did move
# the window, the strip drag after it would miss and end somewhere else.
NO_DRAG = (40, 70)


def colour_family(pixel) -> str:
    r, g, b = pixel
    if g > r + 40 and g > b + 40:
        return "green"
    if r > g + 60 and r > b + 60:
        return "red"
    return f"neither{pixel}"


class LookTest(unittest.TestCase):
    def test_outline_picture_pointer_tooltips_and_drag(self):
        with qve2e.session("look") as s:
            x_display = look.XDisplay()
            self.addCleanup(x_display.close)
            x_display.set_root_colour(ROOT_COLOUR)
            s.install_service()
            s.start_service()
            s.wait_service_state(RUNNING)

            s.launch_tool()
            s.wait_for_window()
            look.move_to(*self.outside(s))
            shown = s.wait_for_display(
                lambda d: d.status == "Running" and d.label("Start") == "disabled",
                "'Running' with Start greyed")
            log(f"shows {shown}")
            shot = s.last_screenshot
            self.save_picture(s, shot)

            self.check_outline(shot)
            self.check_picture(shot)
            self.check_clicks_through_corners(s, x_display)
            self.check_cursor(s, x_display)
            self.check_tooltips(s)
            self.check_drag(s)

    # -- helpers --

    @staticmethod
    def outside(s):
        left, top, right, bottom = s.window_rect
        return right + 60, bottom + 60

    def save_picture(self, s, shot):
        rgba = shot.convert("RGBA")
        rgba.putdata([(0, 0, 0, 0) if p[:3] == ROOT_COLOUR else p for p in rgba.getdata()])
        log(f"screenshot: {look.save(rgba, s, 'screenshot.png')}")

    def check_outline(self, shot):
        for point in CUT_AWAY:
            self.assertEqual(shot.getpixel(point), ROOT_COLOUR, f"{point} is not cut away")
        for point in KEPT:
            self.assertNotEqual(shot.getpixel(point), ROOT_COLOUR, f"{point} is cut away")
        # The window's back colour shows only below its picture, which is a
        # row shorter than the window: black, where the outline lets it show.
        bottom = [shot.getpixel((x, H - 1)) for x in range(W)]
        self.assertTrue(all(p in (ROOT_COLOUR, (0, 0, 0)) for p in bottom), bottom)
        log(f"bottom row: {sum(p != ROOT_COLOUR for p in bottom)} pixels visible")

    def check_picture(self, shot):
        with Image.open(ART / "background.gif") as gif:
            picture = gif.convert("RGB")
        self.assertEqual(picture.size, (W + 1, H - 1))
        labels = list(LABEL_RECTS.values())
        differ = [(x, y, shot.getpixel((x, y)), picture.getpixel((x, y)))
                  for y in PICTURE_ROWS for x in range(W)
                  if shot.getpixel((x, y)) != ROOT_COLOUR
                  and not any(l <= x <= r and t <= y <= b for l, t, r, b in labels)
                  and shot.getpixel((x, y)) != picture.getpixel((x, y))]
        self.assertEqual(differ[:10], [], f"{len(differ)} pixels are not the picture's")

        self.assertEqual(shot.getpixel((120, 3)), SLATE)
        mark = qve2e.crop(shot, CLOSE_MARK)
        dark = sum(1 for p in mark.getdata() if sum(p) < 300)
        white = sum(1 for p in mark.getdata() if min(p) > 220)
        self.assertGreaterEqual(dark, 40, "the close mark's square")
        self.assertGreaterEqual(white, 8, "the close mark's cross")
        self.assertGreater(min(shot.getpixel((240, 19))), 220, "the cross's middle")
        for point, family in END_PIECES:
            self.assertEqual(colour_family(shot.getpixel(point)), family, point)

    def check_clicks_through_corners(self, s, x_display):
        """A window behind the tool's top left corner gets a click on a
        cut-away pixel; a click a little further in is the tool's."""
        x, y = s.window_rect[:2]
        tool_id, _ = look.tool_window()
        with tempfile.TemporaryFile() as out:
            behind = subprocess.Popen(["xev", "-name", "qv-behind", "-event", "button",
                                       "-geometry", f"30x30+{x}+{y}"],
                                      stdout=out, stderr=subprocess.STDOUT)
            try:
                look.move_to(x + 1, y + 1)
                behind_id = wait_until(look.window_under_pointer, qve2e.CHANGE_DEADLINE,
                                       "xev's window on top",
                                       accept=lambda w: w not in (tool_id, x_display.root))
                look.xdotool("windowraise", str(tool_id))
                look.move_to(x + 13, y + 13)
                wait_until(look.window_under_pointer, qve2e.CHANGE_DEADLINE,
                           "the tool back on top", accept=lambda w: w == tool_id)
                look.xdotool("click", "1")
                look.move_to(x + 1, y + 1)
                self.assertEqual(look.window_under_pointer(), behind_id)
                look.xdotool("click", "1")

                def presses():
                    out.seek(0)
                    text = out.read().decode("utf-8", "replace")
                    return [tuple(map(int, m)) for m in
                            re.findall(r"ButtonPress event.*?root:\((\d+),(\d+)\)", text,
                                             flags=re.S)]
                seen = wait_until(presses, qve2e.CHANGE_DEADLINE, "xev to see a press")
                self.assertEqual(seen, [(x + 1, y + 1)])
            finally:
                behind.terminate()
                behind.wait(timeout=30)
        log("a click on a cut-away corner reached the window behind")

    def check_cursor(self, s, x_display):
        hand = look.read_cursor_file(ART / "hand.cur")
        x, y = s.window_rect[:2]

        def cursor_at(point, accept, what):
            look.move_to(x + point[0], y + point[1])
            return wait_until(x_display.cursor, qve2e.CHANGE_DEADLINE, what,
                              accept=lambda c: accept(c[0] == hand[0] and
                                                      c[1].tobytes() == hand[1].tobytes()))

        arrows = set()
        for (name, point), elsewhere in zip(itertools.cycle(COMMAND_POINTS.items()), ELSEWHERE):
            cursor_at(point, bool, f"the hand over {name}")
            hot, image = cursor_at(elsewhere, lambda is_hand: not is_hand,
                                   f"not the hand at {elsewhere}")
            arrows.add((hot, image.tobytes()))
        self.assertEqual(len(arrows), 1, "the cursor away from the commands varies")
        log(f"hand over the commands, one other cursor (hot spot {hot}, {image.size}) elsewhere")

    def check_tooltips(self, s):
        x, y = s.window_rect[:2]
        for name, point in COMMAND_POINTS.items():
            self.assertEqual(look.tooltip_at(s, (x + point[0], y + point[1])), TOOLTIPS[name])
        look.move_to(*self.outside(s))
        log("tooltips: " + ", ".join(TOOLTIPS.values()))

    def drag(self, start, offset):
        look.move_to(*start)
        look.xdotool("mousedown", "1")
        look.move_to(start[0] + offset[0], start[1] + offset[1])

    def check_drag(self, s):
        tool_id, start = look.tool_window()
        x, y = start[:2]
        shot = s.screenshot()
        corner = next(p for p in [(3, 8), (3, 10), (2, 11), (3, 12)]
                      if shot.getpixel(p) != ROOT_COLOUR)
        for point in (corner, (120, 120)):
            look.move_to(x + point[0], y + point[1])
            self.assertEqual(look.window_under_pointer(), tool_id, f"{point} is not the tool's")
            self.drag((x + point[0], y + point[1]), NO_DRAG)
            look.xdotool("mouseup", "1")
        self.assertEqual(look.tool_window()[1], start, "a press off the strip moved the window")

        moved = (x + DRAG[0], y + DRAG[1], W, H)
        self.drag((x + STRIP[0], y + STRIP[1]), DRAG)
        try:
            wait_until(lambda: look.tool_window()[1], qve2e.CHANGE_DEADLINE,
                       f"the window dragged to {moved[:2]}", accept=lambda g: g == moved)
            # Still held: the refresh goes on while the window is dragged.
            s.stop_service()
            s.wait_service_state(STOPPED)
            s.wait_for_window()
            shown = s.wait_for_display(lambda d: d.status == "Stopped",
                                       "'Stopped' during the drag")
            log(f"during the drag it shows {shown}")
        finally:
            look.xdotool("mouseup", "1")

        s.start_service()
        s.wait_service_state(RUNNING)
        s.wait_for_display(lambda d: d.status == "Running", "'Running' after the drag")
        self.assertEqual(look.tool_window()[1], moved, "the window did not stay")
        window = s.windows_titled(qve2e.WINDOW_TITLE)
        self.assertEqual(window[0].rect, (moved[0], moved[1], moved[0] + W, moved[1] + H))
        log(f"dragged from {start[:2]} to {moved[:2]}, and it stayed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
