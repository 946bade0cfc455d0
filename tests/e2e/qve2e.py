"""What the end-to-end tests share: a program folder in a Wine prefix, the
status tool running in it, and ways of looking at it from outside.

Each test script runs as

    tools/wine/with-xvfb.sh tools/wine/with-prefix.sh /usr/bin/python3 test_x.py

so it owns a fresh prefix (WINEPREFIX) and a private X display (DISPLAY);
the wrappers end the Wine machine and the X server afterwards. The window is
only ever observed the way a person or another program would: pixels on the
screen, the windows Windows lists, the service manager and the registry.
"""

from __future__ import annotations

import contextlib
import io
import os
import re
import shutil
import subprocess
import tempfile
import time
from collections import Counter
from dataclasses import dataclass
from pathlib import Path
from typing import Callable, Optional, TypeVar

from PIL import Image

T = TypeVar("T")

WINDOW_TITLE = "Voice Chat Service Status Tool"
MESSAGE_TITLE = "QVStatusTool"
SERVICE_NAME = "QuorvelVC"
SERVICE_DISPLAY_NAME = "QV Voice Chat Server"
WATCHDOG_MESSAGE = ("Problem in running Quorvel Voice Chat Service Tool. "
                    "Please re-install Voice Chat Service Tool")
DEPENDENCY_TITLE = "Quorvel"
DEPENDENCY_MESSAGE = ("Unable to Start due to a dependency file missing. "
                      "Please re-install Voice Chat Service Tool")
SERVICE_KEY = rf"HKLM\SYSTEM\CurrentControlSet\Services\{SERVICE_NAME}"

# Service states as the service manager reports them.
STOPPED, START_PENDING, STOP_PENDING, RUNNING = 1, 2, 3, 4
ERROR_SERVICE_DOES_NOT_EXIST = 1060

WINDOW_SIZE = (249, 301)
# Rectangles in the window's client area, both ends inclusive.
STATUS_RECT = (21, 167, 221, 182)
LABEL_RECTS = {
    "Start": (14, 275, 67, 287),
    "Stop": (92, 276, 145, 288),
    "Restart": (174, 276, 227, 288),
}
# Where the commands take clicks: the three labels and the close hot spot.
COMMAND_RECTS = {**LABEL_RECTS, "Close": (235, 14, 245, 24)}
STATUS_BLUE = (0, 0, 192)

# Waits that end early once their condition holds. They are generous because
# a loaded two-core machine can take a long time to start a Wine process.
START_DEADLINE = 90.0
CHANGE_DEADLINE = 45.0

ROOT = Path(__file__).resolve().parents[2]


def log(message: str) -> None:
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait_until(probe: Callable[[], T], deadline: float, what: str,
               accept: Callable[[T], object] = bool, interval: float = 0.2) -> T:
    """Polls `probe` until `accept` takes what it returns, and returns that;
    fails the test, saying what was last seen, once `deadline` seconds have
    passed."""
    end = time.monotonic() + deadline
    while True:
        seen = probe()
        if accept(seen):
            return seen
        if time.monotonic() >= end:
            raise AssertionError(f"gave up after {deadline:.0f} s waiting for {what}; "
                                 f"last seen: {seen}")
        time.sleep(interval)


@dataclass
class WinWindow:
    """A window as wininspect reports it."""
    hwnd: str
    pid: int
    ctrl_id: int
    visible: bool
    rect: tuple[int, int, int, int]
    cls: str
    text: str
    children: list["WinWindow"]


_LINE = re.compile(r'^(?P<indent>\s*)(?P<kind>window|child) hwnd=(?P<hwnd>\S+) pid=(?P<pid>\d+) '
                   r'id=(?P<id>-?\d+) visible=(?P<vis>[01]) rect=(?P<rect>-?\d+,-?\d+,-?\d+,-?\d+) '
                   r'class="(?P<cls>(?:[^"\\]|\\.)*)" text="(?P<text>(?:[^"\\]|\\.)*)"$')
_ESCAPES = {"n": "\n", "r": "\r", "t": "\t", '"': '"', "\\": "\\"}


def _unescape(text: str) -> str:
    return re.sub(r"\\(.)", lambda m: _ESCAPES.get(m.group(1), m.group(1)), text)


