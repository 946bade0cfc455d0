"""A screen reader in another process; the libraries planted beside the tool (README.md)."""

import shutil
import subprocess
import tempfile

import harness as h

READ_ONLY, FOCUSABLE = 64, 0x100000  # STATE_SYSTEM_READONLY, STATE_SYSTEM_FOCUSABLE


def expected(status: str, commands: str) -> list:
    """What a reader finds in a face; `commands` '+' (pressable) or '-' (greyed) for Start, Stop, Restart."""
    texts = ("Quorvel Voice Chat Server Tool", "Service Status", status)
    states = [FOCUSABLE if c == "+" else h.UNAVAILABLE for c in commands] + [FOCUSABLE]
    tips = ["Start Service", "Stop Service", "Restart Service", "Close"]
    return ([(h.TEXT, READ_ONLY, name, "", "") for name in texts]
            + [(h.BUTTON, state, tip.split()[0], tip, "Press") for state, tip in zip(states, tips)])


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
    h.wait(tool.elements, "the not-installed face", accept=lambda e: e == expected("Stopped", "+--"))
    # The pointer's first visit to a command loads the common controls.
    left, top, *_ = tool.rect("Start")
    h.xdotool("mousemove", "--sync", tool.at[0] + left + 2, tool.at[1] + top + 2)
    h.wait(lambda: h.xdotool("search", "--onlyvisible", "--classname", "^qvstatustool", check=False).split()[1:],
           "Start's tooltip")
    assert not planted(), planted()

    assert tool.rows("press", h.TITLE, "5") == []  # a greyed Stop refuses, and nothing happens
    with tempfile.TemporaryFile("w+") as heard:
        listener = subprocess.Popen(["wine", tool.folder + r"\wininspect.exe", "events", h.TITLE, "20"],
                                    cwd=tool.prefix / "drive_c", stdout=heard, stderr=subprocess.DEVNULL)
        h.wait(lambda: heard.seek(0) or heard.read(), "the listener", every=0.1)
        assert tool.rows("press", h.TITLE, "4") == [["pressed"]]
        h.wait(tool.elements, "the running face", accept=lambda e: e == expected("Running", "-++"))
        # Stopped from outside under the focus: through the pending state, the focus comes to Start.
        tool.keys("Tab")
        h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Stop", accept=lambda f: f == [["5"]])
        tool.wine("sc", "stop", h.SERVICE)
        h.wait(tool.elements, "the pending face", accept=lambda e: e == expected("Running", "---"))
        h.wait(lambda: tool.rows("focus", h.TITLE), "the focus on Start", accept=lambda f: f == [["4"]])
        listener.wait(timeout=60)
        events = (heard.seek(0) or heard.read()).split("\n")
    # Each focus event names a focused object; the status is spoken; a command that comes or goes is heard.
    assert {"state 4", "state 5", "state 6", "name 3", "live 3", "focus 5 focused",
            "focus 0 focused", "focus 4 focused"} <= set(events), events
    assert not [e for e in events if e.endswith("unfocused")], events

    # Close pressed through the reader: the reader has its answer, then the tool ends.
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.rows("press", h.TITLE, "7") == [["pressed"]]
    h.wait(lambda: not tool.running(), "the tool to end")
