"""The real QVStatusTool.exe under Wine and Xvfb, watched from outside (see
README.md). A file of scenarios runs under tools/wine/with-xvfb.sh
tools/wine/with-prefix.sh, in a prefix and on an X display of its own."""

from __future__ import annotations

import contextlib
import io
import os
import re
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
SERVICE_KEY = rf"HKLM\SYSTEM\CurrentControlSet\Services\{SERVICE}"
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Quorvel\Options"
STOPPED, START_PENDING, RUNNING = 1, 2, 4
BUTTON, TEXT = 43, 41  # ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_STATICTEXT
UNAVAILABLE = 1  # STATE_SYSTEM_UNAVAILABLE
# Generous: a loaded two-core machine can take long to start a Wine process.
DEADLINE = 60.0

# The tool decodes language files in the ANSI code page, which Wine takes
# from the Unix locale: one for which that is Windows-1252.
os.environ["LC_ALL"] = "C.UTF-8"


def log(message: str) -> None:
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait(probe, what: str, accept=bool, deadline: float = DEADLINE, every: float = 0.2):
    """Polls `probe` until `accept` takes its answer, and returns that."""
    end = time.monotonic() + deadline
    while True:
        seen = probe()
        if accept(seen):
            return seen
        if time.monotonic() > end:
            raise AssertionError(f"gave up after {deadline:.0f} s waiting for {what}; saw {seen!r}")
        time.sleep(every)


def xdotool(*args: object, check: bool = True) -> str:
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True,
                          check=check, timeout=30).stdout


def windows() -> list[str]:
    """The X windows that show the tool."""
    return xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$", check=False).split()


