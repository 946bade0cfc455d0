"""`make bench`: QVStatusTool.exe beside the comparison programs of bench/
under Wine and Xvfb, a table of ratios (docs/performance.md explains it).
The end-to-end harness lays out the program folder, runs the service and
asks the running tool where its controls are. The exit status is non-zero
only when a figure could not be taken, never for what a figure says."""

from __future__ import annotations

import argparse
import json
import os
import re
import shutil
import statistics
import subprocess
import sys
import threading
import time
from pathlib import Path

# No __pycache__ left in the source tree by a run.
sys.dont_write_bytecode = True
ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

from PIL import Image, ImageGrab  # noqa: E402

import harness  # noqa: E402
from harness import RUNNING, SERVICE, STOPPED, TEXT, TITLE, log, wait  # noqa: E402

TOOL, SPIN, SCM, BARE = ("QVStatusTool.exe", "bench_spinwait.exe", "bench_bare_scm.exe",
                         "bench_bare_window.exe")
# The tool with a 10 ms refresh (bench/QVStatusToolSoak.cpp).
SOAK = "QVStatusToolSoak.exe"
PROBE = "bench_probe.exe"
# Row names of the second bench_bare_scm and of the tool with and without a
# language file, the latter one after the other (one copy per session).
SCM_TWIN = "bench_bare_scm.exe (2nd copy)"
TOOL_LANGUAGE, TOOL_ENGLISH = "tool, 1 MiB German.txt", "tool, no language settings"
MESSAGE_TITLE = "QVStatusTool"
# bench_common.h's kFill, and bench_spinwait's colour once its restart is done.
FILL, DONE = (32, 160, 96), (96, 32, 160)
STATUS_BLUE = (0, 0, 192)
REFRESH_S = 0.8
# The service's stop time, and so the Restart wait measured.
WAIT_S = 10
# The tool's watchdog gives up on a service 8 s after it first sees it
# pending, so the first 7.5 s of a wait are the wait alone.
WATCHDOG_FREE_S = 7.5
# Where the pointer rests between clicks: off every window.
POINTER_REST = ("1020", "764")
# How long programs get to be past their start-up before an idle span.
SETTLE_S = 5.0
# Loaded Wine is slow to start a process; this only bounds the waits.
START_DEADLINE = 90.0
CLK_TCK = os.sysconf("SC_CLK_TCK")
MIB = 1024 * 1024


class MeasurementError(Exception):
    """A figure that could not be taken: the run ends non-zero."""


# --- processes and their CPU --------------------------------------------------

def proc_text(pid: int, name: str) -> str:
    try:
        return Path(f"/proc/{pid}/{name}").read_text(errors="replace")
    except OSError:
        return ""


def proc_cpu(pid: int) -> float | None:
    """utime + stime of the whole process (exited threads too), in s."""
    stat = proc_text(pid, "stat").rsplit(")", 1)[-1].split()
    return (int(stat[11]) + int(stat[12])) / CLK_TCK if len(stat) > 12 else None


def proc_run_time(pid: int) -> float:
    """The scheduler's run time of the process's live threads, in s: the
    same as proc_cpu without its 10 ms steps."""
    try:
        tasks = os.listdir(f"/proc/{pid}/task")
    except OSError:
        return 0.0
    return sum(int((proc_text(pid, f"task/{t}/schedstat").split() or ["0"])[0])
               for t in tasks) / 1e9


def proc_kib(pid: int, key: str) -> int | None:
    found = re.search(rf"^{key}:\s+(\d+)", proc_text(pid, "status"), re.MULTILINE)
    return int(found[1]) if found else None


def wine_machine(prefix: Path) -> dict[int, str]:
    """The processes of this prefix's Wine machine, wineserver included:
    pid -> name."""
    marker = f"WINEPREFIX={prefix}"
    return {int(p): proc_text(int(p), "comm").strip() for p in os.listdir("/proc")
            if p.isdigit() and marker in proc_text(int(p), "environ").split("\0")}


def meter(pid: int, prefix: Path):
    """Samples, to subtract, of the CPU of a process and of the wineserver
    and services.exe, which answer its service-manager calls."""
    machine = wine_machine(prefix)
    others = {key: [p for p, n in machine.items() if n.startswith(key)]
              for key in ("wineserver", "services.exe")}

    def sample() -> dict[str, float]:
        if not others["wineserver"] or proc_cpu(pid) is None:
            raise MeasurementError(f"process {pid} or the wineserver is gone")
        return {"wall": time.monotonic(), "own": proc_cpu(pid), "own_precise": proc_run_time(pid),
                "wineserver": sum(proc_cpu(p) or 0.0 for p in others["wineserver"]),
                "services": sum(proc_cpu(p) or 0.0 for p in others["services.exe"])}
    return sample


def span(a: dict, b: dict) -> dict:
    return {key: b[key] - a[key] for key in a}


# --- the measured programs ------------------------------------------------------

def visible_windows(*criteria: str) -> list[str]:
    """What `xdotool search --onlyvisible` prints, word by word."""
    return subprocess.run(["xdotool", "search", "--onlyvisible", *criteria],
                          capture_output=True, text=True, timeout=30).stdout.split()


