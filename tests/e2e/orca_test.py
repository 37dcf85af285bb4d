"""What the real Orca screen reader says while the program plays, keys arriving as a user types them.

Usage: orca_test.py VARNEL MAKE_DEMO_TRACKS LANGUAGE... (it, es), inside run_session.sh. Orca runs with a
silent speech server and writes each utterance to a log; every step presses keys, waits until Orca has been
quiet for a moment, and checks the words it spoke for that step.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from e2e_support import SKIP, Program, Tally, key, key_holding_ctrl, require, wait_for  # noqa: E402

TEXTS = {
    "it": {
        "paused": " (in pausa)",
        "help_first_line": "Aiuto per i tasti utili nel campo di editazione",
        "list_help_first_line": "Aiuto per i tasti utili nell'elenco dei brani",
        "jump_caption": "Vai alla posizione",
        "jump_prompt": "Inserisci la posizione (mm.ss):",
        "options_caption": "Varnel - Opzioni",
        "volume_label": "Volume per finestra in secondo piano:",
        "order_label": "Ordinamento lista brani:",
        "order_none": "Nessuno",
        "order_next": "Alfabetico",
        "sound_boxes": ["Volume uniforme del parlato", "Audio mono (stesso suono nei due canali)",
                        "Accorcia i silenzi"],
        "stopped": "Fermo",
        "donation_caption": "Varnel - Donare serve!",
        "speed": "Velocità {}",
        "volume": "Volume {}",
        "decimal": ",",
        # Orca's own words for a table's column, which a list of tracks must not bring up.
        "column": "colonna",
        "chapter": "Capitolo 2 di 3: La tempesta",
        "chapter_left": "Fine del capitolo tra",
        "list_left": "Fine della lista tra",
        "heard": "ascoltato il",
        "bookmark": "Segnalibro",
        "places_caption": "Segnalibri e capitoli",
        "went_back": "Ritorno a",
        "timer_15": "Timer 15 minuti",
        "timer_track_end": "Timer fine brano",
        "timer_off": "Timer spento",
        "book_title": "Il libro di prova",
        "level_2": "Livello 2",
        "pages": "Pagine",
        "page_1": "Pagina 1",
        "page_2": "Pagina 2",
        "page_caption": "Vai alla pagina",
        "where": r"Sezione 1\.1(\.1)?, livello [23], pagina 2",
    },
    "es": {
        "paused": " (en pausa)",
        "help_first_line": "Ayuda para las teclas útiles en el campo de edición",
        "list_help_first_line": "Ayuda para las teclas útiles en la lista de pistas",
        "jump_caption": "Ir a la posición",
        "jump_prompt": "Inserta la posición (mn.ss):",
        "options_caption": "Varnel - Opciones",
        "volume_label": "Volumen de la ventana en segundo plano:",
        "order_label": "Ordenación lista de pistas:",
        "order_none": "Ninguna",
        "order_next": "Alfabética",
        "sound_boxes": ["Volumen uniforme de la voz", "Sonido mono (igual en los dos canales)",
                        "Acortar los silencios"],
        "stopped": "Detenido",
        "donation_caption": "Varnel - Donar es útil!",
        "speed": "Velocidad {}",
        "volume": "Volumen {}",
        "decimal": ",",
        "column": "columna",
        "chapter": "Capítulo 2 de 3: La tempesta",
        "chapter_left": "Fin del capítulo en",
        "list_left": "Fin de la lista en",
        "heard": "escuchado el",
        "bookmark": "Marcador",
        "places_caption": "Marcadores y capítulos",
        "went_back": "Vuelta a",
        "timer_15": "Temporizador 15 minutos",
        "timer_track_end": "Temporizador fin de pista",
        "timer_off": "Temporizador apagado",
        "book_title": "Il libro di prova",
        "level_2": "Nivel 2",
        "pages": "Páginas",
        "page_1": "Página 1",
        "page_2": "Página 2",
        "page_caption": "Ir a la página",
        "where": r"Sezione 1\.1(\.1)?, nivel [23], página 2",
    },
}
HELP_CAPTION = "Varnel - Aiuto dei tasti"
IDLE_TITLE = "Varnel - donationware"
# The time field read on its own: an utterance that begins with a time.
BARE_TIME = re.compile(r"^(\d+ min )?\d+ sec")
# Longer than the field's refresh, so that a new time is shown while Ctrl is still down.
CTRL_HELD = 1.3
QUIET = 0.5  # Orca speaks a step's words within a few hundred milliseconds of each other
FIRST_WORD = 2.5


class Speech:
    """Orca's utterances, read back from the log its customizations write."""

    def __init__(self, path):
        self.path = path
        self.seen = 0

    def all(self):
        try:
            with open(self.path, encoding="utf-8") as f:
                lines = f.read().splitlines()
        except FileNotFoundError:
            return []
        spoken = []
        for line in lines:
            stamp, _, message = line.partition("\t")
            m = re.match(r"SPEECH OUTPUT: '(.*)'", message)
            if m:
                spoken.append((float(stamp), m.group(1)))
        return spoken

    def settle(self, timeout=10.0, until=None, first_word=None):
        """Waits until nothing new has been said for QUIET seconds; returns what was said since the last call.

        With until, first waits up to timeout for the words said since the last call to satisfy it: some
        words follow the program's own pace rather than the key, such as a title that changes once the track
        plays. The words are returned all the same when they never do, for the check to fail on them.
        """
        deadline = time.monotonic() + timeout
        if until is not None:
            while not until([text for _, text in self.all()[self.seen:]]) and time.monotonic() < deadline:
                time.sleep(0.05)
        count = len(self.all())
        # A busy machine can take a while to answer a key: silence counts only from the first new word,
        # or after FIRST_WORD seconds with none.
        first_word = FIRST_WORD if first_word is None else first_word
        quiet_since = time.monotonic() + (first_word - QUIET if count == self.seen else 0)
        while time.monotonic() < deadline:
            time.sleep(0.05)
            now = len(self.all())
            if now != count:
                count, quiet_since = now, time.monotonic()
            elif time.monotonic() - quiet_since >= QUIET:
                break
        spoken = [text for _, text in self.all()[self.seen:]]
        self.seen += len(spoken)
        return spoken


