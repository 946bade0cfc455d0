"""What the resilience and soak tests add to qve2e: the tool started with its
calls into the service manager traced, clicks on the window, the stand-in's
processes, the tool's resource counters, and removing the service whatever
state it is left in.

The trace is Wine's own `service` debug channel (WINEDEBUG=trace+service),
written by the tool's process to a file; it is still an outside view (the
program is unchanged), and it is the only one that tells a refresh from a
watchdog tick, and counts the refreshes of a soak, which the screen cannot
at 10 ms.
"""

from __future__ import annotations

import contextlib
import os
import re
import shutil
import subprocess
import time
from dataclasses import dataclass, fields, replace
from pathlib import Path
from typing import Optional

import qve2e
from qve2e import CHANGE_DEADLINE, SERVICE_NAME, log, wait_until

PAUSED = 7

# The window's client area is the whole window (it has no frame); spots
# inside the commands' click areas.
STOP_SPOT = (118, 282)
CLOSE_SPOT = (240, 19)
# Somewhere on the screen off the window, where the pointer can rest without
# raising a tooltip over what the tests read.
POINTER_REST = (1000, 740)

# The access the tool asks for when it opens the service, which tells which
# of its operations a call belongs to.
ACCESS_QUERY_CONFIG = 0x1
ACCESS_QUERY_STATUS = 0x4
ACCESS_START = 0x10
ACCESS_STOP = 0x20
ACCESS_ALL = 0xF01FF


@dataclass(frozen=True)
class CallCounts:
    """The tool's service operations seen in the trace so far."""
    refreshes: int = 0         # status refreshes: the query of the service's configuration
    watchdog_ticks: int = 0    # a status query on its own, not after a configuration query
    stops: int = 0             # stop requests
    starts: int = 0            # start requests
    deletions: int = 0         # the service opened for deletion
    delete_calls: int = 0      # DeleteService itself, reached only for a service it could open

    def __sub__(self, other: "CallCounts") -> "CallCounts":
        return CallCounts(**{f.name: getattr(self, f.name) - getattr(other, f.name)
                             for f in fields(self)})


_TRACE_LINE = re.compile(r":trace:service:(?P<call>\w+) (?P<args>.*)$")


class ServiceCallTrace:
    """Follows the trace file as it grows and sorts the calls into the
    tool's operations. A status query belongs to a refresh when it comes
    right after a configuration query that got as far as reading the
    configuration (the refresh asks for the status only then); any other
    status query is the watchdog's."""

    def __init__(self, path: Path) -> None:
        self.path = path
        self._offset = 0
        self._partial = b""
        self._counts = CallCounts()
        self._last_open: Optional[int] = None
        self._config_read = False

    def counts(self) -> CallCounts:
        self._read()
        return self._counts

    def _read(self) -> None:
        try:
            with open(self.path, "rb") as trace:
                trace.seek(self._offset)
                data = trace.read()
        except FileNotFoundError:
            return
        self._offset += len(data)
        lines = (self._partial + data).split(b"\n")
        self._partial = lines.pop()
        for line in lines:
            m = _TRACE_LINE.search(line.decode("utf-8", "replace").rstrip("\r"))
            if m:
                self._note(m["call"], m["args"])

    def _note(self, call: str, args: str) -> None:
        c = self._counts
        if call == "QueryServiceConfigA":
            self._config_read = True
        elif call == "DeleteService":
            c = _bump(c, "delete_calls")
        elif call == "OpenServiceA":
            access = int(args.split()[-1], 16)
            if access == ACCESS_QUERY_CONFIG:
                c = _bump(c, "refreshes")
            elif access == ACCESS_QUERY_STATUS:
                if not (self._last_open == ACCESS_QUERY_CONFIG and self._config_read):
                    c = _bump(c, "watchdog_ticks")
            elif access == ACCESS_STOP:
                c = _bump(c, "stops")
            elif access == ACCESS_START:
                c = _bump(c, "starts")
            elif access == ACCESS_ALL:
                c = _bump(c, "deletions")
            self._last_open = access
            self._config_read = False
        self._counts = c

    def wait_for(self, since: CallCounts, what: str, deadline: float = CHANGE_DEADLINE,
                 **at_least: int) -> CallCounts:
        """Waits until each named counter has grown by at least the number
        given since `since`; returns the growth."""
        return wait_until(lambda: self.counts() - since, deadline, what,
                          accept=lambda grown: all(getattr(grown, k) >= n
                                                   for k, n in at_least.items()))

    def tail(self, lines: int = 60) -> str:
        try:
            text = self.path.read_text(errors="replace")
        except FileNotFoundError:
            return ""
        return "\n".join(text.splitlines()[-lines:])