class Program:
    """A Windows program started with `wine` from C:\\, as a shortcut
    elsewhere would start it; `stderr` takes Wine's debug channels."""

    def __init__(self, bench: Bench, exe: str, env: dict | None = None,
                 stderr: Path | None = None) -> None:
        self.bench, self.exe = bench, exe
        self.output = bench.scratch / f"{exe}.{time.monotonic_ns()}.out"
        with open(self.output, "wb") as out, open(stderr or os.devnull, "wb") as err:
            self.popen = subprocess.Popen(
                ["wine", rf"{bench.tool.folder}\{exe}"], cwd=bench.tool.prefix / "drive_c",
                stdin=subprocess.DEVNULL, stdout=out, stderr=err, env=env)
        self.started = time.monotonic()
        self.geometry: tuple[int, int, int, int] | None = None

    @property
    def pid(self) -> int:
        """The process started, once `wine` has exec'd its way into the exe,
        taking its name (cut to 15 characters); not asked during a launch."""
        wait(lambda: proc_text(self.popen.pid, "comm").strip() == self.exe[:15],
             f"{self.exe}'s process", deadline=START_DEADLINE, every=0.05)
        return self.popen.pid

    def alive(self) -> bool:
        return self.popen.poll() is None

    def find_window(self) -> tuple[int, int, int, int] | None:
        if not self.alive():
            raise MeasurementError(f"{self.exe} exited with {self.popen.returncode}")
        # By the process (Wine sets _NET_WM_PID): copies share a title.
        ids = visible_windows("--pid", str(self.popen.pid))
        shape = subprocess.run(["xdotool", "getwindowgeometry", "--shell", *ids[:1]],
                               capture_output=True, text=True, timeout=30).stdout.split()
        values = dict(line.split("=", 1) for line in shape if "=" in line) if ids else {}
        return tuple(int(values[k]) for k in ("X", "Y", "WIDTH", "HEIGHT")) if values else None

    def screenshot(self) -> Image.Image:
        x, y, w, h = self.geometry
        # In-process from the X server: fast enough to poll every 20 ms.
        return ImageGrab.grab(bbox=(x, y, x + w, y + h),
                              xdisplay=os.environ["DISPLAY"]).convert("RGB")

    def wait_painted(self, painted, interval: float = 0.02,
                     deadline: float = START_DEADLINE) -> float:
        """Polls until the window shows what `painted` looks for; returns the
        seconds since the launch."""
        while True:
            now = time.monotonic()
            if now > self.started + deadline:
                raise MeasurementError(f"{self.exe}: no painted window after {deadline:.0f} s")
            self.geometry = self.geometry or self.find_window()
            if self.geometry is not None and painted(self.screenshot()):
                return time.monotonic() - self.started
            time.sleep(max(0.0, interval - (time.monotonic() - now)))

    def controls(self) -> dict[str, tuple[int, int, int, int]]:
        """The tool's controls as a screen reader finds them, by name, in
        window pixels (left, top, right, bottom exclusive); the status text,
        whatever it says, also as "status"."""
        x, y = self.geometry[:2]
        found = {}
        for role, _, name, _, _, *where in self.bench.tool.rows("acc", TITLE):
            left, top, width, height = map(int, where)
            found[name] = (left - x, top - y, left - x + width, top - y + height)
            if int(role) == TEXT:
                found["status"], found["status name"] = found[name], name
        return found

    def click(self, rect: tuple[int, int, int, int]) -> None:
        x = self.geometry[0] + (rect[0] + rect[2]) // 2
        y = self.geometry[1] + (rect[1] + rect[3]) // 2
        subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1",
                        "mousemove", *POINTER_REST], check=True, timeout=30)

    def printed(self) -> str:
        return self.output.read_text(errors="replace").strip()

    def __enter__(self) -> Program:
        return self

    def __exit__(self, *_) -> None:
        if self.alive():
            self.popen.terminate()
            self.popen.wait(timeout=30)
        # The next launch must not find this one's window still mapped.
        wait(lambda: not visible_windows("--pid", str(self.popen.pid)),
             f"{self.exe}'s window to go", deadline=30, every=0.05)


# --- what the screenshots show ---------------------------------------------------

def pixels_near(image: Image.Image, colour, tolerance: int = 0) -> int:
    """Pixels within `tolerance` of `colour` per channel, counted over the
    image's distinct colours, so a poll every 20 ms costs a few ms."""
    colours = image.getcolors(image.width * image.height) or []
    return sum(n for n, c in colours if all(abs(a - b) <= tolerance for a, b in zip(c, colour)))


def filled(colour):
    return lambda image: pixels_near(image, colour) >= 0.95 * image.width * image.height


# --- language files and the soak -------------------------------------------------

# Removed afterwards with everything below it: the bench made all of it.
SETTINGS_ROOT = harness.SETTINGS_KEY.rsplit("\\", 1)[0]
LANGUAGE = "German"
TRANSLATIONS = {"Stopped": "Gestoppt", "Running": "Laeuft"}
# Language folders under drive_c, one per file size, switched with LFOLDER.
LANGUAGE_FOLDERS = {"1 MiB": ("Lang", MIB), "1 KiB": ("Lang1K", 1024)}


