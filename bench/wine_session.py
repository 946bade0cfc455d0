"""The bench's Wine session: the program folder in the prefix that
tools/wine/with-prefix.sh gives the run, Windows commands run in it, the
stand-in service, and what bench_probe.exe reports from inside Wine.

Everything here talks to Windows the way an administrator would (`sc`,
`reg`) or through bench_probe; nothing reaches into the measured programs.
"""

from __future__ import annotations

import os
import re
import shutil
import subprocess
import tempfile
import time
from pathlib import Path
from typing import Callable, Iterable, Optional, TypeVar

T = TypeVar("T")

ROOT = Path(__file__).resolve().parents[1]

WINDOW_TITLE = "Voice Chat Service Status Tool"
# The title of the tool's message boxes.
MESSAGE_TITLE = "QVStatusTool"
SERVICE_NAME = "QuorvelVC"
SERVICE_DISPLAY_NAME = "QV Voice Chat Server"

# Service states as the service manager reports them.
STOPPED, START_PENDING, STOP_PENDING, RUNNING = 1, 2, 3, 4
ERROR_SERVICE_DOES_NOT_EXIST = 1060

# Waits that end as soon as their condition holds; generous, because a
# loaded two-core machine can take long to start a Wine process.
CHANGE_DEADLINE = 45.0

PROBE = "bench_probe.exe"


def log(message: str) -> None:
    print(f"[{time.strftime('%H:%M:%S')}] {message}", flush=True)


def wait_until(probe: Callable[[], T], deadline: float, what: str,
               accept: Callable[[T], object] = bool, interval: float = 0.2) -> T:
    """Polls `probe` until `accept` takes what it returns, and returns that;
    raises AssertionError, with what was last seen, after `deadline` s."""
    end = time.monotonic() + deadline
    while True:
        seen = probe()
        if accept(seen):
            return seen
        if time.monotonic() >= end:
            raise AssertionError(f"gave up after {deadline:.0f} s waiting for {what}; "
                                 f"last seen: {seen}")
        time.sleep(interval)


class Session:
    """The program folder C:\\Program Files\\Quorvel of this run's prefix,
    laid out as an installation (the tool, the stand-in service and its data
    file), with the bench's own programs (from the build's bench/) beside
    them."""

    def __init__(self, bench_programs: Iterable[str]) -> None:
        prefix = os.environ.get("WINEPREFIX")
        if not prefix or not os.environ.get("DISPLAY"):
            raise SystemExit("run under tools/wine/with-xvfb.sh tools/wine/with-prefix.sh")
        self.prefix = Path(prefix)
        if self.prefix.name == "template":
            raise SystemExit("refusing to run in the template prefix")
        self.build = Path(os.environ.get("QV_WINDOWS_BUILD_DIR", ROOT / "build" / "mingw"))
        self.program_win = r"C:\Program Files\Quorvel"
        self.program_dir = self.prefix / "drive_c" / "Program Files" / "Quorvel"
        self.program_dir.mkdir(parents=True, exist_ok=True)
        for source in (self.build / "window" / "QVStatusTool.exe",
                       self.build / "standin" / "QVVoIPService.exe",
                       self.build / "standin" / "TesmoVoIP.xml",
                       *(self.build / "bench" / name for name in bench_programs)):
            shutil.copy2(source, self.program_dir / source.name)

    def windows_path(self, path: Path) -> str:
        """The C: path of a file under the prefix's drive_c."""
        return "C:\\" + str(path.relative_to(self.prefix / "drive_c")).replace("/", "\\")

    # -- running Windows commands --

    def wine(self, *args: str, timeout: float = 120.0) -> subprocess.CompletedProcess:
        # Output through files, not pipes: the first Wine process of a
        # prefix starts services.exe and friends, which inherit its handles
        # and outlive it, so a pipe would not see its end.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(["wine", *args], cwd=self.prefix / "drive_c",
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                    timeout=timeout)
            out.seek(0)
            err.seek(0)
            result.stdout = out.read().decode("utf-8", "replace").replace("\r\n", "\n")
            result.stderr = err.read().decode("utf-8", "replace").replace("\r\n", "\n")
        return result

    def probe(self, *args: str) -> subprocess.CompletedProcess:
        return self.wine(f"{self.program_win}\\{PROBE}", *args)

    def windows_titled(self, title: str) -> list[dict[str, int]]:
        """The top-level windows titled exactly `title`: their Windows
        process id and whether they are visible."""
        found = []
        for line in self.probe("find", title).stdout.splitlines():
            m = re.fullmatch(r"window pid=(\d+) visible=([01])", line.strip())
            if m:
                found.append({"pid": int(m[1]), "visible": int(m[2])})
        return found

    def counts(self, windows_pid: int) -> dict[str, int]:
        """The process's entries in the system's handle list and its
        top-level windows."""
        answer = self.probe("counts", str(windows_pid)).stdout.strip()
        m = re.fullmatch(r"handles=(\d+) windows=(\d+)", answer)
        if not m:
            raise AssertionError(f"bench_probe counts {windows_pid}: {answer!r}")
        return {"handles": int(m[1]), "windows": int(m[2])}

    def set_user_setting(self, key: str, name: str, value: str) -> None:
        result = self.wine("reg", "add", key, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
        assert result.returncode == 0, f"reg add {key} {name}: {result.stdout}{result.stderr}"

    def delete_key(self, key: str) -> None:
        """Removes a registry key and all below it; nothing if it is absent."""
        self.wine("reg", "delete", key, "/f")

    # -- the stand-in service --

    def write_standin_config(self, **elements: object) -> None:
        """TesmoVoIP.xml, which the stand-in reads at each start."""
        lines = ['<?xml version="1.0" encoding="utf-8"?>', "<TesmoVoIP>"]
        lines += [f"  <{key}>{value}</{key}>" for key, value in elements.items()]
        lines.append("</TesmoVoIP>")
        (self.program_dir / "TesmoVoIP.xml").write_text("\n".join(lines) + "\n")

    def install_service(self) -> None:
        binpath = f'"{self.program_win}\\QVVoIPService.exe"'
        result = self.wine("sc", "create", SERVICE_NAME, "binpath=", binpath,
                           "DisplayName=", SERVICE_DISPLAY_NAME)
        assert result.returncode == 0, f"sc create failed: {result.stdout}{result.stderr}"

    def start_service(self) -> None:
        """Wine's service manager, on a loaded machine, now and then refuses
        a start right after the service was created; a refused start of a
        service that is still stopped is asked again until the deadline."""
        def attempt() -> bool:
            if self.wine("sc", "start", SERVICE_NAME).returncode == 0:
                return True
            return self.service_state() in (START_PENDING, RUNNING)
        wait_until(attempt, CHANGE_DEADLINE, "the service to accept sc start", interval=0.5)

    def stop_service(self) -> None:
        result = self.wine("sc", "stop", SERVICE_NAME)
        assert result.returncode == 0, f"sc stop failed: {result.stdout}{result.stderr}"

    def service_state(self) -> Optional[int]:
        """The service's state; None when the service manager says it does
        not exist."""
        answer = self.probe("service", SERVICE_NAME).stdout.strip()
        m = re.fullmatch(r"state=(\d+) pid=\d+", answer)
        if m:
            return int(m[1])
        if answer == f"error={ERROR_SERVICE_DOES_NOT_EXIST}":
            return None
        raise AssertionError(f"cannot read the service's state: {answer!r}")

    def wait_service_state(self, state: Optional[int],
                           deadline: float = CHANGE_DEADLINE) -> None:
        wait_until(self.service_state, deadline, f"service state {state}",
                   accept=lambda seen: seen == state)