def start_orca(prefs, root):
    for name in ("orca-customizations.py", "silentspeech.py"):
        shutil.copy(os.path.join(HERE, "orca", name), prefs)
    command = ["orca", "-u", prefs]
    if os.environ.get("VARNEL_E2E_ORCA_DEBUG"):
        command.append(f"--debug-file={os.path.join(root, 'orca-debug.txt')}")
    # Orca refuses to start beside another Orca of the same user: a PID namespace of its own hides any other.
    # Orca must not outlive the namespace's keeper: a second Orca listening to the keys of the next language
    # would answer them late and talk over the first.
    isolate = ["unshare", "--pid", "--fork", "--mount-proc", "--kill-child=SIGTERM"]
    isolated = subprocess.run([*isolate, "true"], capture_output=True).returncode == 0
    if isolated:
        command = [*isolate, *command]
    log = open(os.path.join(root, "orca.log"), "w")
    orca = subprocess.Popen(command, stdout=log, stderr=log)
    orca.isolated = isolated
    return orca


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(c) for c in f.read().split()]
    except FileNotFoundError:
        return []


def stop_orca(orca):
    """Ends Orca itself, not only the namespace's keeper, and waits until it has left the bus: an Orca still
    registered for the keys, however busy dying, delays every key of the next language."""
    inner = (children(orca.pid) if orca.isolated else []) or [orca.pid]
    started = time.monotonic()
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in inner:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        try:
            # Orca 43 may hang in its own shutdown; a killed Orca leaves the bus all the same.
            orca.wait(2 if sig == signal.SIGTERM else 5)
            break
        except subprocess.TimeoutExpired:
            print(f"Orca did not end on {sig.name}", flush=True)
    orca.wait()
    print(f"Orca ended in {time.monotonic() - started:.1f} s", flush=True)