def language_file(size: int) -> bytes:
    """A German.txt of `size` bytes or a few more, as a translator saves it
    (ANSI, CR LF): a title line, lines that are no entries, and the two
    status entries last, so that finding them means searching the rest."""
    head = f"QVStatusTool language file: {LANGUAGE}\r\n"
    tail = "".join(f"{key}=>{text}\r\n" for key, text in TRANSLATIONS.items())
    filler, length = [], len(head) + len(tail)
    while length < size:
        filler.append(f"# filler line {len(filler) + 1}\r\n")
        length += len(filler[-1])
    return (head + "".join(filler) + tail).encode("cp1252")


SOAK_FLAP_S = 1.5
# Refreshes with the service flapping before the first reading, so that
# whatever the tool keeps for good is there by then.
SOAK_WARMUP_REFRESHES = 300
# Refreshes with the service at rest before each reading.
SOAK_SETTLE_REFRESHES = 20
# Readings per sample, a refresh or more apart; the least of each counter is
# kept: at a 10 ms timer the tool is nearly always inside a refresh, which
# holds a handle of its own while it talks to the service manager.
SOAK_READINGS = 10


QUERY_CONFIG_OPENED = re.compile(rb"^.*:trace:service:OpenServiceA .* (?:0x)?0*1\r?$", re.M)


class RefreshCounter:
    """Counts refreshes in Wine's trace of a program's service calls: each
    opens the service with SERVICE_QUERY_CONFIG (0x1), which nothing else
    the tool does unasked does (the watchdog asks for the status only)."""

    def __init__(self, trace: Path) -> None:
        self.trace, self.offset, self.seen = trace, 0, 0

    def count(self) -> int:
        with open(self.trace, "rb") as f:
            f.seek(self.offset)
            data = f.read()
        data = data[:data.rfind(b"\n") + 1]  # whole lines
        self.offset += len(data)
        self.seen += len(QUERY_CONFIG_OPENED.findall(data))
        return self.seen

    def wait_for(self, more: int, what: str) -> int:
        target = self.count() + more
        return wait(self.count, what, accept=lambda n: n >= target, deadline=120, every=0.1)


class Flapper(threading.Thread):
    """Starts and stops the service with `sc`, SOAK_FLAP_S apart, until
    finished; counts what the service manager accepted and refused."""

    def __init__(self, bench: Bench) -> None:
        super().__init__(daemon=True)
        self.bench, self.done = bench, threading.Event()
        self.counts = {"start": 0, "stop": 0, "refused": 0}

    def run(self) -> None:
        while True:
            for verb in ("start", "stop"):
                result = subprocess.run(["wine", "sc", verb, SERVICE], stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        cwd=self.bench.tool.prefix / "drive_c", timeout=120)
                self.counts["refused" if result.returncode else verb] += 1
                if self.done.wait(SOAK_FLAP_S):
                    return

    def __enter__(self) -> Flapper:
        self.start()
        return self

    def __exit__(self, *_) -> None:
        self.done.set()
        self.join(timeout=120)


# --- the bench --------------------------------------------------------------------

