"""The three faces and a Start, Restart, Stop cycle, clicked with the mouse,
with the tool and the service's files in a folder named in Cyrillic on a
system whose ANSI code page (1252) has none: Start registers the service
exactly, its path the folder's own text, quoted for the blank in it, and
runs it; Restart waits out a slow stop with the window alive; Stop removes
the service."""

import harness as h

FOLDER = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool"

with h.scenario("commands", folder=FOLDER) as tool:
    tool.behave(StopPendingMs=3000)
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")  # not installed

    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.inspect("path", h.SERVICE) == f'"{FOLDER}\\QVVoIPService.exe"'
    registered = {"Type": "0x10", "Start": "0x2", "ErrorControl": "0x0", "Group": "1",
                  "DisplayName": "QV Voice Chat Server", "Description": "Quorvel Voice Chat Server"}
    assert registered.items() <= tool.registration().items(), tool.registration()

    tool.click("Restart")
    tool.wait_face("Running: Start- Stop- Restart-")  # the window answers while it waits
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.state() == h.RUNNING

    tool.click("Stop")
    tool.wait_state(None)
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.registration() == {}
