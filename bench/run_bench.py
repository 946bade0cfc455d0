"""`make bench`: QVStatusTool.exe next to the comparison programs of bench/,
measured in one run under Wine and Xvfb, printed as a table of ratios.

    tools/wine/with-xvfb.sh tools/wine/with-prefix.sh /usr/bin/python3 bench/run_bench.py

It owns the fresh prefix (WINEPREFIX) and private display (DISPLAY) those
wrappers give it; wine_session.py beside it lays out the program folder and
talks to the service manager, bench_probe.exe to Windows from inside Wine.
The table goes to the standard output and, as markdown, to
build/bench/results.md (raw figures in results.json beside it). No figure is
a pass mark: the exit status is 0 whatever the figures, non-zero only when
one could not be taken. docs/performance.md explains the rows.
"""

from __future__ import annotations

import argparse
import io
import json
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time
from dataclasses import dataclass, field
from pathlib import Path
from typing import Callable, Optional

# No __pycache__ left in the source tree by a run.
sys.dont_write_bytecode = True

from PIL import Image, ImageGrab  # noqa: E402

import wine_session  # noqa: E402
from wine_session import (MESSAGE_TITLE, RUNNING, STOPPED, WINDOW_TITLE, log,  # noqa: E402
                          wait_until)

ROOT = Path(__file__).resolve().parents[1]

TOOL = "QVStatusTool.exe"
SPINWAIT = "bench_spinwait.exe"
BARE_SCM = "bench_bare_scm.exe"
BARE_WINDOW = "bench_bare_window.exe"
# The tool with a 10 ms refresh (bench/soak_main.cpp).
SOAK = "QVStatusToolSoak.exe"
PROBE = wine_session.PROBE
BENCH_PROGRAMS = (SPINWAIT, BARE_SCM, BARE_WINDOW, SOAK, PROBE)
# The second copy of bench_bare_scm in the idle measurement.
BARE_SCM_TWIN = "bench_bare_scm.exe (2nd copy)"
# The two copies of the tool in the idle measurement with a language file.
TOOL_LANGUAGE = "QVStatusTool.exe, 1 MiB German.txt"
TOOL_ENGLISH = "QVStatusTool.exe, no language settings"
TITLES = {TOOL: WINDOW_TITLE, SOAK: WINDOW_TITLE, SPINWAIT: "bench_spinwait",
          BARE_WINDOW: "bench_bare_window"}

# The fills of bench_bare_window and bench_spinwait (bench/*.cpp).
FILL_IDLE = (32, 160, 96)
FILL_DONE = (96, 32, 160)

REFRESH_S = 0.8
# The tool's watchdog gives up on a service 8 s after it first sees it
# pending, so the first 7.5 s of a wait are the wait alone.
WATCHDOG_FREE_S = 7.5
# The tool's window at 96 dpi, in its client area (which is the whole
# window: it has no frame); rectangles with both ends inclusive.
# The status label, whose text is drawn in STATUS_BLUE.
STATUS_RECT = (21, 167, 221, 182)
STATUS_BLUE = (0, 0, 192)
# The Restart label, black while it can be clicked, and its middle.
RESTART_RECT = (174, 276, 227, 288)
RESTART_POINT = (200, 282)
# Where the pointer rests between clicks: off every window, so that no
# tooltip or hover effect costs anyone anything.
POINTER_REST = (1020, 764)
CLK_TCK = os.sysconf("SC_CLK_TCK")
MIB = 1024 * 1024

# How long programs started for an idle measurement get to be past their
# start-up before it begins.
IDLE_SETTLE_S = 5.0

# Loaded Wine is slow to start a process; these only bound the waits.
START_DEADLINE = 90.0

# Any imported DLL outside this list (a MinGW runtime DLL, say) is one the
# user would have to ship; api-ms-win-* forwarders belong to Windows too.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "uxtheme.dll",
    "version.dll", "winmm.dll", "ws2_32.dll", "ntdll.dll", "imm32.dll", "rpcrt4.dll",
    "ucrtbase.dll", "bcrypt.dll", "secur32.dll", "crypt32.dll", "dwmapi.dll", "gdiplus.dll",
}


class MeasurementError(Exception):
    """A figure that could not be taken: the run ends non-zero."""


# --- processes and their CPU -------------------------------------------------

