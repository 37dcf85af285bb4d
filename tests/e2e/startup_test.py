"""A start makes its first sound before it writes anything, and tells where its time went when asked.

Usage: startup_test.py VARNEL MAKE_DEMO_TRACKS, inside run_session.sh. A first run leaves a session in
Play.ind; the second start, on the tracks' folder with VARNEL_STARTUP_TRACE=1, must print its steps in
order up to the first sound, and Play.ind must stay as the first run left it until after that sound: a crash in the first
moments keeps the last session whole, and the listener never waits for the disk.
"""

import os
import re
import signal
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_support import Program, Tally, wait_for  # noqa: E402

ACCESSIBLE = {"QT_ACCESSIBILITY": "1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}
# ext4 stamps a file with the kernel's coarse clock, up to a tick (10 ms at the slowest) before the write.
STAMP_GRAIN = 0.010
TRACE_LINE = re.compile(r"^varnel-startup (\d+\.\d+) (\S+)$", re.M)


def trace_of(program):
    with open(os.path.join(program.root, "varnel.log")) as log:
        return [(float(seconds), step) for seconds, step in TRACE_LINE.findall(log.read())]


def stamp(path):
    try:
        return os.stat(path).st_mtime_ns
    except FileNotFoundError:
        return None


def main():
    varnel, make_tracks = sys.argv[1:3]
    tally = Tally("startup")
    with tempfile.TemporaryDirectory() as root:
        program = Program(varnel, make_tracks, root, "it")
        track = program.tracks[0]
        resume = os.path.join(program.folder, "Play.ind")

        # The run before: it plays, is heard for more than a second, and ends, leaving its session.
        program.start([track])
        tally.check("the first run writes its session once heard", wait_for(lambda: stamp(resume), timeout=15),
                    "no Play.ind")
        program.process.send_signal(signal.SIGTERM)
        program.wait_exit()
        tally.check("without the variable nothing of the trace is printed", not trace_of(program),
                    repr(trace_of(program)))
        before = program.resume_file()
        before_stamp = stamp(resume)
        os.truncate(os.path.join(program.root, "varnel.log"), 0)

        # The folder this time: its tracks are searched for while the rest of the program starts.
        program.start([program.tracks_folder], dict(ACCESSIBLE, VARNEL_STARTUP_TRACE="1"))
        heard = wait_for(lambda: dict((step, at) for at, step in trace_of(program)).get("first-sound"), timeout=15)
        if not tally.check("the trace reaches the first sound", heard, repr(trace_of(program))):
            program.stop()
            return tally.finish()
        # Whatever the program wrote before its first sound has been written by now.
        tally.check("Play.ind is untouched up to the first sound", stamp(resume) == before_stamp and
                    program.resume_file() == before, repr(program.resume_file()))
        written = wait_for(lambda: stamp(resume) != before_stamp and stamp(resume), timeout=15)
        if tally.check("the session is written once the track is heard", written, "Play.ind never changed"):
            # The file's stamp is wall-clock time, the trace monotonic: set one against the other.
            written_at = written / 1e9 - (time.time() - time.monotonic())
            tally.check("the first write comes after the first sound", written_at >= heard - STAMP_GRAIN,
                        f"written {heard - written_at:.3f} s before the first sound")
            places = re.findall(r"^Place=.*\|(.*)$", program.resume_file(), re.M)
            tally.check("the folder's first track in name order is the one playing", places == [track],
                        repr(program.resume_file()))

        steps = trace_of(program)
        at = dict((step, seconds) for seconds, step in steps)
        tally.check("each step is printed once", len(at) == len(steps), repr(steps))
        tally.check("main comes first", steps and steps[0][1] == "main", repr(steps))
        order = ["main", "stores-read", "application", "libmpv-created", "window-built", "list-built",
                 "load-sent", "first-sound"]
        tally.check("the steps up to the first sound come in their order",
                    all(step in at for step in order) and
                    all(at[a] <= at[b] for a, b in zip(order, order[1:])), repr(steps))
        tally.check("the window is shown and the screen reader's bridge is up",
                    "window-shown" in at and "accessibility-bridge" in at, repr(steps))
        tally.check("the list is told whole, never before it is built",
                    "list-whole" in at and at["list-whole"] >= at.get("list-built", float("inf")), repr(steps))
        program.stop()
    return tally.finish()


if __name__ == "__main__":
    try:
        sys.exit(main())
    except SystemExit:
        raise
    except Exception as error:  # a broken session is a failure, never a pass
        print(f"FAIL: {error}", flush=True)
        sys.exit(1)
