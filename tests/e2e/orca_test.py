"""What the real Orca screen reader says while the program plays, keys arriving as a user types them.

Usage: orca_test.py VARNEL MAKE_DEMO_TRACKS LANGUAGE... (it, es), inside run_session.sh. Orca runs with a
silent speech server and writes each utterance to a log; every step presses keys, waits until Orca has been
quiet for a moment, and checks the words it spoke for that step.
"""

import os
import re
import shutil
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
    },
}
HELP_CAPTION = "Varnel - Aiuto dei tasti"
QUIET = 0.8  # Orca speaks a step's words within a few hundred milliseconds of each other
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

    def settle(self, timeout=10.0):
        """Waits until nothing new has been said for QUIET seconds; returns what was said since the last call."""
        deadline = time.monotonic() + timeout
        count = len(self.all())
        # A busy machine can take a while to answer a key: silence counts only from the first new word,
        # or after FIRST_WORD seconds with none.
        quiet_since = time.monotonic() + (FIRST_WORD - QUIET if count == self.seen else 0)
        while time.monotonic() < deadline:
            time.sleep(0.1)
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
    if subprocess.run(["unshare", "--pid", "--fork", "--mount-proc", "true"], capture_output=True).returncode == 0:
        command = ["unshare", "--pid", "--fork", "--mount-proc", *command]
    log = open(os.path.join(root, "orca.log"), "w")
    return subprocess.Popen(command, stdout=log, stderr=log)


def said(spoken, text):
    return any(text in utterance for utterance in spoken)


def run(program, speech, tally, texts):
    first, second = program.tracks[0], program.tracks[1]
    # No accessibility switch of our own: Orca turns Qt's accessibility on over the bus, as on a user's desktop.
    program.start([first, second])
    spoken = speech.settle()
    print("start:", spoken)
    title = os.path.basename(first)
    tally.check("on start Orca names the window after the playing track", said(spoken, title), spoken)
    tally.check("on start Orca reads the whole time text",
                any(re.search(r"(^|\s)\d+ sec(\.? |\.?$)", s) for s in spoken), spoken)

    time.sleep(2.5)
    spoken = speech.settle()
    print("while playing:", spoken)
    tally.check("Orca stays quiet while the time field refreshes", not spoken, spoken)

    key("space")
    speech.settle()
    key("KP_Up")
    spoken = speech.settle()
    print("paused, read line:", spoken)
    paused = re.escape(texts["paused"])
    tally.check("reading the line after Space says the paused text whole",
                any(re.search(rf"(^|\s)\d+ sec{paused}(\.? |\.?$)", s) for s in spoken), spoken)

    key("F1")
    spoken = speech.settle()
    print("F1:", spoken)
    tally.check("F1: Orca says the help window's caption", said(spoken, HELP_CAPTION), spoken)
    tally.check("F1: Orca reads the first line of the help", said(spoken, texts["help_first_line"]), spoken)
    key("Escape")
    spoken = speech.settle()
    print("help closed:", spoken)

    key("ctrl+j")
    spoken = speech.settle()
    print("Ctrl+J:", spoken)
    tally.check("Ctrl+J: Orca says the dialog's caption", said(spoken, texts["jump_caption"]), spoken)
    tally.check("Ctrl+J: Orca says the prompt", said(spoken, texts["jump_prompt"]), spoken)
    tally.check("Ctrl+J: Orca says the prefilled position",
                any(re.search(r"(^|\s)\d\d( |$)", s) for s in spoken), spoken)
    key("Escape")
    spoken = speech.settle()
    print("jump closed:", spoken)

    key("ctrl+o")
    spoken = speech.settle()
    print("Ctrl+O:", spoken)
    tally.check("Ctrl+O: Orca says the dialog's caption", said(spoken, texts["options_caption"]), spoken)
    tally.check("Ctrl+O: Orca says the volume label and value",
                any(texts["volume_label"] in s and re.search(r"(^|\s)20( |$)", s) for s in spoken), spoken)
    key("Tab")
    spoken = speech.settle()
    print("Ctrl+O, Tab:", spoken)
    tally.check("Ctrl+O, Tab: Orca says the order label and choice",
                said(spoken, texts["order_label"]) and said(spoken, texts["order_none"]), spoken)
    key("Escape")
    spoken = speech.settle()
    print("options closed:", spoken)

    key("Tab")
    spoken = speech.settle()
    print("Tab:", spoken)
    tally.check("Tab into the list: Orca says the current row", said(spoken, title), spoken)
    key("Down")
    spoken = speech.settle()
    print("Down:", spoken)
    tally.check("Down in the list: Orca says the row's file name", said(spoken, os.path.basename(second)), spoken)

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
            orca.terminate()
            try:
                orca.wait(5)
            except subprocess.TimeoutExpired:
                orca.kill()
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