def said(spoken, text):
    return any(text in utterance for utterance in spoken)


def times_said(spoken, text):
    return sum(utterance.count(text) for utterance in spoken)


def no_time_read(why):
    return (f"{why}: the time field is not read", lambda s: not any(BARE_TIME.match(u) for u in s))


def step(speech, tally, name, keys, checks, timeout=10.0, until=None):
    """Presses keys, waits until every check holds (or until, when given) or timeout passes, then until Orca
    is quiet, and counts each check on the words Orca said for the step. A callable among keys is called."""
    started = time.monotonic()
    for k in keys:
        # A tuple goes out as one quick series, as a hand repeats a key.
        if callable(k):
            k()
        elif isinstance(k, tuple):
            key(*k)
        else:
            key(k)
    if until is None:
        until = (lambda s: all(ok(s) for _, ok in checks)) if checks else (lambda s: False)
    spoken = speech.settle(timeout=timeout, until=until)
    print(f"{name} ({time.monotonic() - started:.1f} s):", spoken, flush=True)
    for what, ok in checks:
        tally.check(what, ok(spoken), spoken)
    return spoken


def run(program, speech, tally, texts):
    first, second, third = program.tracks[:3]
    names = [os.path.basename(p) for p in (first, second, third)]
    # A track is announced by its title: the file name without its extension, as these carry no tags.
    titles = [os.path.splitext(n)[0] for n in names]
    whole_time = re.compile(r"(^|\s)\d+ sec(\.? |\.?$)")
    paused_time = re.compile(rf"(^|\s)\d+ sec{re.escape(texts['paused'])}(\.? |\.?$)")
    folder = program.tracks_folder

    def says(text):
        return lambda s: said(s, text)

    def says_once(text):
        return lambda s: times_said(s, text) == 1

    def never(text):
        return lambda s: not said(s, text)

    def matches(pattern):
        return lambda s: any(pattern.search(u) for u in s)

    def announced_alone(track, why):
        """A track change: the name once, and neither a path, nor the idle title, nor another track."""
        others = [n for n in titles if n != track]
        return [
            (f"{why}: Orca says the track's name once", says_once(track)),
            (f"{why}: no path is spoken", never(folder)),
            (f"{why}: the idle title is not spoken between the tracks", never(IDLE_TITLE)),
            (f"{why}: no other track is named", lambda s: not any(said(s, n) for n in others)),
            no_time_read(why),
        ]

    def back_in_main(why, time_pattern, title, stale=None):
        checks = [
            (f"{why}: Orca names the main window again", says(title)),
            (f"{why}: Orca reads the time text as it now is", matches(time_pattern)),
        ]
        if stale is not None:
            checks.append((f"{why}: no stale time text is read", lambda s: not matches(stale)(s)))
        return checks

    # No accessibility switch of our own: Orca turns Qt's accessibility on over the bus, as on a user's desktop.
    program.start([first, second, third])
    step(speech, tally, "start", [], [
        ("on start Orca names the window after the playing track", says(titles[0])),
        ("on start Orca reads the whole time text", matches(whole_time)),
        ("on start the track's name is said once", says_once(titles[0])),
        ("on start no path is spoken", never(folder)),
        ("on start the idle title is not spoken", never(IDLE_TITLE)),
    ], timeout=15, until=lambda s: said(s, titles[0]) and matches(whole_time)(s))

    # The time field refreshes every second meanwhile: nothing of it may be spoken.
    time.sleep(2.5)
    spoken = speech.settle(first_word=QUIET)
    print("while playing:", spoken)
    tally.check("Orca stays quiet while the time field refreshes", not spoken, spoken)

    step(speech, tally, "read title", ["Insert+KP_Enter"], [
        ("reading the window title says the track's name", says(titles[0])),
        ("reading the window title says no path", never(folder)),
    ])
    step(speech, tally, "read status bar", [("Insert+KP_Enter", "Insert+KP_Enter")], [
        ("reading the status bar says the track's length", says("20 sec")),
    ])

    decimal = texts["decimal"]
    step(speech, tally, "F5", ["F5"], [
        ("F5: Orca says the new speed once", says_once(texts["speed"].format(f"1{decimal}2"))),
    ])
    step(speech, tally, "F4", ["F4"], [
        ("F4: Orca says the speed back to normal once", says_once(texts["speed"].format(f"1{decimal}0"))),
    ])
    step(speech, tally, "F8 three times", [("F8", "F8", "F8")], [
        ("three quick F8: Orca says the last volume once", says_once(texts["volume"].format(85))),
        ("three quick F8: the volumes passed on the way are not queued",
         lambda s: not said(s, texts["volume"].format(95)) and not said(s, texts["volume"].format(90))),
    ])
    step(speech, tally, "F9", ["F9"], [
        ("F9: Orca says the new volume once", says_once(texts["volume"].format(90))),
    ])
    step(speech, tally, "read status bar again", [("Insert+KP_Enter", "Insert+KP_Enter")], [
        ("reading the status bar after the steps says the length", says("20 sec")),
        ("reading the status bar does not repeat a step", never(texts["volume"].format(90))),
    ])

    step(speech, tally, "Down", ["Down"], announced_alone(titles[1], "Down in the time field"))
    step(speech, tally, "where am I", ["KP_Enter"], [
        ("where am I after a track change: the time field, not the list", matches(whole_time)),
        ("where am I after a track change: no list row is described", never(names[1])),
    ])
    step(speech, tally, "Up", ["Up"], announced_alone(titles[0], "Up in the time field"))

    key("space")
    print("Space:", speech.settle(first_word=1.0))
    step(speech, tally, "paused, read line", ["KP_Up"], [
        ("reading the line after Space says the paused text whole", matches(paused_time)),
    ])

    step(speech, tally, "F1", ["F1"], [
        ("F1: Orca says the help window's caption once", says_once(HELP_CAPTION)),
        ("F1: Orca reads the first line of the help", says(texts["help_first_line"])),
    ])
    step(speech, tally, "help closed", ["Escape"], back_in_main("Escape from the help", paused_time, titles[0]))

    key("space")
    print("Space:", speech.settle(first_word=1.0))
    step(speech, tally, "Ctrl+O", ["ctrl+o"], [
        ("Ctrl+O: Orca says the dialog's caption", says(texts["options_caption"])),
        ("Ctrl+O: Orca says the volume label and value",
         lambda s: any(texts["volume_label"] in u and re.search(r"(^|\s)20( |$)", u) for u in s)),
    ])
    step(speech, tally, "Ctrl+O, Tab", ["Tab"], [
        ("Ctrl+O, Tab: Orca says the order label and choice",
         lambda s: said(s, texts["order_label"]) and said(s, texts["order_none"])),
    ])
    step(speech, tally, "Ctrl+O, Tab, Down", ["Down"], [
        ("Ctrl+O, Tab, Down: Orca says the next order choice", says(texts["order_next"])),
    ])
    # Past the buttons and the rewind's box, the sound's three boxes, each read with its label.
    key("Tab")
    key("Tab")
    key("Tab")
    print("Ctrl+O, to the rewind's box:", speech.settle(first_word=1.0))
    for label in texts["sound_boxes"]:
        others = [other for other in texts["sound_boxes"] if other != label]
        step(speech, tally, f"Ctrl+O, Tab to {label}", ["Tab"], [
            (f"Ctrl+O, Tab: Orca says the box {label}", says(label)),
            (f"Ctrl+O, Tab: Orca says no other sound box than {label}",
             lambda s, others=others: not any(said(s, o) for o in others)),
        ])
    step(speech, tally, "options closed", ["Escape"],
         back_in_main("Escape from the options while playing", whole_time, titles[0], stale=paused_time))

    prefilled = re.compile(r"(^|\s)\d\d(\.\d\d)?( |$)")
    step(speech, tally, "Ctrl+J", ["ctrl+j"], [
        ("Ctrl+J: Orca says the dialog's caption once", says_once(texts["jump_caption"])),
        ("Ctrl+J: Orca says the prompt", says(texts["jump_prompt"])),
        ("Ctrl+J: Orca says the prefilled position once",
         lambda s: sum(1 for u in s if prefilled.search(u)) == 1),
    ])
    # Two seconds before the end of the first track, which then moves on by itself.
    key("ctrl+a")
    subprocess.run(["xdotool", "type", "--delay", "30", "0.18"], check=True)
    speech.settle(first_word=1.0)
    step(speech, tally, "jump confirmed", ["Return"],
         back_in_main("Enter in the jump", whole_time, titles[0], stale=paused_time),
         until=lambda s: matches(whole_time)(s))
    step(speech, tally, "track ends", [], announced_alone(titles[1], "the track ends by itself"),
         timeout=20, until=says(titles[1]))

    # A line read while playing, then a pause: the next read has the suffix the text gained meanwhile, not
    # the length the text had when first read.
    step(speech, tally, "playing, read line", ["KP_Up"], [
        ("reading the line while playing says the time", matches(whole_time)),
        ("reading the line while playing says no pause", lambda s: not matches(paused_time)(s)),
    ])
    key("space")
    print("Space:", speech.settle(first_word=1.0))
    step(speech, tally, "paused after reading, read line", ["KP_Up"], [
        ("reading the line again once paused says the paused text whole", matches(paused_time)),
    ])
    key("space")
    print("Space:", speech.settle(first_word=1.0))

    # Once a track has ended by itself, a change of track, where am I and a pause: the line read then is the
    # paused text whole, as the field shows it.
    step(speech, tally, "Down after the end", ["Down"], announced_alone(titles[2], "Down after a track ended"))
    step(speech, tally, "Up after the end", ["Up"], announced_alone(titles[1], "Up after a track ended"))
    step(speech, tally, "where am I after the end", ["KP_Enter"], [
        ("where am I after a track ended: the time field as it is", matches(whole_time)),
    ])
    key("space")
    print("Space:", speech.settle(first_word=1.0))
    step(speech, tally, "paused after the end, read line", ["KP_Up"], [
        ("reading the line paused after a track ended says the paused text whole", matches(paused_time)),
    ])

    step(speech, tally, "Ctrl+S", ["ctrl+s"], [("Ctrl+S: Orca says the idle title", says(IDLE_TITLE))])
    step(speech, tally, "stopped, read line", ["KP_Up"], [
        ("reading the line when stopped says that nothing plays", says(texts["stopped"])),
    ])

    step(speech, tally, "Tab", ["Tab"], [
        ("Tab into the list: Orca says the current row", says(names[1])),
        ("Tab into the list: the row is said once", says_once(names[1])),
        ("Tab into the list: no path is spoken", never(folder)),
    ])
    step(speech, tally, "Down in the list", ["Down"], [
        ("Down in the list: Orca says the row's file name once", says_once(names[2])),
        ("Down in the list: no path is spoken", never(folder)),
    ])
    step(speech, tally, "where am I in the list", ["KP_Enter"], [
        ("where am I in the list: Orca says the row's file name", says(names[2])),
        ("where am I in the list: no path is spoken", never(folder)),
        ("where am I in the list: no table column is mentioned",
         lambda s: never(texts["column"])(s) and never("column")(s)),
    ])
    step(speech, tally, "review line in the list", ["KP_Up"], [
        ("reviewing the row's line on screen gives its path on request", says(third)),
    ])
    step(speech, tally, "F1 in the list", ["F1"], [
        ("F1 in the list: Orca says the help window's caption once", says_once(HELP_CAPTION)),
        ("F1 in the list: Orca reads the first line of the list help", says(texts["list_help_first_line"])),
    ])
    step(speech, tally, "list help closed", ["Escape"], [
        ("Escape from the list help: Orca says the row once", says_once(names[2])),
        ("Escape from the list help: no path is spoken", never(folder)),
    ])

    key("Escape")
    tally.check("Escape closes the program", program.wait_exit() == 0, "still running")

    # Started again with nothing to play and this month's donation reminder due: once the reminder is
    # closed, the idle window is announced, never nothing.
    with open(os.path.join(program.folder, "Play.cfg"), "w", encoding="cp1252", newline="\r\n") as cfg:
        cfg.write("[General]\nDonateDate=01/01/20\n")
    program.start([])
    step(speech, tally, "reminder", [], [
        ("the donation reminder is read", says(texts["donation_caption"])),
    ], timeout=15)
    step(speech, tally, "reminder closed", ["Return"], [
        ("after the reminder Orca names the idle window", says(IDLE_TITLE)),
        ("after the reminder Orca says that nothing plays", says(texts["stopped"])),
    ])
    key("Escape")
    tally.check("Escape closes the idle program", program.wait_exit() == 0, "still running")


