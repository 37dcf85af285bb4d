#!/usr/bin/env python3
"""Checks what an installed Varnel brings: the files a package must hold, its desktop entry, its
manuals in three languages and its AppStream metadata, with the desktop's own validators.

    check_package.py --source SRC (--deb FILE | --install-from BUILD_DIR | --root DIR)

Exits 0 when everything holds, 1 on a fault, 77 (skipped) when no fault was found but a
validator was missing, so a part of the checks could not run.
"""

import argparse
import gzip
import os
import re
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

SKIPPED = 77
MIME_DATABASE = "/usr/share/mime/packages/freedesktop.org.xml"
MIME_NS = {"m": "http://www.freedesktop.org/standards/shared-mime-info"}
LANGUAGES = ["", "it", "es"]  # "" is the English manual

REQUIRED_FILES = [
    "usr/bin/varnel",
    "usr/share/applications/varnel.desktop",
    "usr/share/icons/hicolor/scalable/apps/varnel.svg",
    "usr/share/metainfo/org.varnel.Varnel.metainfo.xml",
    "usr/share/doc/varnel/copyright",
    "usr/share/doc/varnel/changelog.gz",
] + [os.path.join("usr/share/man", lang, "man1/varnel.1.gz") for lang in LANGUAGES]

# Words every manual must carry whatever its language: key names, files, options, the bus name.
MANUAL_TERMS = ["F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F12", "+J", "+O", "+P", "+S", "+T", "+B", "+L",
                "+Z", "Play.cfg", "Play.ind", "XDG_CONFIG_HOME", "DeactivatedVolume", "SortType", "Extensions",
                "RewindAfterPause", "MPRIS"]


class Checker:
    def __init__(self):
        self.faults = []
        self.missing_tools = set()

    def fault(self, text):
        self.faults.append(text)
        print("FAULT: " + text)

    def tool(self, name):
        if shutil.which(name):
            return True
        self.missing_tools.add(name)
        return False

    def run(self, what, command, silent=False, page_on_stdout=False):
        """Runs a validator. Its failure is a fault; so is anything it says when it should be
        silent (standard output excepted when that is the rendered page)."""
        result = subprocess.run(command, capture_output=True, text=True,
                                env=dict(os.environ, LC_ALL="C.UTF-8", MANWIDTH="80"))
        said = result.stderr + ("" if page_on_stdout else result.stdout)
        if result.returncode != 0 or (silent and said.strip()):
            shown = said if silent else result.stdout + result.stderr
            self.fault("%s: %s exited %d\n%s" % (what, command[0], result.returncode, shown.strip()))


def read_source(source, path):
    with open(os.path.join(source, path), encoding="utf-8") as f:
        return f.read()


def default_extensions(source):
    text = read_source(source, "src/config/GeneralConfigs.h")
    match = re.search(r"kDefaultExtensions\s*=\s*((?:\s*\"[^\"]*\")+)", text)
    if not match:
        raise SystemExit("no kDefaultExtensions in GeneralConfigs.h")
    joined = "".join(re.findall(r"\"([^\"]*)\"", match.group(1)))
    return [e for e in joined.lower().split(".") if e]


def mime_database():
    """Canonical audio and video types with their globs, and every alias name."""
    types, aliases = {}, set()
    for node in ET.parse(MIME_DATABASE).getroot().findall("m:mime-type", MIME_NS):
        name = node.get("type")
        types[name] = {g.get("pattern").lower() for g in node.findall("m:glob", MIME_NS)}
        aliases.update(a.get("type") for a in node.findall("m:alias", MIME_NS))
    return types, aliases


def check_files(checker, root):
    for path in REQUIRED_FILES:
        if not os.path.isfile(os.path.join(root, path)):
            checker.fault("missing " + path)
    # The package ships the program and what describes it, never the build's helpers.
    for folder in ["usr/bin", "usr/lib", "usr/libexec"]:
        full = os.path.join(root, folder)
        if os.path.isdir(full):
            extra = sorted(set(os.listdir(full)) - {"varnel"})
            if extra:
                checker.fault("unexpected files in /%s: %s" % (folder, ", ".join(extra)))


def check_desktop_entry(checker, root, source):
    path = os.path.join(root, "usr/share/applications/varnel.desktop")
    if not os.path.isfile(path):
        return
    if checker.tool("desktop-file-validate"):
        checker.run("desktop entry", ["desktop-file-validate", path], silent=True)
    with open(path, encoding="utf-8") as f:
        lines = dict(line.rstrip("\n").split("=", 1) for line in f if "=" in line)
    listed = [t for t in lines.get("MimeType", "").split(";") if t]
    if not os.path.isfile(MIME_DATABASE):
        checker.missing_tools.add("shared-mime-info")
        return
    types, aliases = mime_database()
    for t in listed:
        if t not in types:
            checker.fault("MimeType %s is %s" % (t, "an alias, not the type's own name" if t in aliases
                                                 else "not a known type"))
    # Every media extension the desktop knows as audio or video must open with the player.
    for ext in default_extensions(source):
        owners = [t for t, globs in types.items()
                  if "*." + ext in globs and t.split("/")[0] in ("audio", "video")]
        if owners and not any(t in listed for t in owners):
            checker.fault("extension .%s (%s) is not covered by MimeType" % (ext, ", ".join(owners)))


