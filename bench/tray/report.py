"""Medians of the tray bench's figures and their ratios to the bare program."""
import statistics
import sys
from collections import defaultdict

ROWS = [  # figure, label, target ratio (None: reported only)
    ("wall_ms", '"/exit", wall time (ms)', 1.3),
    ("ready_ms", "start until the window answers (ms)", 1.5),
    ("cpu_ms", "CPU time while idle (ms)", 1.2),
    ("commands", "device commands while idle", None),
    ("private_kb_start", "private bytes after start (KiB)", 1.5),
    ("private_kb_first_menu", "private bytes after the first menu (KiB)", None),
    ("private_kb_menus", "private bytes after 100 menus (KiB)", 1.5),
    ("working_set_kb_menus", "working set after 100 menus (KiB)", None),
    ("exe_bytes", "executable size (bytes)", None),
]

# With the drives in the drive server (SPTI), an idle minute with the timer
# on four drives, and the memory, against the bare program.
SERVED_TARGETS = {"cpu_ms": 1.5, "private_kb_start": 1.5, "private_kb_menus": 1.5}


def spread(runs):
    """The median of the runs and, when they differ, their range."""
    if not runs:
        return ""
    digits = 1 if max(runs) < 100 else 0
    text = f"{statistics.median(runs):.{digits}f}"
    low, high = min(runs), max(runs)
    return text if low == high else f"{text} ({low:.{digits}f}-{high:.{digits}f})"


def main():
    path, idle_seconds = sys.argv[1], int(sys.argv[2])
    values = defaultdict(list)
    errors = []
    with open(path, encoding="utf-8") as results:
        for line in results:
            program, _, pair = line.strip().partition(" ")
            name, _, value = pair.partition("=")
            if name == "error":
                errors.append(f"{program}: {value}")
                continue
            try:
                values[(program, name)].append(float(value))
            except ValueError:
                errors.append(line.strip())
    print("Medians, with the spread of the runs (min-max) in brackets.")
    print("| figure | varnel | bare | ratio | target | varnel, no drives | varnel, SPTI, drives in the server | ratio | target |")
    print("|---|---|---|---|---|---|---|---|---|")
    for name, label, target in ROWS:
        mine, bare = values.get(("varnel", name)), values.get(("bare", name))
        if not mine:
            continue
        m = statistics.median(mine)
        b = statistics.median(bare) if bare else None
        ratio = f"{m / b:.2f}" if b else "-"
        verdict = ""
        if target and b:
            verdict = f"<= {target}x " + ("ok" if m / b <= target else "MISSED")
        alone, served = values.get(("nodrives", name)), values.get(("spti", name))
        served_ratio = f"{statistics.median(served) / b:.2f}" if served and b else "-"
        served_verdict = ""
        if served and b and name in SERVED_TARGETS:
            fits = statistics.median(served) / b <= SERVED_TARGETS[name]
            served_verdict = f"<= {SERVED_TARGETS[name]}x " + ("ok" if fits else "MISSED")
        print(f"| {label} | {spread(mine)} | {spread(bare)} | {ratio} | {verdict} | {spread(alone)} "
              f"| {spread(served or [])} | {served_ratio} | {served_verdict} |")
    served, polling = values.get(("spti", "cpu_ms")), values.get(("poll", "cpu_ms"))
    if served and polling:
        ratio = statistics.median(served) / statistics.median(polling)
        print(f"idle CPU through SPTI against a bare program polling every drive each 5 s: {spread(served)} ms"
              f" against {spread(polling)} ms, {ratio:.2f}x (<= 1.2x " + ("ok" if ratio <= 1.2 else "MISSED") + ")")
    commands = values.get(("varnel", "commands"))
    if commands:
        slots = idle_seconds / 5
        print(f"device commands per 5-second slot: {statistics.median(commands) / slots:.1f}"
              f" (the settled refresh of the four drives; one tick costs 0 outside the slot)")
    growth = [a - b for a, b in zip(values.get(("varnel", "private_kb_menus"), []),
                                    values.get(("varnel", "private_kb_first_menu"), []))]
    if growth:
        print(f"private bytes grown from the first to the 100th menu: {statistics.median(growth):.0f} KiB")
    for error in errors:
        print("error:", error)


if __name__ == "__main__":
    main()