class Bench:
    def __init__(self, args: argparse.Namespace) -> None:
        self.args = args
        self.tool = harness.Tool("bench")
        for exe in (SPIN, SCM, BARE, SOAK, PROBE):
            shutil.copy2(harness.BUILD / "bench" / exe, self.tool.dir)
        self.scratch = self.tool.prefix / "bench-output"
        self.scratch.mkdir(exist_ok=True)
        self.results: dict = {}
        self.notes: list[str] = []

    def run(self) -> None:
        started = time.monotonic()
        subprocess.run(["xdotool", "mousemove", *POINTER_REST], check=True, timeout=30)
        self.files()
        # A stop that takes WAIT_S, so that both waits below last that long.
        self.tool.behave(StopPendingMs=WAIT_S * 1000)
        self.tool.register()
        self.learn_layout()
        load = {}
        for phase in (self.launches, self.idle_ticks, self.restart_waits, self.language_files,
                      self.soak):
            phase()
            # A one-minute load average above the cores: programs queued.
            load[phase.__name__] = os.getloadavg()[0]
        self.results["seconds"] = time.monotonic() - started
        # The soak loads the machine itself, and nothing after it is timed.
        busy = {k: v for k, v in load.items() if v > (os.cpu_count() or 1) and k != "soak"}
        if busy:
            self.notes.append(
                "The machine was busy with other work (one-minute load average " +
                ", ".join(f"{v:.1f} after {k}" for k, v in busy.items()) +
                f" on {os.cpu_count()} cores): wall times are inflated and the spinning "
                "baseline got less CPU than it would alone, which lowers the wait ratio.")

    # -- the service and the tool's layout --

    def settle_service(self, wanted: int) -> None:
        """The service registered and RUNNING or STOPPED, whatever the rows
        before left of it."""
        state = wait(self.tool.state, "a settled service",
                     accept=lambda seen: seen in (None, RUNNING, STOPPED))
        if state is None:
            self.tool.register()
        if (state or STOPPED) != wanted:
            {RUNNING: self.tool.start_service,
             STOPPED: lambda: self.tool.wine("sc", "stop", SERVICE)}[wanted]()
        self.tool.wait_state(wanted)

    def learn_layout(self) -> None:
        """Where the tool draws its status and Restart, as the running tool
        tells a screen reader; the screenshots below look there."""
        self.settle_service(RUNNING)
        with Program(self, TOOL) as p:
            p.geometry = wait(p.find_window, "the tool's window", deadline=START_DEADLINE)
            layout = wait(p.controls, "the tool's controls", accept=lambda c: "Restart" in c)
        self.status, self.restart = layout["status"], layout["Restart"]
        log(f"status at {self.status}, Restart at {self.restart} in window pixels")

    def status_mask(self, image: Image.Image) -> frozenset[int]:
        """Where the status text's blue lies: its shape, which tells one text
        from another without reading it."""
        label = image.crop(self.status).getdata()
        return frozenset(i for i, pixel in enumerate(label)
                         if all(abs(a - b) <= 16 for a, b in zip(pixel, STATUS_BLUE)))

    def tool_painted(self, image: Image.Image) -> bool:
        # The status text comes in the same paint as everything else, from
        # one memory bitmap: its blue means the whole first paint is there.
        return len(self.status_mask(image)) >= 20

    def restart_enabled(self, image: Image.Image) -> bool:
        # Black text; greyed while a command runs, which leaves no pixel black.
        return pixels_near(image.crop(self.restart), (0, 0, 0), 40) >= 5

    # -- the measurements --

    def files(self) -> None:
        """Size and imports; a DLL is Windows' own when the prefix has it."""
        system32 = self.tool.prefix / "drive_c" / "windows" / "system32"
        figures = {}
        for exe, path in ((TOOL, harness.BUILD / "window" / TOOL),
                          (BARE, harness.BUILD / "bench" / BARE)):
            dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)],
                                  capture_output=True, text=True, check=True).stdout
            dlls = re.findall(r"DLL Name: (\S+)", dump)
            figures[exe] = {"bytes": path.stat().st_size, "dlls": dlls,
                            "non_system": [d for d in dlls if not (system32 / d.lower()).exists()]}
        self.results["files"] = figures

    def launches(self) -> None:
        """Launch to painted window, and the peak memory once it is up, for
        the tool and the bare window in turns, after one launch of each that
        is not counted."""
        checks = {TOOL: self.tool_painted, BARE: filled(FILL)}
        figures: dict = {e: {"seconds": [], "vmhwm_kib": [], "cpu": []} for e in checks}
        for round_ in range(self.args.launches + 1):
            # Turn about, so that neither always follows the other's exit.
            for exe in (TOOL, BARE) if round_ % 2 == 0 else (BARE, TOOL):
                # The previous program's exit is Wine's work too; let it end.
                time.sleep(1.0)
                with Program(self, exe) as p:
                    seconds = p.wait_painted(checks[exe])
                    # Unlike the wall time, other work hardly changes this.
                    cpu = proc_cpu(p.pid)
                    # Up, painted and settled: it holds what it needed.
                    time.sleep(1.0)
                    hwm = proc_kib(p.pid, "VmHWM")
                if round_ > 0:
                    for key, value in (("seconds", seconds), ("cpu", cpu), ("vmhwm_kib", hwm)):
                        figures[exe][key].append(value)
                log(f"{exe}: painted after {seconds * 1000:.0f} ms using {cpu} s of CPU, "
                    f"VmHWM {hwm} KiB" + (" (warm-up)" if round_ == 0 else ""))
        self.results["launch"] = figures

    def idle_spans(self, programs: dict[str, Program]) -> dict:
        """The CPU of programs left alone side by side over the same span,
        once past their start-up: whatever else runs weighs on each alike."""
        time.sleep(SETTLE_S)
        samplers = {name: meter(p.pid, self.tool.prefix) for name, p in programs.items()}
        a = {name: sample() for name, sample in samplers.items()}
        time.sleep(self.args.idle_seconds)
        figures = {name: span(a[name], sample()) for name, sample in samplers.items()}
        log(f"idle: {figures}")
        return figures

    def idle_ticks(self) -> None:
        """The tool with a running service beside two bench_bare_scm; their
        mean is the baseline, their difference the noise."""
        with Program(self, TOOL) as tool, Program(self, SCM) as scm, Program(self, SCM) as twin:
            self.results["idle"] = self.idle_spans({TOOL: tool, SCM: scm, SCM_TWIN: twin})

    def restart_waits(self) -> None:
        """The same stop of the service, waited through by bench_spinwait and
        by the tool's Restart; each measured from the click until its Restart
        is done or WAIT_S have passed."""
        figures = {}
        self.settle_service(RUNNING)
        with Program(self, SPIN) as spin:
            spin.wait_painted(filled(FILL))
            time.sleep(1.0)
            figures[SPIN] = self.measure_wait(spin, (0, 0, *spin.geometry[2:]), filled(DONE))
            # Let it finish the restart, so the service runs for the tool.
            spin.wait_painted(filled(DONE), interval=0.25, deadline=START_DEADLINE * 2)
            figures[SPIN]["printed"] = spin.printed()
        fields = dict(item.split("=") for item in figures[SPIN]["printed"].split())
        self.notes.append(f"bench_spinwait's loop ran {fields['rounds']} rounds while the service "
                          f"took {int(fields['stop_wait_ms']) / 1000:.1f} s to stop.")

        self.settle_service(RUNNING)
        with Program(self, TOOL) as tool:
            tool.wait_painted(lambda im: self.tool_painted(im) and self.restart_enabled(im))
            # Asked before the measurement: asking makes the tool's thread work.
            restart = tool.controls()["Restart"]
            time.sleep(1.0)
            figures[TOOL] = self.measure_wait(tool, restart, self.restart_enabled)
            figures[TOOL]["message_box"] = bool(self.tool.rows("box", MESSAGE_TITLE))
        if figures[TOOL]["message_box"]:
            self.notes.append(
                f"The tool's Restart wait ended in its watchdog message (service deleted): a "
                f"{WAIT_S} s stop is longer than its 8 s pending watchdog, so Restart never "
                f"turned black again; the tool's figure covers the whole {WAIT_S} s, "
                f"message box included.")
        self.results["wait"] = figures

    def measure_wait(self, p: Program, button, done) -> dict:
        sample = meter(p.pid, self.tool.prefix)
        samples = [sample()]
        p.click(button)
        clicked = time.monotonic()
        # Done only after it was seen busy: a screenshot taken before the
        # program got to the click shows the label as it was.
        seen_busy = finished = False
        # Coarse polling from outside the Wine machine: a screenshot costs
        # the X server a little, and the measured process nothing.
        while not finished and time.monotonic() - clicked < WAIT_S:
            time.sleep(min(0.5, max(0.0, WAIT_S - (time.monotonic() - clicked))))
            samples.append(sample())
            if time.monotonic() - clicked < WAIT_S:
                busy = not done(p.screenshot())
                finished, seen_busy = seen_busy and not busy, seen_busy or busy
        figure = span(samples[0], sample())
        figure["finished"] = finished
        figure["timeline"] = [(round(s["wall"] - clicked, 3),
                               round(s["own_precise"] - samples[0]["own_precise"], 4))
                              for s in samples[1:]]
        log(f"{p.exe} wait: {figure}")
        return figure

    def language_files(self) -> None:
        """A 1 MiB language file against none (idle ticks) and against a
        1 KiB one (launch to the translated status), with the service
        running. Settings and files are removed again afterwards."""
        self.settle_service(RUNNING)
        folders = {}
        for size_name, (folder, size) in LANGUAGE_FOLDERS.items():
            path = self.tool.prefix / "drive_c" / folder
            path.mkdir(exist_ok=True)
            (path / f"{LANGUAGE}.txt").write_bytes(language_file(size))
            folders[size_name] = "C:\\" + folder
        try:
            self.tool.wine("reg", "delete", SETTINGS_ROOT, "/f")
            english = self.english_status()
            self.results["language"] = {"launch": self.translated_launches(folders, english),
                                        "idle": self.language_idle(folders["1 MiB"], english)}
        finally:
            self.tool.wine("reg", "delete", SETTINGS_ROOT, "/f")
            for folder, _ in LANGUAGE_FOLDERS.values():
                shutil.rmtree(self.tool.prefix / "drive_c" / folder, ignore_errors=True)

    def use_language_folder(self, folder: str) -> None:
        self.tool.reg_add(harness.SETTINGS_KEY, "LFOLDER", folder)
        self.tool.reg_add(harness.SETTINGS_KEY, "Language", LANGUAGE)

    def english_status(self) -> frozenset[int]:
        """The English status text's shape, from a launch without language
        settings (which also gets Wine going after the other rows)."""
        time.sleep(1.0)
        with Program(self, TOOL) as p:
            p.wait_painted(self.tool_painted)
            log(f"the English status reads {p.controls()['status name']!r}")
            return self.status_mask(p.screenshot())

    def translated_launches(self, folders: dict[str, str], english: frozenset[int]) -> dict:
        """Launch to the first screenshot whose status text has a shape other
        than the English one: the first refresh shows English, the first
        800 ms tick the translation. The sizes take turns."""
        figures = {n: {"seconds": [], "english_seconds": [], "cpu": [], "cpu_precise": []}
                   for n in folders}
        for round_ in range(self.args.launches):
            for size_name in folders if round_ % 2 == 0 else reversed(folders):
                self.use_language_folder(folders[size_name])
                time.sleep(1.0)
                first: list[float] = []

                def translated(image: Image.Image) -> bool:
                    mask = self.status_mask(image)
                    if len(mask) >= 20 and not first:
                        first.append(time.monotonic() - p.started)
                    return len(mask) >= 20 and mask != english

                with Program(self, TOOL) as p:
                    seconds = p.wait_painted(translated)
                    # A few ms is what a large file could cost: run time has
                    # 1 ms steps where utime + stime has 10 ms ones.
                    cpu, precise = proc_cpu(p.pid), proc_run_time(p.pid)
                    read = p.controls()["status name"]
                figure = figures[size_name]
                for key, value in (("seconds", seconds), ("english_seconds", first[0]),
                                   ("cpu", cpu), ("cpu_precise", precise)):
                    figure[key].append(value)
                log(f"{size_name} {LANGUAGE}.txt: first status after {first[0] * 1000:.0f} ms, "
                    f"{read!r} after {seconds * 1000:.0f} ms, {precise * 1000:.0f} ms of CPU")
                if read not in TRANSLATIONS.values():
                    self.notes.append(f"With the {size_name} file the status read {read!r}.")
        return figures

    def language_idle(self, folder: str, english: frozenset[int]) -> dict:
        """The tool with the 1 MiB file, then the tool without language
        settings, each like the idle row once it shows its own status text."""
        figures = {}
        for name, translated in ((TOOL_LANGUAGE, True), (TOOL_ENGLISH, False)):
            (self.use_language_folder(folder) if translated
             else self.tool.wine("reg", "delete", SETTINGS_ROOT, "/f"))
            time.sleep(1.0)
            with Program(self, TOOL) as p:
                p.wait_painted(lambda im: self.tool_painted(im) and (self.status_mask(im) != english) == translated)
                figures |= self.idle_spans({name: p})
        return figures

    def soak(self) -> None:
        """QVStatusToolSoak.exe refreshing --soak-refreshes times while the
        service is started and stopped every 1.5 s; its handles, windows,
        file descriptors and resident memory before and after."""
        wanted = self.args.soak_refreshes
        # Under Wine a refresh takes some 10-50 ms; a machine far slower than
        # that ends the soak at this limit, and a note says so.
        limit = wanted / 10 + 60
        self.tool.behave(StartPendingMs=100, StopPendingMs=100)
        self.settle_service(STOPPED)
        trace = self.scratch / "soak-service-trace.txt"
        counter = RefreshCounter(trace)
        with Program(self, SOAK, env=dict(os.environ, WINEDEBUG="-all,trace+service"),
                     stderr=trace) as p:
            p.wait_painted(self.tool_painted)
            with Flapper(self) as warmup:
                # Both states shown at least twice.
                wait(lambda: (counter.count(), warmup.counts["start"], warmup.counts["stop"]),
                     "the soak's warm-up", deadline=START_DEADLINE * 2, every=0.5,
                     accept=lambda seen: seen[0] >= SOAK_WARMUP_REFRESHES and min(seen[1:]) >= 2)
            figures = {"before": self.soak_sample(p, counter)}
            began, start_count = time.monotonic(), counter.count()
            with Flapper(self) as flapper:
                while counter.count() - start_count < wanted and time.monotonic() - began < limit:
                    if not p.alive():
                        raise MeasurementError(f"{SOAK} ended during the soak")
                    time.sleep(0.5)
            figures |= {"seconds": time.monotonic() - began,
                        "refreshes": counter.count() - start_count, **flapper.counts}
            figures["after"] = self.soak_sample(p, counter)
        log(f"soak: {figures}")
        if figures["refreshes"] < wanted:
            self.notes.append(f"The soak ended after {limit:.0f} s with {figures['refreshes']} "
                              f"of {wanted} refreshes: the machine was too slow for more.")
        self.results["soak"] = figures

    def soak_sample(self, p: Program, counter: RefreshCounter) -> dict:
        """The counters with the service at rest and the tool refreshing as
        ever: the least of several readings, a refresh or more apart."""
        self.settle_service(STOPPED)
        counter.wait_for(SOAK_SETTLE_REFRESHES, "refreshes with the service at rest")
        readings = []
        for _ in range(SOAK_READINGS):
            answer = self.tool.wine(rf"{self.tool.folder}\{PROBE}", TITLE).strip()
            counts = re.fullmatch(r"handles=(\d+) windows=(\d+)", answer)
            if not counts:
                raise MeasurementError(f"bench_probe: {answer!r}")
            readings.append({"handles": int(counts[1]), "windows": int(counts[2]),
                             "fds": len(os.listdir(f"/proc/{p.pid}/fd")),
                             "rss_kib": proc_kib(p.pid, "VmRSS")})
            counter.wait_for(1, "a refresh between readings")
        return {key: min(r[key] for r in readings) for key in readings[0]} | {"readings": readings}


