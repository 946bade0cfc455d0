"""The tool and the service's files in a folder named in Cyrillic, on a
system whose ANSI code page (1252) has no Cyrillic: Start registers the
folder's exact path and the service runs; Stop removes it."""

import harness as h

FOLDER = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool"

with h.scenario("any_script", folder=FOLDER) as tool:
    tool.launch()
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    assert tool.inspect("path", h.SERVICE) == f'"{FOLDER}\\QVVoIPService.exe"'
    assert tool.state() == h.RUNNING
    tool.click("Stop")
    tool.wait_state(None)
