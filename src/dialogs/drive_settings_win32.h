// What the speed discovery runs share with the drive settings dialog: the
// ids of its lists and edits and the moves between lists and record.
#pragma once
#include <windows.h>

#include "drive/drive.h"

enum DriveListControl : uint16_t {
  CdListId = 145,
  DvdListId = 146,  // lies over the CD list; one of the two is shown
  SpeedTimesEditId = 152,
  CommandTimesEditId = 153,
  SpeedKbEditId = 155,
  CommandKbEditId = 156,
  CdListRadioId = 161,
  DvdListRadioId = 162,
};

// Both list views from the record's CD and DVD lists.
void FillSpeedLists(HWND dialog, const DriveRecord& drive);
// Both lists into the record: at most 128 entries, Valid set when not empty.
void ReadSpeedLists(HWND dialog, DriveRecord& drive);
// The list radio follows the medium, the DVD radio needs a DVD drive, the
// matching list is shown and the speed edits are emptied.
void ChooseListOfMedium(HWND dialog, const DriveRecord& drive);
// The DvdMethod of the checked method radio.
int32_t ChosenDvdMethod(HWND dialog);
DriveRecord* DriveOfSettingsDialog(HWND dialog);