def run_book(program, speech, tally, texts):
    """A book of one file with a CUE sheet beside it, and a track after it: the chapter and time-left keys."""
    book_folder = os.path.join(program.root, "libro")
    os.makedirs(book_folder, exist_ok=True)
    book = os.path.join(book_folder, "libro.wav")
    shutil.copy2(program.tracks[0], book)
    with open(os.path.join(book_folder, "libro.cue"), "w", encoding="utf-8") as cue:
        cue.write('FILE "libro.wav" WAVE\n'
                  '  TRACK 01 AUDIO\n    TITLE "Prologo"\n    INDEX 01 00:00:00\n'
                  '  TRACK 02 AUDIO\n    TITLE "La tempesta"\n    INDEX 01 00:06:00\n'
                  '  TRACK 03 AUDIO\n    TITLE "Epilogo"\n    INDEX 01 00:12:00\n')

    def says_once(text):
        return lambda s: times_said(s, text) == 1

    def no_path(s):
        return not said(s, book_folder) and not said(s, program.tracks_folder)

    program.start([book, program.tracks[1]])
    step(speech, tally, "book start", [], [("the book is announced", lambda s: said(s, "libro"))],
         timeout=15)
    step(speech, tally, "F7", ["F7"], [
        ("F7: Orca says the chapter's number, count and title once", says_once(texts["chapter"])),
        ("F7: no path is spoken", no_path),
    ])
    step(speech, tally, "F2", ["F2"], [
        ("F2: Orca says the time left in the chapter and the track once", says_once(texts["chapter_left"])),
        ("F2: no path is spoken", no_path),
    ])
    step(speech, tally, "F3", ["F3"], [
        ("F3: Orca says the time left in the list once", says_once(texts["list_left"])),
        ("F3: with every length read, the share heard is said", says_once(texts["heard"])),
        ("F3: no path is spoken", no_path),
    ])
    key("Escape")
    tally.check("Escape closes the program after the book", program.wait_exit() == 0, "still running")
