// What the speed discovery runs share with the drive settings dialog: the
// moves between its controls and the form.
#pragma once
#include <windows.h>

#include "dialogs/drive_settings.h"

// Every control into the form.
void ReadDriveSettingsForm(HWND dialog, DriveSettingsForm& form);
// The form's two lists, the list radio and the list it chooses; the speed
// edits are emptied.
void ShowSpeedLists(HWND dialog, const DriveSettingsForm& form);
DriveRecord* DriveOfSettingsDialog(HWND dialog);
