"""The tool and the service; languages (README.md)."""

import io
import subprocess
import time

from PIL import Image, ImageOps

import harness as h

FOLDER = "C:\\\u041f\u0440\u043e\u0433\u0440\u0430\u043c\u043c\u044b\\QV Tool"
FROZEN = ": Start- Stop- Restart-"  # pending from the start: the first status text never came


def read(picture: Image.Image) -> str:
    """What tesseract reads in one line of text enlarged four times, as it reads these labels best."""
    label = ImageOps.grayscale(picture)
    label = label.resize((label.width * 4, label.height * 4), Image.LANCZOS)
    png = io.BytesIO()
    ImageOps.expand(label, border=20, fill=255).save(png, "PNG")
    return subprocess.run(["tesseract", "stdin", "-", "--psm", "7"], input=png.getvalue(), capture_output=True,
                          timeout=60, check=True).stdout.decode().strip()


with h.scenario("service", folder=FOLDER) as tool:
    tool.behave(StopPendingMs=3000)
    tool.launch("Stopped: Start+ Stop- Restart-")  # not installed
    tool.click("Start")
    tool.wait_face("Running: Start- Stop+ Restart+")
    # Its path, started with the system (2), its display name.
    registered = [f'"{FOLDER}\\QVVoIPService.exe"', "2", "QV Voice Chat Server"]
    assert tool.rows("service", h.SERVICE)[0][2:] == registered
    tool.click("Restart")
    tool.wait_face("Running: Start- Stop- Restart-")  # the window answers while it waits
    tool.wait_face("Running: Start- Stop+ Restart+")
    tool.click("Stop")
    tool.wait_state(None)
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    tool.end()

    # Its process killed, the service still reads running, and Wine refuses to stop it (232): Stop
    # ends there, so no wait is left to remove the service once it is started and stopped from outside.
    tool.behave()
    tool.register()
    tool.start_service()
    tool.wait_state(h.RUNNING)
    tool.wine("taskkill", "/f", "/pid", tool.rows("service", h.SERVICE)[0][1])
    tool.launch("Running: Start- Stop+ Restart+", trace := tool.prefix / "refused-stop.txt")
    tool.click("Stop")
    h.wait(lambda: b"ControlService" in trace.read_bytes(), "the stop request")
    tool.start_service()

    def stopped_from_outside() -> bool:
        tool.wine("sc", "stop", h.SERVICE)  # refused while it is still starting
        return tool.state() == h.STOPPED
    h.wait(stopped_from_outside, "sc stop to take", every=0.5)
    tool.wait_face("Stopped: Start+ Stop- Restart-")
    assert tool.state() == h.STOPPED, "the registration went"
    tool.wine("sc", "delete", h.SERVICE)
    tool.wait_state(None)
    tool.end()

    tool.behave(StayPending=True)
    tool.register()
    tool.start_service()
    tool.launch(FROZEN)
    assert tool.box("QVStatusTool") == ("Problem in running Quorvel Voice Chat Service Tool. "
                                        "Please re-install Voice Chat Service Tool")
    tool.press_ok("QVStatusTool")
    # Deleted while pending, it goes once its process is ended; the window no longer follows it.
    tool.wine("taskkill", "/f", "/pid", tool.rows("service", h.SERVICE)[0][1])
    tool.wait_state(None)
    time.sleep(3 * 0.8)  # three refresh ticks, in which nothing may change
    assert tool.face() == FROZEN and tool.running()
    tool.end()

    german = (h.ROOT / "docs" / "languages" / "German.txt").read_bytes()
    head, entries = german.replace(b"Restart=>Neustart", b"Restart=>Neu starten").split(b"\n", 1)
    filler = b"".join(b"# Zeile %d ohne Eintrag\r\n" % n for n in range(40000))
    languages = tool.prefix / "drive_c" / "Languages"
    languages.mkdir()
    (languages / "German.txt").write_bytes(head + b"\n" + filler + entries)
    tool.reg_add(h.SETTINGS_KEY, "LFOLDER", r"C:\Languages")
    tool.reg_add(h.SETTINGS_KEY, "Language", "German")
    (tool.dir / "TesmoVoIP.xml").unlink()
    tool.launch("Gestoppt: Starten+ Stoppen- Neu starten-")
    # Two words in one line's room: broken after the first, only "Neu" showed.
    h.wait(lambda: read(tool.shot().crop(tool.rect("Neu starten"))), "Restart drawn whole",
           accept=lambda seen: "Neu starten" in seen, deadline=20, every=1)
    tool.click("Starten")
    assert tool.box("Quorvel") == ("Starten nicht m\u00f6glich, weil eine ben\u00f6tigte Datei fehlt. "
                                   "Bitte installieren Sie das Sprachchat-Dienstwerkzeug neu.")
    tool.press_ok("Quorvel")
    h.wait(lambda: not tool.running(), "the tool to end")
    assert tool.state() is None

    # An Arabic status reads from the right, its Latin part left of the Arabic word, and a reader
    # gets the same text. DejaVu Sans stands in for an installed face that has Arabic letters.
    arabic = "\u0645\u062a\u0648\u0642\u0641 (Quorvel 2)"
    (languages / "Arabic.txt").write_text(f"h\nStopped=>{arabic}\n", encoding="utf-8")
    tool.reg_add(h.SETTINGS_KEY, "Language", "Arabic")
    tool.reg_add(r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes", "Segoe UI", "DejaVu Sans")
    tool.launch(f"{arabic}: Start+ Stop- Restart-")
    status = tool.shot().crop(tool.rect(arabic))
    ink = [x for x in range(status.width) for y in range(status.height) if max(status.getpixel((x, y))[:2]) < 100]
    middle = (min(ink) + max(ink)) // 2
    assert "Quorvel" in read(status.crop((0, 0, middle, status.height))), "the Latin part is not on the left"
    tool.end()

    # Wine reports Unix modes as access lists: o+w is Everyone's write. A language file others can change
    # is not used (the captions translated at load stay English), and Start registers nothing in a
    # folder others can change.
    (languages / "German.txt").chmod(0o666)
    tool.reg_add(h.SETTINGS_KEY, "Language", "German")
    tool.behave()
    tool.dir.chmod(0o777)
    tool.launch("Stopped: Start+ Stop- Restart-")
    tool.click("Start")
    tool.box("Quorvel")
    lines = [row[0] for row in tool.rows("box", "Quorvel")]
    h.log(f"box: {lines}")
    assert lines[0].startswith("Unable to Start: the file or folder below can be changed") and lines[2:] == [
        FOLDER, "Everyone"], lines
    tool.press_ok("Quorvel")
    assert tool.state() is None and tool.running()
    tool.dir.chmod(0o755)
