"""`make bench`: QVStatusTool.exe beside the comparison programs of bench/ under Wine and Xvfb, a table
of ratios (docs/performance.md). The e2e harness lays out the folder, starts the programs, runs the service
and asks the tool where its controls are. Non-zero only when a figure could not be taken."""

from __future__ import annotations

import argparse, contextlib, json, os, re, shutil, statistics, subprocess, sys, threading, time  # noqa: E401
from pathlib import Path

import psutil
from PIL import Image, ImageGrab

sys.dont_write_bytecode = True  # no __pycache__ left in the source tree
ROOT = Path(__file__).resolve().parents[1]
sys.path.insert(0, str(ROOT / "tests" / "e2e"))
import harness  # noqa: E402
from harness import RUNNING, SERVICE, STOPPED, TITLE, log, wait  # noqa: E402

TOOL, SPIN, SCM, BARE = "QVStatusTool.exe", "bench_spinwait.exe", "bench_bare_scm.exe", "bench_bare_window.exe"
SOAK, PROBE = "QVStatusToolSoak.exe", "bench_probe.exe"  # the tool with a 10 ms refresh; handle counter
SCM_TWIN = "bench_bare_scm.exe (2nd copy)"
TOOL_LANGUAGE, TOOL_ENGLISH = "tool, 1 MiB German.txt", "tool, no language settings"
# bench_common.h's kFill, and bench_spinwait's colour once its restart is done.
FILL, DONE, STATUS_BLUE = (32, 160, 96), (96, 32, 160), (0, 0, 192)
REFRESH_S = 0.8
WAIT_S = 10  # the service's stop time, and so the Restart wait measured
# The watchdog gives up on a service 8 s after it first sees it pending, so the
# first 7.5 s of a wait are the wait alone.
WATCHDOG_FREE_S = 7.5
SETTLE_S = 5.0  # past their start-up before an idle span
START_DEADLINE = 90.0  # loaded Wine is slow to start a process; this only bounds the waits
CLK_TCK = os.sysconf("SC_CLK_TCK")
MIB = 1024 * 1024


class MeasurementError(Exception):
    """A figure that could not be taken: the run ends non-zero."""


def cpu(pid: int) -> float:
    times = psutil.Process(pid).cpu_times()
    return times.user + times.system


def run_time(pid: int) -> float:
    """The scheduler's run time of the live threads: cpu() without its 10 ms steps, which psutil lacks."""
    total = 0
    for thread in psutil.Process(pid).threads():
        with contextlib.suppress(OSError, IndexError):
            total += int(Path(f"/proc/{pid}/task/{thread.id}/schedstat").read_text().split()[0])
    return total / 1e9


def peak_kib(pid: int) -> int:
    """VmHWM, which psutil does not give on Linux."""
    return int(re.search(r"^VmHWM:\s+(\d+)", Path(f"/proc/{pid}/status").read_text(), re.M)[1])


def meter(pid: int, prefix: Path):
    """Samples, to subtract, of the CPU of a process and of its Wine machine's wineserver and services.exe."""
    machine = [p for p in psutil.process_iter(["name", "environ"])
               if (p.info["environ"] or {}).get("WINEPREFIX") == str(prefix)]
    others = {key: [p.pid for p in machine if (p.info["name"] or "").startswith(key)]
              for key in ("wineserver", "services.exe")}

    def total(pids: list[int]) -> float:
        return sum(cpu(p) for p in pids if psutil.pid_exists(p))

    def sample() -> dict[str, float]:
        try:
            return {"wall": time.monotonic(), "own": cpu(pid), "own_precise": run_time(pid),
                    "wineserver": total(others["wineserver"]), "services": total(others["services.exe"])}
        except psutil.Error as e:
            raise MeasurementError(f"process {pid} is gone: {e}") from e
    if not others["wineserver"]:
        raise MeasurementError("no wineserver for the prefix")
    return sample


def span(a: dict, b: dict) -> dict:
    return {key: b[key] - a[key] for key in a}