def _bump(counts: CallCounts, name: str) -> CallCounts:
    return replace(counts, **{name: getattr(counts, name) + 1})


# --- the tool, traced ---------------------------------------------------------

class Traced:
    """The tool (or its soak build) running in a session with its service
    calls traced."""

    def __init__(self, s: qve2e.Session, exe: str) -> None:
        self.s = s
        self.exe = exe
        self.trace = ServiceCallTrace(s.prefix / f"{exe}.service-trace.txt")
        self._trace_file = None

    def launch(self) -> None:
        s = self.s
        if not (s.program_dir / self.exe).exists():
            shutil.copy2(s.build / ("window" if self.exe == "QVStatusTool.exe" else "bench") / self.exe, s.program_dir / self.exe)
        # -all first: only the service channel, none of Wine's other noise.
        env = dict(os.environ, WINEDEBUG="-all,trace+service")
        self._trace_file = open(self.trace.path, "wb")
        # Started from C:\, as qve2e starts it, and tracked by the session so
        # that it ends with the session.
        s.tool = subprocess.Popen([
            "wine", f"{s.program_win}\\{self.exe}"], cwd=s.prefix / "drive_c",
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self._trace_file,
            env=env)
        s.tool_started = time.monotonic()
        log(f"started {self.exe} (pid {s.tool.pid}), its service calls traced")

    @property
    def linux_pid(self) -> int:
        assert self.s.tool is not None
        return self.s.tool.pid

    def windows_pid(self) -> int:
        windows = self.s.windows_titled(qve2e.WINDOW_TITLE)
        assert len(windows) == 1, f"expected one status window, found {windows}"
        return windows[0].pid

    def alive(self) -> bool:
        return self.s.tool is not None and self.s.tool.poll() is None

    def close_trace(self) -> None:
        if self._trace_file is not None:
            self._trace_file.close()
            self._trace_file = None

    def keep_trace(self) -> None:
        """Keeps the trace of a failed test beside its screenshot."""
        if self.trace.path.exists():
            self.s.artifacts.mkdir(parents=True, exist_ok=True)
            kept = self.s.artifacts / self.trace.path.name
            shutil.copy2(self.trace.path, kept)
            log(f"service call trace: {kept}")


@contextlib.contextmanager
def traced_session(name: str, exe: str = "QVStatusTool.exe"):
    """A qve2e session with a traced tool ready to launch; on the way out,
    whatever happened, the service is removed and the trace closed (and
    kept, for a failure)."""
    with qve2e.session(name) as s:
        tool = Traced(s, exe)
        try:
            yield s, tool
        except BaseException:
            tool.keep_trace()
            raise
        finally:
            s.close()
            tool.close_trace()
            with contextlib.suppress(Exception):
                remove_service(s)


# --- pointer ------------------------------------------------------------------

def click(s: qve2e.Session, spot: tuple[int, int]) -> None:
    """A left click at a spot of the window's client area, as a person's
    mouse would give it, after which the pointer leaves the window."""
    left, top, _, _ = s.window_rect
    x, y = spot
    subprocess.run(["xdotool", "mousemove", "--sync", str(left + x), str(top + y),
                    "click", "1"], check=True, timeout=30)
    subprocess.run(["xdotool", "mousemove", "--sync", *map(str, POINTER_REST)],
                   check=True, timeout=30)


