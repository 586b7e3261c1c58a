// The end-of-session reminders "Вставлен диск!" and "Лоток открыт!": a
// small modal dialog counts seconds down and ends by itself when the count
// runs out or when the situation it reminds of has gone.
//
// What a tick does and the text of the drive list are decided here,
// portably; countdown_win32.cpp only shows the dialog and runs its timer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "dlgengine/dlgengine.h"

// The buttons: the action ("Извлечь", "Закрыть лоток") and Cancel, whose id
// the close box also sends.
constexpr uint16_t CountdownActionId = DialogOk;
constexpr uint16_t CountdownCancelId = DialogCancel;

// The userData of a countdown dialog.
struct CountdownRequest {
  int Seconds;    // the counter's first value
  int ZeroId;     // the button pressed on the tick after the counter showed 0
  int (*Poll)();  // asked every tick; non-zero ends the dialog as Cancel. May be null.
};

// The counter's first value. A negative stored delay counts as 0: read as
// an unsigned number it would be a countdown of many years.
[[nodiscard]] unsigned CountdownStart(int seconds);

// One tick of the once-a-second timer, given the number the counter shows:
// above 0 the counter goes one down and the poll may end the dialog; at 0 the
// ZeroId button is pressed (the poll is not asked then).
struct CountdownTick {
  bool Counting;    // false: the dialog ends by pressing Press
  unsigned Shown;   // the counter's new value while counting
  uint16_t Press;   // the button to press when not counting
};
[[nodiscard]] CountdownTick NextCountdownTick(unsigned shown, const CountdownRequest& request);

// The drive list of "Вставлен диск!": one line per drive letter of the mask
// (bit 0 = A; bit 31, "some drive", is no letter) whose volume label can be
// read: the letter, a colon, a space and the label in quotation marks, each
// line ending in a single line feed. A drive whose volume cannot be read is
// left out of the list (it is still ejected).
constexpr uint32_t VolumeLabelSize = 260;  // units of the label buffer
// reader fills `label` (VolumeLabelSize units) for the root "X:\"; false
// when the volume cannot be read.
using VolumeLabelReader = bool (*)(const char16_t* root, char16_t* label, uint32_t size);
// Room for the longest list: 26 lines of 6 fixed units (letter, colon, space,
// two quotation marks, line feed) and a label of at most VolumeLabelSize - 1
// units, and the terminator.
constexpr size_t DriveListCapacity = 26 * (VolumeLabelSize - 1 + 6) + 1;
// Writes the terminated list into `list` (DriveListCapacity units) and
// returns its length.
size_t BuildCountdownDriveList(uint32_t driveMask, VolumeLabelReader reader, char16_t* list);

// ---- Windows --------------------------------------------------------------

// "Вставлен диск!" listing the drives of driveMask: 1 when the user pressed
// "Извлечь"; 0 for Cancel, the close box, the end of the countdown, or when
// discsGone said the discs were taken out.
int ShowDiscInsertedCountdown(DialogWindow mainWindow, int seconds, uint32_t driveMask, int (*discsGone)());
// "Лоток открыт!": 1 when the user pressed "Закрыть лоток" or the countdown
// ran out with closeAtZero set; 0 otherwise, also when traysClosed said all
// trays were closed meanwhile.
int ShowTrayOpenCountdown(DialogWindow mainWindow, int seconds, bool closeAtZero, int (*traysClosed)());
