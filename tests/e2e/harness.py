"""The real QVStatusTool.exe under Wine and Xvfb, watched from outside (README.md)."""

from __future__ import annotations

import contextlib
import ctypes
import io
import os
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("QV_WINDOWS_BUILD_DIR", ROOT / "build" / "mingw"))
ARTIFACTS = Path(os.environ.get("QV_E2E_ARTIFACTS", tempfile.gettempdir()))
TITLE = "Voice Chat Service Status Tool"
SERVICE = "QuorvelVC"
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Quorvel\Options"
STOPPED, START_PENDING, RUNNING = 1, 2, 4
BUTTON, TEXT, UNAVAILABLE = 43, 41, 1  # ROLE_SYSTEM_PUSHBUTTON, ..._STATICTEXT, STATE_SYSTEM_UNAVAILABLE
POINTER_REST = (1000, 750)  # off every window
DEADLINE = 60.0  # a loaded two-core machine can take long to start a Wine process
# Wine takes the ANSI code page, in which the tool decodes language files, from the locale: 1252.
os.environ["LC_ALL"] = "C.UTF-8"


def log(message: str) -> None:
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait(probe, what: str, accept=bool, deadline: float = DEADLINE, every: float = 0.2):
    """Polls `probe` until `accept` takes its answer, and returns that."""
    end = time.monotonic() + deadline
    while not accept(seen := probe()):
        if time.monotonic() > end:
            raise AssertionError(f"gave up after {deadline:.0f} s waiting for {what}; saw {seen!r}")
        time.sleep(every)
    return seen


def xdotool(*args: object, check: bool = True) -> str:
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          check=check, timeout=30).stdout


