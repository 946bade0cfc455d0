"""The language the user's settings pick: a German file (Windows-1252, CR LF)
translates the status and the messages; a 1 MiB file does the same as fast;
an entry whose key only matches the message in a locale-aware way ("\u00df"
for "ss") leaves the message whole, in English."""

import time

import harness as h

LANGUAGES = r"C:\Quorvel\Languages"
ENTRIES = ("Stopped=>Gestoppt\r\n" + h.MISSING_TEXT +
           "=>Starten nicht m\u00f6glich: eine Datei fehlt.\r\n")


def show(tool: h.Tool, text: str) -> float:
    """Writes German.txt, starts the tool, and returns how long it took to
    show the translated status; then Start, to see the missing-file box."""
    (tool.prefix / "drive_c" / LANGUAGES[3:].replace("\\", "/") / "German.txt").write_bytes(
        text.encode("cp1252"))
    tool.launch()
    began = time.monotonic()
    tool.wait_face("Gestoppt: Start+ Stop- Restart-")
    return time.monotonic() - began


with h.scenario("language") as tool:
    (tool.prefix / "drive_c" / LANGUAGES[3:].replace("\\", "/")).mkdir(parents=True)
    tool.reg_add(h.SETTINGS_KEY, "LFOLDER", LANGUAGES)
    tool.reg_add(h.SETTINGS_KEY, "Language", "German")
    (tool.dir / "TesmoVoIP.xml").unlink()

    small = show(tool, "Deutsch\r\n" + ENTRIES)
    tool.click("Start")
    assert tool.box("Quorvel") == "Starten nicht m\u00f6glich: eine Datei fehlt."
    tool.press_ok("Quorvel")
    h.wait(lambda: not tool.running(), "the tool to end")

    filler = "".join(f"# Zeile {n} ohne Eintrag\r\n" for n in range(40000))
    sharp_s = h.MISSING_TEXT.replace("missing", "mi\u00dfing") + "=>Abh\u00e4ngige Datei fehlt\r\n"
    large = show(tool, "Deutsch\r\n" + filler + sharp_s + "Stopped=>Gestoppt\r\n")
    h.log(f"translated status after {small:.1f} s with a small file, {large:.1f} s with 1 MiB")
    tool.click("Start")
    assert tool.box("Quorvel") == h.MISSING_TEXT