def proc_cpu(pid: int) -> Optional[float]:
    """utime + stime of the whole process (every thread, exited ones too),
    in seconds; None once it is gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (OSError, IndexError):
        return None
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def proc_cpu_precise(pid: int) -> Optional[float]:
    """The scheduler's own run time of the process's live threads, in
    seconds; finer than the clock ticks of proc_cpu, shown beside it."""
    total = 0
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return None
    for task in tasks:
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except (OSError, ValueError, IndexError):
            continue
    return total / 1e9


def proc_status_kib(pid: int, key: str) -> Optional[int]:
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        return None
    return None


def resident_by_file(pid: int) -> dict[str, int]:
    """Resident KiB per mapped file (anonymous memory under "[anon]"), to
    show where one process holds more than another."""
    totals: dict[str, int] = {}
    name = "[anon]"
    try:
        with open(f"/proc/{pid}/smaps") as f:
            for line in f:
                parts = line.split()
                if not parts:
                    continue
                if not parts[0].endswith(":"):
                    path = line.split(None, 5)[5].strip() if len(parts) >= 6 else ""
                    name = Path(path).name if path.startswith("/") else (path or "[anon]")
                elif parts[0] == "Rss:":
                    totals[name] = totals.get(name, 0) + int(parts[1])
    except OSError:
        pass
    return totals


def proc_comm(pid: int) -> str:
    try:
        with open(f"/proc/{pid}/comm") as f:
            return f.read().strip()
    except OSError:
        return ""


def wine_machine(prefix: Path) -> dict[int, str]:
    """Every process of this prefix's Wine machine, wineserver included:
    pid -> name."""
    marker = b"\0WINEPREFIX=" + str(prefix).encode() + b"\0"
    found = {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/environ", "rb") as f:
                environ = b"\0" + f.read()
        except OSError:
            continue
        if marker in environ or environ.endswith(marker[:-1]):
            found[int(entry)] = proc_comm(int(entry))
    return found


@dataclass
class CpuSample:
    at: float
    own: float
    own_precise: float
    wineserver: float
    services: float


class Meter:
    """CPU of one program's process and of the Wine machine's wineserver and
    services.exe (which answer its service-manager calls), between two
    samples."""

    def __init__(self, pid: int, prefix: Path) -> None:
        self.pid = pid
        machine = wine_machine(prefix)
        self.wineserver = [p for p, name in machine.items() if name.startswith("wineserver")]
        self.services = [p for p, name in machine.items() if name == "services.exe"]
        if not self.wineserver:
            raise MeasurementError("cannot find this prefix's wineserver")

    @staticmethod
    def _sum(pids: list[int]) -> float:
        return sum(proc_cpu(p) or 0.0 for p in pids)

    def sample(self) -> CpuSample:
        own = proc_cpu(self.pid)
        if own is None:
            raise MeasurementError(f"process {self.pid} ended during a measurement")
        return CpuSample(time.monotonic(), own, proc_cpu_precise(self.pid) or 0.0,
                         self._sum(self.wineserver), self._sum(self.services))


@dataclass
class CpuSpan:
    wall: float
    own: float
    own_precise: float
    wineserver: float
    services: float
    # (seconds since the start, thread run time since the start) pairs.
    timeline: list = field(default_factory=list)

    @staticmethod
    def between(a: CpuSample, b: CpuSample) -> "CpuSpan":
        return CpuSpan(b.at - a.at, b.own - a.own, b.own_precise - a.own_precise,
                       b.wineserver - a.wineserver, b.services - a.services)


# --- the bench session ---------------------------------------------------------

class Program:
    """One Windows program started with `wine` from the program folder's
    parent drive (C:\\), not from its own folder, as a shortcut elsewhere
    would start it. `stderr` takes what Wine's debug channels write, with
    `env` saying which."""

    def __init__(self, bench: "Bench", exe: str, *args: str,
                 env: Optional[dict[str, str]] = None, stderr: Optional[Path] = None) -> None:
        self.bench = bench
        self.exe = exe
        self.output = bench.scratch / f"{exe}.{time.monotonic_ns()}.out"
        with open(self.output, "wb") as out, \
                open(stderr or os.devnull, "wb") as err:
            self.popen = subprocess.Popen(
                ["wine", bench.s.program_win + "\\" + exe, *args],
                cwd=bench.s.prefix / "drive_c", stdin=subprocess.DEVNULL, stdout=out,
                stderr=err, env=env)
        self.started = time.monotonic()
        self._pid: Optional[int] = None
        self.geometry: Optional[tuple[int, int, int, int]] = None

    @property
    def pid(self) -> int:
        """The Linux process that runs the exe. `wine` execs its way into
        it, so it is normally the one started; Wine names it after the exe,
        cut to the kernel's 15 characters. Looked up on first use, so that
        the looking does not compete with a launch being timed."""
        if self._pid is not None:
            return self._pid
        name = self.exe[:15]
        end = time.monotonic() + START_DEADLINE
        next_scan = time.monotonic() + 2.0
        while time.monotonic() < end:
            if self.popen.poll() is not None:
                raise MeasurementError(f"{self.exe} exited with {self.popen.returncode}")
            if proc_comm(self.popen.pid) == name:
                self._pid = self.popen.pid
                return self._pid
            if time.monotonic() >= next_scan:
                next_scan += 2.0
                for pid, comm in wine_machine(self.bench.s.prefix).items():
                    if comm == name:
                        self._pid = pid
                        return pid
            time.sleep(0.01)
        raise MeasurementError(f"no process named {name!r} appeared")

    def alive(self) -> bool:
        return self.popen.poll() is None

    def find_window(self) -> Optional[tuple[int, int, int, int]]:
        if not self.alive():
            raise MeasurementError(f"{self.exe} exited with {self.popen.returncode}")
        ids = visible_windows("--name", f"^{TITLES[self.exe]}$")
        if len(ids) != 1:
            return None
        shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", ids[0]],
                               capture_output=True, text=True, timeout=30)
        values = dict(line.split("=", 1) for line in shape.stdout.split() if "=" in line)
        try:
            return (int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                    int(values["HEIGHT"]))
        except (KeyError, ValueError):
            return None

    def screenshot(self) -> Image.Image:
        assert self.geometry is not None
        x, y, w, h = self.geometry
        # In-process from the X server: fast enough to poll every 20 ms,
        # where a screenshot program per poll would not be.
        return ImageGrab.grab(bbox=(x, y, x + w, y + h),
                              xdisplay=os.environ["DISPLAY"]).convert("RGB")

    def wait_painted(self, painted: Callable[[Image.Image], bool], interval: float = 0.02,
                     deadline: float = START_DEADLINE) -> float:
        """Polls until the window is on the screen and shows what `painted`
        looks for; returns the seconds since the launch."""
        end = self.started + deadline
        while True:
            now = time.monotonic()
            if now > end:
                raise MeasurementError(f"{self.exe}: no painted window after {deadline:.0f} s")
            if self.geometry is None:
                self.geometry = self.find_window()
            if self.geometry is not None and painted(self.screenshot()):
                return time.monotonic() - self.started
            time.sleep(max(0.0, interval - (time.monotonic() - now)))

    def click(self, point: tuple[int, int]) -> None:
        assert self.geometry is not None
        x, y = self.geometry[0] + point[0], self.geometry[1] + point[1]
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1",
                        "mousemove", str(POINTER_REST[0]), str(POINTER_REST[1])],
                       check=True, timeout=30)

    def printed(self) -> str:
        try:
            return self.output.read_text(errors="replace").strip()
        except OSError:
            return ""

    def end(self) -> None:
        if self.alive():
            self.popen.terminate()
            try:
                self.popen.wait(timeout=30)
            except subprocess.TimeoutExpired:
                self.popen.kill()
                self.popen.wait(timeout=30)
        # The next launch must not find this one's window still mapped. By
        # the process, when it is known: another copy may share the title.
        end = time.monotonic() + 30
        while time.monotonic() < end and self.exe in TITLES:
            which = (["--pid", str(self._pid)] if self._pid is not None
                     else ["--name", f"^{TITLES[self.exe]}$"])
            if not visible_windows(*which):
                break
            time.sleep(0.05)


def visible_windows(*criteria: str) -> list[str]:
    """The X windows on the screen that match xdotool search's criteria."""
    search = subprocess.run(["xdotool", "search", "--onlyvisible", *criteria],
                            capture_output=True, text=True, timeout=30)
    return search.stdout.split()


def crop(image: Image.Image, rect: tuple[int, int, int, int]) -> Image.Image:
    left, top, right, bottom = rect
    return image.crop((left, top, right + 1, bottom + 1))


def pixels_near(image: Image.Image, colour, tolerance: int = 0) -> int:
    """How many pixels are within `tolerance` of `colour`, per channel.
    Counted over the image's distinct colours, in C, so that a poll every
    20 ms costs the same few milliseconds whatever the window shows."""
    colours = image.getcolors(image.width * image.height) or []
    return sum(n for n, c in colours if all(abs(a - b) <= tolerance for a, b in zip(c, colour)))


def tool_painted(image: Image.Image) -> bool:
    # The status text is drawn in the same paint as everything else, from
    # one memory bitmap, so its blue means the whole first paint is there.
    return pixels_near(crop(image, STATUS_RECT), STATUS_BLUE, 16) >= 20


def filled(colour) -> Callable[[Image.Image], bool]:
    def check(image: Image.Image) -> bool:
        return pixels_near(image, colour) >= 0.95 * image.width * image.height
    return check


