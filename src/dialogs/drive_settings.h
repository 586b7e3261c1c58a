// The drive settings dialog and the speed discovery runs started from it.
// The rules of its speed lists (the unit columns, one entry per 176 kB/s
// step, at most 128 entries) and of its edits are portable and live in
// drive_settings_lists.cpp; the dialog itself is drive_settings_win32.cpp,
// the progress window speed_discovery_win32.cpp.
#pragma once
#include <cstdint>

#include "dlgengine/dlgengine.h"
#include "drive/drive.h"
#include "resources/string_ids.h"

// Edits one drive's settings in place. 1 after OK (every control copied into
// the record), 0 after Cancel or the close box (the record as it was).
// lockData is ProgramSettings::LockData: unchecking the lock box asks for
// that password when one is set.
int ShowDriveSettingsDialog(DialogWindow parent, DriveRecord* drive, char* lockData);

// Runs a discovery method on the drive of the open settings dialog behind a
// modeless progress window: the method starts from the lists the dialog
// shows, its results go back into the dialog's lists, and the record keeps
// its own lists until OK.
void RunSpeedDiscovery(DialogWindow settingsDialog, StringId title, SpeedMethod method);
// "Измерение": closes the tray and asks for a data disc until one is in the
// drive (then measures) or the user gives up.
void StartMeasurement(DialogWindow settingsDialog);

// ---- Portable rules ------------------------------------------------------

// A list item's parameter: Command in the high 16 bits, Speed in the low 16.
[[nodiscard]] uint32_t PackSpeedEntry(const SpeedEntry& entry);
[[nodiscard]] SpeedEntry UnpackSpeedEntry(uint32_t parameter);

// kB/s as a multiple of the unit, rounded to the nearest integer.
[[nodiscard]] uint32_t UnitMultiple(uint32_t kilobytes, uint32_t unit);
// What a list column shows: the multiple, modulo 1000.
[[nodiscard]] uint32_t ListColumnNumber(uint32_t kilobytes, uint32_t unit);
// The kB/s of a multiple of the unit, saturated rather than wrapped.
[[nodiscard]] uint32_t KilobytesOfMultiple(uint32_t multiple, uint32_t unit);

// An edit's text as an unsigned number: blanks around digits are allowed,
// anything else (a sign, letters, nothing) reads 0; too many digits saturate.
[[nodiscard]] uint32_t ParseEditNumber(const char* text);

// What "Добавить" does to a list of `count` speeds, fastest first.
struct SpeedListAddition {
  bool Refused;       // a 0 in either field, or a full list
  int32_t Replaced;   // the index of the entry in the same 176 kB/s step, -1 for none
  uint32_t Position;  // where the new entry goes (after the replaced one is removed)
  SpeedEntry Entry;   // clamped to 65535
};
[[nodiscard]] SpeedListAddition PlanSpeedListAddition(const uint32_t* speeds, uint32_t count, uint32_t speed,
                                                      uint32_t command);

// The restore periods of the nine timer radios, in milliseconds.
constexpr int TimerChoiceCount = 9;
extern const int32_t TimerChoices[TimerChoiceCount];
