#!/usr/bin/env python3
"""Checks the layout of every shown dialog in a `varnel-driver layout` listing
(a `windows` listing works too, with the window rectangle for the client
area and without the text checks):

- every visible control lies inside its parent: a dialog's client area, or
  the control that holds it; a control of the client area itself keeps a
  few pixels from its edges (a group frame against the window's border
  looks cut off);
- visible siblings do not overlap, unless one is a group box holding the
  other;
- the text of a label, check box, radio button or push button fits its
  control as drawn (the listing's text width is the pixels it inks); a push
  button's text also stays clear of its frame and focus rectangle;
- neighbouring check boxes and radio buttons keep apart as far as the
  screen's density makes their boxes large: the boxes of a column do not
  touch, and a label ends clear of the next circle in its row.

Usage: layout_check.py LISTING [DPI]   (exit 1 and the reasons on failure)
"""
import re
import sys

BS_TYPE = 0x0F
GROUP_BOX = 7
CHECKS = {2, 3, 4, 5, 6, 9}  # check boxes and radio buttons
PUSH = {0, 1}
SS_TYPE = 0x1F
TEXT_STATICS = {0, 1, 2, 0xB, 0xC}  # left, centred, right, no word wrap, simple
CHECK_MARK = 16  # the box or circle of a check box or radio button and its gap, at 96 DPI
GLYPH = 12  # the box or circle alone (one pixel more), at 96 DPI, as Wine draws it
# A push button's frame (2 pixels, 3 for the default button) and its focus
# rectangle one pixel inside, then two clear pixels before the text.
BUTTON_CLEAR = 7
EDGE = 4  # clear pixels between the client area's edge and its controls

FIELD = re.compile(r'(\w+)=("(?:[^"\\]|\\.)*"|\S+)')


def parse(line):
    fields = {k: v[1:-1] if v.startswith('"') else v for k, v in FIELD.findall(line)}
    for name in ("rect", "client"):
        if name in fields:
            fields[name] = tuple(int(x) for x in fields[name].split(","))
    return fields


def inside(inner, outer, margin=0):
    return (inner[0] >= outer[0] + margin and inner[1] >= outer[1] + margin and inner[2] <= outer[2] - margin
            and inner[3] <= outer[3] - margin)


def overlap(a, b):
    return a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]


def is_group_box(c):
    return c["class"].lower() == "button" and int(c.get("style", "0"), 0) & BS_TYPE == GROUP_BOX


def is_check(c):
    return c["class"].lower() == "button" and int(c.get("style", "0"), 0) & BS_TYPE in CHECKS


def check_gaps(name, a, b, dpi):
    """Two check boxes or radio buttons side by side or one above the other:
    a quarter of a box between their boxes (each drawn centred on its
    row), a third of a box and its gap after a label before the next circle."""
    glyph, mark = GLYPH * dpi // 96 + 1, CHECK_MARK * dpi // 96
    if b["rect"][0] < a["rect"][0] or (b["rect"][0] == a["rect"][0] and b["rect"][1] < a["rect"][1]):
        a, b = b, a
    ra, rb = a["rect"], b["rect"]
    label = f'{a.get("id")} ("{a.get("text", "")}") and {b.get("id")} ("{b.get("text", "")}")'
    if ra[0] < rb[2] and rb[0] < ra[2]:
        upper, lower = (ra, rb) if ra[1] <= rb[1] else (rb, ra)
        gap = (lower[1] + (lower[3] - lower[1] - glyph) // 2) - (upper[1] + (upper[3] - upper[1] + glyph) // 2)
        if gap < glyph // 4:
            return [f"{name}: the boxes of {label} are {gap} pixels apart, fewer than {glyph // 4}"]
    elif ra[1] < rb[3] and rb[1] < ra[3] and "textwidth" in a:
        gap = rb[0] - (ra[0] + mark + int(a["textwidth"]))
        if gap < mark // 3:
            return [f"{name}: the label of {label} ends {gap} pixels before the next box, fewer than {mark // 3}"]
    return []


def text_room(c, dpi):
    """The width the control gives its text, or None when not checked."""
    style = int(c.get("style", "0"), 0)
    width = c["rect"][2] - c["rect"][0]
    kind = c["class"].lower()
    if kind == "static" and style & SS_TYPE in TEXT_STATICS:
        return width
    if kind == "button" and style & BS_TYPE in CHECKS:
        return width - CHECK_MARK * dpi // 96
    if kind == "button" and style & BS_TYPE in PUSH:
        return width - 2 * BUTTON_CLEAR
    return None


def check_window(window, controls, dpi):
    problems = []
    name = f'"{window.get("title", "")}"'
    area = window.get("client", window["rect"])
    shown = [c for c in controls if c.get("visible") == "1"]
    by_handle = {c.get("handle"): c for c in controls if c.get("handle")}
    for c in shown:
        label = f'control {c.get("id")} ("{c.get("text", "")}")'
        parent = c.get("parent")
        in_client = parent in (None, window.get("handle"))
        holder = area if in_client else by_handle[parent]["rect"] if parent in by_handle else None
        r = c["rect"]
        shows = r[2] > r[0] and r[3] > r[1]  # a box control keeps its empty rectangle
        margin = EDGE if in_client and shows and "client" in window else 0
        if holder is not None and not inside(c["rect"], holder, margin):
            problems.append(f"{name}: {label} {c['rect']} leaves its parent {holder}"
                            + (f" or comes within {EDGE} pixels of its edge" if margin else ""))
        room = text_room(c, dpi) if "textwidth" in c and c.get("text") else None
        if room is not None and int(c["textwidth"]) > room:
            problems.append(f"{name}: {label} needs {c['textwidth']} pixels for its text, has {room}")
    for i, a in enumerate(shown):
        for b in shown[i + 1:]:
            if a.get("parent") == b.get("parent") and is_check(a) and is_check(b) and not overlap(a["rect"], b["rect"]):
                problems += check_gaps(name, a, b, dpi)
            if a.get("parent") != b.get("parent") or not overlap(a["rect"], b["rect"]):
                continue
            if (is_group_box(a) and inside(b["rect"], a["rect"])) or (is_group_box(b) and inside(a["rect"], b["rect"])):
                continue
            problems.append(f'{name}: controls {a.get("id")} ("{a.get("text", "")}") and '
                            f'{b.get("id")} ("{b.get("text", "")}") overlap')
    return problems


def main():
    windows = []
    for line in open(sys.argv[1], encoding="utf-8", errors="replace"):
        if line.startswith("window "):
            windows.append((parse(line), []))
        elif line.startswith("  control") and windows:
            windows[-1][1].append(parse(line))
    dialogs = [(w, cs) for w, cs in windows if w.get("visible") == "1" and cs]
    if not dialogs:
        sys.exit("no dialog shown")
    dpi = int(sys.argv[2]) if len(sys.argv) > 2 else 96
    problems = [p for w, cs in dialogs for p in check_window(w, cs, dpi)]
    if problems:
        print("\n".join(problems))
        sys.exit(1)
    print(f"layout ok: {len(dialogs)} dialog(s), {sum(len(cs) for _, cs in dialogs)} controls")


if __name__ == "__main__":
    main()
