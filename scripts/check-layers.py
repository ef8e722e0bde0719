#!/usr/bin/env python3
"""Checks that includes can only run down the editor's layers.

For one source file of each folder it preprocesses a probe with exactly the
compiler flags the build uses for that file, and asks which folders' headers
the probe can reach. A folder must reach itself and the folders below it, and
nothing above: an include that runs back up must not build.

usage: check-layers.py BUILD_DIR
"""
import json
import os
import shlex
import subprocess
import sys
import tempfile

# One header of each folder, as other folders include it.
HEADERS = {
    "platform": "platform/hostservices.h",
    "document": "document/textbuffer.h",
    "output": "output/printing.h",
    "lang": "lang/pluasupport.h",
    "session": "session/programstate.h",
    "runwindow": "runwindow/runwindow.h",
    "info": "info/helpwindows.h",
    "app": "app/frmmain.h",
    "run": "run/pluaengine.h",
}

# What each folder may reach besides itself: the libraries it links, and
# theirs.
BELOW = {
    "core": [],
    "run": [],
    "platform": [],
    "document": ["platform"],
    "output": ["document", "platform"],
    "lang": ["document", "platform"],
    "session": ["output", "document", "platform"],
    "runwindow": ["lang", "document", "platform", "run"],
    "info": ["session", "output", "document", "platform"],
    "app": ["info", "session", "output", "lang", "runwindow", "document", "platform", "run"],
}


def probe_command(entry, probe):
    """The entry's compiler command, preprocessing `probe` instead."""
    args = entry.get("arguments") or shlex.split(entry["command"])
    kept = []
    skip = False
    for arg in args:
        if skip:
            skip = False
            continue
        if arg in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
            continue
        if arg in ("-c", "-MD", "-MMD") or arg == entry["file"]:
            continue
        kept.append(arg)
    return kept + ["-E", "-P", probe]


def main():
    build = sys.argv[1]
    with open(os.path.join(build, "CMakeCache.txt")) as f:
        home = next(line.split("=", 1)[1].strip() for line in f
                    if line.startswith("CMAKE_HOME_DIRECTORY:"))
    src = os.path.realpath(os.path.join(home, "src"))
    with open(os.path.join(build, "compile_commands.json")) as f:
        entries = json.load(f)
    sample = {}
    for entry in entries:
        path = os.path.realpath(os.path.join(entry["directory"], entry["file"]))
        folder = os.path.relpath(os.path.dirname(path), src)
        if folder in BELOW and folder not in sample:
            sample[folder] = entry

    with tempfile.TemporaryDirectory() as work:
        probe = os.path.join(work, "probe.cpp")
        with open(probe, "w") as f:
            for folder, header in HEADERS.items():
                f.write(f'#if __has_include("{header}")\nreaches {folder}\n#endif\n')
        faults = []
        for folder, below in BELOW.items():
            if folder not in sample:
                faults.append(f"{folder}: no source file of it in the build")
                continue
            entry = sample[folder]
            done = subprocess.run(probe_command(entry, probe), cwd=entry["directory"],
                                  capture_output=True, text=True)
            if done.returncode != 0:
                faults.append(f"{folder}: the probe did not preprocess: {done.stderr.strip()}")
                continue
            reached = {line.split()[1] for line in done.stdout.splitlines()
                       if line.startswith("reaches ")}
            allowed = set(below) | {folder}
            for up in sorted(reached - allowed):
                faults.append(f"{folder}: can include {HEADERS[up]}, a folder above it")
            for down in sorted((allowed & set(HEADERS)) - reached):
                faults.append(f"{folder}: cannot include {HEADERS[down]}, a folder below it")
    for fault in faults:
        print(fault)
    print(f"layers: {len(BELOW)} folders checked, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
