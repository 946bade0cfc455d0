"""The window as a person meets it: its corners are cut away, it moves when
dragged by its top strip and by nothing else, and the cross at its top right
closes it."""

import subprocess

import harness as h


def xdotool(*args: object) -> None:
    subprocess.run(["xdotool", *map(str, args)], check=True, timeout=30)


with h.scenario("look") as tool:
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.size == (249, 301), tool.size
    shot = tool.shot()  # the test's root window is white
    for corner in ((0, 0), (248, 0), (0, 300), (248, 300)):
        assert shot.getpixel(corner) == (255, 255, 255), f"corner {corner} not cut away"
    assert shot.getpixel((13, 13)) != (255, 255, 255)

    x, y = tool.at
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