class Tool:
    """The program folder in this prefix, the service and the tool."""

    def __init__(self, name: str, folder: str = r"C:\Program Files\Quorvel") -> None:
        self.prefix = Path(os.environ["WINEPREFIX"])
        self.folder = folder
        self.dir = self.prefix / "drive_c" / folder[3:].replace("\\", "/")
        self.dir.mkdir(parents=True, exist_ok=True)
        for built in ("window/QVStatusTool.exe", "standin/QVVoIPService.exe",
                      "standin/TesmoVoIP.xml", "tests/e2e/tools/wininspect.exe"):
            shutil.copy2(BUILD / built, self.dir)
        self.process: subprocess.Popen | None = None
        self.at = (0, 0)  # the window's top-left corner on the screen
        self.last: Image.Image | None = None

    # -- Windows programs --

    def wine(self, *args: str) -> str:
        # Through files, not pipes: the first Wine process of a prefix starts
        # services that inherit its handles and outlive it.
        with tempfile.TemporaryFile() as out:
            subprocess.run(["wine", *args], cwd=self.prefix / "drive_c", stdin=subprocess.DEVNULL,
                           stdout=out, stderr=subprocess.STDOUT, timeout=120)
            out.seek(0)
            return out.read().decode("utf-8", "replace").replace("\r\n", "\n")

    def inspect(self, *args: str) -> str:
        return self.wine(self.folder + r"\wininspect.exe", *args).strip()

    def rows(self, *args: str) -> list[list[str]]:
        """wininspect's answer, a row of tab-separated fields a line; no row
        when what it was asked about is not there."""
        rows = [line.split("\t") for line in self.inspect(*args).splitlines()]
        assert all(row[0] != "error" for row in rows), f"wininspect {args}: {rows}"
        return rows

    def reg_add(self, key: str, name: str, value: str, kind: str = "REG_SZ") -> None:
        self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def density(self, dpi: int) -> None:
        """The screen's density from now on: both keys Wine reads it from,
        then its machine restarted to read them."""
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            self.reg_add(key, "LogPixels", str(dpi), "REG_DWORD")
        for flag in ("-k", "-w", "-p"):
            subprocess.run(["wineserver", flag], timeout=60)

    # -- the service --

    def behave(self, **elements: object) -> None:
        """The stand-in's TesmoVoIP.xml, e.g. StopPendingMs=3000."""
        body = "".join(f"<{k}>{str(v).lower() if isinstance(v, bool) else v}</{k}>"
                       for k, v in elements.items())
        (self.dir / "TesmoVoIP.xml").write_text(f"<TesmoVoIP>{body}</TesmoVoIP>\n")

    def register(self) -> None:
        self.wine("sc", "create", SERVICE, "binpath=", f'"{self.folder}\\QVVoIPService.exe"',
                  "DisplayName=", "QV Voice Chat Server")
        assert self.state() == STOPPED, "sc create did not register the stand-in"

    def start_service(self) -> None:
        def started() -> bool:
            # Wine's manager now and then refuses a start right after a create.
            self.wine("sc", "start", SERVICE)
            return self.state() in (START_PENDING, RUNNING)
        wait(started, "the service to take sc start", every=0.5)

    def state(self) -> int | None:
        """The service's state as the manager reports it; None when it does
        not know the service."""
        found = self.rows("service", SERVICE)  # state, process id, image path
        return int(found[0][0]) if found else None

    def wait_state(self, state: int | None) -> None:
        wait(self.state, f"service state {state}", accept=lambda seen: seen == state)

    def registration(self) -> dict[str, str]:
        """The service key's values, name -> data, as `reg query` prints them."""
        return dict(re.findall(r"^ {4}(.+?) {4}REG_\w+ {4}(.*)$", self.wine("reg", "query", SERVICE_KEY),
                               re.MULTILINE))

    # -- the tool --

    def start(self, trace: Path | None = None, **env: str) -> subprocess.Popen:
        """The tool started, with its service calls traced into `trace` and
        `env` added to its environment (WINEDLLOVERRIDES, say)."""
        if trace:
            env["WINEDEBUG"] = "-all,trace+service"
        # From C:\, so that it has to find its own folder.
        with open(trace or os.devnull, "wb") as err:
            return subprocess.Popen(
                ["wine", self.folder + r"\QVStatusTool.exe"], cwd=self.prefix / "drive_c",
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err,
                env=dict(os.environ, **env))

    def launch(self, trace: Path | None = None, **env: str) -> None:
        self.process = self.start(trace, **env)
        started = time.monotonic()
        x, y, *size = wait(self.where, "the tool's window")
        self.at = (x, y)
        self.size = tuple(size)
        log(f"window {size[0]} x {size[1]} at {self.at} after {time.monotonic() - started:.1f} s")

    def where(self) -> tuple[int, int, int, int] | None:
        """The tool's window on the screen: x, y, width, height."""
        assert self.running(), f"the tool exited with {self.process.returncode}"
        found = xdotool("search", "--onlyvisible", "--name", f"^{TITLE}$", "getwindowgeometry", "--shell",
                        check=False)
        values = dict(line.split("=", 1) for line in found.split() if "=" in line)
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None

    def running(self) -> bool:
        return self.process is not None and self.process.poll() is None

    def shot(self) -> Image.Image:
        w, h = self.size
        png = subprocess.run(["import", "-silent", "-window", "root", "-crop",
                              f"{w}x{h}+{self.at[0]}+{self.at[1]}", "+repage", "png:-"],
                             capture_output=True, timeout=60, check=True).stdout
        self.last = Image.open(io.BytesIO(png)).convert("RGB")
        return self.last

    def elements(self) -> list[tuple[int, int, str, str, str]]:
        """The drawn controls in the reader's order: role, state, name,
        description, default action."""
        return [(int(row[0]), int(row[1]), *row[2:5]) for row in self.rows("acc", TITLE)]

    def face(self) -> str:
        """'Running: Start- Stop+ Restart+' for what the window shows: the
        status, then the three service commands."""
        found = self.elements()
        buttons = [e for e in found if e[0] == BUTTON]
        texts = [e for e in found if e[0] == TEXT]
        if len(buttons) != 4 or len(texts) != 3:
            return f"no face: {found}"
        return f"{texts[2][2]}: " + " ".join(
            f"{name}{'-' if state & UNAVAILABLE else '+'}" for _, state, name, *_ in buttons[:3])

    def wait_face(self, face: str) -> None:
        wait(self.face, repr(face), accept=lambda seen: seen == face)
        log(f"shows {face}")

    def rect(self, name: str) -> tuple[int, int, int, int]:
        """The control a reader knows by `name`, where the window lays it out:
        left, top, right, bottom (exclusive), in window pixels."""
        found = [map(int, row[5:]) for row in self.rows("acc", TITLE) if row[2] == name]
        assert found, f"no control named {name!r}"
        left, top, width, height = found[0]
        left, top = left - self.at[0], top - self.at[1]
        return left, top, left + width, top + height

    def click(self, name: str) -> None:
        left, top, right, bottom = self.rect(name)
        self.click_at((left + right) // 2, (top + bottom) // 2)

    def click_at(self, x: int, y: int, button: int = 1) -> None:
        xdotool("mousemove", "--sync", self.at[0] + x, self.at[1] + y, "click", button,
                "mousemove", 1000, 750)

    def keys(self, *keys: str) -> None:
        """Keys typed on the keyboard with the window focused. Not sent to the
        window (key --window): a key that ends the tool would then never come
        up, and the X server would repeat it into the next window focused."""
        xdotool("windowfocus", "--sync", windows()[0])
        xdotool("key", *keys)

    def box(self, title: str) -> str:
        """The text of the message box titled `title`, once it is up."""
        return wait(lambda: self.rows("box", title), f"a box titled {title!r}")[0][0]

    def press_ok(self, title: str) -> None:
        assert self.rows("ok", title) == [["pressed"]], f"no OK button in {title!r}"

    def end(self) -> None:
        if self.running():
            self.process.terminate()
            self.process.wait(timeout=30)


@contextlib.contextmanager
def scenario(name: str, **where):
    """A Tool for a file of scenarios; keeps its last screenshot on failure."""
    tool = Tool(name, **where)
    try:
        yield tool
    except BaseException:
        if tool.last is not None:
            (ARTIFACTS / name).mkdir(parents=True, exist_ok=True)
            tool.last.save(ARTIFACTS / name / "window.png")
            log(f"last screenshot: {ARTIFACTS / name / 'window.png'}")
        raise
    finally:
        tool.end()
