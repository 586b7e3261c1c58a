"""Fails when varnel.exe outgrows its budget; prints its sections either way,
so a failure shows where the bytes went.

Usage: exe_size.py --objdump OBJDUMP --limit BYTES EXE
"""
import argparse
import os
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--objdump", required=True)
    parser.add_argument("--limit", type=int, required=True)
    parser.add_argument("exe")
    args = parser.parse_args()
    size = os.path.getsize(args.exe)
    headers = subprocess.run([args.objdump, "-h", args.exe], check=True, capture_output=True, text=True).stdout
    for line in headers.splitlines():
        fields = line.split()
        if len(fields) >= 3 and fields[0].isdigit():
            print(f"{fields[1]:10} {int(fields[2], 16):8d}")
    print(f"{os.path.basename(args.exe)}: {size} bytes, budget {args.limit}")
    return 0 if size <= args.limit else 1


if __name__ == "__main__":
    sys.exit(main())