def run_talking_book(program, make_book, speech, tally, texts):
    """A DAISY book, its times stretched tenfold: the unit, a page move, Ctrl+G and where am I."""
    book = os.path.join(program.root, "daisy")
    subprocess.run([make_book, "--stretch", "10", book], check=True)

    def says_once(text):
        return lambda s: times_said(s, text) == 1

    def no_path(s):
        return not said(s, book)

    program.start([book])
    step(speech, tally, "talking book start", [], [
        ("the book is announced by its title", lambda s: said(s, texts["book_title"])),
    ], timeout=15, until=lambda s: said(s, texts["book_title"]))
    step(speech, tally, "Shift+F7", ["shift+F7"], [
        ("Shift+F7: Orca says the new level once", says_once(texts["level_2"])),
        ("Shift+F7: no path is spoken", no_path),
    ])
    step(speech, tally, "Shift+F7 twice", ["shift+F7", "shift+F7"], [
        ("Shift+F7 to pages: Orca says the unit once", says_once(texts["pages"])),
    ])
    step(speech, tally, "F7 by page", ["F7"], [
        ("F7 by page: Orca says the page once", says_once(texts["page_1"])),
        no_time_read("F7 by page"),
    ])
    step(speech, tally, "Ctrl+G", ["ctrl+g"], [
        ("Ctrl+G: Orca says the dialog's caption once", says_once(texts["page_caption"])),
    ])
    key("ctrl+a")
    subprocess.run(["xdotool", "type", "--delay", "30", "2"], check=True)
    step(speech, tally, "Ctrl+G, Enter", ["Return"], [
        ("Ctrl+G, Enter: Orca says the page gone to once", says_once(texts["page_2"])),
        ("Ctrl+G: no path is spoken", no_path),
    ])
    where = re.compile(texts["where"])
    step(speech, tally, "Shift+F2", ["shift+F2"], [
        ("Shift+F2: Orca says the heading, its level and the page once",
         lambda s: sum(1 for u in s if where.search(u)) == 1),
        ("Shift+F2: no path is spoken", no_path),
    ])
    key("Escape")
    tally.check("Escape closes the program after the talking book", program.wait_exit() == 0, "still running")


