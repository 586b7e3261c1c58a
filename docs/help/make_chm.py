#!/usr/bin/env python3
"""Builds varnel.chm from the help sources.

The sources are UTF-8; the HTML Help viewer reads a help file in the ANSI code
page of its language (1251 for the Russian one, 1252 for the English one in
en/), so every text file is converted (strictly: a character the code page
lacks stops the build) before chmcmd compiles the project.

The same sources give the same bytes (scripts/package): the converted files
carry a fixed time, chmcmd runs without address-space randomisation, and the
two times it writes of its own (the file header's and the #SYSTEM file's)
are set to 0.
Usage: make_chm.py SOURCE_DIR WORK_DIR OUTPUT_CHM CHMCMD [CODE_PAGE]
"""
import os
import pathlib
import platform
import shutil
import subprocess
import sys

TEXT_SUFFIXES = {".html", ".hhc", ".hhk", ".hhp", ".css"}
FIXED_TIME = 946684800  # 2000-01-01
SYSTEM_TIME_STAMP = 10  # the #SYSTEM record of the compile time


def encint(data, at):
    """A CHM directory number: 7 bits a byte, high bit set on all but the last."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = value << 7 | byte & 0x7F
        if byte < 0x80:
            return value, at


def clear_time_stamps(chm):
    """Zeroes the compile time of the ITSF header and of the #SYSTEM file."""
    data = bytearray(chm)
    data[16:20] = bytes(4)  # ITSF header: time stamp
    directory = int.from_bytes(data[0x48:0x50], "little")  # header section 1: the ITSP directory
    content = int.from_bytes(data[0x58:0x60], "little")  # where section 0 begins
    chunk_size = int.from_bytes(data[directory + 0x10:directory + 0x14], "little")
    chunks = int.from_bytes(data[directory + 0x2C:directory + 0x30], "little")
    header = int.from_bytes(data[directory + 0x08:directory + 0x0C], "little")
    for n in range(chunks):
        chunk = directory + header + n * chunk_size
        if data[chunk:chunk + 4] != b"PMGL":
            continue
        end = chunk + chunk_size - int.from_bytes(data[chunk + 4:chunk + 8], "little")
        at = chunk + 20
        while at < end:
            length, at = encint(data, at)
            name = bytes(data[at:at + length])
            at += length
            section, at = encint(data, at)
            offset, at = encint(data, at)
            size, at = encint(data, at)
            if name != b"/#SYSTEM" or section != 0:
                continue
            record, stop = content + offset + 4, content + offset + size  # after the version word
            while record + 4 <= stop:
                code = int.from_bytes(data[record:record + 2], "little")
                length = int.from_bytes(data[record + 2:record + 4], "little")
                if code == SYSTEM_TIME_STAMP:
                    data[record + 4:record + 4 + length] = bytes(length)
                record += 4 + length
            return bytes(data)
    sys.exit("make_chm: no #SYSTEM file in the compiled help")


def main():
    source, work, output, chmcmd = map(pathlib.Path, sys.argv[1:5])
    code_page = sys.argv[5] if len(sys.argv) > 5 else "1251"
    if work.exists():
        shutil.rmtree(work)
    work.mkdir(parents=True)
    for path in sorted(source.iterdir()):
        if path.suffix not in TEXT_SUFFIXES:
            continue
        text = path.read_text(encoding="utf-8").replace("charset=utf-8", f"charset=windows-{code_page}")
        (work / path.name).write_bytes(text.encode(f"cp{code_page}"))
        os.utime(work / path.name, (FIXED_TIME, FIXED_TIME))
    # chmcmd leaves two bytes of its keyword map ($WWKeywordLinks/Map)
    # unwritten: with the address space laid out alike every time, what they
    # hold is alike too.
    command = [str(chmcmd), "varnel.hhp"]
    if shutil.which("setarch"):
        command = ["setarch", platform.machine(), "--addr-no-randomize"] + command
    run = subprocess.run(command, cwd=work, capture_output=True, text=True, encoding="latin-1")
    if run.returncode != 0 and command[0] == "setarch":  # a system that refuses it
        run = subprocess.run(command[3:], cwd=work, capture_output=True, text=True, encoding="latin-1")
    compiled = work / "varnel.chm"
    if run.returncode != 0 or not compiled.exists() or "error" in run.stdout.lower():
        sys.stderr.write(run.stdout + run.stderr)
        sys.exit(f"make_chm: chmcmd failed on {source}")
    output.write_bytes(clear_time_stamps(compiled.read_bytes()))


if __name__ == "__main__":
    main()
