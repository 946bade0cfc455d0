"""One window per session: a second start brings the open window forward and
ends by itself without a single call to the service manager; once the first
copy has ended, a start opens a window again. (Where the window lands on its
screen is left to the native tests: Wine puts every new window at (0, 0).)"""

import subprocess
import time

import harness as h

SERVICE_CALL = b":trace:service:"  # a line of Wine's trace of the service manager calls


def windows() -> int:
    return len(subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{h.TITLE}$"],
                              capture_output=True, text=True, timeout=30).stdout.split())


with h.scenario("one_window") as tool:
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")

    trace = tool.prefix / "service-calls.txt"
    started = time.monotonic()
    second = tool.start(trace)
    h.wait(lambda: second.poll() is not None, "the second start to end by itself")
    h.log(f"the second start ended with {second.returncode} "
          f"after {time.monotonic() - started:.1f} s")
    assert second.returncode == 0
    assert windows() == 1, windows()
    assert SERVICE_CALL not in trace.read_bytes(), "the second start called the service manager"
    tool.wait_face("Stopped: Start+ Stop- Restart-")  # the first copy carries on

    tool.click("Close")
    h.wait(lambda: not tool.running(), "the first copy to end")
    tool.launch(trace)
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert windows() == 1, windows()
    assert SERVICE_CALL in trace.read_bytes(), "the trace shows no service calls at all"