class _CursorImage(ctypes.Structure):  # XFixesCursorImage, up to its pixels
    _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort),
                ("height", ctypes.c_ushort), ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                ("serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong))]


def pointer_size() -> tuple[int, int]:
    """The pointer's image as the X server shows it (Wine hands it the Windows cursor)."""
    x11, xfixes = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(_CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    display = x11.XOpenDisplay(None)
    image = xfixes.XFixesGetCursorImage(display).contents
    size = image.width, image.height
    x11.XCloseDisplay(ctypes.c_void_p(display))
    return size


def geometry(*search: object) -> tuple[int, int, int, int] | None:
    """x, y, width, height on the screen of the first visible window xdotool's search finds."""
    # Two commands: a search by --pid alone has no pattern, so a chained command would be taken for one.
    found = xdotool("search", "--onlyvisible", *search, check=False).split()
    shape = xdotool("getwindowgeometry", "--shell", found[0], check=False) if found else ""
    values = dict(line.split("=", 1) for line in shape.split() if "=" in line)
    return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None


def click(x: int, y: int) -> None:
    """A click at a point of the screen; the pointer then rests off every window."""
    xdotool("mousemove", "--sync", x, y, "click", 1, "mousemove", *POINTER_REST)


def windows() -> list[str]:
    return xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$", check=False).split()


class Tool:
    def __init__(self, name: str = "", folder: str = r"C:\Program Files\Quorvel") -> None:
        self.prefix = Path(os.environ["WINEPREFIX"])
        self.folder = folder
        self.dir = self.prefix / "drive_c" / folder[3:].replace("\\", "/")
        self.dir.mkdir(parents=True, exist_ok=True)
        for built in ("window/QVStatusTool.exe", "standin/QVVoIPService.exe",
                      "standin/TesmoVoIP.xml", "tests/e2e/tools/wininspect.exe"):
            shutil.copy2(BUILD / built, self.dir)
        self.process: subprocess.Popen | None = None
        self.at, self.size, self.last = (0, 0), (0, 0), None  # the window's place and size, the last screenshot

    def wine(self, *args: str) -> str:
        # Files, not pipes: a prefix's first Wine process starts services that inherit its handles.
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", *args], cwd=self.prefix / "drive_c", stdin=subprocess.DEVNULL,
                           stdout=out, stderr=subprocess.STDOUT, timeout=120)
            out.seek(0)
            return out.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def rows(self, *args: str) -> list[list[str]]:
        """wininspect's tab-separated answer; no row when what it was asked about is not there."""
        answer = self.wine(self.folder + r"\wininspect.exe", *args).strip()
        rows = [line.split("\t") for line in answer.splitlines()]
        assert all(row[0] != "error" for row in rows), f"wininspect {args}: {rows}"
        return rows

    def reg_add(self, key: str, name: str, value: str, kind: str = "REG_SZ") -> None:
        self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def behave(self, **elements: object) -> None:
        """The stand-in's TesmoVoIP.xml, e.g. StopPendingMs=3000."""
        body = "".join(f"<{k}>{str(v).lower()}</{k}>" for k, v in elements.items())
        (self.dir / "TesmoVoIP.xml").write_text(f"<TesmoVoIP>{body}</TesmoVoIP>\n")

    def register(self) -> None:
        self.wine("sc", "create", SERVICE, "binpath=", f'"{self.folder}\\QVVoIPService.exe"')
        assert self.state() == STOPPED, "sc create did not register the stand-in"

    def start_service(self) -> None:
        def started() -> bool:
            # Wine's manager now and then refuses a start right after a create.
            self.wine("sc", "start", SERVICE)
            return self.state() in (START_PENDING, RUNNING)
        wait(started, "the service to take sc start", every=0.5)

    def state(self) -> int | None:
        found = self.rows("service", SERVICE)
        return int(found[0][0]) if found else None

    def wait_state(self, state: int | None) -> None:
        wait(self.state, f"service state {state}", accept=lambda seen: seen == state)

    def start(self, trace: Path | None = None, exe: str = "QVStatusTool.exe", output: Path | None = None,
              **env: str) -> subprocess.Popen:
        """`exe` from the program folder, started from C:\\, so that it has to find its own folder;
        service calls traced into `trace`, what it prints into `output`."""
        env |= {"WINEDEBUG": "-all,trace+service"} if trace else {}
        with open(trace or os.devnull, "wb") as err, open(output or os.devnull, "wb") as out:
            return subprocess.Popen(
                ["wine", rf"{self.folder}\{exe}"], cwd=self.prefix / "drive_c",
                stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=dict(os.environ, **env))

    def launch(self, face: str | None = None, trace: Path | None = None, **env: str) -> None:
        """The tool started, its window found and, if given, showing `face`."""
        self.process, started = self.start(trace, **env), time.monotonic()
        x, y, *size = wait(self.where, "the tool's window")
        self.at, self.size = (x, y), tuple(size)
        log(f"window {size[0]} x {size[1]} at {self.at} after {time.monotonic() - started:.1f} s")
        if face:
            self.wait_face(face)

    def where(self) -> tuple[int, int, int, int] | None:  # x, y, width, height on the screen
        assert self.running(), f"the tool exited with {self.process.returncode}"
        return geometry("--name", f"^{TITLE}$")

    def running(self) -> bool:
        return self.process is not None and self.process.poll() is None

    def shot(self) -> Image.Image:
        (w, h), (x, y) = self.size, self.at
        png = subprocess.run(["import", "-silent", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                              "png:-"], capture_output=True, timeout=60, check=True).stdout
        self.last = Image.open(io.BytesIO(png)).convert("RGB")
        return self.last

    def elements(self) -> list[tuple]:
        """The drawn controls in the reader's order: role, state, name, description, default action."""
        return [(int(row[0]), int(row[1]), *row[2:5]) for row in self.rows("acc", TITLE)]

    def face(self) -> str:
        """'Running: Start- Stop+ Restart+': the status, then the service commands, greyed or not."""
        found = self.elements()
        if [role for role, *_ in found] != [TEXT] * 3 + [BUTTON] * 4:
            return f"no face: {found}"
        return f"{found[2][2]}: " + " ".join(
            f"{name}{'-' if state & UNAVAILABLE else '+'}" for _, state, name, *_ in found[3:6])

    def wait_face(self, face: str) -> None:
        wait(self.face, repr(face), accept=lambda seen: seen == face)
        log(f"shows {face}")

    def controls(self) -> dict[str, tuple[int, int, int, int]]:
        """The drawn controls by the names a reader knows them by, in pixels of the window at `at`:
        left, top, right, bottom (exclusive)."""
        (x, y), found = self.at, {}
        for row in self.rows("acc", TITLE):
            left, top, width, height = map(int, row[5:])
            found[row[2]] = (left - x, top - y, left - x + width, top - y + height)
        return found

    def rect(self, name: str) -> tuple[int, int, int, int]:
        found = self.controls()
        assert name in found, f"no control named {name!r}"
        return found[name]

    def click(self, name: str) -> None:
        left, top, right, bottom = self.rect(name)
        self.click_at((left + right) // 2, (top + bottom) // 2)

    def click_at(self, x: int, y: int) -> None:
        click(self.at[0] + x, self.at[1] + y)

    def keys(self, *keys: str, to: str = TITLE) -> None:
        """Typed on the keyboard, not sent to the window (key --window): a key that ends the
        tool would then never come up, and the X server would repeat it into the next window."""
        xdotool("windowfocus", "--sync", xdotool("search", "--onlyvisible", "--name", f"^{to}$").split()[0])
        xdotool("key", *keys)

    def box(self, title: str) -> str:
        return wait(lambda: self.rows("box", title), f"a box titled {title!r}")[0][0]

    def press_ok(self, title: str) -> None:
        self.keys("Return", to=title)
        wait(lambda: not self.rows("box", title), f"the box {title!r} to close")

    def end(self) -> None:
        if self.running():
            self.process.terminate()
            self.process.wait(timeout=30)


@contextlib.contextmanager
def scenario(name: str, **where):
    """A Tool for a file of scenarios; its last screenshot kept in ARTIFACTS/name."""
    tool = Tool(name, **where)
    try:
        yield tool
    finally:
        tool.end()
        if tool.last is not None:
            (ARTIFACTS / name).mkdir(parents=True, exist_ok=True)
            tool.last.save(ARTIFACTS / name / "window.png")
