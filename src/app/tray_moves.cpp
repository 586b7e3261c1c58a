#include "app/tray_moves.h"

#include "app/restore_events.h"
#include "app/window_ops.h"
#include "settings/settings_record.h"

namespace {
PasswordCheck g_passwordCheck = nullptr;

int IndexOf(const DriveRecord& drive) { return int(&drive - Drives); }
}  // namespace

void InstallEjectPasswordCheck(PasswordCheck check) { g_passwordCheck = check; }

bool PasswordPermits(const char* hash) {
  return hash[0] == '\0' || (g_passwordCheck && g_passwordCheck(hash));
}

bool IsEjectProtected(const DriveRecord& drive) {
  return drive.Lock && ProgramSettings::Current().LockData[0] != '\0';
}

bool EjectPermitted(const DriveRecord& drive) {
  return !IsEjectProtected(drive) || PasswordPermits(ProgramSettings::Current().LockData);
}

void CloseAllTrays() {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore && Drives[i].CanClose) MoveTray(Drives[i], TrayMove::Close);
}

void EjectOrClose(DriveRecord& drive, TrayMove move) {
  const ProgramSettings& settings = ProgramSettings::Current();
  bool eject = move == TrayMove::Eject;
  if (eject && !EjectPermitted(drive)) return;
  DriveSession session(drive.Address);  // after the password: no handle is held while it is asked
  if (!eject && settings.ForceRefresh) RefreshCdVolumesNow();
  MoveTray(drive, move);
  if (eject && settings.ForceRefresh) RefreshCdVolumesNow();
  RefreshStatus(drive);
  if (!eject) AfterTrayClosed(drive);
}

void AfterTrayClosed(DriveRecord& drive) {
  if (!(drive.EventMask & EventTrayClosed) || drive.Active().Selected == 0) return;
  if (drive.Ready) {
    RestoreSpeed(drive);
    return;
  }
  // The disc needs a few seconds before it reads: look again every tick.
  drive.PollCount = MaxPollTicks;
  StartTimerNow(PollTimerId(IndexOf(drive)), TimerPeriodMs);
}

void DrivePollTick(int driveIndex) {
  DriveRecord* drive = DriveAt(driveIndex);
  // A record that expects no poll (the list was rebuilt while its timer ran)
  // only stops the timer.
  if (!drive || drive->PollCount <= 0) {
    StopPollTimer(driveIndex);
    return;
  }
  DriveSession session(drive->Address);
  RefreshStatus(*drive);
  if (drive->Ready) {
    RestoreSpeed(*drive);
    drive->PollCount = 0;
  } else {
    drive->PollCount--;
  }
  if (drive->PollCount <= 0) StopPollTimer(driveIndex);
}

void StopPollTimer(int driveIndex) { StopTimerNow(PollTimerId(driveIndex)); }
