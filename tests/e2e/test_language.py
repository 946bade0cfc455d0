"""The language the user's settings pick, end to end: a German language
file (Windows-1252, CR LF) in the folder LFOLDER names, Language=German.

Each its own ctest test (and prefix):
  LanguageTest.test_german_window_and_dependency_box
  LanguageTest.test_german_watchdog_box
  LanguageTest.test_missing_folder_is_made_and_the_window_stays_english
"""

import difflib
import os
import re
import unittest

import qve2e
import qve2e_look as look
from qve2e import MESSAGE_TITLE, RUNNING, START_PENDING, WATCHDOG_MESSAGE, log, \
    wait_until

# The tool reads a language file in the ANSI code page, which Wine takes
# from the Unix locale: pin one for which that is Windows-1252.
os.environ["LC_ALL"] = "C.UTF-8"

OPTIONS = r"HKCU\Software\VB and VBA Program Settings\Quorvel\Options"
LANGUAGES = r"C:\Quorvel\Languages"
DEPENDENCY_TITLE = "Quorvel"
DEPENDENCY_MESSAGE = ("Unable to Start due to a dependency file missing. "
                      "Please re-install Voice Chat Service Tool")
GERMAN = {
    "Voice Chat Server": "Sprachchat-Server",
    "Tool": "Werkzeug",
    "Service": "Dienst",
    "Status": "Status",
    "Start": "Starten",
    "Stop": "Stoppen",
    "Restart": "Neustart",
    "Stopped": "Gestoppt",
    "Running": "L\u00e4uft",
    WATCHDOG_MESSAGE: "Problem beim Ausf\u00fchren des Quorvel-Sprachchat-Dienstwerkzeugs. "
                      "Bitte installieren Sie das Sprachchat-Dienstwerkzeug neu.",
    DEPENDENCY_MESSAGE: "Starten nicht m\u00f6glich, weil eine ben\u00f6tigte Datei fehlt. "
                        "Bitte installieren Sie das Sprachchat-Dienstwerkzeug neu.",
}
# Client rectangles (inclusive) of the title, two lines, the heading, and
# the command captions inside their button frames.
TITLE_RECT = (81, 25, 246, 83)
HEADING_RECT = (81, 149, 166, 161)
CAPTION_RECTS = {"Start": (15, 274, 64, 288), "Stop": (95, 274, 144, 289),
                 "Restart": (175, 274, 224, 289)}
START_POINT = (40, 281)


def letters(text: str) -> str:
    return re.sub(r"[^a-z]", "", text.lower())


def likeness(a: str, b: str) -> float:
    return difflib.SequenceMatcher(None, letters(a), letters(b)).ratio()


def reads_as(seen: str, meant: str, other: str) -> bool:
    """Whether OCR's reading of a caption is `meant` rather than `other`.
    Small greyed captions come back a letter off now and then ("Restalt"),
    so a near reading counts, if it is nearer than the other language's."""
    return likeness(seen, meant) >= 0.75 and likeness(seen, meant) > likeness(seen, other)


def captions(window) -> dict[str, str]:
    texts = {"title": look.ocr(window, TITLE_RECT, lines=2),
             "heading": look.ocr(window, HEADING_RECT)}
    texts.update({name: look.ocr(window, rect) for name, rect in CAPTION_RECTS.items()})
    return texts


GERMAN_CAPTIONS = {"title": "Quorvel Sprachchat-Server Werkzeug", "heading": "Dienst Status",
                   "Start": "Starten", "Stop": "Stoppen", "Restart": "Neustart"}
ENGLISH_CAPTIONS = {"title": "Quorvel Voice Chat Server Tool", "heading": "Service Status",
                    "Start": "Start", "Stop": "Stop", "Restart": "Restart"}