# --- the table ----------------------------------------------------------------------

def fmt_ratio(r: float) -> str:
    return f"{r:.2f}x" if r < 10 else f"{r:.0f}x"


def info(metric: str, tool: str, baseline: str, ratio: str = "-") -> list[str]:
    return [f"  {metric}", tool, baseline, ratio, "-", "-"]


def run_time(figure: dict, notes: list[str], what: str) -> float:
    """A process's CPU by its threads' run time, unless that disagrees with
    utime + stime by more than their 10 ms steps (a thread that ended took
    its run time along), when utime + stime is used."""
    if abs(figure["own_precise"] - figure["own"]) <= 2.0 / CLK_TCK:
        return figure["own_precise"]
    notes.append(f"{what}: thread run times ({figure['own_precise']:.3f} s) disagree with "
                 f"utime+stime ({figure['own']:.2f} s); the latter is used")
    return figure["own"]


def tick_row(metric: str, tool_cpu: float, base_cpu: float, ticks: float, baseline: str):
    t_ms, b_ms = tool_cpu / ticks * 1000, base_cpu / ticks * 1000
    ratio = t_ms / b_ms if b_ms > 0 else float("inf")
    return [metric, f"{t_ms:.2f} ms ({tool_cpu:.3f} s / {ticks:.0f} ticks)",
            f"{b_ms:.2f} ms ({base_cpu:.3f} s / {ticks:.0f} ticks), {baseline}",
            fmt_ratio(ratio), "<= 1.1x", "yes" if ratio <= 1.1 else "no"]


