#!/usr/bin/env python3
"""Builds varnel.chm from the help sources.

The sources are UTF-8; the HTML Help viewer reads a help file in the ANSI code
page of its language (1251 for the Russian one, 1252 for the English one in
en/), so every text file is converted (strictly: a character the code page
lacks stops the build) before chmcmd compiles the project.
Usage: make_chm.py SOURCE_DIR WORK_DIR OUTPUT_CHM CHMCMD [CODE_PAGE]
"""
import pathlib
import shutil
import subprocess
import sys

TEXT_SUFFIXES = {".html", ".hhc", ".hhk", ".hhp", ".css"}


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
    run = subprocess.run([str(chmcmd), "varnel.hhp"], cwd=work, capture_output=True, text=True,
                         encoding="latin-1")
    compiled = work / "varnel.chm"
    if run.returncode != 0 or not compiled.exists() or "error" in run.stdout.lower():
        sys.stderr.write(run.stdout + run.stderr)
        sys.exit(f"make_chm: chmcmd failed on {source}")
    shutil.copyfile(compiled, output)


if __name__ == "__main__":
    main()
