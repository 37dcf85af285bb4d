#!/usr/bin/env python3
"""Checks the order in which the program names its libraries: every symbol still comes from the
library it comes from when the program is linked in the plain order, and the loader's search for
them is shorter. A C++ inline or template definition (weak or unique in every library that has
it) may come from another library: the language makes every copy the same, and all users share
whichever the loader finds first.

    check_loader_order.py PROGRAM PLAIN_PROGRAM

The loader only resolves the programs' symbols (as `ldd -r` does, every symbol bound at once), so
neither is run: no display or sound server is needed.
"""

import collections
import functools
import os
import re
import subprocess
import sys
import tempfile

LOADER_CANDIDATES = ["/lib64/ld-linux-x86-64.so.2", "/lib/ld-linux-aarch64.so.1"]
BINDING = re.compile(r"binding file (\S+) \[\d+\] to (\S+) \[\d+\]: \S+ symbol `([^']+)'")
SKIPPED = 77


def loader():
    for candidate in LOADER_CANDIDATES:
        if os.path.exists(candidate):
            return candidate
    return None


def trace(program):
    """The libraries the loader lists for program, in its order, and its debug output of every
    symbol bound."""
    with tempfile.TemporaryDirectory() as folder:
        env = dict(os.environ, LD_DEBUG="bindings", LD_DEBUG_OUTPUT=os.path.join(folder, "trace"),
                   LD_BIND_NOW="1", LD_TRACE_LOADED_OBJECTS="1", LD_WARN="yes")
        listing = subprocess.run([loader(), program], env=env, check=True, capture_output=True, text=True).stdout
        text = ""
        for name in os.listdir(folder):
            with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
                text += f.read()
        return listing, text


class Program:
    """What the loader does for one program: where each symbol comes from, and in which order it searches."""

    def __init__(self, path):
        self.path = os.path.realpath(path)
        listing, text = trace(path)
        # The libraries in the order the loader searches them: the order it lists them in.
        self.order = ["program"] + [match.group(1) for match in re.finditer(r"^\s*\S+ => (\S+) \(", listing, re.M)]
        self.found = {}  # {(the library asking, symbol): the library that gives it}
        self.providers = collections.Counter()
        for line in text.splitlines():
            match = BINDING.search(line)
            if not match:
                continue
            asking, giving = self.name(match.group(1)), self.name(match.group(2))
            self.found[(asking, match.group(3))] = giving
            self.providers[giving] += 1

    @functools.lru_cache(maxsize=None)
    def name(self, path):
        return "program" if os.path.realpath(path) == self.path else path

    def lookup_steps(self):
        """Libraries the loader passes over in all, each symbol's search ending at its library."""
        position = {path: i for i, path in enumerate(self.order)}
        return sum(position.get(path, len(self.order)) * count for path, count in self.providers.items())


class WeakDefinitions:
    """Whether a library's definition of a symbol is weak or unique, read once per library with nm."""

    def __init__(self):
        self.libraries = {}

    def __call__(self, library, symbol):
        if library not in self.libraries:
            listing = subprocess.run(["nm", "-D", "--defined-only", library], capture_output=True, text=True).stdout
            kinds = {}
            for line in listing.splitlines():
                parts = line.split()
                if len(parts) == 3:
                    kinds[parts[2].split("@")[0]] = parts[1]
            self.libraries[library] = kinds
        return self.libraries[library].get(symbol) in ("W", "V", "u")


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    if loader() is None:
        print("skipped: no dynamic loader found where expected")
        return SKIPPED
    program, plain = Program(sys.argv[1]), Program(sys.argv[2])
    ordered, unordered = program.found, plain.found

    faults = []
    if set(ordered) != set(unordered):
        only = sorted(set(ordered) ^ set(unordered))[:10]
        faults.append(f"the two programs bind different symbols, e.g. {only}")
    weak = WeakDefinitions()
    moved = [(key, unordered[key], ordered[key]) for key in ordered.keys() & unordered.keys()
             if ordered[key] != unordered[key]
             and not (weak(ordered[key], key[1]) and weak(unordered[key], key[1]))]
    for (asking, symbol), before, after in sorted(moved)[:20]:
        faults.append(f"{symbol} (asked by {asking}) comes from {after}, not from {before}")

    steps, plain_steps = program.lookup_steps(), plain.lookup_steps()
    print(f"{len(ordered)} symbols bound, {len(moved)} from another library than in the plain order; the loader "
          f"passes over {steps} libraries in all, against {plain_steps} in the plain order")
    if steps * 2 > plain_steps:
        faults.append("the loader's search is not even halved: the order did not take")

    for fault in faults:
        print("FAULT:", fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
