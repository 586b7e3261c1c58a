// The layout check's record of a dialog on the screen, in the dialog's own
// process (the dialog probe, the Wine tests) or in another (the test driver).
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>

#include "dlgengine/dlgengine.h"
#include "tests/harness/layout/layout_check.h"

// A font like the one the program's dialogs draw with, for a process that
// cannot select the dialog's own: the system's message font at the whole
// point size a dialog template carries, which the dialog manager turns back
// into pixels (off the 96 DPI screen a pixel from the system's font: 13 px
// for 14 at 120 DPI). The caller deletes it.
HFONT CreateDialogLikeFont();

// TEXT in UTF-8, and the same on one line with its line breaks written as
// "\n", for the reports.
std::string Utf8(const wchar_t* text);
std::string OneLine(const wchar_t* text);

// The width TEXT covers on the screen in FONT, up to the last pixel inked on
// its widest line, drawn as a control draws it ("&" marks a mnemonic), and
// the height of its lines (an empty line counts). That is what a user sees:
// Wine draws a long Cyrillic line a few pixels wider than its text extent.
Extent DrawnTextExtent(HFONT font, const wchar_t* text);

// DIALOG as shown: its client area, the screen's density, and each control
// of its control tree (id and container from the engine's state, read in
// the dialog's process or copied from it) as its window is, its text
// measured in FONT.
ShownDialog ShownDialogOf(HWND dialog, const ControlState* tree, uint32_t count, HFONT font);
