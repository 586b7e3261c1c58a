"""Checks the program settings dialog as `varnel-driver windows` lists it:
every control visible inside its group (the two hidden text holders
excepted), the left column's groups beside the right column's, both above
the OK/Cancel group, and nothing overlapping within a group.

Usage: settings_layout.py LISTING   (exit 1 and the reasons on failure)
"""
import re
import sys

# The container of each control, as the dialog's description nests them.
LEFT = {128: [130, 131, 132, 133, 134, 137, 138, 139, 135, 136], 117: [118, 119, 120], 121: [129, 122, 123],
        153: [154, 155, 156]}
RIGHT = {103: [104, 105, 106, 107], 141: [143, 144, 142, 145, 147, 148, 149, 150, 151],
         108: [109, 110, 112, 113, 114, 115, 116], 125: [126, 127, 158]}
BUTTONS = {152: [1, 2]}
HIDDEN = {124, 140}

rows = [line for line in open(sys.argv[1], encoding="utf-8", errors="replace")]
start = next((i for i, l in enumerate(rows)
              if l.startswith("window ") and ("Настройки" in l or "- Settings" in l)), None)
if start is None:
    sys.exit("no settings dialog in the listing")
controls = {}
for line in rows[start + 1:]:
    if not line.startswith("  control"):
        break
    m = re.search(r'id=(-?\d+) text="(.*)" rect=(-?\d+),(-?\d+),(-?\d+),(-?\d+) visible=(\d)', line)
    if m:
        controls[int(m.group(1))] = (m.group(2), tuple(int(m.group(i)) for i in range(3, 7)), m.group(7) == "1")

problems = []
def rect(i):
    return controls[i][1]
def inside(inner, outer):
    return inner[0] >= outer[0] and inner[1] >= outer[1] and inner[2] <= outer[2] and inner[3] <= outer[3]
def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]

for groups in (LEFT, RIGHT, BUTTONS):
    for group, members in groups.items():
        if group not in controls:
            problems.append(f"group {group} missing")
            continue
        for m in members:
            if m not in controls:
                problems.append(f"control {m} missing")
                continue
            text, r, visible = controls[m]
            if not visible:
                problems.append(f"control {m} ({text}) hidden")
            if not inside(r, rect(group)):
                problems.append(f"control {m} ({text}) {r} leaves group {group} {rect(group)}")
        present = [m for m in members if m in controls]
        for a in present:
            for b in present:
                if a < b and overlap(rect(a), rect(b)):
                    problems.append(f"controls {a} and {b} overlap")
for h in HIDDEN:
    if h in controls and controls[h][2]:
        problems.append(f"holder {h} is visible")
if all(g in controls for g in list(LEFT) + list(RIGHT) + [152]):
    left_edge = max(rect(g)[2] for g in LEFT)
    right_start = min(rect(g)[0] for g in RIGHT)
    if left_edge > right_start:
        problems.append("the two columns overlap")
    bottom = max(rect(g)[3] for g in list(LEFT) + list(RIGHT))
    if bottom > rect(152)[1]:
        problems.append("the columns reach into the OK/Cancel group")
    if not (rect(152)[0] <= rect(128)[0] and rect(152)[2] >= max(rect(g)[2] for g in RIGHT)):
        problems.append("the OK/Cancel group does not span both columns")
if problems:
    print("\n".join(problems))
    sys.exit(1)
print(f"layout ok: {len(controls)} controls")