def run_return(program, speech, tally, texts):
    """Bookmarks, their list, the way back, and the last session brought back from the idle window."""
    first = program.tracks[0]
    # Announced by its title: the file name without its extension.
    name = os.path.splitext(os.path.basename(first))[0]
    mark = re.compile(rf"{texts['bookmark']} 1, \d+ sec")
    program.start([first])
    step(speech, tally, "start for bookmarks", [], [("the track is announced", lambda s: said(s, name))],
         timeout=15)
    step(speech, tally, "Ctrl+B", ["ctrl+b"], [
        ("Ctrl+B: Orca says the bookmark's number and time once",
         lambda s: sum(1 for u in s if mark.search(u)) == 1),
        no_time_read("Ctrl+B"),
    ])
    time.sleep(2)
    step(speech, tally, "Ctrl+L", ["ctrl+l"], [
        ("Ctrl+L: Orca says the list's caption", lambda s: said(s, texts["places_caption"])),
        ("Ctrl+L: Orca reads the bookmark's row", lambda s: any(mark.search(u) for u in s)),
    ])
    step(speech, tally, "Ctrl+L, Enter", ["Return"], [
        ("Enter in the places list: Orca is back in the main window", lambda s: said(s, name)),
    ])
    step(speech, tally, "Ctrl+Z", ["ctrl+z"], [
        ("Ctrl+Z: Orca says where playback went back to once",
         lambda s: times_said(s, texts["went_back"]) == 1),
    ])
    # Ctrl let go last, after the field has shown a new time: the reader puts that change down to the command.
    second_mark = re.compile(rf"{texts['bookmark']} 2, \d+ sec")
    step(speech, tally, "Ctrl+B, Ctrl held", [lambda: key_holding_ctrl("b", CTRL_HELD)], [
        ("Ctrl+B with Ctrl held: Orca says the bookmark once",
         lambda s: sum(1 for u in s if second_mark.search(u)) == 1),
        no_time_read("Ctrl+B with Ctrl held"),
    ])
    key("Escape")
    tally.check("Escape closes the program after the bookmarks", program.wait_exit() == 0, "still running")

    program.start([])
    step(speech, tally, "idle start", [], [
        ("started without arguments, Orca names the idle window", lambda s: said(s, IDLE_TITLE)),
        ("started without arguments, nothing plays", lambda s: not said(s, name)),
    ], timeout=15)
    step(speech, tally, "restore", ["space"], [
        ("Space in the idle window: the last session's track is announced once",
         lambda s: times_said(s, name) == 1),
    ])
    key("Escape")
    tally.check("Escape closes the restored program", program.wait_exit() == 0, "still running")
