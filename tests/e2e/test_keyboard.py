"""Without a mouse: Tab, Enter and Escape start and stop the service and close
the tool, and a screen reader in another process follows the focus."""

import harness as h

START, STOP, CLOSE = "4", "5", "7"  # the commands' child ids, after the texts

with h.scenario("keyboard") as tool:
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    tool.keys("Tab")
    h.wait(lambda: tool.inspect("focus", h.TITLE), "the focus on Start", accept=lambda f: f == START)

    tool.keys("Return")  # Start goes grey and gives up the focus: no command has it
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.state() == h.RUNNING
    assert tool.inspect("focus", h.TITLE) == "0"

    tool.keys("Tab", "Right", "shift+Tab")  # Stop, Restart, back to Stop
    h.wait(lambda: tool.inspect("focus", h.TITLE), "the focus on Stop", accept=lambda f: f == STOP)
    tool.keys("space")
    h.wait(tool.state, "the service stopped and removed", accept=lambda s: s is None)
    tool.wait_face("Stopped: Start+ Stop- Restart-")

    tool.keys("Escape")
    h.wait(lambda: not tool.running(), "Escape to end the tool")
