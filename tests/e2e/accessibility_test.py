"""What a screen reader can read of the running program, through the accessibility bus.

Usage: accessibility_test.py VARNEL MAKE_DEMO_TRACKS, inside run_session.sh. Plays generated tracks through the
silent sound server, presses real keys, and reads the window title, the time field, the track list and the status
bar as any assistive technology would; then checks the remembered positions in Play.ind.
"""

import os
import re
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import SKIP, Program, Tally, key, require, wait_for  # noqa: E402

try:
    import pyatspi
    from gi.repository import GLib
except ImportError:
    print("SKIP: pyatspi is not installed")
    sys.exit(SKIP)

PAUSED = " (in pausa)"


def seconds_of(text):
    """The seconds a time text stands for ("1 min  15 sec" is 75), or None for any other text."""
    m = re.fullmatch(r"(?:(\d+) min  )?(\d+) sec", text)
    if not m:
        return None
    return int(m.group(1) or 0) * 60 + int(m.group(2))


def application(pid):
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        try:
            if app is not None and app.get_process_id() == pid:
                return app
        except Exception:
            continue
    return None


def descendants(acc):
    for child in acc:
        if child is None:
            continue
        yield child
        yield from descendants(child)


class Window:
    """The main window as the accessibility bus shows it."""

    def __init__(self, app):
        self.frame = app[0]
        everything = list(descendants(self.frame))
        self.time = next(a for a in everything if a.getRole() == pyatspi.ROLE_TEXT)
        self.list = next(a for a in everything if a.getRole() == pyatspi.ROLE_LIST)
        self.status = next(a for a in everything if a.getRole() == pyatspi.ROLE_STATUS_BAR)

    def title(self):
        return self.frame.name

    def time_text(self):
        return self.time.queryText().getText(0, -1)

    def status_text(self):
        return self.status.name

    def rows(self):
        return [item.name for item in self.list]

    def time_focused(self):
        return self.time.getState().contains(pyatspi.STATE_FOCUSED)


class FieldReports:
    """The text and caret reports the time field sends over the bus while it is listened to."""

    def __init__(self, field):
        self.field = field
        self.reports = []

    def _heard(self, event):
        try:
            if event.source == self.field:
                self.reports.append((event.type, event.detail1))
        except Exception:
            pass

    def listen(self, seconds):
        self.reports = []
        pyatspi.Registry.registerEventListener(self._heard, "object:text-changed", "object:text-caret-moved")
        try:
            context = GLib.MainContext.default()
            deadline = time.monotonic() + seconds
            while time.monotonic() < deadline:
                while context.iteration(False):
                    pass
                time.sleep(0.02)
        finally:
            pyatspi.Registry.deregisterEventListener(self._heard, "object:text-changed", "object:text-caret-moved")
        return self.reports


def find_window(program, tally):
    app = wait_for(lambda: application(program.process.pid), timeout=15)
    if not tally.check("the program appears on the accessibility bus", app is not None, "no application"):
        return None

    def built():
        try:
            return Window(app)
        except (StopIteration, IndexError, Exception):
            return None

    window = wait_for(built, timeout=10)
    tally.check("the window shows a time field, a list and a status bar", window is not None, "controls missing")
    return window


