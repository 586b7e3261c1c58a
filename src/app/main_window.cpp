#include "app/main_window.h"

#include "app/app.h"
#include "app/dispatch.h"
#include "app/restore_events.h"
#include "app/timers.h"
#include "app/tray_moves.h"
#include "app/window_ops.h"
#include "commands/command_ids.h"
#include "drive/drive.h"
#include "settings/settings_record.h"
#include "system/system.h"

namespace {

void RefreshManagedDrives() {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore) RefreshStatus(Drives[i]);
}

void ShowMainMenu(uint32_t) { CallWindow<&WindowOps::ShowMainMenu>(); }

void ShowInformation(uint32_t) { CallWindow<&WindowOps::ShowInformation>(); }

// The drive menu shows the drives as they are now; without drives the
// information window says why there is none.
void ShowDriveMenu(uint32_t) {
  RefreshManagedDrives();
  if (DriveCount > 0)
    CallWindow<&WindowOps::ShowDriveMenu>();
  else
    ShowInformation(0);
}

void ShowAbout(uint32_t) { CallWindow<&WindowOps::ShowAbout>(); }
void ShowHelp(uint32_t) { CallWindow<&WindowOps::ShowHelp>(); }

// "Настройки": the dialog edits the live record; after OK it is stored, the
// program starts over with it, and the copy is exported.
void EditSettings(uint32_t) {
  ProgramSettings& settings = ProgramSettings::Current();
  if (!CallWindow<&WindowOps::EditProgramSettings>(settings)) return;
  settings.Save();
  Reload(true);
  ExportSettingsWhenSet(settings.SavePath);
}

// "Очистить конфигурацию": behind the password and a question; afterwards
// the defaults rule and no drive is known until the next search.
void ClearConfiguration(uint32_t) {
  if (!PasswordPermits(ProgramSettings::Current().LockData)) return;
  if (!CallWindow<&WindowOps::Confirm>(StrAskClearSettings)) return;
  // Said after the fact, not pretended: what a standard user could not put back.
  if (!RemoveProgramData()) CallWindow<&WindowOps::Notify>(StrSystemSettingsNotRestored);
  Reload(false);
}

void FindDrives(uint32_t) { Reload(true); }
void Exit(uint32_t) { CallWindow<&WindowOps::Close>(); }
void MediaArrived(uint32_t unitMask) { RestoreForEvent(EventDiscChange, unitMask); }
void MediaRemoved(uint32_t) { RefreshManagedDrives(); }
void Tick(uint32_t) { TimerTick(); }
void Resumed(uint32_t) { RestoreForEvent(EventWake, 0); }

void HideIcon(uint32_t) {
  ShellState& shell = Shell();
  if (!shell.Hidden) CallWindow<&WindowOps::DeleteTrayIcon>();
  shell.Hidden = 1;
}

void ShowIcon(uint32_t) {
  // Added whether or not it shows: a failed second add changes nothing.
  CallWindow<&WindowOps::AddTrayIcon>();
  Shell().Hidden = 0;
}

struct FixedCommandEntry {
  unsigned Command;
  void (*Run)(uint32_t argument);
};

constexpr FixedCommandEntry FixedCommands[] = {
    {ID_MAIN_MENU, ShowMainMenu},
    {ID_DRIVE_MENU, ShowDriveMenu},
    {ID_ABOUT, ShowAbout},
    {ID_HELP, ShowHelp},
    {ID_INFO, ShowInformation},
    {ID_FIND_DRIVES, FindDrives},
    {ID_SETTINGS, EditSettings},
    {ID_CLEAR_CONFIG, ClearConfiguration},
    {ID_EXIT, Exit},
    {ID_MEDIA_ARRIVED, MediaArrived},
    {ID_MEDIA_REMOVED, MediaRemoved},
    {ID_TIMER_TICK, Tick},
    {ID_RESUMED, Resumed},
    {ID_HIDE_ICON, HideIcon},
    {ID_SHOW_ICON, ShowIcon},
};

}  // namespace

void Reload(bool discover) {
  ShellState& shell = Shell();
  ProgramSettings& settings = ProgramSettings::Current();
  shell.BusyCount++;
  RefreshTrayNow();
  settings.Load();
  // The main menu is built once with its texts: a new language rebuilds it.
  if (CallWindow<&WindowOps::SelectLanguage>()) (void)CallWindow<&WindowOps::CreateMainMenu>();
  if (discover) {
    // DiscoverDrives chooses the transport itself, and neither it nor the
    // drives change while a drive works: the request is then kept.
    if (DiscoverDrives() == DiscoveryOutcome::Done) RestoreForEvent(EventStart, 0);
  } else {
    SelectTransport(settings.ApiPrefered);
    ClearDrives();
  }
  SetMainTimer(settings.TimerEnable != 0);
  ReRegisterHotkeysNow();
  shell.BusyCount--;
  RefreshTrayNow();
}

void RunOnce() {
  ProgramSettings& settings = ProgramSettings::Current();
  settings.Load();
  DiscoverDrives();
  if (settings.CloseOnRun) CloseAllTrays();
  RestoreForEvent(EventStart, 0);
  ClearDrives();
}

void RunCommand(unsigned command, uint32_t argument) {
  if (IsDriveCommand(command)) {
    RunDriveCommand(command);
    return;
  }
  for (const FixedCommandEntry& entry : FixedCommands) {
    if (entry.Command == command) {
      entry.Run(argument);
      return;
    }
  }
}

void TrayIconPressed(TrayButton button, bool dialogOpen) {
  if (button == TrayButton::Right && dialogOpen) {
    CallWindow<&WindowOps::BringDialogUp>();
    return;
  }
  CallWindow<&WindowOps::PostCommand>(unsigned(button == TrayButton::Left ? ID_DRIVE_MENU : ID_MAIN_MENU));
}

bool StartShell() {
  if (!Shell().Hidden) CallWindow<&WindowOps::AddTrayIcon>();
  // Long drive operations show the busy picture while they run; a discovery
  // asked for while a drive worked is posted, to run from the message loop
  // rather than inside the operation that ended.
  BusyCallback = [](int busy) {
    Shell().BusyCount += busy ? 1 : -1;
    RefreshTrayNow();
  };
  DiscoveryDueCallback = [] { CallWindow<&WindowOps::PostCommand>(unsigned(ID_FIND_DRIVES)); };
  if (!CallWindow<&WindowOps::CreateMainMenu>()) {
    CallWindow<&WindowOps::ShowStartupFailure>(StrCannotCreateMenu);
    return false;
  }
  if (!CallWindow<&WindowOps::CreateDriveMenu>()) return false;
  Reload(true);
  if (ProgramSettings::Current().CloseOnRun) CloseAllTrays();
  return true;
}

bool StopShell() {
  static bool stopped = false;
  if (stopped) return false;
  stopped = true;
  ExportSettingsWhenSet(ProgramSettings::Current().SavePath);
  CallWindow<&WindowOps::UnregisterHotkeys>();
  SetMainTimer(false);
  ClearDrives();
  CallWindow<&WindowOps::DestroyMenus>();
  CallWindow<&WindowOps::DeleteTrayIcon>();
  return true;
}