def parse_windows(output: str) -> list[WinWindow]:
    windows: list[WinWindow] = []
    for line in output.splitlines():
        m = _LINE.match(line)
        if not m:
            continue
        window = WinWindow(
            hwnd=m["hwnd"], pid=int(m["pid"]), ctrl_id=int(m["id"]), visible=m["vis"] == "1",
            rect=tuple(int(v) for v in m["rect"].split(",")),  # type: ignore[arg-type]
            cls=_unescape(m["cls"]), text=_unescape(m["text"]), children=[])
        if m["kind"] == "window":
            windows.append(window)
        elif windows:
            windows[-1].children.append(window)
    return windows


# --- reading the window's pixels -------------------------------------------

def crop(image: Image.Image, rect: tuple[int, int, int, int]) -> Image.Image:
    left, top, right, bottom = rect
    return image.crop((left, top, right + 1, bottom + 1))


def _near(pixel, colour, tolerance: int) -> bool:
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def count_pixels(image: Image.Image, colour, tolerance: int = 0) -> int:
    return sum(1 for p in image.getdata() if _near(p, colour, tolerance))


def status_blue_pixels(window: Image.Image) -> int:
    """Pixels of the status text's own colour in the status label; the text
    is anti-aliased, so its strokes' cores are exact and the edges blend."""
    return count_pixels(crop(window, STATUS_RECT), STATUS_BLUE, tolerance=16)


def status_text_span(window: Image.Image) -> Optional[tuple[int, int]]:
    """Leftmost and rightmost column, in the window, of the status text's
    blue; None without any."""
    label = crop(window, STATUS_RECT)
    columns = [x for x in range(label.width) for y in range(label.height)
               if _near(label.getpixel((x, y)), STATUS_BLUE, 16)]
    if not columns:
        return None
    return STATUS_RECT[0] + min(columns), STATUS_RECT[0] + max(columns)


def status_off_centre(window: Image.Image) -> Optional[float]:
    """How far the status text's middle is from the label's middle, in
    pixels; the label centres its text."""
    span = status_text_span(window)
    if span is None:
        return None
    return (span[0] + span[1]) / 2 - (STATUS_RECT[0] + STATUS_RECT[2]) / 2


def _background(image: Image.Image):
    return Counter(image.getdata()).most_common(1)[0][0]


def _is_ink(pixel, background) -> bool:
    """Clearly darker or more coloured than the label's background."""
    return sum(abs(a - b) for a, b in zip(pixel, background)) > 150


def ink_pixels(image: Image.Image) -> int:
    background = _background(image)
    return sum(1 for p in image.getdata() if _is_ink(p, background))


def read_status(window: Image.Image) -> str:
    """The status label's text by OCR: cropped, thresholded to black on white,
    upscaled four times with a white margin, read by tesseract as one line."""
    if status_blue_pixels(window) == 0:
        return ""
    label = crop(window, STATUS_RECT)
    background = _background(label)
    mask = Image.new("L", label.size, 255)
    mask.putdata([0 if _is_ink(p, background) else 255 for p in label.getdata()])
    big = mask.resize((mask.width * 4, mask.height * 4), Image.LANCZOS)
    page = Image.new("L", (big.width + 80, big.height + 80), 255)
    page.paste(big, (40, 40))
    buffer = io.BytesIO()
    page.save(buffer, format="PNG")
    result = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "7"],
                            input=buffer.getvalue(), capture_output=True, timeout=60)
    return result.stdout.decode("utf-8", "replace").strip()


def label_state(window: Image.Image, name: str) -> str:
    """'enabled' for text drawn in black; 'disabled' for text drawn, but
    greyed, without a single black pixel; 'blank' when nothing is drawn."""
    label = crop(window, LABEL_RECTS[name])
    black = count_pixels(label, (0, 0, 0), tolerance=40)
    ink = ink_pixels(label)
    if black >= 5:
        return "enabled"
    if ink < 10:
        return "blank"
    if black == 0:
        return "disabled"
    return f"unclear({black} black of {ink} ink pixels)"


@dataclass(frozen=True)
class Display:
    """What the window shows, as far as the tests care."""
    status: str
    blue: int
    labels: tuple[tuple[str, str], ...]

    def label(self, name: str) -> str:
        return dict(self.labels)[name]

    def __str__(self) -> str:
        labels = ", ".join(f"{n} {s}" for n, s in self.labels)
        return f"status {self.status!r} ({self.blue} blue px); {labels}"