def run_listening(program, make_tracks, speech, tally, texts):
    """The sleep timer key and a book's remembered speed, as a listener hears them."""
    book = os.path.join(program.root, "book")
    subprocess.run([make_tracks, book], check=True)
    chapter = sorted(os.path.join(book, n) for n in os.listdir(book))[0]
    folder = os.path.realpath(book)
    with open(os.path.join(program.folder, "Play.ind"), "w", encoding="cp1252", newline="\r\n") as ind:
        ind.write(f"[Speed:{re.sub('[^0-9a-z]', '', folder.lower())}]\nFolder={folder}\nRate=1.4\n")
    # Another name than the book's first track, whose title would not change.
    first = program.tracks[1]
    # Tracks are announced by their titles: the file names without their extensions.
    first_title = os.path.splitext(os.path.basename(first))[0]
    chapter_title = os.path.splitext(os.path.basename(chapter))[0]
    program.start([first, chapter])
    step(speech, tally, "listening start", [], [
        ("listening start: Orca names the first track", says_in(first_title)),
    ], timeout=15, until=lambda s: said(s, first_title))
    speed = texts["speed"].format(f"1{texts['decimal']}4")
    step(speech, tally, "Down into the book", ["Down"], [
        ("a book's remembered speed is said once as its track starts", lambda s: times_said(s, speed) == 1),
        ("the book's track is named once", lambda s: times_said(s, chapter_title) == 1),
    ], until=lambda s: said(s, speed) and said(s, chapter_title))
    step(speech, tally, "Ctrl+T", [lambda: key_holding_ctrl("t", CTRL_HELD)], [
        ("Ctrl+T: Orca says the first timer choice once", lambda s: times_said(s, texts["timer_15"]) == 1),
        no_time_read("Ctrl+T with Ctrl held"),
    ])
    step(speech, tally, "Ctrl+T five times", [("ctrl+t",) * 5], [
        ("five quick Ctrl+T: Orca says the end-of-track choice once",
         lambda s: times_said(s, texts["timer_track_end"]) == 1),
    ])
    step(speech, tally, "Ctrl+T off", ["ctrl+t"], [
        ("Ctrl+T: Orca says the timer is off once", lambda s: times_said(s, texts["timer_off"]) == 1),
    ])
    key("Escape")
    tally.check("Escape closes the program after the listening checks", program.wait_exit() == 0, "still running")


