"""The window as a person meets it: its corners are cut away, it moves when
dragged by its top strip and by nothing else, and the cross at its top right
closes it."""

import subprocess

import harness as h

WHITE = (255, 255, 255)  # the root window of the test's X server


def screen_pixel(x: int, y: int) -> tuple[int, int, int]:
    text = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"1x1+{x}+{y}",
                           "-depth", "8", "txt:-"], capture_output=True, text=True, check=True).stdout
    return tuple(int(v) for v in text.split("(")[1].split(")")[0].split(",")[:3])


def xdotool(*args: object) -> None:
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


with h.scenario("look") as tool:
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    w, h_ = tool.size
    assert (w, h_) == (249, 301), tool.size
    x, y = tool.at
    for corner in ((x, y), (x + w - 1, y), (x, y + h_ - 1), (x + w - 1, y + h_ - 1)):
        assert screen_pixel(*corner) == WHITE, f"corner {corner} not cut away"
    assert screen_pixel(x + 13, y + 13) != WHITE

    # Pressed on the title, not the strip, and moved: the window stays.
    xdotool("mousemove", "--sync", x + 60, y + 40, "mousedown", 1, "mousemove", "--sync",
            x + 140, y + 90, "mouseup", 1)
    # Pressed on the strip: it follows the pointer while the button is held.
    xdotool("mousemove", "--sync", x + 120, y + 6, "mousedown", 1, "mousemove", "--sync",
            x + 170, y + 36, "mousemove", "--sync", x + 220, y + 66)
    h.wait(tool.where, "the window to follow the strip", accept=lambda g: g[:2] == (x + 100, y + 60))
    xdotool("mouseup", 1)
    tool.at = (x + 100, y + 60)
    tool.wait_face("Stopped: Start+ Stop- Restart-")  # still refreshing, still clickable

    tool.click_at(246, 20)  # one pixel right of the close spot
    tool.click_at(235, 26)  # one below it, on the title
    assert tool.running()
    tool.click_at(245, 24)
    h.wait(lambda: not tool.running(), "the close mark to end the tool")