def manual_text(path):
    with gzip.open(path, "rt", encoding="utf-8") as f:
        return f.read()


def macro_counts(text):
    return {m: len(re.findall(r"^\.%s\b" % m, text, re.M)) for m in ("SH", "SS", "TP", "TQ")}


def check_manuals(checker, root, source):
    texts = {}
    for lang in LANGUAGES:
        path = os.path.join(root, "usr/share/man", lang, "man1/varnel.1.gz")
        if os.path.isfile(path):
            texts[lang] = (path, manual_text(path))
    bus_name = re.search(r"ServiceName\s*=\s*\"([^\"]+)\"", read_source(source, "src/shell/MprisService.h"))
    terms = MANUAL_TERMS + ([bus_name.group(1)] if bus_name else [])
    # The start-up errors the manuals quote, as the sources spell them: a changed message shows here.
    errors = ["cannot read the settings file", "mpv: could not be created", "mpv: initialise"]
    sources = "".join(read_source(source, name) for name in (
        "src/config/SectionedStore.cpp", "src/config/StoreFile.cpp", "src/engine/MpvClient.cpp"))
    for error in errors:
        if error.split(": ")[-1] not in sources:
            checker.fault("the manuals quote \"%s\", which the program no longer prints" % error)
    english = macro_counts(texts[""][1]) if "" in texts else None
    for lang, (path, text) in texts.items():
        name = "manual " + (lang or "en")
        for term in terms + errors:
            if term not in text:
                checker.fault("%s lacks \"%s\"" % (name, term))
        if english and macro_counts(text) != english:
            checker.fault("%s has sections and entries %s, the English one %s"
                          % (name, macro_counts(text), english))
        if checker.tool("man"):
            checker.run(name, ["man", "--warnings", "-l", path], silent=True, page_on_stdout=True)
        if checker.tool("groff"):
            with tempfile.NamedTemporaryFile("w", suffix=".1", encoding="utf-8") as plain:
                plain.write(text)
                plain.flush()
                checker.run(name, ["groff", "-z", "-wall", "-k", "-man", plain.name], silent=True)


def check_metainfo(checker, root):
    path = os.path.join(root, "usr/share/metainfo/org.varnel.Varnel.metainfo.xml")
    if not os.path.isfile(path):
        return
    component = ET.parse(path).getroot()
    if component.findtext("id") != "org.varnel.Varnel":
        checker.fault("metainfo id is %s, not the file's name" % component.findtext("id"))
    for launchable in component.findall("launchable"):
        if not os.path.isfile(os.path.join(root, "usr/share/applications", launchable.text)):
            checker.fault("metainfo launches %s, which is not installed" % launchable.text)
    if "@" in "".join(r.get("version", "") for r in component.iter("release")):
        checker.fault("metainfo release version was not filled in")
    if checker.tool("appstreamcli"):
        checker.run("metainfo", ["appstreamcli", "validate", "--no-net", path])


def unpack(args, work):
    if args.root:
        return args.root
    root = os.path.join(work, "root")
    if args.deb:
        if not shutil.which("dpkg-deb"):
            print("dpkg-deb is missing")
            sys.exit(SKIPPED)
        subprocess.run(["dpkg-deb", "-x", args.deb, root], check=True)
    else:
        subprocess.run(["cmake", "--install", args.install_from, "--prefix", os.path.join(root, "usr")],
                       check=True, stdout=subprocess.DEVNULL)
    return root


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--source", required=True)
    where = parser.add_mutually_exclusive_group(required=True)
    where.add_argument("--deb")
    where.add_argument("--install-from")
    where.add_argument("--root")
    args = parser.parse_args()

    checker = Checker()
    with tempfile.TemporaryDirectory() as work:
        root = unpack(args, work)
        check_files(checker, root)
        check_desktop_entry(checker, root, args.source)
        check_manuals(checker, root, args.source)
        check_metainfo(checker, root)

    if checker.faults:
        print("%d fault(s)" % len(checker.faults))
        return 1
    if checker.missing_tools:
        print("skipped the checks of: " + ", ".join(sorted(checker.missing_tools)))
        return SKIPPED
    print("package files are sound")
    return 0


if __name__ == "__main__":
    sys.exit(main())
