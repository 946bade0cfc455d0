"""The real QVStatusTool.exe under Wine and Xvfb, watched only from outside:
the screen's pixels, the windows and services Windows lists (wininspect.exe),
and the service manager's registry. Each scenario runs as

    tools/wine/with-xvfb.sh tools/wine/with-prefix.sh /usr/bin/python3 test_x.py

so it owns a fresh prefix (WINEPREFIX) and a private X display (DISPLAY).
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
# Client rectangles at 96 dpi, both ends inclusive.
STATUS = (21, 167, 221, 182)
LABELS = {"Start": (14, 275, 67, 287), "Stop": (92, 276, 145, 288),
          "Restart": (174, 276, 227, 288), "Close": (235, 14, 245, 25)}
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


def _ink(image: Image.Image) -> list[bool]:
    """Which pixels clearly differ from the area's commonest colour."""
    background = max(image.getcolors(1 << 16))[1]
    return [sum(abs(a - b) for a, b in zip(p, background)) > 150 for p in image.getdata()]


def label_state(window: Image.Image, name: str) -> str:
    """'enabled' for a caption with black strokes, 'disabled' for a greyed
    one, 'blank' for none."""
    label = window.crop((LABELS[name][0], LABELS[name][1], LABELS[name][2] + 1, LABELS[name][3] + 1))
    black = sum(1 for p in label.getdata() if max(p) <= 40)
    ink = sum(_ink(label))
    return "enabled" if black >= 5 else "blank" if ink < 10 else "disabled" if black == 0 else "?"


def read_text(window: Image.Image, rect=STATUS) -> str:
    """A one-line text by OCR: thresholded, enlarged, read by tesseract."""
    area = window.crop((rect[0], rect[1], rect[2] + 1, rect[3] + 1))
    mask = Image.new("L", area.size)
    mask.putdata([0 if ink else 255 for ink in _ink(area)])
    if 0 not in mask.getdata():
        return ""
    big = mask.resize((mask.width * 4, mask.height * 4), Image.LANCZOS)
    page = Image.new("L", (big.width + 80, big.height + 80), 255)
    page.paste(big, (40, 40))
    png = io.BytesIO()
    page.save(png, format="PNG")
    out = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "7"], input=png.getvalue(),
                         capture_output=True, timeout=60)
    return out.stdout.decode("utf-8", "replace").strip()


class Tool:
    """The program folder in this scenario's prefix, the service and the tool."""

    def __init__(self, name: str, folder: str = r"C:\Program Files\Quorvel") -> None:
        self.name = name
        self.prefix = Path(os.environ["WINEPREFIX"])
        assert os.environ.get("DISPLAY") and self.prefix.name != "template", \
            "run under tools/wine/with-xvfb.sh tools/wine/with-prefix.sh"
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

    def reg_add(self, key: str, name: str, value: str) -> None:
        self.wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")

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
        found = re.fullmatch(r"state=(\d+) pid=\d+", answer)
        if found:
            return int(found[1])
        assert answer == "error=1060", f"wininspect service: {answer!r}"
        return None

    def end_service_process(self) -> None:
        """Ends the service's own process, by its id, as only that ends a
        service stuck pending."""
        pid = re.fullmatch(r"state=\d+ pid=(\d+)", self.inspect("service", SERVICE))[1]
        self.wine("taskkill", "/f", "/pid", pid)

    def wait_state(self, state: int | None) -> None:
        wait(self.state, f"service state {state}", accept=lambda seen: seen == state)

    def registration(self) -> dict[str, str]:
        """The service key's values, name -> data, as `reg query` prints them."""
        return dict(re.findall(r"^ {4}(.+?) {4}REG_\w+ {4}(.*)$", self.wine("reg", "query", SERVICE_KEY),
                               re.MULTILINE))

    # -- the tool --

    def launch(self) -> None:
        # From C:\, so that it has to find its own folder.
        self.process = subprocess.Popen(["wine", self.folder + r"\QVStatusTool.exe"],
                                        cwd=self.prefix / "drive_c", stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
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

    def face(self) -> str:
        """'Running: Start- Stop+ Restart+' for what the window shows."""
        window = self.shot()
        marks = {"enabled": "+", "disabled": "-"}
        return f"{read_text(window)}: " + " ".join(
            name + marks.get(label_state(window, name), "?") for name in ("Start", "Stop", "Restart"))

    def wait_face(self, face: str) -> None:
        wait(self.face, repr(face), accept=lambda seen: seen == face)
        log(f"shows {face}")

    def wait_status(self, text: str) -> None:
        wait(lambda: read_text(self.shot()), repr(text), accept=lambda seen: seen == text)

    def click(self, name: str, button: int = 1) -> None:
        left, top, right, bottom = LABELS[name]
        self.click_at((left + right) // 2, (top + bottom) // 2, button)

    def click_at(self, x: int, y: int, button: int = 1) -> None:
        subprocess.run(["xdotool", "mousemove", "--sync", str(self.at[0] + x), str(self.at[1] + y),
                        "click", str(button), "mousemove", "1000", "750"], check=True, timeout=30)

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
