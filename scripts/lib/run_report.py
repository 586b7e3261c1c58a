#!/usr/bin/env python3
"""What varnel.exe did to each virtual drive during scripts/run, from the
drives' command log and the program's registry key.

  run_report.py LOG REGISTRY_DUMP MENU_MARK DISC_MARK

MENU_MARK and DISC_MARK are the log's length when the speed was picked from
the menu and when the disc was inserted.
"""
import json
import re
import sys

CD_UNIT, DVD_UNIT = 176, 1385  # kB/s of 1x


def read_log(path):
    with open(path, encoding="utf-8") as log:
        return [json.loads(line) for line in log if line.strip().startswith("{")]


def speed_commands(entries):
    """(time, text) of every speed command among the entries."""
    for entry in entries:
        cdb = bytes.fromhex(entry.get("cdb", "").replace(" ", ""))
        if not cdb:
            continue
        if cdb[0] == 0xBB:
            kbs = cdb[2] << 8 | cdb[3]
            yield entry["t"], f"SET CD SPEED {kbs} kB/s" + (f" ({round(kbs / CD_UNIT)}x)" if kbs != 0xFFFF else " (maximum)")
        elif cdb[0] == 0xB6:
            out = bytes.fromhex(entry.get("out", "").replace(" ", ""))
            if len(out) >= 16:
                kbs = int.from_bytes(out[12:16], "big")
                yield entry["t"], f"SET STREAMING {kbs} kB/s"


def drive_names(entries):
    names = {}
    for entry in entries:
        if entry.get("cdb", "").startswith("12") and "in" in entry and entry["drive"] not in names:
            data = bytes.fromhex(entry["in"].replace(" ", ""))
            names[entry["drive"]] = " ".join(data[8:36].decode("ascii", "replace").split())
    return names


def stored_lists(dump):
    """Speed lists by drive name, from `wine reg query /s` output."""
    lists, key = {}, None
    for line in dump.splitlines():
        if line.startswith("HKEY_"):
            # The drive's key is named after the drive: "...\\2.5\\VENDOR PRODUCT REV".
            parts = line.split("\\2.5\\", 1)
            key = parts[1].split("\\")[0] if len(parts) == 2 else None
            continue
        match = re.match(r"\s+SpeedRange(CD|DVD)\s+REG_BINARY\s+([0-9A-Fa-f]*)", line)
        if key and match:
            data = bytes.fromhex(match.group(2))
            unit = CD_UNIT if match.group(1) == "CD" else DVD_UNIT
            speeds = [int.from_bytes(data[i:i + 4], "little") for i in range(0, len(data) - 7, 8)]
            if speeds:
                suffix = "x" if unit == CD_UNIT else "X"
                lists.setdefault(key, {})[match.group(1)] = (
                    f"{match.group(1)} " + " ".join(f"{round(s / unit)}{suffix}" for s in speeds))
    return lists


def main():
    log, dump, menu_mark, disc_mark = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
    entries = read_log(log)
    if not entries:
        print("run: the virtual drives received no command")
        return
    start = entries[0]["t"]
    with open(dump, encoding="utf-8", errors="replace") as f:
        lists = stored_lists(f.read())
    names = drive_names(entries)
    phases = [("at start", entries[:menu_mark]), ("speed picked in the menu", entries[menu_mark:disc_mark]),
              ("after the disc was inserted", entries[disc_mark:])]
    print("run: what the program did to each virtual drive")
    for drive in sorted(names):
        name = names[drive]
        print(f"  drive {drive}: {name}")
        found = next((v for k, v in lists.items() if " ".join(k.split()) == name), None)
        print("    speeds found: " + ("; ".join(found.values()) if found else "none stored"))
        for label, part in phases:
            mine = [e for e in part if e.get("drive") == drive]
            sent = [f"{text} at +{(t - start) / 1000:.1f} s" for t, text in speed_commands(mine)]
            summary = f"{len(mine)} commands"
            if sent:
                shown = sent if len(sent) <= 3 else sent[:1] + [f"... {len(sent) - 2} more ..."] + sent[-1:]
                summary += "; " + ", ".join(shown)
            print(f"    {label}: {summary}")


if __name__ == "__main__":
    main()
