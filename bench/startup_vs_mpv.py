#!/usr/bin/python3
"""The real program's start beside the mpv command line's, in one run on this machine.

Usage (inside tests/e2e/run_session.sh, which gives it a display, the accessibility bus and a silent
sound server): startup_vs_mpv.py VARNEL [ROUNDS [FLOOR...]]

Both players are timed the same way: from the moment they are started to the moment the sound
server announces their first stream (`pactl subscribe`: a new sink input), which is when their sound
starts out. Each is then ended with SIGTERM and its peak memory read from wait4. The program also
prints its own start-up trace (VARNEL_STARTUP_TRACE=1), from which the breakdown of its time to
the first sound is taken. Every figure is the median of ROUNDS runs (3 unless told), the two
players taking turns, after one run of each off the record that reads the libraries from disk.

Each FLOOR is an empty main linked to some of the program's libraries, which prints the monotonic
time it reached main: how long the dynamic loader alone takes, set beside mpv's whole time to sound.
"""

import os
import queue
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from e2e_support import donation_stamp  # noqa: E402

TRACKS_PER_FOLDER = 100
LINKS_PER_SOURCE = 10000  # ext4 allows 65,000 links to one file
CPU_SECONDS = 20.0
# After its first stream each player plays this long before it is ended, so that the program's
# trace reaches the first sound and both peaks cover the same stretch.
SETTLE_SECONDS = 0.5
FIRST_STREAM_LIMIT = 120.0

# The goals, as the program's figure over mpv's.
GOALS = {
    ("time", 1): 0.75,
    ("memory", 1): 1.05,
    ("time", 10000): 0.4,
    ("time", 100000): 0.15,
    ("memory", 100000): 0.7,
    ("cpu", 1): 0.75,
}


