"""The faces and a Start, Restart, Stop cycle, with the program in a Cyrillic
folder on a 1252 system: Start registers exactly that path, quoted for its
blank; Restart waits out a slow stop; Stop removes the service."""

import harness as h

FOLDER = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool"

with h.scenario("commands", folder=FOLDER) as tool:
    tool.behave(StopPendingMs=3000)
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")  # not installed

    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.image_path() == f'"{FOLDER}\\QVVoIPService.exe"'
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