def median_row(metric: str, tool: list[float], base: list[float], baseline: str,
               target: float) -> list[str]:
    t, b = statistics.median(tool) * 1000, statistics.median(base) * 1000
    spread = lambda xs: f"{min(xs) * 1000:.0f}-{max(xs) * 1000:.0f}"  # noqa: E731
    return [metric, f"{t:.0f} ms ({spread(tool)})", f"{b:.0f} ms ({spread(base)}), {baseline}",
            fmt_ratio(t / b), f"<= {target}x", "yes" if t / b <= target else "no"]


def median_info(metric: str, tool: list[float], base: list[float]) -> list[str]:
    t, b = statistics.median(tool) * 1000, statistics.median(base) * 1000
    return info(metric, f"{t:.0f} ms", f"{b:.0f} ms", fmt_ratio(t / b) if b else "-")


def build_table(results: dict, args: argparse.Namespace, notes: list[str]) -> list[list[str]]:
    tick = 1.0 / CLK_TCK
    t, b = results["wait"][TOOL], results["wait"][SPIN]
    t_share, b_share = t["own"] / t["wall"], b["own"] / b["wall"]
    # Below one clock tick the tool's figure is a bound, and so the ratio.
    ratio = b_share / (max(t["own"], tick) / t["wall"])
    rows = [[f"CPU share during a {WAIT_S} s Restart wait",
             f"{t_share * 100:.2f} % ({t['own']:.2f} s in {t['wall']:.1f} s)",
             f"{b_share * 100:.1f} % ({b['own']:.2f} s in {b['wall']:.1f} s), bench_spinwait",
             f"{'>= ' if t['own'] < tick else ''}{fmt_ratio(ratio)} less",
             "tool <= 2 %, >= 50x less", "yes" if t_share <= 0.02 and ratio >= 50 else "no"]]
    ws_t, ws_b = t["wineserver"] / t["wall"], b["wineserver"] / b["wall"]
    rows.append(info("wineserver's CPU share in that wait (info)", f"{ws_t * 100:.2f} %",
                     f"{ws_b * 100:.1f} %", fmt_ratio(ws_b / max(ws_t, tick / t["wall"])) + " less"))

    idle = results["idle"]
    it = idle[TOOL]
    t_cpu = run_time(it, notes, "idle tool")
    # The watchdog cannot fire before 8 s after the click: up to then the
    # tool does nothing but wait.
    early = [(at, cpu) for at, cpu in t["timeline"] if at <= WATCHDOG_FREE_S]
    if early and t_cpu > 0:
        at, cpu = early[-1]
        idle_rate = t_cpu / it["wall"]
        rows.append(info(f"tool's CPU per second, first {at:.1f} s of the wait vs idle (info)",
                         f"{cpu / at * 1000:.1f} ms/s waiting", f"{idle_rate * 1000:.1f} ms/s idle",
                         fmt_ratio(cpu / at / idle_rate)))
    ticks = it["wall"] / REFRESH_S
    b1 = run_time(idle[SCM], notes, "bench_bare_scm")
    b2 = run_time(idle[SCM_TWIN], notes, "bench_bare_scm, 2nd copy")
    rows.append(tick_row(f"CPU per idle refresh tick ({args.idle_seconds} s side by side)",
                         t_cpu, (b1 + b2) / 2, ticks, "bench_bare_scm x2 mean"))
    rows.append(info("noise: one bench_bare_scm against the other (info)", f"{b1 / ticks * 1000:.2f} ms",
                     f"{b2 / ticks * 1000:.2f} ms", fmt_ratio(max(b1, b2) / min(b1, b2)) if min(b1, b2) > 0 else "-"))
    machine = (it["wineserver"] + it["services"]) / (3 * ticks) * 1000
    rows.append(info("wineserver + services.exe per tick, all three programs' ticks (info)",
                     f"{machine:.2f} ms", "(shared)"))

    launch, files = results["launch"], results["files"]
    lt, lb = launch[TOOL], launch[BARE]
    rows.append(median_row(f"Launch to painted window (median of {args.launches})",
                           lt["seconds"], lb["seconds"], "bench_bare_window", 1.15))
    rows.append(median_info("process CPU from launch to painted (median, info)", lt["cpu"], lb["cpu"]))
    ft, fb = files[TOOL], files[BARE]
    rows.append(["Exe size", f"{ft['bytes'] / 1024:.1f} KiB",
                 f"{fb['bytes'] / 1024:.1f} KiB, bench_bare_window",
                 fmt_ratio(ft["bytes"] / fb["bytes"]), "tool <= 1 MiB",
                 "yes" if ft["bytes"] <= MIB else "no"])
    short = lambda dlls: f"{len(dlls)}: " + ", ".join(d.removesuffix(".dll") for d in dlls)  # noqa: E731
    rows.append(["Imported DLLs", short(ft["dlls"]), short(fb["dlls"]), "-",
                 "Windows system DLLs only",
                 "no (" + ", ".join(ft["non_system"]) + ")" if ft["non_system"] else "yes"])
    t_hwm, b_hwm = (statistics.median(x["vmhwm_kib"]) / 1024 for x in (lt, lb))
    rows.append(["Peak memory, VmHWM once painted (median)", f"{t_hwm:.1f} MiB",
                 f"{b_hwm:.1f} MiB, bench_bare_window", fmt_ratio(t_hwm / b_hwm), "<= 1.15x",
                 "yes" if t_hwm / b_hwm <= 1.15 else "no"])

    idle, launch = results["language"]["idle"], results["language"]["launch"]
    rows.append(tick_row(
        f"CPU per idle refresh tick with a 1 MiB language file ({args.idle_seconds} s each, one "
        f"after the other)", run_time(idle[TOOL_LANGUAGE], notes, "idle tool with a language file"),
        run_time(idle[TOOL_ENGLISH], notes, "idle tool without language settings"),
        idle[TOOL_LANGUAGE]["wall"] / REFRESH_S, "the tool without language settings"))
    big, small = launch["1 MiB"], launch["1 KiB"]
    rows.append(median_row(
        f"Launch to the translated status, 1 MiB language file (median of {args.launches})",
        big["seconds"], small["seconds"], "1 KiB file", 1.1))
    rows.append(median_info("launch to the first, English status, same launches (median, info)",
                            big["english_seconds"], small["english_seconds"]))
    cpu = {n: [run_time({"own": c, "own_precise": p}, notes, f"{n} launch")
               for c, p in zip(x["cpu"], x["cpu_precise"])] for n, x in launch.items()}
    rows.append(median_info("process CPU from launch to translated (median, info)",
                            cpu["1 MiB"], cpu["1 KiB"]))

    soak = results["soak"]
    rows.append(["Soak: QVStatusToolSoak's refreshes while the service flapped every 1.5 s (info)",
                 f"{soak['refreshes']} in {soak['seconds']:.0f} s "
                 f"({soak['refreshes'] / soak['seconds']:.1f} a second)",
                 f"started {soak['start']}, stopped {soak['stop']} times"
                 + (f" ({soak['refused']} refused)" if soak["refused"] else ""), "-", "-", "-"])
    for key, label, unit in (("handles", "handles in the system's handle list", ""),
                             ("windows", "top-level windows", ""),
                             ("fds", "open file descriptors of the Linux process", ""),
                             ("rss_kib", "resident memory, VmRSS", " KiB")):
        before, after = soak["before"][key], soak["after"][key]
        rows.append(info(f"{label}, before -> after (info)", f"{before} -> {after}{unit}", "-",
                         f"{after - before:+d}{unit}"))
    return rows