def median(values):
    ordered = sorted(values)
    return ordered[len(ordered) // 2]


class StreamWatch:
    """Every new stream the sound server announces, with the monotonic time it was read."""

    def __init__(self):
        self.events = queue.Queue()
        self.process = subprocess.Popen(["pactl", "subscribe"], stdout=subprocess.PIPE, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.process.stdout:
            if line.startswith("Event 'new' on sink-input"):
                self.events.put(time.monotonic())

    def drain(self):
        while not self.events.empty():
            self.events.get_nowait()

    def next_after(self, start, limit):
        deadline = time.monotonic() + limit
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                seen = self.events.get(timeout=left)
            except queue.Empty:
                return None
            if seen >= start:
                return seen

    def stop(self):
        self.process.terminate()
        self.process.wait()


def cpu_ticks(pid):
    """User and system clock ticks of every thread of the process so far."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def parse_trace(text):
    """The program's "varnel-startup SECONDS STEP" lines as {step: seconds}."""
    steps = {}
    for line in text.splitlines():
        parts = line.split()
        if len(parts) == 3 and parts[0] == "varnel-startup":
            steps.setdefault(parts[2], float(parts[1]))
    return steps


class Run:
    def __init__(self):
        self.first_stream_ms = None
        self.peak_mb = None
        self.cpu_share = None
        self.trace = {}


def run_once(watch, argv, env, log_path, cpu_seconds=0.0):
    """Starts argv, waits for its first stream, optionally lets it play, ends it; None when it made no sound."""
    watch.drain()
    run = Run()
    with open(log_path, "w") as log:
        start = time.monotonic()
        process = subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=log, stderr=log)
        seen = watch.next_after(start, FIRST_STREAM_LIMIT)
        if seen is not None:
            run.first_stream_ms = (seen - start) * 1000.0
            if cpu_seconds > 0:
                before = cpu_ticks(process.pid)
                time.sleep(cpu_seconds)
                run.cpu_share = (cpu_ticks(process.pid) - before) / os.sysconf("SC_CLK_TCK") / cpu_seconds
            else:
                time.sleep(SETTLE_SECONDS)
        process.send_signal(signal.SIGTERM)
        try:
            _, _, usage = os.wait4(process.pid, 0)
        except ChildProcessError:
            usage = None
        process.returncode = 0
        if usage is not None:
            run.peak_mb = usage.ru_maxrss / 1024.0
    with open(log_path) as log:
        trace = parse_trace(log.read())
    run.trace = {step: (seconds - start) * 1000.0 for step, seconds in trace.items()}
    return run if run.first_stream_ms is not None else None


class Bench:
    def __init__(self, varnel, work):
        self.work = work
        self.app = os.path.join(work, "app")
        os.makedirs(self.app)
        # A copy of its own, so that its settings files stay out of the build tree.
        self.varnel = os.path.join(self.app, "varnel")
        shutil.copy2(varnel, self.varnel)
        self.mpv = shutil.which("mpv")
        self.watch = StreamWatch()
        self.env = dict(os.environ)
        self.env.pop("QT_QPA_PLATFORM", None)
        # The listener runs a screen reader: the program starts with its accessibility bridge up.
        self.ours_env = dict(self.env, VARNEL_STARTUP_TRACE="1", QT_ACCESSIBILITY="1",
                             QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")

    def fresh_settings(self):
        """Each start meets the same files: the reminder counted as shown, nothing remembered."""
        for name in ("Play.cfg", "Play.ind"):
            path = os.path.join(self.app, name)
            if os.path.exists(path):
                os.remove(path)
        with open(os.path.join(self.app, "Play.cfg"), "w", encoding="cp1252", newline="\r\n") as cfg:
            cfg.write(f"[General]\nDonateDate={donation_stamp()}\n")

    def varnel_run(self, path, cpu_seconds=0.0):
        self.fresh_settings()
        return run_once(self.watch, [self.varnel, path], self.ours_env, os.path.join(self.work, "varnel.log"), cpu_seconds)

    def mpv_run(self, path, cpu_seconds=0.0):
        argv = [self.mpv, "--no-config", "--no-video", "--ao=pulse", path]
        return run_once(self.watch, argv, self.env, os.path.join(self.work, "mpv.log"), cpu_seconds)

    def both(self, path, rounds, cpu_seconds=0.0):
        ours, theirs = [], []
        for round_number in range(-1, rounds):
            a = self.varnel_run(path, cpu_seconds if round_number >= 0 else 0.0)
            b = self.mpv_run(path, cpu_seconds if round_number >= 0 else 0.0)
            if a is None or b is None:
                raise RuntimeError(f"{'varnel' if a is None else 'mpv'} made no sound on {path}")
            if round_number >= 0:
                ours.append(a)
                theirs.append(b)
        return ours, theirs


def floor_ms(program, rounds):
    """The median time from starting program to its main, in ms, after one run off the record."""
    times = []
    for round_number in range(-1, rounds):
        start = time.monotonic()
        reached = float(subprocess.run([program], check=True, capture_output=True, text=True).stdout)
        if round_number >= 0:
            times.append((reached - start) * 1000.0)
    return median(times)


def print_floors(floors, rounds, mpv_ms):
    if not floors:
        return
    goal = GOALS[("time", 1)]
    print(f"Loader floor: an empty main linked to the program's libraries (median of {rounds}):")
    for program in floors:
        ms = floor_ms(program, rounds)
        print(f"  {os.path.basename(program):<22}{ms:7.1f} ms to main = {ms / mpv_ms:4.2f} of mpv's time to sound"
              f" (the one-file goal leaves {goal * mpv_ms - ms:6.1f} ms after it)")


def make_mp3(path, seconds):
    subprocess.run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
                    f"sine=frequency=440:sample_rate=44100:duration={seconds}", "-ac", "2",
                    "-c:a", "libmp3lame", "-b:a", "320k", path], check=True)


