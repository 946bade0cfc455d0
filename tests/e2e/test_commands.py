"""The three faces and a Start, Restart, Stop cycle, clicked with the mouse:
Start registers the service exactly (its path quoted, for the blank in the
folder's name) and runs it; Restart waits out a slow stop with the window
alive; Stop removes the service."""

import harness as h

with h.scenario("commands") as tool:
    tool.behave(StopPendingMs=3000)
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")  # not installed

    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    registered = {"Type": "0x10", "Start": "0x2", "ErrorControl": "0x0", "Group": "1",
                  "ImagePath": r'"C:\Program Files\Quorvel\QVVoIPService.exe"',
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