HEADER = ["metric", "tool", "baseline", "ratio", "target", "met?"]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true",
                        help="a trial run of about two minutes: 10 s idle spans, 2 launches, "
                             "600 soak refreshes")
    args = parser.parse_args()
    args.idle_seconds, args.launches, args.soak_refreshes = \
        (10, 2, 600) if args.quick else (60, 5, 10_000)
    bench = Bench(args)
    try:
        bench.run()
    except (MeasurementError, AssertionError, subprocess.SubprocessError) as e:
        print(f"run_bench: a measurement could not be taken: {e}", file=sys.stderr)
        return 1

    rows = build_table(bench.results, args, bench.notes)
    load = os.getloadavg()
    context = (f"{time.strftime('%Y-%m-%d %H:%M')}, {os.cpu_count()} cores, load average "
               f"{load[0]:.2f} {load[1]:.2f} {load[2]:.2f} at the end, "
               f"{bench.results['seconds']:.0f} s")
    widths = [max(len(r[i]) for r in [HEADER, *rows]) for i in range(len(HEADER))]
    line = lambda r: " | ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()  # noqa: E731
    print("", line(HEADER), "-+-".join("-" * w for w in widths), *map(line, rows), "", context,
          *(f"note: {note}" for note in bench.notes), sep="\n")

    out = ROOT / "build" / "bench"
    out.mkdir(parents=True, exist_ok=True)
    md = [f"# make bench, {context}", "", "| " + " | ".join(HEADER) + " |",
          "|" + "---|" * len(HEADER), *("| " + " | ".join(r) + " |" for r in rows), "",
          *(f"- {note}" for note in bench.notes)]
    (out / "results.md").write_text("\n".join(md).rstrip() + "\n")
    (out / "results.json").write_text(json.dumps(bench.results, indent=2) + "\n")
    print(f"written: {out / 'results.md'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
