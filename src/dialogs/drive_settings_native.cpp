// The host build has no dialogs: the drive settings dialog answers as if the
// user had cancelled it, so nothing is stored.
#include "dialogs/drive_settings.h"

int ShowDriveSettingsDialog(DialogWindow, DriveRecord*, char*) { return 0; }
