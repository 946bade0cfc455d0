"""A brief start pending arms the watchdog; an ordinary Stop clicked 7.6 s
after Start must only stop the service, not meet that spell's deadline."""

import time

import harness as h

with h.scenario("stale_watchdog") as tool:
    tool.behave(StartPendingMs=300, StopPendingMs=1500)
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    tool.click("Start")
    started = time.monotonic()
    tool.wait_face("Running: Start- Stop+ Restart+")
    time.sleep(max(0.0, 7.6 - (time.monotonic() - started)))
    tool.click("Stop")
    tool.wait_state(None)
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.inspect("box", "QVStatusTool").startswith("error="), "the watchdog spoke"