def restart_enabled(image: Image.Image) -> bool:
    # Black text; greyed while a command runs, which leaves no pixel black.
    return pixels_near(crop(image, RESTART_RECT), (0, 0, 0), 40) >= 5


def status_mask(image: Image.Image) -> frozenset[int]:
    """Where the status text's blue lies in the status label: the text's
    shape, which tells one text from another without reading it."""
    label = crop(image, STATUS_RECT)
    return frozenset(i for i, pixel in enumerate(label.getdata())
                     if all(abs(a - b) <= 16 for a, b in zip(pixel, STATUS_BLUE)))


def read_status(image: Image.Image) -> str:
    """The status text by OCR, to say in the log what a changed shape
    reads: whatever stands out from the label's background made black on
    white, four times larger, read by tesseract as one line."""
    label = crop(image, STATUS_RECT)
    background = max(label.getcolors(label.width * label.height) or [(0, (255, 255, 255))])[1]
    mask = Image.new("L", label.size, 255)
    mask.putdata([0 if sum(abs(a - b) for a, b in zip(pixel, background)) > 150 else 255
                  for pixel in label.getdata()])
    big = mask.resize((mask.width * 4, mask.height * 4), Image.LANCZOS)
    page = Image.new("L", (big.width + 80, big.height + 80), 255)
    page.paste(big, (40, 40))
    buffer = io.BytesIO()
    page.save(buffer, format="PNG")
    try:
        result = subprocess.run(["tesseract", "stdin", "stdout", "--psm", "7"],
                                input=buffer.getvalue(), capture_output=True, timeout=60)
    except (OSError, subprocess.SubprocessError):
        return "?"
    return result.stdout.decode("utf-8", "replace").strip()


# --- language files ------------------------------------------------------------

# The tool's per-user settings, which name its language folder and language.
SETTINGS_KEY = r"HKCU\Software\VB and VBA Program Settings\Quorvel\Options"
# Removed afterwards with everything below it: the bench made all of it.
SETTINGS_ROOT = r"HKCU\Software\VB and VBA Program Settings\Quorvel"
LANGUAGE = "German"
TRANSLATIONS = {"Stopped": "Gestoppt", "Running": "Laeuft"}
# Language folders under drive_c: one per file size, switched with LFOLDER.
LANGUAGE_FOLDERS = {"1 MiB": ("Lang", MIB), "1 KiB": ("Lang1K", 1024)}


def language_file(size: int) -> bytes:
    """A German.txt of `size` bytes or a few more, as a translator would
    save it (ANSI, CR LF): a title line, comment-like lines that are no
    entries, and the two status entries last, so that finding them means
    searching all the rest."""
    head = f"QVStatusTool language file: {LANGUAGE}\r\n"
    tail = "".join(f"{key}=>{text}\r\n" for key, text in TRANSLATIONS.items())
    filler = []
    length = len(head) + len(tail)
    while length < size:
        line = f"# filler line {len(filler) + 1}\r\n"
        filler.append(line)
        length += len(line)
    return (head + "".join(filler) + tail).encode("cp1252")


# --- the soak --------------------------------------------------------------------

SOAK_FLAP_S = 1.5
# Refreshes with the service flapping before the first reading, so that
# whatever the tool keeps for good is there by then.
SOAK_WARMUP_REFRESHES = 300
# Refreshes with the service at rest before each reading.
SOAK_SETTLE_REFRESHES = 20
# Readings per sample, a refresh or more apart; the least of each counter is
# kept. At a 10 ms timer the tool is nearly always inside a refresh, which
# holds a handle or two of its own while it talks to the service manager, so
# a few readings may all catch one in flight.
SOAK_READINGS = 10
# The trace that counts the refreshes: only Wine's service channel.
SOAK_WINEDEBUG = "-all,trace+service"
# The access a refresh opens the service with (SERVICE_QUERY_CONFIG).
ACCESS_QUERY_CONFIG = 0x1


class RefreshCounter:
    """Counts a program's refreshes in Wine's trace of its service calls.
    Each refresh opens the service to read its configuration, and nothing
    else the tool does unasked opens it with that access: the watchdog asks
    for the status only, the commands for more."""

    def __init__(self, trace: Path) -> None:
        self.trace = trace
        self._offset = 0
        self._partial = b""
        self._count = 0

    def count(self) -> int:
        try:
            with open(self.trace, "rb") as f:
                f.seek(self._offset)
                data = f.read()
        except FileNotFoundError:
            return self._count
        self._offset += len(data)
        lines = (self._partial + data).split(b"\n")
        self._partial = lines.pop()
        for line in lines:
            if b":trace:service:OpenServiceA " not in line:
                continue
            try:
                if int(line.split()[-1], 16) == ACCESS_QUERY_CONFIG:
                    self._count += 1
            except (ValueError, IndexError):
                continue
        return self._count

    def wait_for(self, more: int, what: str, deadline: float = 120.0) -> int:
        """Waits until `more` refreshes beyond the count so far are seen."""
        target = self.count() + more
        return wait_until(self.count, deadline, what, accept=lambda n: n >= target,
                          interval=0.1)


class Flapper(threading.Thread):
    """Starts and stops the service with `sc`, SOAK_FLAP_S apart, until told
    to end; counts what the service manager accepted and refused."""

    def __init__(self, s: wine_session.Session) -> None:
        super().__init__(daemon=True)
        self.s = s
        self.done = threading.Event()
        self.starts = self.stops = self.refused = 0
        self.error: Optional[BaseException] = None

    def run(self) -> None:
        try:
            while not self.done.is_set():
                for verb in ("start", "stop"):
                    if self.s.wine("sc", verb, wine_session.SERVICE_NAME).returncode != 0:
                        self.refused += 1
                    elif verb == "start":
                        self.starts += 1
                    else:
                        self.stops += 1
                    if self.done.wait(SOAK_FLAP_S):
                        return
        except BaseException as error:  # noqa: BLE001 - handed on by finish()
            self.error = error

    def finish(self) -> None:
        self.done.set()
        self.join(timeout=120)
        if self.is_alive():
            raise MeasurementError("the service-flapping thread does not end")
        if self.error is not None:
            raise MeasurementError(f"flapping the service failed: {self.error}")


