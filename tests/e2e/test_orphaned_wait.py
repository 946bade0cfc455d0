"""Stop waits for a slow stop; meanwhile another tool deletes the service,
which goes without ever showing Stopped. The wait must end then, and not
wake up later to delete the service a new Start installed."""

import time

import harness as h

with h.scenario("orphaned_wait") as tool:
    tool.behave(StopPendingMs=4000)
    tool.register()
    tool.start_service()
    tool.wait_state(h.RUNNING)
    tool.launch()
    tool.wait_face("Running: Start- Stop+ Restart+")
    tool.click("Stop")
    time.sleep(1)
    tool.wine("sc", "delete", h.SERVICE)
    tool.wait_state(None)
    tool.wait_face("Stopped: Start+ Stop- Restart-")

    tool.behave()
    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    tool.wine("sc", "stop", h.SERVICE)
    h.wait(tool.face, "the status Stopped", accept=lambda face: face.startswith("Stopped:"))
    time.sleep(3 * 0.8)
    assert tool.state() == h.STOPPED, "the service the new Start installed is gone"
