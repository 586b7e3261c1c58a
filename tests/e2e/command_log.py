#!/usr/bin/env python3
"""Answers questions about a virtual-drive command log (one JSON object a line).

  command_log.py LOG count OPCODE [DRIVE]      commands with that first CDB byte
  command_log.py LOG speeds [DRIVE]            read speeds of every SET CD SPEED
  command_log.py LOG reads [DRIVE]             transfer lengths of every READ(10)
  command_log.py LOG streaming [DRIVE]         read sizes of every SET STREAMING
  command_log.py LOG loads [DRIVE]             byte 4 of every START STOP UNIT (3 load, 2 eject)
  command_log.py LOG lines                     the number of lines so far
  command_log.py LOG differs OTHER_LOG         per drive, the first command (CDB,
                                               data out, status, answer) where
                                               the logs part; READ TOC, which
                                               Wine's volume code sends by itself,
                                               left out; and any command an
                                               adapter refused (longer than it
                                               takes, or a misaligned buffer)

LOG may be given as PATH@N to look only at the lines after the first N.
"""
import json
import sys


def entries(path, drive, with_data=False):
    path, _, skip = path.partition("@")
    with open(path, encoding="utf-8") as log:
        for number, line in enumerate(log):
            if skip and number < int(skip):
                continue
            line = line.strip()
            if not line:
                continue
            entry = json.loads(line)
            if "cdb" not in entry:
                continue
            if drive is not None and entry.get("drive") != drive:
                continue
            cdb = bytes.fromhex(entry["cdb"].replace(" ", ""))
            if with_data:
                yield cdb, bytes.fromhex(entry.get("out", "").replace(" ", ""))
            else:
                yield cdb


def main():
    path, question = sys.argv[1], sys.argv[2]
    rest = sys.argv[3:]
    if question == "count":
        opcode = int(rest[0], 0)
        drive = int(rest[1]) if len(rest) > 1 else None
        print(sum(1 for cdb in entries(path, drive) if cdb[0] == opcode))
    elif question == "speeds":
        drive = int(rest[0]) if rest else None
        print(" ".join(str(cdb[2] << 8 | cdb[3]) for cdb in entries(path, drive) if cdb[0] == 0xBB))
    elif question == "reads":
        drive = int(rest[0]) if rest else None
        print(" ".join(str(cdb[7] << 8 | cdb[8]) for cdb in entries(path, drive) if cdb[0] == 0x28))
    elif question == "streaming":
        drive = int(rest[0]) if rest else None
        print(" ".join(str(int.from_bytes(out[12:16], "big"))
                       for cdb, out in entries(path, drive, True) if cdb[0] == 0xB6 and len(out) >= 16))
    elif question == "loads":
        drive = int(rest[0]) if rest else None
        print(" ".join(str(cdb[4]) for cdb in entries(path, drive) if cdb[0] == 0x1B))
    elif question == "differs":
        def commands(log):
            with open(log, encoding="utf-8") as lines:
                found = [json.loads(line) for line in lines if '"cdb"' in line]
            return [(e["drive"], e["cdb"], e.get("out"), e.get("status"), e.get("in")) for e in found
                    if not e["cdb"].startswith("43 ")]
        for log in (path, rest[0]):
            with open(log, encoding="utf-8") as lines:
                for line in lines:
                    if '"refused"' in line:
                        print(f"{log}: the adapter refused {line.strip()}")
        mine, other = commands(path), commands(rest[0])
        for drive in sorted({c[0] for c in mine + other}):
            a, b = ([c[1:] for c in log if c[0] == drive] for log in (mine, other))
            n = next((i for i in range(max(len(a), len(b))) if a[i:i + 1] != b[i:i + 1]), None)
            if n is not None:
                print(f"drive {drive} command {n + 1}: {(a[n:] or [['end']])[0][0]} / {(b[n:] or [['end']])[0][0]}")
    elif question == "lines":
        with open(path, encoding="utf-8") as log:
            print(sum(1 for _ in log))
    else:
        sys.exit("unknown question " + question)


if __name__ == "__main__":
    main()