# --- the stand-in -------------------------------------------------------------

def standin_processes(s: qve2e.Session) -> list[int]:
    """Linux pids of the stand-in's processes in this test's prefix (other
    tests' prefixes may run stand-ins of their own)."""
    exe = f"{s.program_win}\\QVVoIPService.exe"
    ours = f"WINEPREFIX={s.prefix}".encode()
    found = []
    for entry in os.scandir("/proc"):
        if not entry.name.isdigit():
            continue
        try:
            with open(f"/proc/{entry.name}/cmdline", "rb") as f:
                command = f.read().split(b"\0", 1)[0].decode("utf-8", "replace")
            if command != exe:
                continue
            with open(f"/proc/{entry.name}/environ", "rb") as f:
                if ours not in f.read().split(b"\0"):
                    continue
        except OSError:
            continue  # gone meanwhile, or not ours to read
        found.append(int(entry.name))
    return found


def sc(s: qve2e.Session, *args: str) -> subprocess.CompletedProcess:
    result = s.wine("sc", *args)
    log(f"sc {' '.join(args)}: exit {result.returncode}")
    return result


def remove_service(s: qve2e.Session) -> None:
    """Leaves the prefix without the service, whatever its state: stopped if
    it takes a stop, deleted, and its process ended should it outlive the
    deletion."""
    if s.service_state() is None:
        return
    s.wine("sc", "stop", SERVICE_NAME)
    s.wine("sc", "delete", SERVICE_NAME)
    try:
        wait_until(s.service_state, 15.0, "the service to go",
                   accept=lambda state: state is None)
    except AssertionError:
        # A service that refuses the stop stays until its process ends.
        if standin_processes(s):
            s.end_service_process()
        s.wait_service_state(None)


def assert_no_service(s: qve2e.Session) -> None:
    remove_service(s)
    assert s.service_state() is None, "the service is still registered"
    assert not s.service_registered(), "the service's registry key is still there"
    assert not standin_processes(s), f"stand-in processes left: {standin_processes(s)}"


# --- resource counters ----------------------------------------------------------

@dataclass(frozen=True)
class Resources:
    """The tool's resource counters; None where the system gives none."""
    handles: Optional[int]   # GetProcessHandleCount
    gdi: Optional[int]       # GetGuiResources(GR_GDIOBJECTS)
    user: Optional[int]      # GetGuiResources(GR_USEROBJECTS)
    listed: Optional[int]    # the process's entries in the system's handle list
    windows: int             # its top-level windows
    fds: int                 # the Linux process's open file descriptors
    rss_kb: int              # the Linux process's resident memory
    raw: str                 # what wininspect counts printed


def _counter(fields_: dict[str, str], name: str) -> Optional[int]:
    value = fields_.get(name, "")
    return int(value) if value.isdigit() else None


def resources(s: qve2e.Session, tool: Traced, windows_pid: int) -> Resources:
    result = s.inspect("counts", str(windows_pid))
    assert result.returncode == 0, f"wininspect counts {windows_pid}: {result.stdout!r}"
    raw = result.stdout.strip()
    values = dict(item.split("=", 1) for item in raw.split() if "=" in item)
    windows = sum(1 for w in qve2e.parse_windows(s.inspect("list").stdout)
                  if w.pid == windows_pid)
    fds = len(os.listdir(f"/proc/{tool.linux_pid}/fd"))
    status = Path(f"/proc/{tool.linux_pid}/status").read_text()
    rss = int(re.search(r"^VmRSS:\s*(\d+) kB", status, re.M).group(1))
    return Resources(handles=_counter(values, "handles"), gdi=_counter(values, "gdi"),
                     user=_counter(values, "user"), listed=_counter(values, "listed"),
                     windows=windows, fds=fds, rss_kb=rss, raw=raw)
