"""The kit's German sample (1252) translates status and messages; a file as
Notepad saves "Unicode" (UTF-16 LE with its mark), with LF line ends and 1 MiB
of other lines, translates at no cost; a Restart translated longer than its label ("Neu
starten") is drawn whole, smaller, not cut to its first word; a key matching a
message only loosely ("\u00df" for "ss") leaves it whole; the Russian sample
saved as UTF-8 without its mark reads back exactly through the screen
reader."""

import codecs
import subprocess
import time

from PIL import Image, ImageOps

import harness as h

FOLDER = r"C:\Quorvel\Languages"
KIT = h.ROOT / "docs" / "languages"


def show(tool: h.Tool, language: str, content: bytes) -> float:
    """Starts the tool with `content` as the language's file, and returns how
    long it took to show the translated status."""
    tool.reg_add(h.SETTINGS_KEY, "Language", language)
    (tool.prefix / "drive_c" / FOLDER[3:].replace("\\", "/") / f"{language}.txt").write_bytes(content)
    tool.launch()
    began = time.monotonic()
    h.wait(tool.face, "the translated status", accept=lambda face: not face.startswith("Stopped"))
    return time.monotonic() - began


def drawn_text(tool: h.Tool, name: str) -> str:
    """What tesseract reads in the label a reader knows by `name`, as drawn
    now: one line, enlarged four times, as it reads these labels best."""
    left, top, right, bottom = tool.rect(name)
    label = ImageOps.grayscale(tool.shot().crop((left, top, right, bottom)))
    label = label.resize((label.width * 4, label.height * 4), Image.LANCZOS)
    page = ImageOps.expand(label, border=20, fill=255)
    path = h.ARTIFACTS / "language" / "label.png"
    path.parent.mkdir(parents=True, exist_ok=True)
    page.save(path)
    return subprocess.run(["tesseract", str(path), "-", "--psm", "7"], capture_output=True, text=True,
                          timeout=60, check=True).stdout.strip()


def missing_file_box(tool: h.Tool, start: str) -> str:
    """Start (captioned `start`) without the service's data file: the
    message, then the program ends with nothing registered."""
    tool.click(start)
    text = tool.box("Quorvel")
    tool.press_ok("Quorvel")
    h.wait(lambda: not tool.running(), "the tool to end")
    assert tool.state() is None
    return text


with h.scenario("language") as tool:
    (tool.prefix / "drive_c" / FOLDER[3:].replace("\\", "/")).mkdir(parents=True)
    tool.reg_add(h.SETTINGS_KEY, "LFOLDER", FOLDER)
    (tool.dir / "TesmoVoIP.xml").unlink()

    german = (KIT / "German.txt").read_bytes()
    small = show(tool, "German", german)
    assert tool.face() == "Gestoppt: Starten+ Stoppen- Neustart-", tool.face()
    assert missing_file_box(tool, "Starten") == ("Starten nicht m\u00f6glich, weil eine ben\u00f6tigte Datei "
                                      "fehlt. Bitte installieren Sie das Sprachchat-Dienstwerkzeug neu.")

    filler = "".join(f"# Zeile {n} ohne Eintrag\n" for n in range(40000))
    sharp_s = h.MISSING_TEXT.replace("missing", "mi\u00dfing") + "=>Datei fehlt\n"
    unicode = "Deutsch\n" + filler + sharp_s + "Stopped=>Gestoppt\nRestart=>Neu starten\n"
    large = show(tool, "German", codecs.BOM_UTF16_LE + unicode.encode("utf-16-le"))
    h.log(f"translated status after {small:.1f} s with the sample, {large:.1f} s with 1 MiB in UTF-16")
    # Two words in one line's room: broken after the first, only "Neu" showed.
    h.wait(lambda: drawn_text(tool, "Neu starten"), "Restart drawn whole",
           accept=lambda read: "Neu starten" in read, deadline=20, every=1)
    assert missing_file_box(tool, "Start") == h.MISSING_TEXT

    russian = (KIT / "Russian.txt").read_bytes()
    assert russian.startswith(codecs.BOM_UTF8)
    show(tool, "Russian", russian[len(codecs.BOM_UTF8):])
    # As a set: the reader's order of the controls is not this scenario's concern.
    seen = {(role, name, description) for role, _, name, description, _ in tool.elements()}
    service = "\u0421\u043b\u0443\u0436\u0431\u0430"
    commands = ("\u041f\u0443\u0441\u043a", "\u0421\u0442\u043e\u043f", "\u0417\u0430\u043d\u043e\u0432\u043e")
    assert seen == {
        *((h.BUTTON, command, f"{command} {service}") for command in commands),
        (h.BUTTON, "Close", "Close"),
        (h.TEXT, "Quorvel \u0421\u0435\u0440\u0432\u0435\u0440 \u0433\u043e\u043b\u043e\u0441\u043e\u0432"
                 "\u043e\u0433\u043e \u0447\u0430\u0442\u0430 \u2014 \u0438\u043d\u0441\u0442\u0440\u0443"
                 "\u043c\u0435\u043d\u0442", ""),
        (h.TEXT, f"{service} \u0441\u0442\u0430\u0442\u0443\u0441", ""),
        (h.TEXT, "\u041e\u0441\u0442\u0430\u043d\u043e\u0432\u043b\u0435\u043d\u0430", "")}, seen
    (h.ARTIFACTS / "language").mkdir(parents=True, exist_ok=True)
    tool.shot().save(h.ARTIFACTS / "language" / "russian.png")
