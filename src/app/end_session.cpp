#include "app/end_session.h"

#include "actions/actions.h"
#include "app/tray_moves.h"
#include "clock/clock.h"
#include "drive/drive.h"
#include "settings/settings_record.h"

namespace {

constexpr uint32_t OneSecondMs = 1000;

bool TrayOpenAtSessionEnd(const DriveRecord& drive) {
  if (drive.CanSenseMedium) return drive.MediumType == MediumDoorOpen;
  return !drive.Ready && !drive.TrayClosed;
}

}  // namespace

uint32_t EjectAllDiscs(bool eject) {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore) RefreshStatus(Drives[i]);
  uint32_t candidates = 0;
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    if (drive.Ignore || IsEjectProtected(drive) || !drive.Ready) continue;  // never asks
    if (eject) MoveTray(drive, TrayMove::Eject);
    if (char letter = DriveLetter(drive)) candidates |= 1u << (letter - 'A');
    candidates |= AnyDriveBit;
  }
  return candidates;
}

bool AllTraysClosed() {
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    if (drive.Ignore || !drive.CanClose) continue;
    RefreshStatus(drive);
    if (TrayOpenAtSessionEnd(drive)) return false;
  }
  return true;
}

int NoDiscLeft() { return EjectAllDiscs(false) == 0 ? 1 : 0; }
int NoTrayOpen() { return AllTraysClosed() ? 1 : 0; }

void QueryEndSession(const EndSessionReminders& reminders) {
  const ProgramSettings& settings = ProgramSettings::Current();
  if (settings.DNEject) {
    EjectAllDiscs(true);
    return;
  }
  if (!settings.DNMessage) return;
  const uint32_t candidates = EjectAllDiscs(false);
  if (candidates != 0 && reminders.DiscInserted(settings.DNTimer, candidates)) EjectAllDiscs(true);
}

void EndSession(const EndSessionReminders& reminders) {
  const ProgramSettings& settings = ProgramSettings::Current();
  if (settings.DNMessage) {
    if (!AllTraysClosed() && reminders.TrayOpen(settings.DNTimer, settings.DNClose != 0)) CloseAllTrays();
    return;
  }
  if (!settings.DNClose) return;
  // Without a reminder the user still gets DNTimer seconds to close the
  // trays by hand; DNTimer 0 or less closes them at once.
  for (int32_t waited = 0; waited < settings.DNTimer; ++waited) {
    if (AllTraysClosed()) return;
    ClockSleep(OneSecondMs);
  }
  CloseAllTrays();
}