class Bench:
    def __init__(self, args: argparse.Namespace) -> None:
        self.args = args
        self.s = wine_session.Session(BENCH_PROGRAMS)
        self.build = self.s.build
        self.scratch = self.s.prefix / "bench-output"
        self.scratch.mkdir(exist_ok=True)
        self.results: dict = {}
        self.notes: list[str] = []

    def park_pointer(self) -> None:
        subprocess.run(["xdotool", "mousemove", str(POINTER_REST[0]), str(POINTER_REST[1])],
                       check=True, timeout=30)

    def exe_path(self, exe: str) -> Path:
        return self.build / ("window" if exe == TOOL else "bench") / exe

    # -- the service --

    def prepare_service(self) -> None:
        # A stop that takes 10 s, so that both waits below last that long.
        self.s.write_standin_config(StopPendingMs=self.args.wait_seconds * 1000)
        self.s.install_service()
        self.s.start_service()
        self.s.wait_service_state(RUNNING)
        log("service QuorvelVC installed and running")

    def service_running_again(self) -> None:
        state = self.s.service_state()
        if state == RUNNING:
            return
        if state is None:
            self.s.install_service()
            self.s.start_service()
        elif state == STOPPED:
            self.s.start_service()
        self.s.wait_service_state(RUNNING, deadline=60)

    # -- the measurements --

    def files(self) -> None:
        figures = {}
        for exe in (TOOL, BARE_WINDOW):
            path = self.exe_path(exe)
            dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)],
                                  capture_output=True, text=True, check=True).stdout
            dlls = [line.split("DLL Name:", 1)[1].strip() for line in dump.splitlines()
                    if "DLL Name:" in line]
            if not dlls:
                raise MeasurementError(f"objdump lists no imported DLLs for {path}")
            others = [d for d in dlls if d.lower() not in SYSTEM_DLLS
                      and not d.lower().startswith("api-ms-win-")]
            figures[exe] = {"bytes": path.stat().st_size, "dlls": dlls, "non_system": others}
            log(f"{exe}: {path.stat().st_size} bytes, imports {', '.join(dlls)}")
        self.results["files"] = figures

    def launches(self) -> None:
        """Launch to painted window, and the peak memory once it is up, for
        the tool and the bare window in turns, after one launch of each that
        is not counted (the prefix's first window starts Wine's desktop)."""
        checks = {TOOL: tool_painted, BARE_WINDOW: filled(FILL_IDLE)}
        figures: dict = {e: {"seconds": [], "vmhwm_kib": [], "cpu": []} for e in checks}
        resident: dict[str, dict[str, int]] = {}
        for round_ in range(self.args.launches + 1):
            # Turn about, so that neither always follows the other's exit.
            order = (TOOL, BARE_WINDOW) if round_ % 2 == 0 else (BARE_WINDOW, TOOL)
            for exe in order:
                # The previous program's exit is Wine's work too; let it end.
                time.sleep(1.0)
                p = Program(self, exe)
                try:
                    seconds = p.wait_painted(checks[exe])
                    # The CPU it took to get there, which, unlike the wall
                    # time, other work on the machine hardly changes.
                    cpu = proc_cpu(p.pid)
                    if cpu is None:
                        raise MeasurementError(f"{exe}: cannot read its CPU time")
                    # Up, painted and settled: what it holds now is what it
                    # needed to get there.
                    time.sleep(1.0)
                    hwm = proc_status_kib(p.pid, "VmHWM")
                    if hwm is None:
                        raise MeasurementError(f"{exe}: cannot read VmHWM")
                    resident[exe] = resident_by_file(p.pid)
                finally:
                    p.end()
                if round_ == 0:
                    log(f"{exe}: warm-up launch painted after {seconds * 1000:.0f} ms")
                    continue
                figures[exe]["seconds"].append(seconds)
                figures[exe]["vmhwm_kib"].append(hwm)
                figures[exe]["cpu"].append(cpu)
                log(f"{exe}: painted after {seconds * 1000:.0f} ms using {cpu} s of CPU, "
                    f"VmHWM {hwm} KiB")
        # Where the tool's resident memory exceeds the bare window's, by
        # mapped file, from the last launch of each.
        tool_rss, bare_rss = resident[TOOL], resident[BARE_WINDOW]
        extra = sorted(((tool_rss.get(k, 0) - bare_rss.get(k, 0), k)
                        for k in set(tool_rss) | set(bare_rss)), reverse=True)
        figures["extra_resident_kib"] = {k: d for d, k in extra if d >= 64}
        log("tool's resident memory beyond the bare window's, KiB by mapping: " +
            ", ".join(f"{k} {d}" for k, d in figures["extra_resident_kib"].items()))
        self.results["launch"] = figures

    def idle_ticks(self) -> None:
        """The tool left alone with a running service, beside two copies of
        bench_bare_scm, all over the same span, so that whatever else the
        machine does weighs on each alike. The baseline is the copies' mean;
        how far the copies differ from each other shows the noise. Per-tick
        figures are per 0.8 s of the span."""
        lifetime = int(IDLE_SETTLE_S + self.args.idle_seconds + 5)
        names = (TOOL, BARE_SCM, BARE_SCM_TWIN)
        programs: dict[str, Program] = {}
        try:
            programs[TOOL] = Program(self, TOOL)
            programs[TOOL].wait_painted(tool_painted)
            for name in names[1:]:
                # Shown, like the tool's: Wine's X11 driver looks at the
                # display connection of a thread with a window on the screen
                # whenever it wakes, and that is no cost of the tool's own.
                programs[name] = Program(self, BARE_SCM, str(lifetime), "shown")
            figures = self._idle_spans(programs)
            for name in names[1:]:
                programs[name].popen.wait(timeout=lifetime + 60)
        finally:
            for p in programs.values():
                p.end()
        for name in names[1:]:
            printed = programs[name].printed()
            figures[name]["printed"] = printed
            try:
                fields = dict(item.split("=") for item in printed.split())
                ticks = int(fields["ticks"])
                # Its end timer runs as long as its tick timer: the real period.
                figures[name]["tick_interval"] = lifetime / ticks if ticks else None
                if int(fields["unreadable"]):
                    self.notes.append(f"bench_bare_scm could not read the service's state in "
                                      f"{fields['unreadable']} of {ticks} ticks")
            except (ValueError, KeyError):
                self.notes.append(f"bench_bare_scm printed no tick count ({printed!r})")
        self.results["idle"] = figures

    def _idle_spans(self, programs: dict[str, Program]) -> dict:
        """The CPU of programs left alone side by side over the same
        --idle-seconds, once all are past their start-up."""
        time.sleep(IDLE_SETTLE_S)
        meters = {name: Meter(p.pid, self.s.prefix) for name, p in programs.items()}
        a = {name: m.sample() for name, m in meters.items()}
        time.sleep(self.args.idle_seconds)
        b = {name: m.sample() for name, m in meters.items()}
        figures = {name: CpuSpan.between(a[name], b[name]).__dict__ for name in programs}
        for name, figure in figures.items():
            log(f"{name} idle: {figure}")
        return figures

    def restart_waits(self) -> None:
        """The same stop of the service (StopPendingMs), waited through by
        bench_spinwait and by the tool's Restart; each measured from the
        click until its Restart is done or the wait's length has passed."""
        limit = float(self.args.wait_seconds)
        figures = {}

        self.service_running_again()
        spin = Program(self, SPINWAIT)
        try:
            spin.wait_painted(filled(FILL_IDLE))
            time.sleep(1.0)
            span, finished = self._measure_wait(spin, filled(FILL_DONE), limit)
            figures[SPINWAIT] = span.__dict__ | {"finished": finished}
            # Let it finish the restart, so the service runs for the tool.
            spin.wait_painted(filled(FILL_DONE), interval=0.25, deadline=START_DEADLINE * 2)
            figures[SPINWAIT]["printed"] = spin.printed()
        finally:
            spin.end()
        log(f"{SPINWAIT} wait: {figures[SPINWAIT]}")
        try:
            fields = dict(item.split("=") for item in figures[SPINWAIT]["printed"].split())
            self.notes.append(f"bench_spinwait's loop ran {int(fields['rounds'])} rounds while "
                              f"the service took {int(fields['stop_wait_ms']) / 1000:.1f} s "
                              f"to stop.")
        except (ValueError, KeyError):
            self.notes.append(f"bench_spinwait printed no summary "
                              f"({figures[SPINWAIT]['printed']!r})")

        self.service_running_again()
        tool = Program(self, TOOL)
        try:
            tool.wait_painted(lambda im: tool_painted(im) and restart_enabled(im))
            time.sleep(1.0)
            span, finished = self._measure_wait(tool, restart_enabled, limit)
            figures[TOOL] = span.__dict__ | {"finished": finished}
            # Looked at only now: asking about its windows would have made
            # the tool's thread work during the measurement.
            box = self.s.windows_titled(MESSAGE_TITLE)
            figures[TOOL]["message_box"] = bool(box)
        finally:
            tool.end()
        log(f"{TOOL} wait: {figures[TOOL]}")
        if figures[TOOL]["message_box"]:
            self.notes.append(
                f"The tool's Restart wait ended in its watchdog message (service deleted): a "
                f"{limit:.0f} s stop is longer than its 8 s pending watchdog, so Restart never "
                f"turned black again; the tool's figure covers the whole {limit:.0f} s, "
                f"message box included.")
        self.results["wait"] = figures

    def _measure_wait(self, p: Program, done: Callable[[Image.Image], bool],
                      limit: float) -> tuple[CpuSpan, bool]:
        meter = Meter(p.pid, self.s.prefix)
        a = meter.sample()
        p.click(RESTART_POINT)
        clicked = time.monotonic()
        finished = False
        # Done only after it was seen busy: a screenshot taken before the
        # program got to the click shows the label as it was.
        seen_busy = False
        samples = [a]
        # Coarse polling from outside the Wine machine: a screenshot costs
        # the X server a little, and the measured process nothing.
        while time.monotonic() - clicked < limit:
            time.sleep(min(0.5, max(0.0, limit - (time.monotonic() - clicked))))
            samples.append(meter.sample())
            if time.monotonic() - clicked >= limit:
                break
            if not done(p.screenshot()):
                seen_busy = True
            elif seen_busy:
                finished = True
                break
        b = meter.sample()
        timeline = [(round(s.at - clicked, 3), round(s.own_precise - a.own_precise, 4))
                    for s in samples[1:]]
        log(f"{p.exe}: CPU since the click " +
            ", ".join(f"{t:.1f}s:{c * 1000:.0f}ms" for t, c in timeline))
        span = CpuSpan.between(a, b)
        span.timeline = timeline
        return span, finished

    # -- language files --

    def language_files(self) -> None:
        """A 1 MiB language file against none (idle ticks) and against a
        1 KiB one (launch to the translated status), with the service
        running. Settings and files are removed again afterwards."""
        self.service_running_again()
        folders = {}
        for size_name, (folder, size) in LANGUAGE_FOLDERS.items():
            path = self.s.prefix / "drive_c" / folder
            path.mkdir(exist_ok=True)
            (path / f"{LANGUAGE}.txt").write_bytes(language_file(size))
            folders[size_name] = self.s.windows_path(path)
        figures: dict = {"bytes": {n: (self.s.prefix / "drive_c" / f / f"{LANGUAGE}.txt")
                                   .stat().st_size
                                   for n, (f, _) in LANGUAGE_FOLDERS.items()}}
        try:
            self.s.delete_key(SETTINGS_ROOT)
            english = self._english_status()
            figures["launch"] = self._translated_launches(folders, english)
            figures["idle"] = self._language_idle(folders["1 MiB"], english)
        finally:
            self.s.delete_key(SETTINGS_ROOT)
            for folder, _ in LANGUAGE_FOLDERS.values():
                shutil.rmtree(self.s.prefix / "drive_c" / folder, ignore_errors=True)
        self.results["language"] = figures

    def _use_language_folder(self, folder: str) -> None:
        self.s.set_user_setting(SETTINGS_KEY, "LFOLDER", folder)
        self.s.set_user_setting(SETTINGS_KEY, "Language", LANGUAGE)

    def _english_status(self) -> frozenset[int]:
        """The shape of the English status text, from a launch without
        language settings (which also gets Wine going after the other rows,
        uncounted)."""
        time.sleep(1.0)
        p = Program(self, TOOL)
        try:
            p.wait_painted(tool_painted)
            shot = p.screenshot()
        finally:
            p.end()
        log(f"the English status reads {read_status(shot)!r}")
        return status_mask(shot)

    def _translated_launches(self, folders: dict[str, str], english: frozenset[int]) -> dict:
        """Launch to the first screenshot whose status text has a shape
        other than the English one; the first refresh shows English, the
        first 800 ms tick the translation. The sizes take turns."""
        figures: dict = {n: {"seconds": [], "english_seconds": [], "cpu": [], "cpu_precise": [],
                             "read": ""} for n in folders}
        for round_ in range(self.args.launches):
            order = list(folders) if round_ % 2 == 0 else list(reversed(folders))
            for size_name in order:
                self._use_language_folder(folders[size_name])
                time.sleep(1.0)
                p = Program(self, TOOL)
                first: list[float] = []

                def translated(image: Image.Image) -> bool:
                    mask = status_mask(image)
                    if len(mask) < 20:
                        return False
                    if not first:
                        first.append(time.monotonic() - p.started)
                    return mask != english

                try:
                    seconds = p.wait_painted(translated)
                    cpu = proc_cpu(p.pid)
                    # A few milliseconds are what a large file could cost;
                    # utime + stime come in 10 ms steps.
                    precise = proc_cpu_precise(p.pid)
                    shot = p.screenshot()
                finally:
                    p.end()
                if cpu is None:
                    raise MeasurementError(f"{TOOL}: cannot read its CPU time")
                figure = figures[size_name]
                figure["seconds"].append(seconds)
                figure["english_seconds"].append(first[0])
                figure["cpu"].append(cpu)
                figure["cpu_precise"].append(precise or 0.0)
                figure["read"] = read_status(shot)
                log(f"{size_name} {LANGUAGE}.txt: first status after {first[0] * 1000:.0f} ms, "
                    f"translated ({figure['read']!r}) after {seconds * 1000:.0f} ms, "
                    f"{(precise or cpu) * 1000:.0f} ms of CPU")
        for size_name, figure in figures.items():
            missed = sum(1 for english_at, translated_at
                         in zip(figure["english_seconds"], figure["seconds"])
                         if translated_at - english_at < 0.01)
            if missed:
                self.notes.append(f"{missed} launch(es) with the {size_name} file showed no "
                                  f"English status first (missed between two screenshots, "
                                  f"or drawn translated at once).")
            if figure["read"] not in TRANSLATIONS.values():
                self.notes.append(f"The translated status with the {size_name} file reads "
                                  f"{figure['read']!r} by OCR (expected one of "
                                  f"{', '.join(TRANSLATIONS.values())}).")
        return figures

    def _language_idle(self, folder: str, english: frozenset[int]) -> dict:
        """The tool with the 1 MiB file and the tool without language
        settings, side by side over the same span, like the idle row. The
        first is started with the settings and shows its translation before
        they are removed for the second."""
        programs: dict[str, Program] = {}
        try:
            self._use_language_folder(folder)
            time.sleep(1.0)
            programs[TOOL_LANGUAGE] = Program(self, TOOL)
            programs[TOOL_LANGUAGE].wait_painted(
                lambda im: tool_painted(im) and status_mask(im) != english)
            self.s.delete_key(SETTINGS_ROOT)
            programs[TOOL_ENGLISH] = Program(self, TOOL)
            wait_until(lambda: len(visible_windows("--name", f"^{WINDOW_TITLE}$")),
                       START_DEADLINE, "the second tool's window", accept=lambda n: n == 2)
            figures = self._idle_spans(programs)
        finally:
            for p in programs.values():
                p.end()
        return figures

    # -- the soak --

    def soak(self) -> None:
        """QVStatusToolSoak.exe refreshing --soak-refreshes times while the
        service is started and stopped every 1.5 s; its handles, windows,
        file descriptors and resident memory before and after. Refreshes are
        counted in Wine's trace of its service calls."""
        wanted = self.args.soak_refreshes
        # Under Wine a refresh takes some 10-50 ms; on a machine far slower
        # than that, the soak ends at this limit and says so.
        limit = wanted / 10 + 60
        s = self.s
        s.write_standin_config(StartPendingMs=100, StopPendingMs=100)
        self._service_stopped()
        trace = self.scratch / "soak-service-trace.txt"
        counter = RefreshCounter(trace)
        p = Program(self, SOAK, env=dict(os.environ, WINEDEBUG=SOAK_WINEDEBUG), stderr=trace)
        figures: dict = {}
        try:
            p.wait_painted(tool_painted)
            windows = s.windows_titled(WINDOW_TITLE)
            if len(windows) != 1:
                raise MeasurementError(f"expected one {SOAK} window, found {windows}")
            windows_pid = windows[0]["pid"]

            # Warm-up: both states shown at least twice.
            flapper = Flapper(s)
            flapper.start()
            try:
                wait_until(lambda: (counter.count(), flapper.starts, flapper.stops),
                           START_DEADLINE * 2, "the soak's warm-up",
                           accept=lambda seen: seen[0] >= SOAK_WARMUP_REFRESHES
                           and min(seen[1:]) >= 2, interval=0.5)
            finally:
                flapper.finish()
            figures["before"] = self._soak_sample(p, counter, windows_pid)
            log(f"soak, before: {figures['before']}")

            began, start_count = time.monotonic(), counter.count()
            last_report = began
            flapper = Flapper(s)
            flapper.start()
            try:
                while True:
                    done = counter.count() - start_count
                    elapsed = time.monotonic() - began
                    if done >= wanted or elapsed >= limit:
                        break
                    if not p.alive():
                        raise MeasurementError(f"{SOAK} ended during the soak")
                    if time.monotonic() - last_report >= 30:
                        last_report = time.monotonic()
                        log(f"soak: {done} refreshes in {elapsed:.0f} s")
                    time.sleep(0.5)
            finally:
                flapper.finish()
            figures["seconds"] = time.monotonic() - began
            figures["refreshes"] = counter.count() - start_count
            figures |= {"starts": flapper.starts, "stops": flapper.stops,
                        "refused": flapper.refused, "wanted": wanted}
            figures["after"] = self._soak_sample(p, counter, windows_pid)
            log(f"soak, after: {figures['after']}")
        finally:
            p.end()
        log(f"soak: {figures.get('refreshes')} refreshes in {figures.get('seconds', 0):.0f} s, "
            f"service started {figures.get('starts')} and stopped {figures.get('stops')} times")
        if figures["refreshes"] < wanted:
            self.notes.append(f"The soak ended after {limit:.0f} s with {figures['refreshes']} "
                              f"of {wanted} refreshes: the machine was too slow for more.")
        self.results["soak"] = figures

    def _service_stopped(self) -> None:
        """The service registered and stopped, whatever the rows before left."""
        state = wait_until(self.s.service_state, 60, "a settled service",
                           accept=lambda seen: seen in (None, RUNNING, STOPPED))
        if state is None:
            self.s.install_service()
        elif state == RUNNING:
            self.s.stop_service()
        self.s.wait_service_state(STOPPED, deadline=60)

    def _soak_sample(self, p: Program, counter: RefreshCounter, windows_pid: int) -> dict:
        """The counters with the service at rest and the tool refreshing as
        ever: the least of several readings, a refresh or more apart, with
        the readings themselves under "readings"."""
        self._service_stopped()
        counter.wait_for(SOAK_SETTLE_REFRESHES, "refreshes with the service at rest")
        readings = []
        for _ in range(SOAK_READINGS):
            counts = self.s.counts(windows_pid)
            readings.append({**counts, "fds": len(os.listdir(f"/proc/{p.pid}/fd")),
                             "rss_kib": proc_status_kib(p.pid, "VmRSS") or 0})
            counter.wait_for(1, "a refresh between readings")
        least = {key: min(r[key] for r in readings) for key in readings[0]}
        return least | {"readings": readings}

    # -- the table --

    def run(self) -> None:
        started = time.monotonic()
        self.park_pointer()
        self.files()
        self.prepare_service()
        load = self.results.setdefault("load", {})
        for phase in (self.launches, self.idle_ticks, self.restart_waits, self.language_files,
                      self.soak):
            phase()
            # What else ran meanwhile: a one-minute load average above the
            # core count means the programs queued for a CPU.
            load[phase.__name__] = os.getloadavg()[0]
        self.results["seconds"] = time.monotonic() - started
        # The soak loads the machine itself, and nothing after it is timed.
        busy = {k: v for k, v in load.items()
                if v > (os.cpu_count() or 1) and k != self.soak.__name__}
        if busy:
            self.notes.append(
                "The machine was busy with other work (one-minute load average " +
                ", ".join(f"{v:.1f} after {k}" for k, v in busy.items()) +
                f" on {os.cpu_count()} cores): wall times are inflated and the spinning "
                "baseline got less CPU than it would alone, which lowers the wait ratio.")


