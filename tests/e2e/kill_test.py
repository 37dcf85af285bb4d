"""A player killed outright loses at most a few seconds of listening, and a broken output pipe kills nothing.

Usage: kill_test.py VARNEL MAKE_DEMO_TRACKS, inside run_session.sh. Plays a long generated track through the
silent sound server, moves far into it, waits until the position reached while playing is on disk, then kills
the program with SIGKILL; a new start must resume near where it was. The second run writes into a pipe nobody
reads, changes track, and ends by SIGTERM, which must save and exit cleanly; a third is ended by SIGTERM while
the monthly reminder is up.
"""

import datetime
import os
import re
import signal
import subprocess
import sys
import tempfile
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import SKIP, Program, Tally, key, require, wait_for  # noqa: E402

try:
    import pyatspi
except ImportError:
    print("SKIP: pyatspi is not installed")
    sys.exit(SKIP)

ACCESSIBLE = {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
LONG_SECONDS = 400
# Ten steps of Ctrl+Right (30 s each) from the start.
FAR = 300
# The most listening a kill may cost, by the rule the program keeps.
MOST_LOST = 10


def write_long_track(path):
    """A quiet tone long enough to be far into it and still playing; 8 kHz mono keeps it small."""
    rate = 8000
    period = b"".join((1000 if i < 10 else -1000).to_bytes(2, "little", signed=True) for i in range(20))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(period * (rate // 20) * LONG_SECONDS)


def seconds_of(text):
    """The seconds a time text stands for ("1 min  15 sec" is 75), or None for any other text."""
    m = re.fullmatch(r"(?:(\d+) min  )?(\d+) sec", text or "")
    return int(m.group(1) or 0) * 60 + int(m.group(2)) if m else None


def remembered_time(text, path):
    """The Time= of the Play.ind section whose Path= is path, or None."""
    for section in re.split(r"^\[.*\]$", text, flags=re.M):
        lines = dict(line.split("=", 1) for line in section.splitlines() if "=" in line)
        if lines.get("Path") == path and "Time" in lines:
            return float(lines["Time"].replace(",", "."))
    return None


def time_field(pid):
    """The accessible time field of the program's window, or None until it is there."""
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is None or app.get_process_id() != pid:
                continue
            stack = [app[0]]
            while stack:
                acc = stack.pop()
                if acc.getRole() == pyatspi.ROLE_TEXT:
                    return acc
                stack.extend(child for child in acc if child is not None)
    except Exception:
        return None
    return None


def shown_seconds(field):
    try:
        return seconds_of(field.queryText().getText(0, -1))
    except Exception:
        return None


def window_title(pid):
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return app[0].name
    except Exception:
        return None
    return None


def killed_mid_play(program, tally, track):
    """Returns (shown, stored): the position on screen just before SIGKILL, and the one on disk after it."""
    process = program.start([track], ACCESSIBLE)
    field = wait_for(lambda: time_field(process.pid), timeout=15)
    if not tally.check("the time field is on the accessibility bus", field is not None, "no time field"):
        return None
    # A second heard, not just the opening's "0 sec": seeks do nothing until the file plays.
    tally.check("the track plays", wait_for(lambda: (shown_seconds(field) or 0) >= 1, timeout=10),
                repr(field.queryText().getText(0, -1)))
    key(*["ctrl+Right"] * (FAR // 30))
    far = wait_for(lambda: (shown_seconds(field) or 0) >= FAR and shown_seconds(field), timeout=10)
    if not tally.check(f"Ctrl+Right moves {FAR} s in", far, repr(field.queryText().getText(0, -1))):
        return None
    # Seeks are not written at once: what reaches the disk from here on was written while listening.
    saved = wait_for(lambda: (remembered_time(program.resume_file(), track) or 0) >= FAR, timeout=30)
    if not tally.check("the position reached while playing reaches the disk", saved, repr(program.resume_file())):
        return None
    shown = shown_seconds(field)
    process.send_signal(signal.SIGKILL)
    process.wait()
    stored = remembered_time(program.resume_file(), track)
    tally.check("after SIGKILL the file holds a position", stored is not None, repr(program.resume_file()))
    if stored is None or shown is None:
        return None
    print(f"shown {shown} s just before SIGKILL, {stored} s on disk after it", flush=True)
    # The screen rounds to whole seconds.
    tally.check(f"SIGKILL loses at most {MOST_LOST} s", shown - stored <= MOST_LOST + 0.5,
                f"shown {shown} s, stored {stored} s")
    return shown, stored


def resumed_with_a_broken_pipe(program, tally, track, shown, stored):
    """Starts again on the track, writing into a pipe nobody reads; changes track; ends by SIGTERM."""
    reader, writer = os.pipe()
    os.close(reader)
    env = program.environment()
    env.update(ACCESSIBLE)
    second = program.tracks[1]
    process = subprocess.Popen([program.binary, track, second], env=env, stdout=writer, stderr=writer)
    os.close(writer)
    program.process = process
    field = wait_for(lambda: time_field(process.pid), timeout=15)
    if not tally.check("the second start shows its time field", field is not None, "no time field"):
        return
    resumed = wait_for(lambda: shown_seconds(field), timeout=10)
    print(f"the second start shows {resumed} s first", flush=True)
    tally.check(f"the track resumes within {MOST_LOST} s of where it was killed",
                resumed is not None and resumed >= stored - 1 and abs(resumed - shown) <= MOST_LOST + 1,
                f"resumed at {resumed} s, shown {shown} s before the kill, stored {stored} s")

    key("Down")
    name = os.path.splitext(os.path.basename(second))[0]
    tally.check("Down with nobody reading the output plays the next track",
                wait_for(lambda: window_title(process.pid) == name, timeout=10), repr(window_title(process.pid)))
    tally.check("the program is still running", process.poll() is None, f"exit code {process.poll()}")
    tally.check("leaving the track forgets it on disk at once",
                wait_for(lambda: remembered_time(program.resume_file(), track) is None, timeout=10),
                repr(program.resume_file()))
    playing = wait_for(lambda: (shown_seconds(field) or 0) >= 1, timeout=10)
    tally.check("the next track plays", playing, repr(field.queryText().getText(0, -1)))

    process.send_signal(signal.SIGTERM)
    code = program.wait_exit(timeout=30)
    tally.check("SIGTERM closes the program cleanly", code == 0, f"exit code {code}")
    on_disk = remembered_time(program.resume_file(), second)
    tally.check("SIGTERM remembers the position of the playing track", on_disk is not None and on_disk >= 0.5,
                repr(program.resume_file()))


def alert_shown(pid):
    try:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.get_process_id() == pid:
                return any(w is not None and w.getRole() in (pyatspi.ROLE_ALERT, pyatspi.ROLE_DIALOG) for w in app)
    except Exception:
        return False
    return False


def terminated_during_the_reminder(program, tally):
    """SIGTERM while the monthly reminder holds the start: a clean exit that still writes both files."""
    for name in ("Play.cfg", "Play.ind"):
        path = os.path.join(program.folder, name)
        if os.path.exists(path):
            os.remove(path)
    with open(os.path.join(program.folder, "Play.cfg"), "w", encoding="cp1252", newline="\r\n") as cfg:
        other_month = 2 if datetime.date.today().month == 1 else 1  # the reminder compares months only
        cfg.write(f"[General]\nDonateDate=01/{other_month:02d}/00\n")
    process = program.start([program.tracks[0]], ACCESSIBLE)
    if not tally.check("the reminder shows before the window", wait_for(lambda: alert_shown(process.pid), timeout=15),
                       "no message box"):
        return
    process.send_signal(signal.SIGTERM)
    code = program.wait_exit(timeout=30)
    tally.check("SIGTERM during the reminder exits cleanly", code == 0, f"exit code {code}")
    tally.check("both files are written", all(os.path.exists(os.path.join(program.folder, n))
                                              for n in ("Play.cfg", "Play.ind")), str(os.listdir(program.folder)))


def main():
    varnel, make_tracks = sys.argv[1:3]
    require("xdotool")
    tally = Tally("e2e_kill")
    with tempfile.TemporaryDirectory(prefix="varnel-kill-") as root:
        program = Program(varnel, make_tracks, root, "it")
        track = os.path.join(program.tracks_folder, "long.wav")
        write_long_track(track)
        try:
            result = killed_mid_play(program, tally, track)
            if result is not None:
                resumed_with_a_broken_pipe(program, tally, track, *result)
            terminated_during_the_reminder(program, tally)
        finally:
            program.stop()
            if tally.failed:
                with open(os.path.join(root, "varnel.log")) as log:
                    print("--- program output\n" + log.read())
    return tally.finish()


if __name__ == "__main__":
    sys.exit(main())