class Program(contextlib.AbstractContextManager):
    """A Windows program the harness starts from C:\\; `trace` takes Wine's trace of its service calls."""

    def __init__(self, bench: Bench, exe: str, trace: Path | None = None) -> None:
        self.bench, self.exe = bench, exe
        self.output = bench.scratch / f"{exe}.{time.monotonic_ns()}.out"
        self.popen = bench.tool.start(trace, exe=exe, output=self.output)
        self.started = time.monotonic()
        self.geometry: tuple[int, int, int, int] | None = None

    @property
    def pid(self) -> int:
        """Once `wine` has exec'd its way into the exe (named to 15 characters)."""
        def named() -> bool:
            with contextlib.suppress(psutil.Error):
                return psutil.Process(self.popen.pid).name()[:15] == self.exe[:15]
        wait(named, f"{self.exe}'s process", deadline=START_DEADLINE, every=0.05)
        return self.popen.pid

    def alive(self) -> bool:
        return self.popen.poll() is None

    def window(self) -> tuple[int, int, int, int] | None:
        # By the process (Wine sets _NET_WM_PID): copies share a title.
        return harness.geometry("--pid", self.popen.pid)

    def screenshot(self) -> Image.Image:
        x, y, w, h = self.geometry
        # In-process from the X server: fast enough to poll every 20 ms.
        return ImageGrab.grab(bbox=(x, y, x + w, y + h), xdisplay=os.environ["DISPLAY"]).convert("RGB")

    def wait_painted(self, painted, interval: float = 0.02, deadline: float = START_DEADLINE) -> float:
        """Seconds from the launch until the window shows what `painted` looks for, polled."""
        while True:
            now = time.monotonic()
            if now > self.started + deadline:
                raise MeasurementError(f"{self.exe}: no painted window after {deadline:.0f} s")
            if not self.alive():
                raise MeasurementError(f"{self.exe} exited with {self.popen.returncode}")
            self.geometry = self.geometry or self.window()
            if self.geometry is not None and painted(self.screenshot()):
                return time.monotonic() - self.started
            time.sleep(max(0.0, interval - (time.monotonic() - now)))

    def __exit__(self, *_) -> None:
        self.popen.terminate()  # nothing when it has ended
        self.popen.wait(timeout=30)
        # The next launch must not find this one's window still mapped.
        wait(lambda: self.window() is None, f"{self.exe}'s window to go", deadline=30, every=0.05)


def pixels_near(image: Image.Image, colour, tolerance: int = 0) -> int:
    """Counted over the distinct colours, so a poll every 20 ms costs a few ms."""
    return sum(n for n, c in image.getcolors(image.width * image.height) or []
               if all(abs(a - b) <= tolerance for a, b in zip(c, colour)))


def filled(colour):
    return lambda image: pixels_near(image, colour) >= 0.95 * image.width * image.height


SETTINGS_ROOT = harness.SETTINGS_KEY.rsplit("\\", 1)[0]  # removed afterwards, all of it
LANGUAGE = "German"
TRANSLATIONS = {"Stopped": "Gestoppt", "Running": "Laeuft"}
LANGUAGE_FOLDERS = {"1 MiB": ("Lang", MIB), "1 KiB": ("Lang1K", 1024)}


def language_file(size: int) -> bytes:
    """A German.txt of `size` bytes or a few more (ANSI, CR LF), the status entries last: found by searching all."""
    lines = [f"QVStatusTool language file: {LANGUAGE}\r\n"]
    tail = "".join(f"{key}=>{text}\r\n" for key, text in TRANSLATIONS.items())
    length = len(lines[0]) + len(tail)
    while length < size:
        lines.append(f"# filler line {len(lines)}\r\n")
        length += len(lines[-1])
    return ("".join(lines) + tail).encode("cp1252")


SOAK_FLAP_S = 1.5
SOAK_WARMUP_REFRESHES = 300  # flapping before the first reading: what it keeps is there by then
SOAK_SETTLE_REFRESHES = 20  # with the service at rest before each reading
# Readings per sample, a refresh or more apart; the least of each counter is kept: at a
# 10 ms timer the tool is nearly always inside a refresh, holding a handle of its own.
SOAK_READINGS = 10
# Each refresh opens the service with SERVICE_QUERY_CONFIG (0x1), which nothing else the
# tool does unasked does (the watchdog asks for the status only).
QUERY_CONFIG_OPENED = re.compile(rb"^.*:trace:service:OpenServiceA .* (?:0x)?0*1\r?$", re.M)


class RefreshCounter:
    """Counts refreshes in Wine's trace of a program's service calls."""

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