class LanguageTest(unittest.TestCase):
    def choose_language(self, s: qve2e.Session, folder: str, language: str) -> None:
        for name, value in (("LFOLDER", folder), ("Language", language)):
            result = s.wine("reg", "add", OPTIONS, "/v", name, "/t", "REG_SZ", "/d", value, "/f")
            self.assertEqual(result.returncode, 0,
                             f"reg add {name}: {result.stdout}{result.stderr}")

    def write_german(self, folder) -> None:
        folder.mkdir(parents=True, exist_ok=True)
        lines = ["QVStatusTool language file: German"]
        lines += [f"{key}=>{text}" for key, text in GERMAN.items()]
        (folder / "German.txt").write_bytes("".join(f"{line}\r\n" for line in lines)
                                             .encode("cp1252"))

    def assert_captions(self, window, language: str, when: str) -> None:
        meant, other = ((GERMAN_CAPTIONS, ENGLISH_CAPTIONS) if language == "German"
                        else (ENGLISH_CAPTIONS, GERMAN_CAPTIONS))
        seen = captions(window)
        wrong = {k: v for k, v in seen.items() if not reads_as(v, meant[k], other[k])}
        self.assertEqual(wrong, {}, f"not {language} {when}; read {seen}")

    def box_text(self, s: qve2e.Session, title: str, deadline=qve2e.CHANGE_DEADLINE) -> str:
        boxes = wait_until(lambda: s.windows_titled(title), deadline,
                           f"a message box titled {title!r}")
        self.assertEqual(len(boxes), 1, boxes)
        texts = [c.text for c in boxes[0].children if c.cls == "Static" and c.text]
        self.assertEqual(len(texts), 1, boxes[0])
        return texts[0]

    def test_german_window_and_dependency_box(self):
        with qve2e.session("language_german") as s:
            self.write_german(s.prefix / "drive_c" / "Quorvel" / "Languages")
            self.choose_language(s, LANGUAGES, "German")
            # Missing: the first press on Start has to say so, in German.
            (s.program_dir / "TesmoVoIP.xml").unlink()

            s.launch_tool()
            statuses: list[tuple[str, object]] = []  # each new status, with its frame

            def german_status(frames) -> bool:
                seconds, window = frames[-1]
                status = qve2e.read_status(window)
                if status and status not in [seen for seen, _ in statuses[-1:]]:
                    statuses.append((status, window))
                    log(f"{seconds:.2f} s after the launch the status reads {status!r}")
                return status == GERMAN["Stopped"]

            look.record_until(s, german_status)
            # The status is set before the captions are translated, and only
            # the next refresh translates it.
            self.assertEqual([seen for seen, _ in statuses], ["Stopped", GERMAN["Stopped"]])
            self.assert_captions(statuses[0][1], "German", "with the first status")

            x, y = s.wait_for_window()[:2]
            self.assert_captions(s.screenshot(), "German", "later")
            self.assertEqual(qve2e.label_state(s.last_screenshot, "Start"), "enabled")
            tip = look.tooltip_at(s, (x + START_POINT[0], y + START_POINT[1]))
            self.assertEqual(tip, "Starten Dienst")

            look.move_to(x + START_POINT[0], y + START_POINT[1])
            look.xdotool("click", "1")
            self.assertEqual(self.box_text(s, DEPENDENCY_TITLE), GERMAN[DEPENDENCY_MESSAGE])
            s.click_ok(DEPENDENCY_TITLE)
            code = wait_until(s.tool.poll, qve2e.CHANGE_DEADLINE, "the tool to end",
                              accept=lambda rc: rc is not None)
            self.assertEqual(code, 0)
            self.assertIsNone(s.service_state(), "a service was installed anyway")
            log("the dependency box spoke German and the tool ended")

    def test_german_watchdog_box(self):
        with qve2e.session("language_watchdog") as s:
            self.write_german(s.prefix / "drive_c" / "Quorvel" / "Languages")
            self.choose_language(s, LANGUAGES, "German")
            s.write_standin_config(StayPending=True)
            s.install_service()
            s.start_service()
            s.wait_service_state(START_PENDING)

            s.launch_tool()
            s.wait_for_window()
            # The watchdog gives up 8 s after it first sees the service pending.
            self.assertEqual(self.box_text(s, MESSAGE_TITLE, deadline=60.0),
                             GERMAN[WATCHDOG_MESSAGE])
            self.assert_captions(s.screenshot(), "German", "with the box up")
            s.click_ok(MESSAGE_TITLE)
            wait_until(lambda: s.windows_titled(MESSAGE_TITLE), qve2e.CHANGE_DEADLINE,
                       "the message box to close", accept=lambda boxes: not boxes)
            log("the watchdog's box spoke German")

    def test_missing_folder_is_made_and_the_window_stays_english(self):
        with qve2e.session("language_missing_folder") as s:
            parent = s.prefix / "drive_c" / "Quorvel"
            # A German file beside the missing folder, which must not be read.
            self.write_german(parent)
            self.choose_language(s, LANGUAGES, "German")
            folder = parent / "Languages"
            self.assertFalse(folder.exists())

            s.launch_tool()
            s.wait_for_window()
            wait_until(folder.is_dir, qve2e.CHANGE_DEADLINE, f"the folder {LANGUAGES}")
            self.assertEqual(list(folder.iterdir()), [])
            shown = s.wait_for_display(lambda d: d.status == "Stopped", "'Stopped'")
            self.assert_captions(s.last_screenshot, "English", "with the folder missing")
            log(f"English with the folder made: {shown}")

            # The refresh that follows a change says it in English too.
            s.install_service()
            s.start_service()
            s.wait_service_state(RUNNING)
            shown = s.wait_for_display(lambda d: d.status not in ("", "Stopped"),
                                       "the status after the service started")
            self.assertEqual(shown.status, "Running")


if __name__ == "__main__":
    unittest.main(verbosity=2)
