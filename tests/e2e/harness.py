"""The real QVStatusTool.exe under Wine and Xvfb, watched from outside: through
the screen reader interface, the screen's pixels, the message boxes and the
service (wininspect.exe), and the service's registry key. A scenario runs
under tools/wine/with-xvfb.sh tools/wine/with-prefix.sh, in a prefix and on
an X display of its own."""

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
STOPPED, START_PENDING, STOP_PENDING, RUNNING = 1, 2, 3, 4
WATCHDOG_TEXT = ("Problem in running Quorvel Voice Chat Service Tool. "
                 "Please re-install Voice Chat Service Tool")
MISSING_TEXT = ("Unable to Start due to a dependency file missing. "
                "Please re-install Voice Chat Service Tool")
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


class Tool:
    """The program folder in this scenario's prefix, the service and the tool."""

    def __init__(self, name: str, folder: str = r"C:\Program Files\Quorvel") -> None:
        self.name = name
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

    def reg_add(self, key: str, name: str, value: str, kind: str = "REG_SZ") -> None:
        self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", value, "/f")

    def density(self, dpi: int) -> None:
        """The screen's density from now on: both keys Wine reads it from,
        then its machine restarted to read them."""
        for key in (r"HKCU\Control Panel\Desktop",
                    r"HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts"):
            self.reg_add(key, "LogPixels", str(dpi), "REG_DWORD")
        subprocess.run(["wineserver", "-k"], timeout=60)
        subprocess.run(["wineserver", "-w"], timeout=60)
        subprocess.run(["wineserver", "-p"], timeout=60)

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
        answer = self.inspect("service", SERVICE)
        assert answer.startswith("state=") or answer == "error=1060", f"wininspect: {answer!r}"
        return int(answer.split()[0][6:]) if answer.startswith("state=") else None

    def image_path(self) -> str:
        return self.inspect("service", SERVICE).split(" path=", 1)[1]

    def end_service_process(self) -> None:
        """Ends the service's own process, by its id, as only that ends a
        service stuck pending."""
        pid = self.inspect("service", SERVICE).split()[1][4:]
        self.wine("taskkill", "/f", "/pid", pid)

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
        assert self.process.poll() is None, f"the tool exited with {self.process.returncode}"
        found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$",
                                "getwindowgeometry", "--shell"],
                               capture_output=True, text=True, timeout=30).stdout
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

    def read(self) -> list[list[str]]:
        """A line per drawn control as a screen reader finds it: role, state,
        name, description, default action, location on the screen."""
        rows = [(line + "\t" * 5).split("\t")[:6] for line in self.inspect("acc", TITLE).splitlines()]
        return [r for r in rows if r[0].isdigit()]

    def elements(self) -> list[tuple[int, int, str, str, str]]:
        """The drawn controls in the reader's order: role, state, name,
        description, default action."""
        return [(int(r[0]), int(r[1]), *r[2:5]) for r in self.read()]

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
        for row in self.read():
            if row[2] == name:
                left, top, width, height = (int(v) for v in row[5].split(","))
                left, top = left - self.at[0], top - self.at[1]
                return left, top, left + width, top + height
        raise AssertionError(f"no control named {name!r}")

    def click(self, name: str) -> None:
        left, top, right, bottom = self.rect(name)
        self.click_at((left + right) // 2, (top + bottom) // 2)

    def click_at(self, x: int, y: int, button: int = 1) -> None:
        subprocess.run(["xdotool", "mousemove", "--sync", str(self.at[0] + x), str(self.at[1] + y),
                        "click", str(button), "mousemove", "1000", "750"], check=True, timeout=30)

    def keys(self, *keys: str) -> None:
        """Keys typed into the window, which has the keyboard focus."""
        window = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{TITLE}$"],
                                capture_output=True, text=True, timeout=30).stdout.split()[0]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True, timeout=30)
        # Not checked: a key that ends the tool takes the window with it.
        subprocess.run(["xdotool", "key", "--window", window, *keys], timeout=30)

    def box(self, title: str) -> str:
        """The text of the message box titled `title`, once it is up."""
        return wait(lambda: self.inspect("box", title), f"a box titled {title!r}",
                    accept=lambda text: text and not text.startswith("error="))

    def press_ok(self, title: str) -> None:
        assert self.inspect("ok", title) == "pressed", f"no OK button in {title!r}"

    def end(self) -> None:
        if self.running():
            self.process.terminate()
            self.process.wait(timeout=30)


@contextlib.contextmanager
def scenario(name: str, **where):
    """A Tool for one scenario; keeps its last screenshot when it fails."""
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
