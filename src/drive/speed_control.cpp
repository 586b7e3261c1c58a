// Keeping a drive's live state fresh, setting, restoring and stepping its
// speed, and moving its tray.
#include "clock/clock.h"
#include "drive/busy_guard.h"
#include "drive/drive.h"
#include "mmc/commands.h"

namespace {

constexpr int MaxMediumWaits = 30;          // 15 seconds in all, for a settling medium or a spin-up
constexpr uint32_t MediumWaitMs = 500;
constexpr int32_t MediumSettling = 0x30;    // reported by some drives while a disc spins up

// Reads two sectors at a third and at two thirds of the disc, so that the
// drive spins at the new speed at once.
void ReadSamples(const DeviceAddress& address) {
  uint32_t lastBlock = ReadCapacity(address);
  if (lastBlock == 0) return;
  uint8_t sector[SectorSize];
  ReadSectors(address, lastBlock / 3, 1, sector);
  ReadSectors(address, 2 * (lastBlock / 3), 1, sector);
}

bool AudioPlays(int32_t status) { return status == AudioPlaying || status == AudioPaused; }

}  // namespace

void ApplyCapabilitiesPage(DriveRecord& drive, const CapabilitiesPage& page) {
  drive.CurrentSpeed = page.CurrentReadSpeed;
  drive.CurrentWriteSpeed = page.CurrentWriteSpeed;
  drive.MediumType = page.MediumType;
  // The current profile is asked only when the medium type cannot decide.
  bool dvd = drive.DVD != 0 && !IsCdMedium(drive.MediumType) &&
             (IsDvdMedium(drive.MediumType) || IsDvdProfile(GetCurrentProfile(drive.Address)));
  drive.ActiveRange = dvd ? RangeKindDVD : RangeKindCD;
}

void RefreshStatus(DriveRecord& drive) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return;
  DriveSession session(drive.Address);

  CapabilitiesPage page{};
  bool read = ModeSenseCapabilities(drive.Address, page);
  if (drive.CanSenseMedium) {
    // Medium type 0 or 0x30 while a disc spins up: wait until it settles.
    // A drive that is ready has settled: some report 0 for every DVD, and
    // waiting for another type would cost every refresh 15 seconds.
    for (int i = 0; i < MaxMediumWaits && read && (page.MediumType == 0 || page.MediumType == MediumSettling);
         ++i) {
      if (TestUnitReady(drive.Address) == 0) break;
      ClockSleep(MediumWaitMs);
      page = {};
      read = ModeSenseCapabilities(drive.Address, page);
    }
  }

  int unit = TestUnitReady(drive.Address);
  if (unit != -1) {  // any other failure keeps the state of the last good refresh
    int32_t audio = 0;
    if (unit == 0 && !(drive.CanSenseMedium && !IsAudioMedium(page.MediumType)))
      audio = ReadAudioStatus(drive.Address);
    bool wasOpen = IsTrayOpen(drive);
    ApplyCapabilitiesPage(drive, page);
    if (drive.DvdActive() && drive.CanGetDVDSpeed && drive.DVDMethodPrefered != DvdMethodCdSpeed &&
        drive.DVDMethodDetected == DvdMethodStreaming)
      drive.CurrentSpeed = GetReadPerformance(drive.Address);
    drive.Ready = unit == 0;
    drive.AudioStatus = audio;
    if (!IsTrayOpen(drive)) {
      drive.TrayOpenSince = 0;
    } else if (!wasOpen) {
      uint32_t now = ClockTickCount();
      drive.TrayOpenSince = now ? now : 1;  // 0 means "not open"
    }
  }
  guard.Leave();

  // The first readable disc of a medium class builds that class's list.
  if (!drive.Active().Valid && drive.Ready && !AudioPlays(drive.AudioStatus)) {
    EnumerateSpeeds(drive, SpeedMethod::Fast, nullptr, nullptr);
    SaveCapabilities(drive);
    // Its closing speed commands changed the speed: the tray and the restore
    // that follows must see the speed the drive runs at now. A list that
    // stayed invalid is tried at a later refresh, not here again.
    if (drive.Active().Valid) RefreshStatus(drive);
  }
}

void SetSpeed(DriveRecord& drive, uint32_t command) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return;
  DriveSession session(drive.Address);  // the refresh below shares it
  bool streaming = drive.DvdActive() &&
                   (drive.DVDMethodPrefered == DvdMethodStreaming ||
                    (drive.DVDMethodPrefered == DvdMethodNone && drive.DVDMethodDetected == DvdMethodStreaming));
  // A refused command is not reported: the refresh below shows the real speed.
  // A command of 0 (a damaged stored list) is not sent: drives take it as
  // their slowest speed.
  if (command != 0) {
    if (streaming)
      SetStreaming(drive.Address, command, drive.CurrentWriteSpeed);
    else
      SetCdSpeed(drive.Address, command, drive.CurrentWriteSpeed);
  }
  if (drive.ForceRead) ReadSamples(drive.Address);
  guard.Leave();
  RefreshStatus(drive);
}

void RestoreSpeed(DriveRecord& drive) {
  if (drive.Busy) return;
  uint32_t selected = drive.Active().Selected;
  if (selected == 0) return;
  if (drive.OnlyWithDisk && !drive.Ready) return;
  if (!drive.WhenAudio && AudioPlays(drive.AudioStatus)) return;
  // Not faster than wanted already: leave the drive alone.
  if (!drive.IgnoreSpeed && drive.CurrentSpeed != 0 && drive.CurrentSpeed <= selected) return;
  SetSpeed(drive, CommandForSpeed(drive.Active(), selected));
}

void SpeedFaster(DriveRecord& drive) {
  if (drive.Busy) return;
  const SpeedRange& range = drive.Active();
  for (uint32_t i = EntryCount(range); i-- > 0;) {
    if (range.Entries[i].Speed > drive.CurrentSpeed) {
      SetSpeed(drive, range.Entries[i].Command);
      return;
    }
  }
}

void SpeedSlower(DriveRecord& drive) {
  if (drive.Busy) return;
  const SpeedRange& range = drive.Active();
  for (uint32_t i = 0; i < EntryCount(range); ++i) {
    if (range.Entries[i].Speed < drive.CurrentSpeed) {
      SetSpeed(drive, range.Entries[i].Command);
      return;
    }
  }
}

void MoveTray(DriveRecord& drive, TrayMove move) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return;
  DriveSession session(drive.Address);
  const bool eject = move == TrayMove::Eject;
  if (eject) PreventAllowRemoval(drive.Address, false);
  StartStopUnit(drive.Address, eject);
  drive.TrayClosed = eject ? 0 : 1;
  // The medium stays locked after every tray operation, ejections included.
  if (drive.Lock) PreventAllowRemoval(drive.Address, true);
}

bool IsTrayOpen(const DriveRecord& drive) {
  if (drive.MediumType == MediumDoorOpen) return true;
  if (drive.MediumType != 0) return false;
  if (drive.Ready) return false;
  return drive.TrayClosed == 0;
}

bool IsTrayClosedAfterRefresh(DriveRecord& drive) {
  RefreshStatus(drive);
  if (drive.Ready || !drive.CanClose) return true;
  if (drive.CanSenseMedium) return drive.MediumType != MediumDoorOpen;
  return drive.TrayClosed != 0;
}

bool WaitUntilReady(DriveRecord& drive) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return false;
  DriveSession session(drive.Address);
  for (int i = 0; i < MaxMediumWaits; ++i) {
    if (TestUnitReady(drive.Address) == 0) return true;
    ClockSleep(MediumWaitMs);
  }
  return false;
}
