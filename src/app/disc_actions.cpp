#include "app/disc_actions.h"

#include "app/timers.h"
#include "drive/drive.h"
#include "settings/program_settings.h"

bool EjectPermitted(const DriveRecord& drive) {
  return !drive.Lock || ProgramSettings::Current().LockData[0] == '\0';
}

void EjectOrClose(DriveRecord& drive, TrayMove move) {
  const ProgramSettings& settings = ProgramSettings::Current();
  bool eject = move == TrayMove::Eject;
  if (eject && !EjectPermitted(drive)) return;
  if (!eject && settings.ForceRefresh) RefreshCdVolumesNow();
  MoveTray(drive, eject ? 1 : 0);
  if (eject && settings.ForceRefresh) RefreshCdVolumesNow();
  RefreshStatus(drive);
  if (!eject) AfterTrayClosed(drive);
}

void CloseAllTrays() {
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    if (!drive.Ignore && drive.CanClose) MoveTray(drive, 0);
  }
}