def describe(window: Image.Image) -> Display:
    return Display(status=read_status(window), blue=status_blue_pixels(window),
                   labels=tuple((n, label_state(window, n)) for n in LABEL_RECTS))


# --- the session: a prefix with the program folder in it --------------------

class Session:
    """The program folder C:\\Program Files\\Quorvel in this test's prefix, and
    the processes this test started in it."""

    def __init__(self, name: str) -> None:
        self.name = name
        prefix = os.environ.get("WINEPREFIX")
        if not prefix or not os.environ.get("DISPLAY"):
            raise SystemExit("run under tools/wine/with-xvfb.sh tools/wine/with-prefix.sh")
        self.prefix = Path(prefix)
        if self.prefix.name == "template":
            raise SystemExit("refusing to run in the template prefix")
        self.build = Path(os.environ.get("QV_WINDOWS_BUILD_DIR", ROOT / "build" / "mingw"))
        self.artifacts = Path(os.environ.get("QV_E2E_ARTIFACTS",
                                             tempfile.gettempdir())) / name
        self.program_win = r"C:\Program Files\Quorvel"
        self.program_dir = self.prefix / "drive_c" / "Program Files" / "Quorvel"
        self.tools_win = r"C:\qvtest"
        self.tools_dir = self.prefix / "drive_c" / "qvtest"
        self.tool: Optional[subprocess.Popen] = None
        self.tool_started = 0.0
        self._geometry: Optional[tuple[int, int, int, int]] = None
        self.last_screenshot: Optional[Image.Image] = None

        self.program_dir.mkdir(parents=True, exist_ok=True)
        self.tools_dir.mkdir(parents=True, exist_ok=True)
        for source in (self.build / "window" / "QVStatusTool.exe",
                       self.build / "standin" / "QVVoIPService.exe",
                       self.build / "standin" / "TesmoVoIP.xml"):
            shutil.copy2(source, self.program_dir / source.name)
        shutil.copy2(self.build / "tests" / "e2e" / "tools" / "wininspect.exe",
                     self.tools_dir / "wininspect.exe")

    # -- running Windows programs --

    def wine(self, *args: str, timeout: float = 120.0) -> subprocess.CompletedProcess:
        # Output goes through files, not pipes: the first Wine process of a
        # prefix starts services.exe and friends, which inherit its handles
        # and outlive it, so a pipe would not see its end until the prefix's
        # Wine machine ends.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(["wine", *args], cwd=self.prefix / "drive_c",
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
            result.stderr = err.read().decode("utf-8", "replace").replace("\r\n", "\n")
        return result

    def inspect(self, *args: str) -> subprocess.CompletedProcess:
        return self.wine(self.tools_win + r"\wininspect.exe", *args)

    def windows_titled(self, title: str) -> list[WinWindow]:
        return parse_windows(self.inspect("find", title).stdout)

    def click_ok(self, title: str) -> None:
        result = self.inspect("click-ok", title)
        assert result.returncode == 0, f"no OK button to press in {title!r}: {result.stdout}"

    def window_answers(self) -> bool:
        """Whether the status window's thread is still handling messages."""
        return self.inspect("ping", WINDOW_TITLE).returncode == 0

    # -- the service --

    def write_standin_config(self, **elements: object) -> None:
        lines = ['<?xml version="1.0" encoding="utf-8"?>', "<TesmoVoIP>"]
        for key, value in elements.items():
            text = str(value).lower() if isinstance(value, bool) else str(value)
            lines.append(f"  <{key}>{text}</{key}>")
        lines.append("</TesmoVoIP>")
        (self.program_dir / "TesmoVoIP.xml").write_text("\n".join(lines) + "\n")

    def install_service(self, *options: str) -> None:
        """Registers the stand-in with sc; `options` are further sc pairs,
        such as "start=", "disabled"."""
        binpath = f'"{self.program_win}\\QVVoIPService.exe"'
        result = self.wine("sc", "create", SERVICE_NAME, "binpath=", binpath,
                           "DisplayName=", SERVICE_DISPLAY_NAME, *options)
        assert result.returncode == 0, f"sc create failed: {result.stdout}{result.stderr}"

    def start_service(self) -> None:
        """Starts the stand-in. Wine's service manager, on a loaded machine,
        now and then refuses a start right after the service was created
        (sc says nothing); a refused start of a service that is still stopped
        is asked again until the deadline."""
        def attempt() -> bool:
            result = self.wine("sc", "start", SERVICE_NAME)
            if result.returncode == 0:
                return True
            state = self.service_state()
            log(f"sc start refused, service state {state}: {result.stdout}{result.stderr}")
            return state in (2, 4)  # it is starting after all
        wait_until(attempt, CHANGE_DEADLINE, "the service to accept sc start", interval=0.5)

    def stop_service(self) -> None:
        result = self.wine("sc", "stop", SERVICE_NAME)
        assert result.returncode == 0, f"sc stop failed: {result.stdout}{result.stderr}"

    def service_state(self) -> int | None:
        """The service's state from `sc query`; None when the service manager
        says the service does not exist (1060). Wine's sc prints nothing then,
        so wininspect asks the service manager for the error code."""
        result = self.wine("sc", "query", SERVICE_NAME)
        m = re.search(r"STATE\s*:\s*(\d+)", result.stdout)
        if m:
            return int(m.group(1))
        answer = self.inspect("service", SERVICE_NAME).stdout.strip()
        if answer == f"error={ERROR_SERVICE_DOES_NOT_EXIST}":
            return None
        m = re.fullmatch(r"state=(\d+) pid=\d+", answer)
        if m:  # sc and the service manager disagree: believe the latter
            return int(m.group(1))
        raise AssertionError(f"cannot read the service's state: sc printed {result.stdout!r}, "
                             f"wininspect {answer!r}")

    def service_process(self) -> int:
        """The Windows process id of the running service."""
        answer = self.inspect("service", SERVICE_NAME).stdout.strip()
        m = re.fullmatch(r"state=\d+ pid=(\d+)", answer)
        assert m and m.group(1) != "0", f"the service has no process: {answer!r}"
        return int(m.group(1))

    def end_service_process(self) -> None:
        """Ends the service's own process, as only that ends a service that
        accepts no stop request."""
        pid = self.service_process()
        result = self.wine("taskkill", "/f", "/pid", str(pid))
        assert result.returncode == 0, f"taskkill /pid {pid}: {result.stdout}{result.stderr}"

    def service_registered(self) -> bool:
        return self.wine("reg", "query", SERVICE_KEY).returncode == 0

    def service_values(self) -> dict[str, tuple[str, str]]:
        """The values of the service's registry key, name -> (type, data) as
        `reg query` prints them; empty without the key."""
        result = self.wine("reg", "query", SERVICE_KEY)
        values = {}
        for line in result.stdout.splitlines():
            m = re.fullmatch(r" {4}(.+?) {4}(REG_\w+) {4}(.*)", line)
            if m:
                values[m[1]] = (m[2], m[3])
        return values

    def remove_service(self) -> None:
        """Stops and deletes the service, and sees it and its key gone, so
        that a test leaves no registration behind."""
        if self.service_state() is None:
            assert not self.service_registered(), "a key without a service"
            return
        settled = wait_until(self.service_state, CHANGE_DEADLINE, "a running or stopped service",
                             accept=lambda seen: seen in (RUNNING, STOPPED))
        if settled == RUNNING:
            self.stop_service()
            self.wait_service_state(STOPPED)
        result = self.wine("sc", "delete", SERVICE_NAME)
        assert result.returncode == 0, f"sc delete failed: {result.stdout}{result.stderr}"
        self.wait_service_state(None)
        assert not self.service_registered(), "the service's key outlived it"

    def wait_service_state(self, state: int | None, deadline: float = CHANGE_DEADLINE) -> None:
        wait_until(self.service_state, deadline, f"service state {state}",
                   accept=lambda seen: seen == state)

    # -- the tool --

    def launch_tool(self) -> None:
        # Started from C:\, not its own folder, so that it has to find its
        # folder the way it would when started from a shortcut elsewhere.
        self.tool = subprocess.Popen(
            ["wine", self.program_win + r"\QVStatusTool.exe"], cwd=self.prefix / "drive_c",
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.tool_started = time.monotonic()
        log(f"started QVStatusTool.exe (pid {self.tool.pid})")

    def since_launch(self) -> float:
        return time.monotonic() - self.tool_started

    def tool_running(self) -> bool:
        """Whether the tool's Wine process is still there."""
        return self.tool is not None and self.tool.poll() is None

    def wine_processes(self, needle: str) -> list[int]:
        """The Unix pids of this prefix's Wine processes (the wineserver
        among them) whose command line holds `needle`; other tests' prefixes
        run the same programs side by side."""
        mine = f"WINEPREFIX={self.prefix}".encode()
        found = []
        for entry in Path("/proc").iterdir():
            if not entry.name.isdigit():
                continue
            try:
                cmdline = (entry / "cmdline").read_bytes()
                environ = (entry / "environ").read_bytes().split(b"\0")
            except OSError:
                continue
            if needle.encode() in cmdline and mine in environ:
                found.append(int(entry.name))
        return found

    def click(self, command: str) -> None:
        """Presses and releases the left button in the middle of a command's
        label, then moves the pointer off the window so that no tooltip
        covers what the next screenshot should show."""
        assert self._geometry is not None, "wait_for_window first"
        left, top, right, bottom = COMMAND_RECTS[command]
        x = self._geometry[0] + (left + right) // 2
        y = self._geometry[1] + (top + bottom) // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"],
                       check=True, timeout=30)
        log(f"clicked {command} at ({x}, {y})")
        subprocess.run(["xdotool", "mousemove", str(self._geometry[0] + WINDOW_SIZE[0] + 200),
                        str(self._geometry[1] + WINDOW_SIZE[1] + 200)], check=True, timeout=30)

    def _find_x_window(self) -> Optional[tuple[int, int, int, int]]:
        if self.tool is not None and self.tool.poll() is not None:
            raise AssertionError(f"QVStatusTool.exe exited with {self.tool.returncode}")
        search = subprocess.run(["xdotool", "search", "--onlyvisible", "--name",
                                 f"^{re.escape(WINDOW_TITLE)}$"],
                                capture_output=True, text=True, timeout=30)
        ids = search.stdout.split()
        if len(ids) != 1:
            return None
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[0]],
                                  capture_output=True, text=True, timeout=30)
        values = dict(line.split("=", 1) for line in geometry.stdout.split() if "=" in line)
        try:
            return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))
        except (KeyError, ValueError):
            return None

    @property
    def window_rect(self) -> tuple[int, int, int, int]:
        """The window on the screen: left, top, right, bottom (exclusive)."""
        assert self._geometry is not None, "wait_for_window first"
        x, y, w, h = self._geometry
        return (x, y, x + w, y + h)

    def wait_for_window(self) -> tuple[int, int, int, int]:
        self._geometry = wait_until(self._find_x_window, START_DEADLINE,
                                    f"a visible window titled {WINDOW_TITLE!r}")
        assert self._geometry[2:] == WINDOW_SIZE, f"window size {self._geometry[2:]}"
        log(f"window mapped at {self._geometry} after {self.since_launch():.1f} s")
        return self._geometry

    def screenshot(self) -> Image.Image:
        """The window as it is on the screen right now, from the root window,
        so that whatever covers it is in the picture too."""
        assert self._geometry is not None, "wait_for_window first"
        x, y, w, h = self._geometry
        shot = subprocess.run(["import", "-silent", "-window", "root", "-crop",
                               f"{w}x{h}+{x}+{y}", "+repage", "png:-"],
                              capture_output=True, timeout=60, check=True)
        image = Image.open(io.BytesIO(shot.stdout)).convert("RGB")
        self.last_screenshot = image
        return image

    def display(self) -> Display:
        return describe(self.screenshot())

    def wait_for_display(self, accept: Callable[[Display], bool], what: str,
                         deadline: float = CHANGE_DEADLINE) -> Display:
        return wait_until(self.display, deadline, what, accept=accept)

    def save_artifacts(self) -> None:
        """Keeps the last screenshot of a failed test for a look afterwards."""
        if self.last_screenshot is None:
            return
        self.artifacts.mkdir(parents=True, exist_ok=True)
        path = self.artifacts / "window.png"
        self.last_screenshot.save(path)
        log(f"last screenshot: {path}")

    def close(self) -> None:
        if self.tool is not None and self.tool.poll() is None:
            self.tool.terminate()
            try:
                self.tool.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.tool.kill()
                self.tool.wait(timeout=30)
        self.tool = None


def cpu_seconds(pid: int) -> float:
    """User and system CPU time a process (all its threads) has used so far."""
    stat = Path(f"/proc/{pid}/stat").read_text()
    fields = stat[stat.rindex(")") + 2:].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


@contextlib.contextmanager
def session(name: str):
    s = Session(name)
    try:
        yield s
    except BaseException:
        s.save_artifacts()
        raise
    finally:
        s.close()
