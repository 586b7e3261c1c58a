#!/usr/bin/env python3
"""Answers questions about a virtual-drive command log (one JSON object a line).

  command_log.py LOG count OPCODE [DRIVE]      commands with that first CDB byte
  command_log.py LOG speeds [DRIVE]            read speeds of every SET CD SPEED
  command_log.py LOG reads [DRIVE]             transfer lengths of every READ(10)
"""
import json
import sys


def entries(path, drive):
    with open(path, encoding="utf-8") as log:
        for line in log:
            line = line.strip()
            if not line:
                continue
            entry = json.loads(line)
            if "cdb" not in entry:
                continue
            if drive is not None and entry.get("drive") != drive:
                continue
            yield bytes.fromhex(entry["cdb"].replace(" ", ""))


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
    else:
        sys.exit("unknown question " + question)


if __name__ == "__main__":
    main()