def make_tree(root, count, source_seconds=5):
    """count tracks in folders of 100, hard links to a few MP3 files, each folder with two files that are not media."""
    os.makedirs(root)
    sources = []
    for s in range((count + LINKS_PER_SOURCE - 1) // LINKS_PER_SOURCE):
        source = os.path.join(os.path.dirname(root), f"{os.path.basename(root)}-source{s}.mp3")
        make_mp3(source, source_seconds)
        sources.append(source)
    for i in range(count):
        folder = os.path.join(root, f"album {i // TRACKS_PER_FOLDER:04d}")
        if i % TRACKS_PER_FOLDER == 0:
            os.mkdir(folder)
            for extra in ("zz notes.txt", "zz cover.jpg"):
                open(os.path.join(folder, extra), "w").close()
        os.link(sources[i // LINKS_PER_SOURCE], os.path.join(folder, f"track {i % TRACKS_PER_FOLDER:02d}.mp3"))


def print_breakdown(runs):
    """Each step's median time from the process's start, what it took after the step before and its share
    of the whole, up to the later of the program's first sound and the server's first stream; the steps
    that come after that (the rest of a large list) follow without a share."""
    steps = {}
    for run in runs:
        for step, ms in run.trace.items():
            steps.setdefault(step, []).append(ms)
    steps["first stream (server)"] = [run.first_stream_ms for run in runs]
    ordered = sorted((median(ms), step) for step, ms in steps.items())
    total = max(at for at, step in ordered if step in ("first-sound", "first stream (server)"))
    print(f"  {'step':<22}{'at ms':>9}{'step ms':>9}{'share':>8}")
    previous = 0.0
    for at, step in ordered:
        share = f"{(at - previous) / total:8.0%}" if at <= total else "   later"
        print(f"  {step:<22}{at:9.1f}{at - previous:9.1f}{share}")
        previous = at


def print_side(what, count, ours, theirs, unit):
    ratio = ours / theirs
    goal = GOALS.get((what, count))
    verdict = "" if goal is None else f"  goal <= {goal:.2f}: {'met' if ratio <= goal else 'MISSED'}"
    print(f"  {what:<7}{count:>7} files: varnel {ours:8.1f} {unit:<3} mpv {theirs:8.1f} {unit:<3} ratio {ratio:5.2f}{verdict}")


def main():
    if len(sys.argv) < 2:
        print("usage: startup_vs_mpv.py VARNEL [ROUNDS [FLOOR...]]", file=sys.stderr)
        return 2
    for tool in ("mpv", "pactl", "ffmpeg"):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed")
            return 77
    rounds = int(sys.argv[2]) if len(sys.argv) >= 3 else 3
    floors = sys.argv[3:]
    # One file only, for a quick look while working on the start-up.
    counts = (1,) if os.environ.get("VARNEL_BENCH_ONE_FILE") == "1" else (1, 10000, 100000)
    work = tempfile.mkdtemp(prefix="varnel-startup-")
    bench = Bench(sys.argv[1], work)
    try:
        one = os.path.join(work, "one.mp3")
        make_mp3(one, 30)
        results = {}
        results[1] = bench.both(one, rounds)
        for count in counts[1:]:
            tree = os.path.join(work, f"tree{count}")
            make_tree(tree, count)
            results[count] = bench.both(tree, rounds)
            shutil.rmtree(tree)
        cpu = bench.both(one, rounds, CPU_SECONDS) if len(counts) > 1 else None

        print(f"Start-up of the real program, step by step (median of {rounds}; ms from its start):")
        for count in counts:
            print(f" {count} file{'s' if count > 1 else ''}:")
            print_breakdown(results[count][0])
        print(f"Side by side with the mpv command line (median of {rounds}; time to the sound server's first stream):")
        for count in counts:
            ours, theirs = results[count]
            print_side("time", count, median([r.first_stream_ms for r in ours]),
                       median([r.first_stream_ms for r in theirs]), "ms")
            print_side("memory", count, median([r.peak_mb for r in ours]), median([r.peak_mb for r in theirs]), "MB")
        if cpu is not None:
            print_side("cpu", 1, median([r.cpu_share for r in cpu[0]]) * 100,
                       median([r.cpu_share for r in cpu[1]]) * 100, "%")
            print(f"  (cpu: share of one core over {CPU_SECONDS:.0f} s of a 320 kb/s MP3 after the first stream)")
        print_floors(floors, rounds, median([r.first_stream_ms for r in results[1][1]]))
    finally:
        bench.watch.stop()
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
