#!/usr/bin/env python3
"""Writes the seed corpora under tests/fuzz/corpus/. Run it again after
changing a seed here; the files it writes are committed."""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent / "corpus"
GERMAN = (b"QVStatusTool language file: German\r\n"
          b"Voice Chat Server=>Sprachchat-Server\r\nTool=>Werkzeug\r\nService=>Dienst\r\n"
          b"Status=>Zustand\r\nStart=>Ausf\xfchren\r\nStop=>Stopp\r\n"
          b"Restart=>Neustart \x96 jetzt\r\nStopped=>Gestoppt\r\nRunning=>L\xe4uft\r\n")


def utf16(text):
    return text.encode("utf-16-le")


def language_file(key, body):
    return bytes([len(key)]) + key + body


FILE_SEEDS = {
    "german": language_file(b"Start", GERMAN),
    "lf_only": language_file(b"Stop", GERMAN.replace(b"\r\n", b"\n")),
    "no_line_break": language_file(b"Start", b"Start=>Los"),
    "lone_cr": language_file(b"Stop", b"header\rStart=>Los\rStop=>Halt\r"),
    "first_line_is_no_entry": language_file(b"Start", b"Start=>nie\r\nStop=>Halt"),
    "arrow_in_translation": language_file(b"Start=", b"h\r\nStart=>a=>b\r\nStart==>c\r\nStop=>=>\r\n"),
    "utf16_bom": language_file(b"Start", b"\xff\xfe" + utf16("h\r\nStart=>Los\r\nStop=>Halt\r\n")),
    "utf16_no_bom": language_file(b"Stop", utf16("h\r\nStart=>Los\r\nStop=>Halt\r\n")),
    "huge_line": language_file(b"Stop", b"h\r\nStart=>" + b"x" * 256 * 1024 + b"\r\nStop=>Halt"),
    "nul_bytes": language_file(b"St\0art", b"h\r\nSt\0art=>L\0os\r\nStart=>Los\0\r\n\0"),
    "keys_differing_in_case": language_file(b"sTaRt", b"h\r\nSTART=>Eins\r\nstart=>Zwei\r\nStArT=>Drei\r\n"),
    "blank_translations": language_file(b"  Restart ", b"h\r\nStart=>   \r\nStop=>\r\nRestart=> \t \r\n"),
    "last_line_unterminated": language_file(b"Running", b"h\r\nRunning=>L\xe4uft"),
    "code_page_case": language_file(b"\x9aervice \xe9t\xe9", b"h\r\n\x8aervice \xc9T\xc9=>ok\r\n"),
    "key_with_line_break": language_file(b"a\r\nb", b"h\r\na\r\nb=>x\r\n"),
    "empty_file": language_file(b"Start", b""),
}

SEP = b"\x1e"


def folder(flags, language, path, *files):
    fields = [bytes(flags), language, path]
    for name, body in files:
        fields += [name, body]
    return SEP.join(fields)


def wide(text):
    return b"\xff" + utf16(text)


LANG = b"C:\\Lang"
FOLDER_SEEDS = {
    "one_file": folder([15], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN)),
    "txt_in_any_case": folder([15], b"Deutsch", LANG, (b"Deutsch.doc", b"h\r\nStart=>doc"),
                              (b"Deutsch.TXT", GERMAN), (b"deutsch.tXt.bak", b"h\r\nStart=>klein")),
    "many_dots": folder([15], b"Deutsch", LANG, (b"Deutsch..txt", b"x"), (b".txt", b"y"),
                        (b"Deutsch.", b"z"), (b"Deutsch.txt.old.1.2", b"h\r\nStart=>alt"),
                        (b"a.b.c.d.e.txt", b"w"), (b"Deutsch", b"v")),
    "english_never_loads": folder([15], b"English", LANG, (b"English.txt", b"h\r\nStart=>E"),
                                  (b"English.TXT.bak", b"h\r\nStart=>F"), (b"english.txt", b"g")),
    "lower_case_english": folder([15], b"english", LANG, (b"english.txt", b"h\r\nStart=>E"),
                                 (b"english.txt.1", b"h\r\nStart=>F")),
    "empty_names": folder([15], b"", LANG, (b"", b"h\r\nStart=>leer"), (b".txt", b"h\r\nStart=>punkt"),
                          (b".", b"q")),
    "non_ascii": folder([15], wide("Русский"), wide("C:\\Языки"),
                        (wide("Русский.txt"), b"h\r\nStart=>\xd1\xf2\xe0\xf0\xf2"),
                        (b"Fran\xe7ais.txt", b"h\r\nStart=>D\xe9marrer")),
    "last_wins_even_empty": folder([15, 0, 0, 0], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN),
                                   (b"Deutsch.txt.2", b"h\r\nStart=>zwei"), (b"Deutsch.TXT.3", b"")),
    "read_failures": folder([15, 1, 2, 3, 0], b"Deutsch", LANG, (b"Deutsch.txt", b"a"),
                            (b"Deutsch.txt.1", b"b"), (b"Deutsch.txt.2", b"c"), (b"other.txt", b"d")),
    "last_file_unreadable": folder([15, 0, 1], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN),
                                   (b"Deutsch.txt.x", b"h\r\nStart=>x")),
    "folder_missing": folder([14], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN)),
    "listing_unreadable": folder([13], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN)),
    "language_unset": folder([11], b"", LANG, (b"English.txt", b"h\r\nStart=>E"),
                             (b"Deutsch.txt", GERMAN)),
    "empty_folder_setting": folder([15], b"Deutsch", b"", (b"Deutsch.txt", GERMAN)),
    "duplicate_in_case": folder([15], b"Deutsch", LANG, (b"Deutsch.txt", GERMAN),
                                (b"DEUTSCH.TXT", b"h\r\nStart=>laut")),
    "utf16_file": folder([15], b"Deutsch", LANG,
                         (b"Deutsch.txt", b"\xff\xfe" + utf16("h\r\nStart=>Los\r\n"))),
}

for target, seeds in (("fuzz_language_file", FILE_SEEDS), ("fuzz_language_folder", FOLDER_SEEDS)):
    out = HERE / target
    out.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (out / name).write_bytes(data)
