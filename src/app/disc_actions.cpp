#include "app/disc_actions.h"

#include "app/timers.h"
#include "drive/drive.h"
#include "settings/program_settings.h"

namespace {
PasswordCheck g_passwordCheck = nullptr;
}

void InstallEjectPasswordCheck(PasswordCheck check) { g_passwordCheck = check; }

bool IsEjectProtected(const DriveRecord& drive) {
  return drive.Lock && ProgramSettings::Current().LockData[0] != '\0';
}

bool EjectPermitted(const DriveRecord& drive) {
  return !IsEjectProtected(drive) || (g_passwordCheck && g_passwordCheck(ProgramSettings::Current().LockData));
}

void CloseAllTrays() {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore && Drives[i].CanClose) MoveTray(Drives[i], 0);
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