def first_run(program, tally):
    """Plays, pauses, seeks and skips with real keys; closes with Alt+F4 while the second track plays."""
    first, second = program.tracks[0], program.tracks[1]
    program.start([first, second], {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    window = find_window(program, tally)
    if window is None:
        return
    name = os.path.splitext(os.path.basename(first))[0]
    tally.check("the title names the playing track", wait_for(lambda: window.title() == name), window.title())
    tally.check("the status bar tells the track's length", wait_for(lambda: window.status_text() == "20 sec"),
                repr(window.status_text()))
    tally.check("the list rows read as file names",
                window.rows() == [os.path.basename(p) for p in (first, second)], repr(window.rows()))
    tally.check("the time field has the focus", wait_for(window.time_focused), "focus is elsewhere")

    start = wait_for(lambda: seconds_of(window.time_text()), timeout=5)
    tally.check("the time field says the elapsed seconds in words", start is not None, repr(window.time_text()))
    if start is None:
        return
    tally.check("the time field follows playback once a second",
                wait_for(lambda: (seconds_of(window.time_text()) or 0) > start, timeout=3), repr(window.time_text()))

    # The refresh tells a reader of each new time without an insertion, which a reader would speak as the
    # result of a key held with Ctrl, and with its caret kept within the first two places.
    reports = FieldReports(window.time).listen(2.5)
    tally.check("the refreshing time field reports no insertion or removal",
                not any(kind.startswith("object:text-changed") for kind, _ in reports), reports)
    carets = [offset for kind, offset in reports if kind == "object:text-caret-moved"]
    tally.check("the refreshing time field reports each new time as its caret", len(carets) >= 2, reports)
    tally.check("the refreshing time field keeps its caret within the first two places",
                all(offset in (0, 1) for offset in carets), reports)

    key("space")
    paused = wait_for(lambda: window.time_text().endswith(PAUSED) and window.time_text(), timeout=3)
    tally.check("Space pauses and the field says so", paused, repr(window.time_text()))
    if paused:
        # A paused track's text stays put across the next timer ticks.
        still = not wait_for(lambda: window.time_text() != paused, timeout=1.5)
        tally.check("the paused text does not move", still, f"{paused!r} became {window.time_text()!r}")
    key("space")
    tally.check("Space again resumes", wait_for(lambda: seconds_of(window.time_text()) is not None, timeout=3),
                repr(window.time_text()))

    before = seconds_of(window.time_text()) or 0
    key("Right")
    tally.check("Right skips five seconds ahead",
                wait_for(lambda: (seconds_of(window.time_text()) or 0) >= before + 4, timeout=2),
                f"{before} then {window.time_text()!r}")

    key("Down")
    second_name = os.path.splitext(os.path.basename(second))[0]
    tally.check("Down plays the next track, named in the title",
                wait_for(lambda: window.title() == second_name, timeout=5), repr(window.title()))
    tally.check("the status bar tells the next track's length",
                wait_for(lambda: window.status_text() == "15 sec", timeout=3), repr(window.status_text()))
    wait_for(lambda: (seconds_of(window.time_text()) or 0) >= 2, timeout=5)

    key("alt+F4")
    code = program.wait_exit()
    tally.check("Alt+F4 closes the program cleanly", code == 0, f"exit code {code}")
    stored = remembered_time(program.resume_file(), second)
    tally.check("the position of the track that played is remembered", stored is not None and stored >= 1.5,
                repr(program.resume_file()))
    return stored


def remembered_time(text, path):
    """The Time= of the Play.ind section whose Path= is path, or None."""
    for section in re.split(r"^\[.*\]$", text, flags=re.M):
        lines = dict(l.split("=", 1) for l in section.splitlines() if "=" in l)
        if lines.get("Path") == path and "Time" in lines:
            return float(lines["Time"].replace(",", "."))
    return None


def second_run(program, tally, stored):
    """Starts again on the remembered track, which resumes; Escape then stops, closes and forgets it."""
    track = program.tracks[1]
    program.start([track], {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    window = find_window(program, tally)
    if window is None:
        return
    resumed = wait_for(lambda: seconds_of(window.time_text()), timeout=5)
    tally.check("the remembered track resumes where it was left",
                resumed is not None and resumed >= int(stored), f"{window.time_text()!r} after {stored}")
    tally.check("the time field has the focus again", wait_for(window.time_focused), "focus is elsewhere")
    key("Escape")
    code = program.wait_exit()
    tally.check("Escape closes the program", code == 0, f"exit code {code}")
    tally.check("Escape forgets the position", remembered_time(program.resume_file(), track) is None,
                repr(program.resume_file()))


def main():
    varnel, make_tracks = sys.argv[1:3]
    require("xdotool")
    tally = Tally("e2e")
    with tempfile.TemporaryDirectory(prefix="varnel-a11y-") as root:
        program = Program(varnel, make_tracks, root, "it")
        try:
            stored = first_run(program, tally)
            if stored is not None:
                second_run(program, tally, stored)
        finally:
            program.stop()
            if tally.failed:
                with open(os.path.join(root, "varnel.log")) as log:
                    print("--- program output\n" + log.read())
    return tally.finish()


if __name__ == "__main__":
    sys.exit(main())
