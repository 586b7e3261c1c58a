#include "app/dispatch.h"

#include <cstring>
#include <iterator>

#include "app/app.h"
#include "app/tray_moves.h"
#include "app/window_ops.h"
#include "commands/command_ids.h"
#include "dlgengine/dlgengine.h"
#include "drive/drive.h"
#include "settings/settings_record.h"
#include "system/system.h"

namespace {

constexpr uint16_t FlagMedia = 1;    // DBTF_MEDIA
constexpr uint16_t FlagNetwork = 2;  // DBTF_NET
constexpr uint32_t DeviceTypeVolume = 2;

using DriveHandler = void (*)(DriveRecord& drive, int index, unsigned parameter);

const DiscShellOps* g_shell = nullptr;

void Eject(DriveRecord& drive, int, unsigned) {
  bool toggle = ProgramSettings::Current().EjectSingle != 0;
  EjectOrClose(drive, !toggle || IsTrayClosedAfterRefresh(drive) ? TrayMove::Eject : TrayMove::Close);
}

void Close(DriveRecord& drive, int, unsigned) { EjectOrClose(drive, TrayMove::Close); }

void MaxSpeed(DriveRecord& drive, int, unsigned) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  const SpeedRange& range = drive.Active();
  if (EntryCount(range) != 0) SetSpeed(drive, range.Entries[0].Command);
}

void SelectedSpeed(DriveRecord& drive, int, unsigned) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  const SpeedRange& range = drive.Active();
  if (range.Selected != 0) SetSpeed(drive, CommandForSpeed(range, range.Selected));
}

void MinSpeed(DriveRecord& drive, int, unsigned) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  const SpeedRange& range = drive.Active();
  uint32_t count = EntryCount(range);
  if (count != 0) SetSpeed(drive, range.Entries[count - 1].Command);
}

void Faster(DriveRecord& drive, int, unsigned) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  SpeedFaster(drive);
}

void Slower(DriveRecord& drive, int, unsigned) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  SpeedSlower(drive);
}

void Poll(DriveRecord&, int index, unsigned) { DrivePollTick(index); }

// A speed picked in the drive menu becomes the selected one and is stored;
// the settings copy is exported after every pick, stored or not.
void SetListSpeed(DriveRecord& drive, int, unsigned parameter) {
  DriveSession session(drive.Address);
  RefreshStatus(drive);
  SpeedRange& range = drive.Active();
  if (parameter < EntryCount(range)) {
    range.Selected = range.Entries[parameter].Speed;
    SaveDriveSettings(drive);
    SetSpeed(drive, range.Entries[parameter].Command);
  }
  ExportSettingsWhenSet(ProgramSettings::Current().SavePath);
}

void OpenDisc(DriveRecord& drive, int, unsigned) {
  if (g_shell) g_shell->OpenRoot(drive, "open");
}

void ExploreDisc(DriveRecord& drive, int, unsigned) {
  if (g_shell) g_shell->OpenRoot(drive, "explore");
}

// A disc whose autorun command cannot be started is opened instead.
void AutorunDisc(DriveRecord& drive, int, unsigned) {
  if (g_shell && !g_shell->RunAutorun(drive)) g_shell->OpenRoot(drive, "open");
}

bool SameDrive(const DriveRecord& drive, const DriveRecord& before) {
  const DeviceAddress& a = drive.Address;
  const DeviceAddress& b = before.Address;
  return std::strcmp(drive.FullName, before.FullName) == 0 && drive.Instance == before.Instance &&
         a.HaId == b.HaId && a.Target == b.Target && a.Lun == b.Lun;
}

// The dialog edits the live record; only a confirmed one is stored.
void DriveSettings(DriveRecord& drive, int index, unsigned) {
  const DriveRecord before = drive;
  const int result = g_shell ? g_shell->DriveSettingsDialog(drive, ProgramSettings::Current().LockData) : 0;
  // Drives found again while the dialog was open (a device notice) may have
  // put another drive, or none, at this index: the dialog's edits are not
  // that drive's. Store nothing and find the drives again, which reloads
  // every record from the registry.
  if (index >= DriveCount || !SameDrive(drive, before)) {
    if (DiscoveryDueCallback) DiscoveryDueCallback();
    return;
  }
  if (result != DialogOk) return;
  SaveCapabilities(drive);
  SaveDriveSettings(drive);
  ReRegisterHotkeysNow();  // the dialog may have changed the drive's hotkeys
  ExportSettingsWhenSet(ProgramSettings::Current().SavePath);
}

// Indexed by DriveAction.
constexpr DriveHandler DriveActions[] = {
    DriveSettings,  // DA_SETTINGS
    Eject,          // DA_EJECT
    Close,          // DA_CLOSE
    MaxSpeed,       // DA_MAX_SPEED
    SelectedSpeed,  // DA_SELECTED_SPEED
    MinSpeed,       // DA_MIN_SPEED
    Faster,         // DA_FASTER
    Slower,         // DA_SLOWER
    Poll,           // DA_POLL
    OpenDisc,       // DA_OPEN
    ExploreDisc,    // DA_EXPLORE
    AutorunDisc,    // DA_AUTORUN
    SetListSpeed,   // DA_SET_SPEED
};
static_assert(std::size(DriveActions) == DA_SET_SPEED + 1);

}  // namespace

void InstallDiscShellOps(const DiscShellOps* row) { g_shell = row; }

void RunDriveCommand(unsigned command) {
  unsigned action = DriveCommandAction(command);
  int index = int(DriveCommandIndex(command));
  DriveRecord* drive = DriveAt(index);
  if (!drive || (drive->Ignore && action != DA_SETTINGS)) {
    // A poll timer that outlived its drive must not tick forever.
    if (action == DA_POLL) StopPollTimer(index);
    return;
  }
  if (action >= std::size(DriveActions) || !DriveActions[action]) return;
  DriveActions[action](*drive, index, DriveCommandParameter(command));
}

unsigned TimerCommand(unsigned timerId) {
  if (timerId == MainTimerId) return ID_TIMER_TICK;
  return DriveCommand(PollTimerDriveIndex(timerId), DA_POLL);
}

PostedCommand DeviceChangeCommand(uint32_t event, const VolumeNotice& volume, bool (*isCdRomLetter)(char letter)) {
  if (volume.DeviceType != DeviceTypeVolume || volume.Flags == FlagNetwork) return {0, 0};
  if (event == DeviceArrival) {
    if (volume.Flags == FlagMedia) return {ID_MEDIA_ARRIVED, volume.UnitMask};
    for (int i = 0; i < 26; ++i)
      if (volume.UnitMask >> i & 1 && isCdRomLetter && isCdRomLetter(char('A' + i))) return {ID_FIND_DRIVES, 0};
    return {0, 0};
  }
  if (event == DeviceRemoveComplete) {
    // The drive is gone: its letter can no longer be asked about.
    if (volume.Flags == FlagMedia) return {ID_MEDIA_REMOVED, 0};
    return {ID_FIND_DRIVES, 0};
  }
  return {0, 0};
}
