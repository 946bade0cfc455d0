"""A screen reader in another process: the commands as push buttons, the
title, heading and status as text, in each face; the changes it hears; and
Start pressed through it installs and starts the service, a greyed command
refuses its press, and the focus follows a stop from outside to Start, every
focus event naming a focused object. Meanwhile the tool loads neither of the
libraries planted in its folder."""

import shutil
import subprocess
import tempfile

import harness as h

READ_ONLY = 64         # STATE_SYSTEM_READONLY
FOCUSABLE = 0x100000   # STATE_SYSTEM_FOCUSABLE
GREY = h.UNAVAILABLE


def expected(status: str, start: int, stop: int, restart: int) -> list:
    return [(h.TEXT, READ_ONLY, "Quorvel Voice Chat Server Tool", "", ""),
            (h.TEXT, READ_ONLY, "Service Status", "", ""),
            (h.TEXT, READ_ONLY, status, "", ""),
            (h.BUTTON, start, "Start", "Start Service", "Press"),
            (h.BUTTON, stop, "Stop", "Stop Service", "Press"),
            (h.BUTTON, restart, "Restart", "Restart Service", "Press"),
            (h.BUTTON, FOCUSABLE, "Close", "Close", "Press")]


with h.scenario("screen_reader") as tool:
    tool.behave(StopPendingMs=3000)
    # Wine told to prefer a library beside the program to its own, as Windows
    # does for one that is no known system library; each leaves NAME.ran.
    for name in ("oleacc.dll", "comctl32.dll"):
        shutil.copy2(h.BUILD / "tests/e2e/tools/planted.dll", tool.dir / name)
    planted = lambda: sorted(p.name for p in tool.dir.glob("*.ran"))  # noqa: E731
    tool.launch(WINEDLLOVERRIDES="oleacc,comctl32=n,b")
    tool.elements()  # a reader's first question loads OLE
    assert not planted(), planted()
    h.wait(tool.elements, "the not-installed face", accept=lambda e: e == expected("Stopped", FOCUSABLE, GREY, GREY))
    # The pointer's first visit to a command loads the common controls.
    left, top, *_ = tool.rect("Start")
    subprocess.run(["xdotool", "mousemove", "--sync", str(tool.at[0] + left + 2), str(tool.at[1] + top + 2)],
                   check=True, timeout=30)
    h.wait(lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--classname", "^qvstatustool"],
                                  capture_output=True, text=True, timeout=30).stdout.split()[1:], "Start's tooltip")
    assert not planted(), planted()

    assert tool.rows("press", h.TITLE, "5") == []  # a greyed Stop refuses, and nothing happens
    with tempfile.TemporaryFile("w+") as heard:
        listener = subprocess.Popen(["wine", tool.folder + r"\wininspect.exe", "events", h.TITLE, "20"],
                                    cwd=tool.prefix / "drive_c", stdout=heard, stderr=subprocess.DEVNULL)
        h.wait(lambda: heard.seek(0) or heard.read(), "the listener", every=0.1)
        assert tool.inspect("press", h.TITLE, "4") == "pressed"
        h.wait(tool.elements, "the running face", accept=lambda e: e == expected("Running", GREY, FOCUSABLE, FOCUSABLE))
        assert tool.state() == h.RUNNING
        # Stopped from outside under the keyboard focus: through the pending
        # state, where nothing can be pressed, the focus comes to Start.
        tool.keys("Tab")
        h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Stop", accept=lambda f: f == [["5"]])
        tool.wine("sc", "stop", h.SERVICE)
        h.wait(tool.elements, "the pending face", accept=lambda e: e == expected("Running", GREY, GREY, GREY))
        h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Start", accept=lambda f: f == [["4"]])
        listener.wait(timeout=60)
        heard.seek(0)
        events = heard.read().split("\n")
    # What each focus event names says it is focused, the status is spoken
    # where the reader is, and a command that comes or goes is heard.
    assert {"state 4", "state 5", "state 6", "name 3", "live 3", "focus 5 focused",
            "focus 0 focused", "focus 4 focused"} <= set(events), events
    assert not [e for e in events if e.endswith("unfocused")], events

    # Close pressed through the reader: the reader has its answer, then the tool ends.
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.inspect("press", h.TITLE, "7") == "pressed"
    h.wait(lambda: not tool.running(), "the tool to end")