def says_in(text):
    return lambda s: said(s, text)


def check_language(varnel, make_tracks, language, tally):
    with tempfile.TemporaryDirectory(prefix="varnel-orca-") as root:
        prefs = os.path.join(root, "orca-prefs")
        os.makedirs(prefs)
        speech = Speech(os.path.join(prefs, "speech.log"))
        program = Program(varnel, make_tracks, root, language)
        failed_before = tally.failed
        orca = start_orca(prefs, root)
        try:
            ready = wait_for(speech.all, timeout=20, interval=0.1)
            if tally.check("Orca starts and speaks", ready, "no speech from Orca"):
                print("orca:", speech.settle())
                run(program, speech, tally, TEXTS[language])
                run_book(program, speech, tally, TEXTS[language])
                make_book = os.path.join(os.path.dirname(make_tracks), "make_talking_book")
                run_talking_book(program, make_book, speech, tally, TEXTS[language])
                run_return(program, speech, tally, TEXTS[language])
                run_listening(program, make_tracks, speech, tally, TEXTS[language])
        finally:
            program.stop()
            stop_orca(orca)
            if tally.failed > failed_before:
                for name in ("varnel.log", "orca.log"):
                    with open(os.path.join(root, name)) as log:
                        print(f"--- {name}\n" + log.read()[-3000:])
            if os.environ.get("VARNEL_E2E_KEEP"):
                shutil.copytree(root, os.environ["VARNEL_E2E_KEEP"], dirs_exist_ok=True)


def main():
    varnel, make_tracks, *languages = sys.argv[1:]
    require("orca")
    require("xdotool")
    tally = Tally("e2e orca")
    for language in languages:
        print(f"== {language}", flush=True)
        check_language(varnel, make_tracks, language, tally)
    return tally.finish()


if __name__ == "__main__":
    sys.exit(main())