def fmt_ratio(r: float) -> str:
    return f"{r:.2f}x" if r < 10 else f"{r:.0f}x"


def run_time(span: dict, notes: list[str], what: str) -> float:
    """A process's CPU over a span, from the scheduler's nanosecond count of
    its threads; its utime + stime says the same to 10 ms unless a thread
    ended meanwhile (and took its count along), when that is used."""
    if abs(span["own_precise"] - span["own"]) <= 2.0 / CLK_TCK:
        return span["own_precise"]
    notes.append(f"{what}: thread run times ({span['own_precise']:.3f} s) disagree with "
                 f"utime+stime ({span['own']:.2f} s); the latter is used")
    return span["own"]


def launch_cpu(figure: dict, notes: list[str], what: str) -> list[float]:
    """Each launch's CPU by its threads' run time, as run_time() chooses."""
    return [run_time({"own": cpu, "own_precise": precise}, notes, what)
            for cpu, precise in zip(figure["cpu"], figure["cpu_precise"])]


def build_table(results: dict, args: argparse.Namespace, notes: list[str]) -> list[list[str]]:
    rows = []
    tick = 1.0 / CLK_TCK

    wait = results["wait"]
    t, b = wait[TOOL], wait[SPINWAIT]
    t_share, b_share = t["own"] / t["wall"], b["own"] / b["wall"]
    # Below one clock tick the tool's figure is a bound, and so is the ratio.
    ratio = b_share / (max(t["own"], tick) / t["wall"])
    rows.append([
        f"CPU share during a {args.wait_seconds} s Restart wait",
        f"{t_share * 100:.2f} % ({t['own']:.2f} s in {t['wall']:.1f} s)",
        f"{b_share * 100:.1f} % ({b['own']:.2f} s in {b['wall']:.1f} s), bench_spinwait",
        f"{'>= ' if t['own'] < tick else ''}{fmt_ratio(ratio)} less",
        "tool <= 2 %, >= 50x less",
        "yes" if t_share <= 0.02 and ratio >= 50 else "no",
    ])
    ws_t, ws_b = t["wineserver"] / t["wall"], b["wineserver"] / b["wall"]
    rows.append([
        "  wineserver's CPU share in that wait (info)",
        f"{ws_t * 100:.2f} %", f"{ws_b * 100:.1f} %",
        fmt_ratio(ws_b / max(ws_t, tick / t["wall"])) + " less", "-", "-",
    ])

    idle = results["idle"]
    it, ib = idle[TOOL], idle[BARE_SCM]
    idle_rate = run_time(it, notes, "idle tool") / it["wall"]
    # The watchdog cannot fire before 8 s after the click: up to then the
    # tool does nothing but wait.
    early = [(at, cpu) for at, cpu in t["timeline"] if at <= WATCHDOG_FREE_S]
    if early and idle_rate > 0:
        at, cpu = early[-1]
        wait_rate = cpu / at
        rows.append([
            f"  tool's CPU per second, first {at:.1f} s of the wait vs idle (info)",
            f"{wait_rate * 1000:.1f} ms/s waiting", f"{idle_rate * 1000:.1f} ms/s idle",
            fmt_ratio(wait_rate / idle_rate), "-", "-",
        ])

    ib2 = idle[BARE_SCM_TWIN]
    ticks = it["wall"] / REFRESH_S
    t_cpu = run_time(it, notes, "idle tool")
    b1_cpu = run_time(ib, notes, "bench_bare_scm")
    b2_cpu = run_time(ib2, notes, "bench_bare_scm, 2nd copy")
    b_cpu = (b1_cpu + b2_cpu) / 2
    t_ms, b_ms = t_cpu / ticks * 1000, b_cpu / ticks * 1000
    ratio = t_ms / b_ms if b_ms > 0 else float("inf")
    rows.append([
        f"CPU per idle refresh tick ({args.idle_seconds} s side by side)",
        f"{t_ms:.2f} ms ({t_cpu:.3f} s / {ticks:.0f} ticks)",
        f"{b_ms:.2f} ms ({b_cpu:.3f} s / {ticks:.0f} ticks), bench_bare_scm x2 mean",
        fmt_ratio(ratio), "<= 1.1x", "yes" if ratio <= 1.1 else "no",
    ])
    low, high = sorted((b1_cpu, b2_cpu))
    rows.append([
        "  noise: one bench_bare_scm against the other (info)",
        f"{b1_cpu / ticks * 1000:.2f} ms", f"{b2_cpu / ticks * 1000:.2f} ms",
        fmt_ratio(high / low) if low > 0 else "-", "-", "-",
    ])
    machine = (it["wineserver"] + it["services"]) / (3 * ticks) * 1000
    rows.append([
        "  wineserver + services.exe per tick, all three programs' ticks (info)",
        f"{machine:.2f} ms", "(shared)", "-", "-", "-",
    ])

    launch = results["launch"]
    t_med = statistics.median(launch[TOOL]["seconds"]) * 1000
    b_med = statistics.median(launch[BARE_WINDOW]["seconds"]) * 1000
    ratio = t_med / b_med
    spread = lambda xs: f"{min(xs) * 1000:.0f}-{max(xs) * 1000:.0f}"  # noqa: E731
    rows.append([
        f"Launch to painted window (median of {args.launches})",
        f"{t_med:.0f} ms ({spread(launch[TOOL]['seconds'])})",
        f"{b_med:.0f} ms ({spread(launch[BARE_WINDOW]['seconds'])}), bench_bare_window",
        fmt_ratio(ratio), "<= 1.15x", "yes" if ratio <= 1.15 else "no",
    ])
    t_cpu = statistics.median(launch[TOOL]["cpu"]) * 1000
    b_cpu = statistics.median(launch[BARE_WINDOW]["cpu"]) * 1000
    rows.append([
        "  process CPU from launch to painted (median, info)",
        f"{t_cpu:.0f} ms", f"{b_cpu:.0f} ms", fmt_ratio(t_cpu / b_cpu) if b_cpu else "-",
        "-", "-",
    ])

    files = results["files"]
    ft, fb = files[TOOL], files[BARE_WINDOW]
    rows.append([
        "Exe size",
        f"{ft['bytes'] / 1024:.1f} KiB", f"{fb['bytes'] / 1024:.1f} KiB, bench_bare_window",
        fmt_ratio(ft["bytes"] / fb["bytes"]), "tool <= 1.5 MiB",
        "yes" if ft["bytes"] <= 1.5 * MIB else "no",
    ])
    short = lambda dlls: f"{len(dlls)}: " + ", ".join(d.removesuffix(".dll") for d in dlls)  # noqa: E731
    rows.append([
        "Imported DLLs",
        short(ft["dlls"]), short(fb["dlls"]),
        "-", "Windows system DLLs only",
        "yes" if not ft["non_system"] else "no (" + ", ".join(ft["non_system"]) + ")",
    ])

    t_hwm = statistics.median(launch[TOOL]["vmhwm_kib"]) / 1024
    b_hwm = statistics.median(launch[BARE_WINDOW]["vmhwm_kib"]) / 1024
    ratio = t_hwm / b_hwm
    rows.append([
        "Peak memory, VmHWM once painted (median)",
        f"{t_hwm:.1f} MiB", f"{b_hwm:.1f} MiB, bench_bare_window",
        fmt_ratio(ratio), "<= 1.15x", "yes" if ratio <= 1.15 else "no",
    ])
    extra = launch.get("extra_resident_kib", {})
    if ratio > 1.15 and extra:
        notes.append("Where the tool's resident memory exceeds the bare window's (KiB, by "
                     "mapping, last launch of each): " +
                     ", ".join(f"{k} {v}" for k, v in list(extra.items())[:10]) + ".")

    language = results["language"]
    idle = language["idle"]
    ticks = idle[TOOL_LANGUAGE]["wall"] / REFRESH_S
    with_file = run_time(idle[TOOL_LANGUAGE], notes, "idle tool with a language file")
    without = run_time(idle[TOOL_ENGLISH], notes, "idle tool without language settings")
    t_ms, b_ms = with_file / ticks * 1000, without / ticks * 1000
    ratio = t_ms / b_ms if b_ms > 0 else float("inf")
    rows.append([
        f"CPU per idle refresh tick with a 1 MiB language file ({args.idle_seconds} s side "
        f"by side)",
        f"{t_ms:.2f} ms ({with_file:.3f} s / {ticks:.0f} ticks)",
        f"{b_ms:.2f} ms ({without:.3f} s / {ticks:.0f} ticks), the tool without language "
        f"settings",
        fmt_ratio(ratio), "<= 1.1x", "yes" if ratio <= 1.1 else "no",
    ])
    launch = language["launch"]
    big, small = launch["1 MiB"], launch["1 KiB"]
    t_med = statistics.median(big["seconds"]) * 1000
    b_med = statistics.median(small["seconds"]) * 1000
    ratio = t_med / b_med
    rows.append([
        f"Launch to the translated status, 1 MiB language file (median of {args.launches})",
        f"{t_med:.0f} ms ({spread(big['seconds'])})",
        f"{b_med:.0f} ms ({spread(small['seconds'])}), 1 KiB file",
        fmt_ratio(ratio), "<= 1.1x", "yes" if ratio <= 1.1 else "no",
    ])
    t_first = statistics.median(big["english_seconds"]) * 1000
    b_first = statistics.median(small["english_seconds"]) * 1000
    rows.append([
        "  launch to the first, English status, same launches (median, info)",
        f"{t_first:.0f} ms", f"{b_first:.0f} ms", fmt_ratio(t_first / b_first), "-", "-",
    ])
    t_cpu = statistics.median(launch_cpu(big, notes, "1 MiB launch")) * 1000
    b_cpu = statistics.median(launch_cpu(small, notes, "1 KiB launch")) * 1000
    rows.append([
        "  process CPU from launch to translated (median, info)",
        f"{t_cpu:.0f} ms", f"{b_cpu:.0f} ms", fmt_ratio(t_cpu / b_cpu) if b_cpu else "-",
        "-", "-",
    ])

    soak = results["soak"]
    before, after = soak["before"], soak["after"]
    rows.append([
        "Soak: QVStatusToolSoak's refreshes while the service flapped every 1.5 s (info)",
        f"{soak['refreshes']} in {soak['seconds']:.0f} s "
        f"({soak['refreshes'] / soak['seconds']:.1f} a second)",
        f"started {soak['starts']}, stopped {soak['stops']} times"
        + (f" ({soak['refused']} refused)" if soak["refused"] else ""),
        "-", "-", "-",
    ])
    for key, label, unit in (("handles", "handles in the system's handle list", ""),
                             ("windows", "top-level windows", ""),
                             ("fds", "open file descriptors of the Linux process", ""),
                             ("rss_kib", "resident memory, VmRSS", " KiB")):
        rows.append([
            f"  {label}, before -> after (info)",
            f"{before[key]} -> {after[key]}{unit}", "-",
            f"{after[key] - before[key]:+d}{unit}", "-", "-",
        ])
    return rows


