"""The window as a person meets it. At 96, 120, 144, 192 and 288 dpi: its size
is its twips, the picture fills it out to a border as on the left, the
corners are cut, the captions lie on their buttons, the close spot follows.
At 96 dpi: Tab, Enter, Space and Escape start and stop the service and close
the tool, as a reader in another process sees the focus; a second start only
brings the open window forward, calling no service; the window moves when
dragged by its top strip only; in a scheme of white and green texts every
text stays readable on the art; the close mark ends it where it is drawn."""

import harness as h

WHITE = (255, 255, 255)  # the root window of the test's X server
FRAME = (128, 141, 158)  # the drawn buttons' outline
STOPPED_FACE = "Stopped: Start+ Stop- Restart-"  # not installed
START, STOP = ["4"], ["5"]  # the commands' child ids, after the texts
SERVICE_CALL = b":trace:service:"  # a line of Wine's trace of the service manager calls


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


def drawn(tool: h.Tool, dpi: int) -> None:
    """The window launched at `dpi`, drawn as at any density."""
    tool.launch()
    tool.wait_face(STOPPED_FACE)
    w, h_ = (round(v * dpi / 1440) for v in (3735, 4515))
    assert tool.size == (w, h_), f"{dpi} dpi: window {tool.size}, want {(w, h_)}"
    shot = tool.shot()
    # The picture reaches the right edge, its last shown column the border
    # as on the left row by row between the rounded corners, and all but the
    # bottom row.
    arc = 26 * dpi // 96
    rim = [y for y in range(arc, h_ - arc) if shot.getpixel((w - 2, y)) != shot.getpixel((0, y))]
    assert not rim, f"{dpi} dpi: right edge unlike the left border in {len(rim)} rows from {rim[:1]}"
    assert not near(shot.getpixel((0, h_ // 2)), (0, 0, 0), 20), f"{dpi}: border black"
    assert not near(shot.getpixel((w // 2, h_ - 2)), (0, 0, 0), 20), f"{dpi}: bottom black"
    for corner in ((0, 0), (w - 1, 0), (0, h_ - 1), (w - 1, h_ - 1)):
        assert shot.getpixel(corner) == WHITE, f"{dpi} dpi: corner {corner} not cut away"
    inside = 13 * dpi // 96
    assert shot.getpixel((inside, inside)) != WHITE, f"{dpi} dpi: cut too deep"
    for name in ("Start", "Stop", "Restart"):
        assert on_button(shot, tool.rect(name)), f"{dpi} dpi: {name} off its button"
    h.log(f"{dpi} dpi: {w} x {h_}, picture, corners and captions in place")


with h.scenario("window") as tool:
    drawn(tool, 96)
    trace = tool.prefix / "service-calls.txt"
    second = tool.start(trace)
    h.wait(lambda: second.poll() is not None, "the second start to end by itself")
    assert second.returncode == 0
    assert len(h.windows()) == 1, h.windows()
    assert SERVICE_CALL not in trace.read_bytes(), "the second start called the service manager"
    tool.wait_face(STOPPED_FACE)  # the first copy carries on

    tool.keys("Tab")
    h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Start", accept=lambda f: f == [START])
    tool.keys("Return")  # Start goes grey and gives up the focus: no command has it
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.state() == h.RUNNING
    assert tool.rows("focus", h.TITLE) == [["0"]]
    tool.keys("Tab", "Right", "shift+Tab")  # Stop, Restart, back to Stop
    h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Stop", accept=lambda f: f == [STOP])
    tool.keys("space")
    tool.wait_state(None)  # stopped and removed
    tool.wait_face(STOPPED_FACE)
    tool.keys("Escape")
    h.wait(lambda: not tool.running(), "Escape to end the tool")

    # A colour scheme with white button text and bright green greyed text:
    # on the light art the title is drawn black and greyed commands grey.
    # (Wine 8 passes SetSysColors to no other process, so the scheme is one
    # set before the start, and its live following is not tried here.)
    for name, value in (("ButtonText", "255 255 255"), ("GrayText", "0 255 0")):
        tool.reg_add(r"HKCU\Control Panel\Colors", name, value)
    tool.launch(trace)  # once the first copy has ended, a start opens a window again
    tool.wait_face(STOPPED_FACE)
    shot = tool.shot()
    for name, readable in (("Quorvel Voice Chat Server Tool", lambda p: max(p) < 60),
                           ("Stop", lambda p: p[1] - p[0] < 100)):
        left, top, right, bottom = tool.rect(name)
        ink = [shot.getpixel((x, y)) for y in range(top, bottom) for x in range(left, right)]
        assert any(map(readable, ink)) and all(p[1] - p[0] < 100 for p in ink), f"{name} unreadable"
    for name, value in (("ButtonText", "0 0 0"), ("GrayText", "166 166 166")):
        tool.reg_add(r"HKCU\Control Panel\Colors", name, value)
    assert len(h.windows()) == 1, h.windows()
    assert SERVICE_CALL in trace.read_bytes(), "the trace shows no service calls at all"
    x, y = tool.at
    # Pressed on the title, not the strip, and moved: the window stays.
    h.xdotool("mousemove", "--sync", x + 60, y + 40, "mousedown", 1, "mousemove", "--sync",
              x + 140, y + 90, "mouseup", 1)
    # Pressed on the strip: it follows the pointer while the button is held.
    h.xdotool("mousemove", "--sync", x + 120, y + 6, "mousedown", 1, "mousemove", "--sync",
              x + 170, y + 36, "mousemove", "--sync", x + 220, y + 66)
    h.wait(tool.where, "the window to follow the strip", accept=lambda g: g[:2] == (x + 100, y + 60))
    h.xdotool("mouseup", 1)
    tool.at = (x + 100, y + 60)
    tool.wait_face(STOPPED_FACE)  # still refreshing, still clickable

    tool.click_at(246, 20)  # one pixel right of the close spot
    tool.click_at(235, 26)  # one below it, on the title
    assert tool.running()
    tool.click_at(245, 24)
    h.wait(lambda: not tool.running(), "the close mark to end the tool")

    for dpi in (120, 144, 192, 288):
        tool.density(dpi)
        drawn(tool, dpi)
        tool.click("Close")
        h.wait(lambda: not tool.running(), f"the close spot at {dpi} dpi")
