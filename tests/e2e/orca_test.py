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
from e2e_support import SKIP, Program, Tally, key, require, wait_for  # noqa: E402

TEXTS = {
    "it": {
        "paused": " (in pausa)",
        "help_first_line": "Aiuto per i tasti utili nel campo di editazione",
        "jump_caption": "Vai alla posizione",
        "jump_prompt": "Inserisci la posizione (mm.ss):",
        "options_caption": "Varnel - Opzioni",
        "volume_label": "Volume per finestra in secondo piano:",
        "order_label": "Ordinamento lista brani:",
        "order_none": "Nessuno",
        "order_next": "Alfabetico",
    },
    "es": {
        "paused": " (en pausa)",
        "help_first_line": "Ayuda para las teclas útiles en el campo de edición",
        "jump_caption": "Ir a la posición",
        "jump_prompt": "Inserta la posición (mn.ss):",
        "options_caption": "Varnel - Opciones",
        "volume_label": "Volumen de la ventana en segundo plano:",
        "order_label": "Ordenación lista de pistas:",
        "order_none": "Ninguna",
        "order_next": "Alfabética",
    },
}
HELP_CAPTION = "Varnel - Aiuto dei tasti"
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


def step(speech, tally, name, keys, checks, timeout=10.0):
    """Presses keys, waits until every check holds or timeout passes, then until Orca is quiet, and counts
    each check on the words Orca said for the step."""
    for k in keys:
        key(k)
    spoken = speech.settle(timeout=timeout, until=lambda s: all(ok(s) for _, ok in checks) if checks else False)
    print(f"{name}:", spoken, flush=True)
    for what, ok in checks:
        tally.check(what, ok(spoken), spoken)
    return spoken


def run(program, speech, tally, texts):
    first, second = program.tracks[0], program.tracks[1]
    title = os.path.basename(first)
    whole_time = re.compile(r"(^|\s)\d+ sec(\.? |\.?$)")
    paused_time = re.compile(rf"(^|\s)\d+ sec{re.escape(texts['paused'])}(\.? |\.?$)")

    def says(text):
        return lambda s: said(s, text)

    def matches(pattern):
        return lambda s: any(pattern.search(u) for u in s)

    back_in_main = [
        ("Orca names the main window again", says(title)),
        ("Orca reads the paused time text again", matches(paused_time)),
    ]

    # No accessibility switch of our own: Orca turns Qt's accessibility on over the bus, as on a user's desktop.
    program.start([first, second])
    # The window may show before the track plays, with the idle title: Orca then says the track's title once
    # the title changes, as a user hears it; the check fails only if it never does.
    step(speech, tally, "start", [], [
        ("on start Orca names the window after the playing track", says(title)),
        ("on start Orca reads the whole time text", matches(whole_time)),
    ], timeout=15)

    # The time field refreshes every second meanwhile: nothing of it may be spoken.
    time.sleep(2.5)
    spoken = speech.settle(first_word=QUIET)
    print("while playing:", spoken)
    tally.check("Orca stays quiet while the time field refreshes", not spoken, spoken)

    key("space")
    print("Space:", speech.settle(first_word=1.0))
    step(speech, tally, "paused, read line", ["KP_Up"], [
        ("reading the line after Space says the paused text whole", matches(paused_time)),
    ])

    step(speech, tally, "F1", ["F1"], [
        ("F1: Orca says the help window's caption", says(HELP_CAPTION)),
        ("F1: Orca reads the first line of the help", says(texts["help_first_line"])),
    ])
    step(speech, tally, "help closed", ["Escape"], [(f"Escape from the help: {w}", ok) for w, ok in back_in_main])

    step(speech, tally, "Ctrl+J", ["ctrl+j"], [
        ("Ctrl+J: Orca says the dialog's caption", says(texts["jump_caption"])),
        ("Ctrl+J: Orca says the prompt", says(texts["jump_prompt"])),
        ("Ctrl+J: Orca says the prefilled position", matches(re.compile(r"(^|\s)\d\d( |$)"))),
    ])
    step(speech, tally, "jump closed", ["Escape"], [(f"Escape from the jump: {w}", ok) for w, ok in back_in_main])

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
    step(speech, tally, "options closed", ["Escape"],
         [(f"Escape from the options: {w}", ok) for w, ok in back_in_main])

    step(speech, tally, "Tab", ["Tab"], [("Tab into the list: Orca says the current row", says(title))])
    step(speech, tally, "Down", ["Down"], [
        ("Down in the list: Orca says the row's file name", says(os.path.basename(second))),
    ])

    key("Escape")
    tally.check("Escape closes the program", program.wait_exit() == 0, "still running")


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
