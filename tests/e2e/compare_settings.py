#!/usr/bin/env python3
"""Compares two registry exports of the program's settings taken before and
after an endurance run, and fails when something no step changes differs.

  compare_settings.py BEFORE.reg AFTER.reg

Must not change: the program key's values and its "Lock" key (no step
confirms a settings dialog), every drive settings key ("<name>\\NN") and its
"Lock" key, except the selected speeds a speed pick stores. Every key present
before must still be there. Capability keys may be written again by a
discovery (a disc class seen for the first time, "Найти приводы"); their
changes and any new keys are listed, not failed. Exit 0 when intact.
"""
import re
import sys

PROGRAM_KEY = "HKEY_CURRENT_USER\\Software\\Morbeck Software\\Varnel\\2.5"
SPEED_PICKS = {'"SpeedSelectedCD"', '"SpeedSelectedDVD"'}


def read_export(path):
    """Key path -> {value name: stored text}; fails on a file that is no export."""
    raw = open(path, "rb").read()
    text = raw.decode("utf-16") if raw[:2] in (b"\xff\xfe", b"\xfe\xff") else raw.decode("utf-8")
    lines = text.replace("\\\r\n", "").replace("\\\n", "").splitlines()
    if not lines or not lines[0].startswith(("Windows Registry Editor", "REGEDIT4")):
        raise ValueError(f"{path}: not a registry export")
    keys, current = {}, None
    for line in lines[1:]:
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = keys.setdefault(line[1:-1], {})
        elif line and current is not None:
            name, _, value = line.partition("=")
            current[name] = re.sub(r"\s+", "", value)
    return keys


def kind(path):
    if path == PROGRAM_KEY or path == PROGRAM_KEY + "\\Lock":
        return "program"
    if re.search(r"\\\d\d(\\Lock)?$", path):
        return "drive settings"
    return "capabilities" if path.startswith(PROGRAM_KEY + "\\") else "other"


def main():
    before, after = read_export(sys.argv[1]), read_export(sys.argv[2])
    broken = []
    for path, values in before.items():
        if path not in after:
            broken.append(f"key gone: {path}")
            continue
        changed = sorted(n for n in set(values) | set(after[path]) if values.get(n) != after[path].get(n))
        what = kind(path)
        if what == "drive settings":
            changed = [n for n in changed if n not in SPEED_PICKS]
        for name in changed:
            line = f"{what} {path} {name}: {values.get(name)} -> {after[path].get(name)}"
            (print("  note: " + line) if what in ("capabilities", "other") else broken.append(line))
    for path in after.keys() - before.keys():
        print(f"  note: new key {path}")
    for line in broken:
        print("  changed: " + line)
    print(f"  {len(before)} keys compared, {len(broken)} unexpected changes")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main())
