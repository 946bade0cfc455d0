"""A service that never leaves its start-pending state: 8 s after the tool
first sees it so, the tool deletes it, says so, and refreshes no more."""

import time

import harness as h

with h.scenario("watchdog") as tool:
    tool.behave(StayPending=True)
    tool.register()
    tool.start_service()
    tool.launch()
    tool.wait_face(": Start- Stop- Restart-")  # the first status text never came
    began = time.monotonic()
    assert tool.box("QVStatusTool") == h.WATCHDOG_TEXT
    h.log(f"box up {time.monotonic() - began:.1f} s after the all-grey face")
    frozen = tool.face()
    assert frozen == ": Start- Stop- Restart-", frozen
    tool.press_ok("QVStatusTool")
    # Deleted while pending, the service goes once its process does; the
    # display no longer follows it.
    tool.end_service_process()
    tool.wait_state(None)
    time.sleep(3 * 0.8)
    assert tool.face() == frozen and tool.running()
