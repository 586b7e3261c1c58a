#!/usr/bin/env python3
"""Checks a built help file with chmls, independently of the compiler:
every page of its sources is in the file, the contents and the keyword index
are there and name every page, and every program text the pages quote
(«...» in Russian, “...” in English) is a text of the string table of that
language (so the help cannot drift from the menus and dialogs it describes).
Usage: check_help.py CHM HELP_SOURCES STRINGS_TXT [CODE_PAGE]
"""
import pathlib
import re
import subprocess
import sys
import tempfile


def chmls(*args):
    return subprocess.run(["chmls", *args], capture_output=True, check=True).stdout.decode("latin-1")


def program_texts(strings_txt):
    texts = set()
    for line in strings_txt.read_text(encoding="utf-8").splitlines():
        match = re.match(r'^\d+\t\w+\t"(.*)"$', line)
        if not match:
            continue
        text = match.group(1).replace('\\"', '"').replace("\\n", " ")
        for part in text.split("\\t"):  # columns and aligned labels
            if part.strip():
                texts.add(part.strip())
    return texts


def main():
    chm, sources, strings_txt = map(pathlib.Path, sys.argv[1:4])
    code_page = sys.argv[4] if len(sys.argv) > 4 else "1251"
    quoted_text = r"«([^»]*)»" if code_page == "1251" else r"“([^”]*)”"
    failures = []
    pages = sorted(p.name for p in sources.glob("*.html"))
    listed = set(chmls("-n", "list", str(chm)).split())
    for name in pages + ["toc.hhc", "index.hhk", "style.css", "/$WWKeywordLinks/BTree"]:
        if ("/" + name.lstrip("/")) not in listed:
            failures.append(f"{name} is missing from {chm.name}")

    with tempfile.TemporaryDirectory() as work:
        for part in ("toc.hhc", "index.hhk"):
            saved = pathlib.Path(work, part)
            chmls("extract", str(chm), "/" + part, str(saved))
            named = set(re.findall(r'name="Local" value="([^"]+)"', saved.read_bytes().decode("cp" + code_page)))
            for page in pages:
                if page not in named:
                    failures.append(f"{part} names no entry for {page}")

    texts = program_texts(strings_txt)
    for page in pages:
        body = (sources / page).read_text(encoding="utf-8")
        for quoted in re.findall(quoted_text, body):
            if quoted not in texts:
                failures.append(f"{page}: “{quoted}” is not a text of the program")

    for failure in failures:
        print(failure)
    print(f"{len(pages)} pages checked, {len(failures)} problems")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