HEADER = ["metric", "tool", "baseline", "ratio", "target", "met?"]


def plain_table(rows: list[list[str]]) -> str:
    widths = [max(len(r[i]) for r in [HEADER, *rows]) for i in range(len(HEADER))]
    line = lambda r: " | ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()  # noqa: E731
    return "\n".join([line(HEADER), "-+-".join("-" * w for w in widths), *map(line, rows)])


def markdown_table(rows: list[list[str]]) -> str:
    out = ["| " + " | ".join(HEADER) + " |", "|" + "---|" * len(HEADER)]
    out += ["| " + " | ".join(c.replace("|", "\\|") for c in r) + " |" for r in rows]
    return "\n".join(out)


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--idle-seconds", type=int, default=60,
                        help="how long each program is watched idling (default 60)")
    parser.add_argument("--launches", type=int, default=5,
                        help="counted launches of each program (default 5)")
    parser.add_argument("--wait-seconds", type=int, default=10,
                        help="the service's stop time, and the wait measured (default 10)")
    parser.add_argument("--soak-refreshes", type=int, default=10_000,
                        help="refreshes of the soak, counted (default 10000)")
    parser.add_argument("--out", type=Path, default=ROOT / "build" / "bench",
                        help="where results.md and results.json go")
    args = parser.parse_args()

    build = Path(os.environ.get("QV_WINDOWS_BUILD_DIR", ROOT / "build" / "mingw"))
    needed = [build / "window" / TOOL, build / "standin" / "QVVoIPService.exe",
              *(build / "bench" / exe for exe in BENCH_PROGRAMS)]
    missing = [str(path) for path in needed if not path.is_file()]
    if missing:
        print(f"run_bench: missing {', '.join(missing)}: make windows", file=sys.stderr)
        return 2
    bench = Bench(args)
    try:
        bench.run()
    except (MeasurementError, AssertionError, subprocess.SubprocessError) as e:
        print(f"run_bench: a measurement could not be taken: {e}", file=sys.stderr)
        return 1

    rows = build_table(bench.results, args, bench.notes)
    load = os.getloadavg()
    stamp = time.strftime("%Y-%m-%d %H:%M")
    context = (f"{stamp}, {os.cpu_count()} cores, load average {load[0]:.2f} {load[1]:.2f} "
               f"{load[2]:.2f} at the end, {bench.results['seconds']:.0f} s")
    print()
    print(plain_table(rows))
    print()
    print(context)
    for note in bench.notes:
        print(f"note: {note}")

    args.out.mkdir(parents=True, exist_ok=True)
    md = [f"# make bench, {context}", "", markdown_table(rows), ""]
    md += [f"- {note}" for note in bench.notes]
    (args.out / "results.md").write_text("\n".join(md).rstrip() + "\n")
    (args.out / "results.json").write_text(json.dumps(bench.results, indent=2) + "\n")
    print(f"written: {args.out / 'results.md'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
