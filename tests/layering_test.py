#!/usr/bin/env python3
"""Fails when a source folder includes a header of a folder on its own floor or above it, so
the folders stay a stack without circles: the records and interfaces every part shares at the
bottom, the wizard at the top."""
import pathlib
import re
import sys

FLOORS = [
    {"contracts", "platform", "res"},
    {"enumeration", "ui"},
    {"makerlibs", "app", "controls"},
    {"portservice"},
    {"detect", "pages"},
    {"wizard"},
]
FLOOR = {folder: n for n, folders in enumerate(FLOORS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+)/', re.M)


def upward_includes(root):
    for folder, floor in FLOOR.items():
        for source in sorted((root / folder).rglob("*")):
            if source.suffix not in (".h", ".cpp", ".rc"):
                continue
            for target in INCLUDE.findall(source.read_text(errors="replace")):
                if target != folder and FLOOR.get(target, -1) >= floor:
                    yield f"{source.relative_to(root)} includes {target}/"


if __name__ == "__main__":
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    missing = [f for f in FLOOR if not (root / f).is_dir()]
    found = list(upward_includes(root))
    for line in missing:
        print(f"no folder {line}")
    for line in found:
        print(line)
    print(f"{len(found)} includes point up or sideways")
    sys.exit(1 if found or missing else 0)
