#!/usr/bin/env python3
"""Lists the wide (...W) system functions each object of varnel.exe imports,
and fails when one is called where Windows 95/98/ME would fail it.

  wide_imports.py --nm NM FILE...

FILE: static libraries (every member is one object) and object files, all
that varnel.exe links. Windows 95/98/ME implement only a few wide functions;
the others exist there as stubs that fail. So every object may import those
few, and only the compatibility layer's NT row (compat_nt_win32.cpp, chosen
at run time on the NT family alone) may import any other.

Prints a table of the wide imports per object; exits 1 on a violation, 2
when the input cannot be read.
"""
import argparse
import os
import re
import subprocess
import sys

# What Windows 95/98/ME implement (user32, gdi32, kernel32).
WORKS_ON_9X = {
    'ExtTextOutW', 'GetCharWidthW', 'GetTextExtentPointW', 'GetTextExtentPoint32W',
    'GetTextExtentExPointW', 'MessageBoxW', 'MessageBoxExW', 'TextOutW',
    'lstrlenW', 'MultiByteToWideChar', 'WideCharToMultiByte',
}
NT_ROW_OBJECT = 'compat_nt_win32.cpp.obj'

# One line of `nm -A`: "lib.a:member.obj:00000000 T _name" or
# "file.obj:         U __imp__name@16".
NM_LINE = re.compile(r'^(?P<where>.*):(?:[0-9a-fA-F]{8}| {8}) (?P<type>\S) (?P<symbol>\S+)$')


def plain_name(symbol):
    """The C name behind an i686 symbol: no import prefix, no leading
    underscore, no stdcall argument size."""
    if symbol.startswith('__imp_'):
        symbol = symbol[len('__imp_'):]
    if symbol.startswith('_'):
        symbol = symbol[1:]
    return symbol.split('@', 1)[0]


def object_name(where):
    """'x/libvarnel_app.a:tray.cpp.obj' -> 'libvarnel_app.a(tray.cpp.obj)'."""
    archive, _, member = where.partition('.a:')
    if member:
        return f'{os.path.basename(archive)}.a({member})'
    return os.path.basename(where)


def member_name(where):
    return where.rpartition(':')[2] if '.a:' in where else os.path.basename(where)


def read_symbols(nm, files):
    """{object: set of undefined names}, and every name the files define."""
    undefined, defined = {}, set()
    for path in files:
        if not os.path.isfile(path):
            sys.exit(f'wide_imports: {path} is missing; build varnel first')
        run = subprocess.run([nm, '-A', path], capture_output=True, text=True)
        if run.returncode != 0:
            sys.exit(f'wide_imports: {nm} failed on {path}: {run.stderr.strip()}')
        for line in run.stdout.splitlines():
            m = NM_LINE.match(line)
            if not m:
                continue
            name = plain_name(m['symbol'])
            if m['type'] == 'U':
                undefined.setdefault(m['where'], set()).add(name)
            else:
                defined.add(name)
    return undefined, defined


def is_wide_import(name, defined):
    # C++ names (_Z...) and the program's own functions are no imports.
    return len(name) > 1 and name.endswith('W') and not re.match(r'_?Z', name) and name not in defined


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--nm', required=True)
    parser.add_argument('files', nargs='+')
    args = parser.parse_args()

    undefined, defined = read_symbols(args.nm, args.files)
    table, violations, nt_row_seen = [], [], False
    for where in sorted(undefined, key=object_name):
        wide = sorted(n for n in undefined[where] if is_wide_import(n, defined) or n in WORKS_ON_9X)
        nt_row = member_name(where) == NT_ROW_OBJECT
        nt_row_seen |= nt_row and bool(wide)
        if not wide:
            continue
        table.append((object_name(where), wide, nt_row))
        if not nt_row:
            violations += [(object_name(where), n) for n in wide if n not in WORKS_ON_9X]

    print('Wide imports per object (* = fails on Windows 95/98/ME):')
    width = max(len(name) for name, _, _ in table) if table else 0
    for name, wide, nt_row in table:
        marked = ', '.join(n if n in WORKS_ON_9X else n + '*' for n in wide)
        print(f'  {name:<{width}}  {marked}{"   [NT row]" if nt_row else ""}')
    if not nt_row_seen:
        # The NT row always imports wide functions; not seeing them means the
        # object list or the reading of nm's output is wrong.
        print(f'wide_imports: no wide imports found in {NT_ROW_OBJECT}; is it linked?')
        return 2
    for name, import_name in violations:
        print(f'wide_imports: not allowed outside the NT row: {name} imports {import_name}')
    if violations:
        print('Call the A function for messages without text, or add an operation to the '
              'wide-operation table (src/compat) for text.')
        return 1
    print('wide_imports: only the NT row imports wide functions that Windows 95/98/ME lack')
    return 0


if __name__ == '__main__':
    sys.exit(main())
