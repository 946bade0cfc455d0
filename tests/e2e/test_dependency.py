"""Start without the service's data file beside the tool: the message, then
the program ends, and nothing is registered."""

import harness as h

with h.scenario("dependency") as tool:
    (tool.dir / "TesmoVoIP.xml").unlink()
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    tool.click("Start")
    assert tool.box("Quorvel") == h.MISSING_TEXT
    tool.press_ok("Quorvel")
    h.wait(lambda: not tool.running(), "the tool to end")
    assert tool.state() is None and tool.registration() == {}