@contextlib.contextmanager
def flapping(bench: Bench):
    """Starts and stops the service with `sc`, SOAK_FLAP_S apart; counts what the manager took and refused."""
    counts, done = {"start": 0, "stop": 0, "refused": 0}, threading.Event()

    def flap() -> None:
        while not done.is_set():
            for verb in ("start", "stop"):
                result = subprocess.run(["wine", "sc", verb, SERVICE], stdin=subprocess.DEVNULL,
                                        capture_output=True, cwd=bench.tool.prefix / "drive_c", timeout=120)
                counts["refused" if result.returncode else verb] += 1
                if done.wait(SOAK_FLAP_S):
                    return
    thread = threading.Thread(target=flap, daemon=True)
    thread.start()
    yield counts
    done.set()
    thread.join(timeout=120)


class Bench:
    def __init__(self, args: argparse.Namespace) -> None:
        self.args, self.tool = args, harness.Tool("bench")
        for exe in (SPIN, SCM, BARE, SOAK, PROBE):
            shutil.copy2(harness.BUILD / "bench" / exe, self.tool.dir)
        self.scratch = self.tool.prefix / "bench-output"
        self.scratch.mkdir(exist_ok=True)
        self.results: dict = {}
        self.notes: list[str] = []

    def run(self) -> None:
        started = time.monotonic()
        harness.xdotool("mousemove", *harness.POINTER_REST)
        self.files()
        self.tool.behave(StopPendingMs=WAIT_S * 1000)  # both waits below last that long
        self.tool.register()
        self.learn_layout()
        load = {}
        for phase in (self.launches, self.idle_ticks, self.restart_waits, self.language_files):
            phase()
            load[phase.__name__] = os.getloadavg()[0]  # above the cores: programs queued
        self.soak()  # it loads the machine itself, and nothing after it is timed
        self.results["seconds"] = time.monotonic() - started
        busy = {k: v for k, v in load.items() if v > (os.cpu_count() or 1)}
        if busy:
            loads = ", ".join(f"{v:.1f} after {k}" for k, v in busy.items())
            self.notes.append(f"The machine was busy with other work (one-minute load average {loads} on "
                              f"{os.cpu_count()} cores): wall times are inflated and the spinning baseline got "
                              "less CPU than it would alone, which lowers the wait ratio.")

    def settle_service(self, wanted: int) -> None:  # registered and `wanted`, whatever the rows before left
        state = wait(self.tool.state, "a settled service", accept=lambda seen: seen in (None, RUNNING, STOPPED))
        if state is None:
            self.tool.register()
        if (state or STOPPED) != wanted:
            self.tool.start_service() if wanted == RUNNING else self.tool.wine("sc", "stop", SERVICE)
        self.tool.wait_state(wanted)

    def learn_layout(self) -> None:  # where the running tool tells a screen reader its status and Restart are
        self.settle_service(RUNNING)
        with Program(self, TOOL) as p:
            p.wait_painted(lambda _: True)  # the window found
            self.tool.at = p.geometry[:2]  # where the harness measures the controls from
            layout = wait(self.tool.controls, "the tool's controls", accept=lambda c: "Restart" in c)
            self.status, self.restart = layout[self.status_name()], layout["Restart"]
        log(f"status at {self.status}, Restart at {self.restart} in window pixels")

    def status_name(self) -> str:  # the third text a reader finds, after the heading and the status's label
        return self.tool.elements()[2][2]

    def status_mask(self, image: Image.Image) -> frozenset[int]:  # its shape tells one text from another
        return frozenset(i for i, pixel in enumerate(image.crop(self.status).getdata())
                         if all(abs(a - b) <= 16 for a, b in zip(pixel, STATUS_BLUE)))

    def tool_painted(self, image: Image.Image) -> bool:
        # The status text comes in the same paint as everything else, from one memory
        # bitmap: its blue means the whole first paint is there.
        return len(self.status_mask(image)) >= 20

    def restart_enabled(self, image: Image.Image) -> bool:
        # Black text; greyed while a command runs, which leaves no pixel black.
        return pixels_near(image.crop(self.restart), (0, 0, 0), 40) >= 5

    def files(self) -> None:  # size and imports; a DLL is Windows' own when the prefix has it
        system32 = self.tool.prefix / "drive_c" / "windows" / "system32"
        self.results["files"] = {}
        for exe, path in ((TOOL, harness.BUILD / "window" / TOOL), (BARE, harness.BUILD / "bench" / BARE)):
            dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", str(path)],
                                  capture_output=True, text=True, check=True).stdout
            dlls = re.findall(r"DLL Name: (\S+)", dump)
            self.results["files"][exe] = {"bytes": path.stat().st_size, "dlls": dlls, "non_system": [
                d for d in dlls if not (system32 / d.lower()).exists()]}

    def launches(self) -> None:
        """Launch to painted window and peak memory, tool and bare window in turns, after an uncounted one each."""
        checks = {TOOL: self.tool_painted, BARE: filled(FILL)}
        figures: dict = {e: {"seconds": [], "vmhwm_kib": [], "cpu": []} for e in checks}
        for round_ in range(self.args.launches + 1):
            # Turn about, so that neither always follows the other's exit.
            for exe in (TOOL, BARE) if round_ % 2 == 0 else (BARE, TOOL):
                time.sleep(1.0)  # the previous program's exit is Wine's work too
                with Program(self, exe) as p:
                    seconds = p.wait_painted(checks[exe])
                    used = cpu(p.pid)  # unlike the wall time, other work hardly changes this
                    time.sleep(1.0)  # up, painted and settled: it holds what it needed
                    hwm = peak_kib(p.pid)
                if round_ > 0:
                    for key, value in (("seconds", seconds), ("cpu", used), ("vmhwm_kib", hwm)):
                        figures[exe][key].append(value)
                log(f"{exe}: painted after {seconds * 1000:.0f} ms using {used:.2f} s of CPU, VmHWM {hwm} KiB"
                    + (" (warm-up)" if round_ == 0 else ""))
        self.results["launch"] = figures

    def idle_spans(self, programs: dict[str, Program]) -> dict:
        """The CPU of programs left alone side by side past their start-up: other work weighs on each alike."""
        time.sleep(SETTLE_S)
        samplers = {name: meter(p.pid, self.tool.prefix) for name, p in programs.items()}
        before = {name: sample() for name, sample in samplers.items()}
        time.sleep(self.args.idle_seconds)
        figures = {name: span(before[name], sample()) for name, sample in samplers.items()}
        log(f"idle: {figures}")
        return figures

    def idle_ticks(self) -> None:  # beside two bench_bare_scm: their mean the baseline, their difference the noise
        with Program(self, TOOL) as tool, Program(self, SCM) as scm, Program(self, SCM) as twin:
            self.results["idle"] = self.idle_spans({TOOL: tool, SCM: scm, SCM_TWIN: twin})

    def restart_waits(self) -> None:
        """One stop waited out by bench_spinwait and the tool's Restart, from the click to done or WAIT_S."""
        figures = {}
        self.settle_service(RUNNING)
        with Program(self, SPIN) as spin:
            spin.wait_painted(filled(FILL))
            time.sleep(1.0)
            figures[SPIN] = self.measure_wait(spin, (0, 0, *spin.geometry[2:]), filled(DONE))
            # Let it finish the restart, so the service runs for the tool.
            spin.wait_painted(filled(DONE), interval=0.25, deadline=START_DEADLINE * 2)
            figures[SPIN]["printed"] = spin.output.read_text(errors="replace").strip()
        fields = dict(item.split("=") for item in figures[SPIN]["printed"].split())
        self.notes.append(f"bench_spinwait's loop ran {fields['rounds']} rounds while the service "
                          f"took {int(fields['stop_wait_ms']) / 1000:.1f} s to stop.")
        self.settle_service(RUNNING)
        with Program(self, TOOL) as tool:
            tool.wait_painted(lambda im: self.tool_painted(im) and self.restart_enabled(im))
            self.tool.at = tool.geometry[:2]
            restart = self.tool.rect("Restart")  # asked before: asking makes the tool's thread work
            time.sleep(1.0)
            figures[TOOL] = self.measure_wait(tool, restart, self.restart_enabled)
            figures[TOOL]["message_box"] = bool(self.tool.rows("box", "QVStatusTool"))  # its boxes' title
        if figures[TOOL]["message_box"]:
            self.notes.append(f"The tool's Restart wait ended in its watchdog message (service deleted): a {WAIT_S} s "
                              f"stop is longer than its 8 s pending watchdog, so Restart never turned black again; "
                              f"the tool's figure covers the whole {WAIT_S} s, message box included.")
        self.results["wait"] = figures

    def measure_wait(self, p: Program, button, done) -> dict:
        sample = meter(p.pid, self.tool.prefix)
        samples = [sample()]
        harness.click(p.geometry[0] + (button[0] + button[2]) // 2, p.geometry[1] + (button[1] + button[3]) // 2)
        clicked = time.monotonic()
        # Done only after it was seen busy: a screenshot taken before the program got to
        # the click shows the label as it was. Coarse polling from outside the Wine
        # machine: a screenshot costs the X server a little, the measured process nothing.
        seen_busy = finished = False
        while not finished and time.monotonic() - clicked < WAIT_S:
            time.sleep(min(0.5, max(0.0, WAIT_S - (time.monotonic() - clicked))))
            samples.append(sample())
            if time.monotonic() - clicked < WAIT_S:
                busy = not done(p.screenshot())
                finished, seen_busy = seen_busy and not busy, seen_busy or busy
        figure = span(samples[0], sample()) | {"finished": finished, "timeline": [
            (round(s["wall"] - clicked, 3), round(s["own_precise"] - samples[0]["own_precise"], 4))
            for s in samples[1:]]}
        log(f"{p.exe} wait: {figure}")
        return figure

    def language_files(self) -> None:
        """A 1 MiB language file against none (idle ticks) and a 1 KiB one (launch to the translated status)."""
        self.settle_service(RUNNING)
        for folder, size in LANGUAGE_FOLDERS.values():
            (self.tool.prefix / "drive_c" / folder).mkdir(exist_ok=True)
            (self.tool.prefix / "drive_c" / folder / f"{LANGUAGE}.txt").write_bytes(language_file(size))
        self.tool.wine("reg", "delete", SETTINGS_ROOT, "/f")
        time.sleep(1.0)
        with Program(self, TOOL) as p:  # the English status's shape
            p.wait_painted(self.tool_painted)
            log(f"the English status reads {self.status_name()!r}")
            english = self.status_mask(p.screenshot())
        # The idle spans come last: they end without language settings, as the soak runs.
        self.results["language"] = {"launch": self.translated_launches(english),
                                    "idle": self.language_idle(english)}

    def use_language_folder(self, size_name: str) -> None:
        self.tool.reg_add(harness.SETTINGS_KEY, "LFOLDER", "C:\\" + LANGUAGE_FOLDERS[size_name][0])
        self.tool.reg_add(harness.SETTINGS_KEY, "Language", LANGUAGE)

    def translated_launches(self, english: frozenset[int]) -> dict:
        """Launch to a status shaped unlike English: the first refresh is English, the first tick translated."""
        figures = {n: {"seconds": [], "english_seconds": [], "cpu": [], "cpu_precise": []} for n in LANGUAGE_FOLDERS}
        for round_ in range(self.args.launches):
            for size_name in LANGUAGE_FOLDERS if round_ % 2 == 0 else reversed(LANGUAGE_FOLDERS):
                self.use_language_folder(size_name)
                time.sleep(1.0)
                first: list[float] = []

                def translated(image: Image.Image) -> bool:
                    mask = self.status_mask(image)
                    if len(mask) >= 20 and not first:
                        first.append(time.monotonic() - p.started)
                    return len(mask) >= 20 and mask != english

                with Program(self, TOOL) as p:
                    seconds = p.wait_painted(translated)
                    # A few ms is what a large file could cost: run time has 1 ms steps.
                    used, precise = cpu(p.pid), run_time(p.pid)
                    read = self.status_name()
                for key, value in (("seconds", seconds), ("english_seconds", first[0]),
                                   ("cpu", used), ("cpu_precise", precise)):
                    figures[size_name][key].append(value)
                log(f"{size_name} {LANGUAGE}.txt: first status after {first[0] * 1000:.0f} ms, "
                    f"{read!r} after {seconds * 1000:.0f} ms, {precise * 1000:.0f} ms of CPU")
                if read not in TRANSLATIONS.values():
                    self.notes.append(f"With the {size_name} file the status read {read!r}.")
        return figures

    def language_idle(self, english: frozenset[int]) -> dict:
        """With the 1 MiB file, then without language settings, each like the idle row once showing its status."""
        figures = {}
        for name, translated in ((TOOL_LANGUAGE, True), (TOOL_ENGLISH, False)):
            (self.use_language_folder("1 MiB") if translated
             else self.tool.wine("reg", "delete", SETTINGS_ROOT, "/f"))
            time.sleep(1.0)
            with Program(self, TOOL) as p:
                p.wait_painted(lambda im: self.tool_painted(im) and (self.status_mask(im) != english) == translated)
                figures |= self.idle_spans({name: p})
        return figures

    def soak(self) -> None:
        """The soak tool refreshing while the service flaps every 1.5 s; its handles, windows, fds, RSS before and after."""
        wanted = self.args.soak_refreshes
        # A refresh takes some 10-50 ms under Wine; a far slower machine ends at this limit.
        limit = wanted / 10 + 60
        self.tool.behave(StartPendingMs=100, StopPendingMs=100)
        self.settle_service(STOPPED)
        counter = RefreshCounter(self.scratch / "soak-service-trace.txt")
        with Program(self, SOAK, counter.trace) as p:
            p.wait_painted(self.tool_painted)
            with flapping(self) as warmup:  # both states shown at least twice
                wait(lambda: (counter.count(), warmup["start"], warmup["stop"]),
                     "the soak's warm-up", deadline=START_DEADLINE * 2, every=0.5,
                     accept=lambda seen: seen[0] >= SOAK_WARMUP_REFRESHES and min(seen[1:]) >= 2)
            figures = {"before": self.soak_sample(p, counter)}
            began, start_count = time.monotonic(), counter.count()
            with flapping(self) as flapped:
                while counter.count() - start_count < wanted and time.monotonic() - began < limit:
                    if not p.alive():
                        raise MeasurementError(f"{SOAK} ended during the soak")
                    time.sleep(0.5)
            figures |= {"seconds": time.monotonic() - began, "refreshes": counter.count() - start_count,
                        **flapped}
            figures["after"] = self.soak_sample(p, counter)
        log(f"soak: {figures}")
        if figures["refreshes"] < wanted:
            self.notes.append(f"The soak ended after {limit:.0f} s with {figures['refreshes']} "
                              f"of {wanted} refreshes: the machine was too slow for more.")
        self.results["soak"] = figures

    def soak_sample(self, p: Program, counter: RefreshCounter) -> dict:
        """The least of several readings a refresh apart, the service at rest and the tool refreshing as ever."""
        self.settle_service(STOPPED)
        counter.wait_for(SOAK_SETTLE_REFRESHES, "refreshes with the service at rest")
        readings = []
        for _ in range(SOAK_READINGS):
            answer = self.tool.wine(rf"{self.tool.folder}\{PROBE}", TITLE).strip()
            counts = re.fullmatch(r"handles=(\d+) windows=(\d+)", answer)
            if not counts:
                raise MeasurementError(f"bench_probe: {answer!r}")
            process = psutil.Process(p.pid)
            readings.append({"handles": int(counts[1]), "windows": int(counts[2]),
                             "fds": process.num_fds(), "rss_kib": process.memory_info().rss // 1024})
            counter.wait_for(1, "a refresh between readings")
        return {key: min(r[key] for r in readings) for key in readings[0]} | {"readings": readings}


def ratio(r: float) -> str:
    return f"{r:.2f}x" if r < 10 else f"{r:.0f}x"


def row(metric: str, tool: str, baseline: str, r: str, target: str, met: bool) -> list[str]:
    return [metric, tool, baseline, r, target, "yes" if met else "no"]


def info(metric: str, tool: str, baseline: str, r: str = "-") -> list[str]:
    return [f"  {metric}", tool, baseline, r, "-", "-"]


def own_cpu(figure: dict, notes: list[str], what: str) -> float:
    """Thread run time, unless off utime + stime by more than their steps (an ended thread took it along)."""
    if abs(figure["own_precise"] - figure["own"]) <= 2.0 / CLK_TCK:
        return figure["own_precise"]
    notes.append(f"{what}: thread run times ({figure['own_precise']:.3f} s) disagree with "
                 f"utime+stime ({figure['own']:.2f} s); the latter is used")
    return figure["own"]


def tick_row(metric: str, tool_cpu: float, base_cpu: float, ticks: float, baseline: str) -> list[str]:
    t, b = tool_cpu / ticks * 1000, base_cpu / ticks * 1000
    r = t / b if b > 0 else float("inf")
    return row(metric, f"{t:.2f} ms ({tool_cpu:.3f} s / {ticks:.0f} ticks)",
               f"{b:.2f} ms ({base_cpu:.3f} s / {ticks:.0f} ticks), {baseline}", ratio(r), "<= 1.1x", r <= 1.1)


def median_row(metric: str, tool: list[float], base: list[float], baseline: str = "", target: float = 0) -> list[str]:
    """Milliseconds, the medians compared; without a target an (info) row."""
    t, b = statistics.median(tool) * 1000, statistics.median(base) * 1000
    if not target:
        return info(metric, f"{t:.0f} ms", f"{b:.0f} ms", ratio(t / b) if b else "-")
    spread = lambda xs: f"{min(xs) * 1000:.0f}-{max(xs) * 1000:.0f}"  # noqa: E731
    return row(metric, f"{t:.0f} ms ({spread(tool)})", f"{b:.0f} ms ({spread(base)}), {baseline}",
               ratio(t / b), f"<= {target}x", t / b <= target)


def build_table(results: dict, args: argparse.Namespace, notes: list[str]) -> list[list[str]]:
    tick = 1.0 / CLK_TCK
    t, b = results["wait"][TOOL], results["wait"][SPIN]
    t_share, b_share = t["own"] / t["wall"], b["own"] / b["wall"]
    r = b_share / (max(t["own"], tick) / t["wall"])  # below one clock tick a bound
    rows = [row(f"CPU share during a {WAIT_S} s Restart wait",
                f"{t_share * 100:.2f} % ({t['own']:.2f} s in {t['wall']:.1f} s)",
                f"{b_share * 100:.1f} % ({b['own']:.2f} s in {b['wall']:.1f} s), bench_spinwait",
                f"{'>= ' if t['own'] < tick else ''}{ratio(r)} less", "tool <= 2 %, >= 50x less",
                t_share <= 0.02 and r >= 50)]
    ws_t, ws_b = t["wineserver"] / t["wall"], b["wineserver"] / b["wall"]
    rows.append(info("wineserver's CPU share in that wait (info)", f"{ws_t * 100:.2f} %",
                     f"{ws_b * 100:.1f} %", ratio(ws_b / max(ws_t, tick / t["wall"])) + " less"))
    idle = results["idle"]
    it = idle[TOOL]
    t_cpu = own_cpu(it, notes, "idle tool")
    # The watchdog cannot fire before 8 s after the click: up to then the tool only waits.
    early = [(at, used) for at, used in t["timeline"] if at <= WATCHDOG_FREE_S]
    if early and t_cpu > 0:
        at, used = early[-1]
        rate = t_cpu / it["wall"]
        rows.append(info(f"tool's CPU per second, first {at:.1f} s of the wait vs idle (info)",
                         f"{used / at * 1000:.1f} ms/s waiting", f"{rate * 1000:.1f} ms/s idle",
                         ratio(used / at / rate)))
    ticks = it["wall"] / REFRESH_S
    b1, b2 = own_cpu(idle[SCM], notes, "bench_bare_scm"), own_cpu(idle[SCM_TWIN], notes, "bench_bare_scm, 2nd copy")
    rows.append(tick_row(f"CPU per idle refresh tick ({args.idle_seconds} s side by side)",
                         t_cpu, (b1 + b2) / 2, ticks, "bench_bare_scm x2 mean"))
    rows.append(info("noise: one bench_bare_scm against the other (info)", f"{b1 / ticks * 1000:.2f} ms",
                     f"{b2 / ticks * 1000:.2f} ms", ratio(max(b1, b2) / min(b1, b2)) if min(b1, b2) > 0 else "-"))
    rows.append(info("wineserver + services.exe per tick, all three programs' ticks (info)",
                     f"{(it['wineserver'] + it['services']) / (3 * ticks) * 1000:.2f} ms", "(shared)"))
    lt, lb = results["launch"][TOOL], results["launch"][BARE]
    rows.append(median_row(f"Launch to painted window (median of {args.launches})",
                           lt["seconds"], lb["seconds"], "bench_bare_window", 1.15))
    rows.append(median_row("process CPU from launch to painted (median, info)", lt["cpu"], lb["cpu"]))
    ft, fb = results["files"][TOOL], results["files"][BARE]
    rows.append(row("Exe size", f"{ft['bytes'] / 1024:.1f} KiB", f"{fb['bytes'] / 1024:.1f} KiB, bench_bare_window",
                    ratio(ft["bytes"] / fb["bytes"]), "tool <= 1 MiB", ft["bytes"] <= MIB))
    short = lambda dlls: f"{len(dlls)}: " + ", ".join(d.removesuffix(".dll") for d in dlls)  # noqa: E731
    rows.append(["Imported DLLs", short(ft["dlls"]), short(fb["dlls"]), "-", "Windows system DLLs only",
                 "no (" + ", ".join(ft["non_system"]) + ")" if ft["non_system"] else "yes"])
    t_hwm, b_hwm = (statistics.median(x["vmhwm_kib"]) / 1024 for x in (lt, lb))
    rows.append(row("Peak memory, VmHWM once painted (median)", f"{t_hwm:.1f} MiB", f"{b_hwm:.1f} MiB, bench_bare_window",
                    ratio(t_hwm / b_hwm), "<= 1.15x", t_hwm / b_hwm <= 1.15))
    idle, launch = results["language"]["idle"], results["language"]["launch"]
    rows.append(tick_row(
        f"CPU per idle refresh tick with a 1 MiB language file ({args.idle_seconds} s each, one after the other)",
        own_cpu(idle[TOOL_LANGUAGE], notes, "idle tool with a language file"),
        own_cpu(idle[TOOL_ENGLISH], notes, "idle tool without language settings"),
        idle[TOOL_LANGUAGE]["wall"] / REFRESH_S, "the tool without language settings"))
    big, small = launch["1 MiB"], launch["1 KiB"]
    rows.append(median_row(f"Launch to the translated status, 1 MiB language file (median of {args.launches})",
                           big["seconds"], small["seconds"], "1 KiB file", 1.1))
    rows.append(median_row("launch to the first, English status, same launches (median, info)",
                            big["english_seconds"], small["english_seconds"]))
    used = {n: [own_cpu({"own": c, "own_precise": p}, notes, f"{n} launch") for c, p in zip(x["cpu"], x["cpu_precise"])]
            for n, x in launch.items()}
    rows.append(median_row("process CPU from launch to translated (median, info)", used["1 MiB"], used["1 KiB"]))
    soak = results["soak"]
    rows.append(["Soak: QVStatusToolSoak's refreshes while the service flapped every 1.5 s (info)",
                 f"{soak['refreshes']} in {soak['seconds']:.0f} s ({soak['refreshes'] / soak['seconds']:.1f} a second)",
                 f"started {soak['start']}, stopped {soak['stop']} times"
                 + (f" ({soak['refused']} refused)" if soak["refused"] else ""), "-", "-", "-"])
    for key, label, unit in (("handles", "handles in the system's handle list", ""), ("windows", "top-level windows", ""),
                             ("fds", "open file descriptors of the Linux process", ""),
                             ("rss_kib", "resident memory, VmRSS", " KiB")):
        before, after = soak["before"][key], soak["after"][key]
        rows.append(info(f"{label}, before -> after (info)", f"{before} -> {after}{unit}", "-", f"{after - before:+d}{unit}"))
    return rows


HEADER = ["metric", "tool", "baseline", "ratio", "target", "met?"]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true",
                        help="a trial run of about two minutes: 10 s idle spans, 2 launches, 600 soak refreshes")
    args = parser.parse_args()
    args.idle_seconds, args.launches, args.soak_refreshes = (10, 2, 600) if args.quick else (60, 5, 10_000)
    bench = Bench(args)
    try:
        bench.run()
    except (MeasurementError, AssertionError, subprocess.SubprocessError) as e:
        print(f"run_bench: a measurement could not be taken: {e}", file=sys.stderr)
        return 1
    rows = build_table(bench.results, args, bench.notes)
    context = (f"{time.strftime('%Y-%m-%d %H:%M')}, {os.cpu_count()} cores, load average "
               f"{' '.join(f'{x:.2f}' for x in os.getloadavg())} at the end, {bench.results['seconds']:.0f} s")
    widths = [max(len(r[i]) for r in [HEADER, *rows]) for i in range(len(HEADER))]
    line = lambda r: " | ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip()  # noqa: E731
    print("", line(HEADER), "-+-".join("-" * w for w in widths), *map(line, rows), "", context,
          *(f"note: {note}" for note in bench.notes), sep="\n")
    out = ROOT / "build" / "bench"
    out.mkdir(parents=True, exist_ok=True)
    md = [f"# make bench, {context}", "", "| " + " | ".join(HEADER) + " |", "|" + "---|" * len(HEADER),
          *("| " + " | ".join(r) + " |" for r in rows), "", *(f"- {note}" for note in bench.notes)]
    (out / "results.md").write_text("\n".join(md).rstrip() + "\n")
    (out / "results.json").write_text(json.dumps(bench.results, indent=2) + "\n")
    print(f"written: {out / 'results.md'}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
