"""The window as a person meets it (README.md)."""

import subprocess

import harness as h

WHITE = (255, 255, 255)  # the root window of the test's X server
FRAME = (128, 141, 158)  # the drawn buttons' outline
STOPPED_FACE = "Stopped: Start+ Stop- Restart-"  # not installed
SERVICE_CALL = b":trace:service:"  # a line of Wine's trace of the service manager calls


def near(pixel, colour, slack=40) -> bool:
    return all(abs(a - b) <= slack for a, b in zip(pixel, colour))


def on_button(shot, rect) -> bool:
    """Whether a caption's ink (dark, colourless) has a button's outline on all four sides."""
    left, top, right, bottom = rect
    ink = [(x, y) for y in range(top, bottom) for x in range(left, right)
           if max(p := shot.getpixel((x, y))) < 200 and max(p) - min(p) < 16 and not near(p, FRAME, 12)]
    if not ink:
        return False
    frame_x = [x for x in range(shot.width) if near(shot.getpixel((x, (top + bottom) // 2)), FRAME, 12)]
    frame_y = [y for y in range(shot.height) if near(shot.getpixel(((left + right) // 2, y)), FRAME, 12)]
    return all(any(f < min(inked) for f in frame) and any(f > max(inked) for f in frame)
               for frame, inked in ((frame_x, [x for x, _ in ink]), (frame_y, [y for _, y in ink])))


def settled(tool: h.Tool, box, unlike: bytes | None = None) -> bytes:
    """The pixels in `box` once two shots half a second apart agree (and differ from `unlike`)."""
    shots = [None]

    def still() -> bool:
        shots.append(tool.shot().crop(box).tobytes())
        return shots[-1] == shots[-2] and shots[-1] != unlike
    h.wait(still, f"the pixels in {box} to settle", every=0.5)
    return shots[-1]


def cue_whole(tool: h.Tool, dpi: int) -> None:
    """Around Start, Tab in draws the cue as a full repaint does, and Tab out leaves nothing of it."""
    left, top, right, bottom = tool.rect("Start")
    margin = 8 * dpi // 96
    box = (left - margin, top - margin, right + margin, bottom + margin)
    before = drawn_now = settled(tool, box)
    for focused in ("4", "7"):  # Tab onto Start, then on to Close
        tool.keys("Tab")
        h.wait(lambda: tool.rows("focus", h.TITLE), f"the focus on {focused}", accept=lambda f: f == [[focused]])
        drawn_now = settled(tool, box, unlike=drawn_now)
        assert tool.rows("repaint", h.TITLE) == [["repainted"]]
        assert drawn_now == settled(tool, box), f"{dpi} dpi: the focus on {focused} drawn unlike a full repaint"
    assert drawn_now == before, f"{dpi} dpi: the cue left pieces around Start"


def drawn(tool: h.Tool, dpi: int) -> None:
    """The window launched at `dpi`, drawn as at any density."""
    tool.launch(STOPPED_FACE)
    w, h_ = (round(v * dpi / 1440) for v in (3735, 4515))
    assert tool.size == (w, h_), f"{dpi} dpi: window {tool.size}, want {(w, h_)}"
    shot = tool.shot()
    # The picture's last shown column is the border as on the left, row by row between the corners.
    arc = 26 * dpi // 96
    rim = [y for y in range(arc, h_ - arc) if shot.getpixel((w - 2, y)) != shot.getpixel((0, y))]
    assert not rim, f"{dpi} dpi: right edge unlike the left border in {len(rim)} rows from {rim[:1]}"
    for spot in ((0, h_ // 2), (w // 2, h_ - 2)):  # the border, the bottom row
        assert not near(shot.getpixel(spot), (0, 0, 0), 20), f"{dpi} dpi: black at {spot}"
    inside = 13 * dpi // 96
    cut = [shot.getpixel(s) == WHITE for s in ((0, 0), (w - 1, 0), (0, h_ - 1), (w - 1, h_ - 1), (inside, inside))]
    assert cut == [True] * 4 + [False], f"{dpi} dpi: cut away at the corners and ({inside}, {inside}): {cut}"
    for name in ("Start", "Stop", "Restart"):
        assert on_button(shot, tool.rect(name)), f"{dpi} dpi: {name} off its button"
    emblem = shot.crop(tuple(round(v * dpi / 1440) for v in (300, 405, 1020, 1125)))
    green = sum(p[1] > p[0] + 40 and p[1] > p[2] + 40 for p in emblem.getdata())
    assert green > emblem.width * emblem.height // 4, f"{dpi} dpi: {green} green pixels in the emblem"
    left, top, right, bottom = tool.rect("Start")
    h.xdotool("mousemove", "--sync", tool.at[0] + (left + right) // 2, tool.at[1] + (top + bottom) // 2)
    hand = 32 * dpi // 96
    h.wait(h.pointer_size, f"the {hand} px hand over Start", accept=lambda seen: seen == (hand, hand))
    h.xdotool("mousemove", 1000, 750)  # away, or Start's tooltip would cover what comes next


with h.scenario("window") as tool:
    drawn(tool, 96)
    second = tool.start(trace := tool.prefix / "service-calls.txt")
    h.wait(lambda: second.poll() is not None, "the second start to end by itself")
    assert second.returncode == 0 and len(h.windows()) == 1, (second.returncode, h.windows())
    assert SERVICE_CALL not in trace.read_bytes(), "the second start called the service manager"
    tool.wait_face(STOPPED_FACE)  # the first copy carries on
    # A press message naming no command, from another program: ignored, the tool goes on.
    assert tool.rows("send", h.TITLE, str(0x8001), "99") == [["sent"]]
    tool.wait_face(STOPPED_FACE)

    cue_whole(tool, 96)
    tool.keys("shift+Tab")
    h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Start", accept=lambda f: f == [["4"]])
    tool.keys("Return")  # Start goes grey and gives up the focus: no command has it
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.rows("focus", h.TITLE) == [["0"]]
    tool.keys("Tab", "Right", "shift+Tab")  # Stop, Restart, back to Stop
    h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Stop", accept=lambda f: f == [["5"]])
    tool.keys("space")
    tool.wait_state(None)  # stopped and removed
    tool.wait_face(STOPPED_FACE)
    tool.keys("Escape")
    h.wait(lambda: not tool.running(), "Escape to end the tool")

    # White button text, green greyed text: on the light art the title is drawn black, greyed
    # commands grey. (Wine 8 passes SetSysColors to no other process: it is set before the start.)
    for name, value in (("ButtonText", "255 255 255"), ("GrayText", "0 255 0")):
        tool.reg_add(r"HKCU\Control Panel\Colors", name, value)
    # Once the first copy has ended, a start opens a window again, though a stranger holds the
    # session's lock and shows a window of the tool's class: the stranger's is never taken for it.
    squatter = subprocess.Popen(["wine", tool.folder + r"\wininspect.exe", "squat", h.TITLE],
                                cwd=tool.prefix / "drive_c", stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    h.wait(lambda: h.xdotool("search", "--onlyvisible", "--name", "^squatter$", check=False),
           "the squatter's window")
    tool.launch(STOPPED_FACE, trace)
    h.wait(lambda: squatter.poll() is not None, "the squatter to leave once the window is up")
    shot = tool.shot()
    for name, readable in (("Quorvel Voice Chat Server Tool", lambda p: max(p) < 60),
                           ("Stop", lambda p: p[1] - p[0] < 100)):
        ink = list(shot.crop(tool.rect(name)).getdata())
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
        # Both keys Wine reads the density from, then its machine restarted to read them.
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            tool.reg_add(key, "LogPixels", str(dpi), "REG_DWORD")
        for flag in ("-k", "-w", "-p"):
            subprocess.run(["wineserver", flag], timeout=60)
        drawn(tool, dpi)
        if dpi == 144:
            cue_whole(tool, dpi)
        tool.click("Close")
        h.wait(lambda: not tool.running(), f"the close spot at {dpi} dpi")
