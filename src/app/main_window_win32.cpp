#include "app/main_window_win32.h"

#include <dbt.h>

#include <iterator>
#include <string>

#include "app/app.h"
#include "app/commands.h"
#include "app/disc_actions.h"
#include "app/dispatch.h"
#include "app/end_session.h"
#include "app/restore_events.h"
#include "app/timers.h"
#include "actions/actions.h"
#include "app/tray_icon_win32.h"
#include "dialogs/countdown.h"
#include "app/version_win32.h"
#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dialogs/program_settings.h"
#include "drive/drive.h"
#include "hotkeys/hotkeys.h"
#include "hotkeys/hotkeys_win32.h"
#include "menu/menu_win32.h"
#include "mmc/transport.h"
#include "settings/program_settings.h"
#include "system/system.h"

namespace {

HWND MainWindow() { return HWND(Shell().MainWindow); }

// Outside events are not acted upon inside their own message: the work runs
// when the posted command is dispatched, so the system gets its answer at once.
void PostCommand(unsigned command, LPARAM argument = 0) {
  PostMessageA(MainWindow(), WM_COMMAND, command, argument);
}

// ---- The window's side of the timer decisions ---------------------------

bool StartWindowTimer(unsigned id, uint32_t periodMs) { return SetTimer(MainWindow(), id, periodMs, nullptr) != 0; }
void StopWindowTimer(unsigned id) { KillTimer(MainWindow(), id); }

bool IsCdRomLetter(char letter) { return GetDriveTypeA(RootPath(letter).c_str()) == DRIVE_CDROM; }

// Asking for a volume's information, none of it wanted back, makes the system
// and the shell notice a new disc or its absence at once.
void RefreshCdVolumes() {
  DWORD present = GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    const char letter = char('A' + i);
    if (!(present >> i & 1) || !IsCdRomLetter(letter)) continue;
    GetVolumeInformationA(RootPath(letter).c_str(), nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0);
  }
}

void ReRegisterMainHotkeys() { ReRegisterHotkeys(MainWindow()); }

const WindowOps MainWindowOps{StartWindowTimer, StopWindowTimer, RefreshCdVolumes, ReRegisterMainHotkeys};
const DiscShellOps MainDiscShellOps{OpenRoot, RunAutorun};

bool AskEjectPassword(const char* hash) { return VerifyPassword(MainWindow(), hash, PasswordLimit) != 0; }

int DiscInsertedReminder(int seconds, uint32_t driveMask) {
  return ShowDiscInsertedCountdown(MainWindow(), seconds, driveMask, NoDiscLeft);
}
int TrayOpenReminder(int seconds, bool closeAtZero) {
  return ShowTrayOpenCountdown(MainWindow(), seconds, closeAtZero, NoTrayOpen);
}
const EndSessionReminders MainReminders{DiscInsertedReminder, TrayOpenReminder};

// ---- Fixed commands --------------------------------------------------------

void ShowMainMenuCommand(LPARAM) {
  std::string helpPath;
  ShowMainMenu(MainWindow(), HelpFilePath(helpPath));
}

void ShowInfo(LPARAM) { ShowInfoDialog(MainWindow(), Drives, DriveCount); }

void ShowDriveMenuCommand(LPARAM) {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore) RefreshStatus(Drives[i]);
  if (DriveCount > 0)
    ShowDriveMenu(MainWindow(), HasAutorun);
  else
    ShowInfo(0);
}

void ShowAbout(LPARAM) { ShowAboutDialog(MainWindow()); }

// "Настройки": the dialog edits the live record; after OK it is stored, the
// program starts over with it, and the copy is exported.
void Settings(LPARAM) {
  ProgramSettings& settings = ProgramSettings::Current();
  const SettingsFacts facts{WindowsVersion(), ShellVersion(), TransportId(), AspiStatus(), SptiStatus()};
  if (!ShowProgramSettingsDialog(MainWindow(), &settings, facts)) return;
  settings.Save();
  Reload(true);
  ExportSettingsWhenSet(settings.SavePath);
}

// "Очистить конфигурацию": behind the password and a question; afterwards
// the defaults rule and no drive is known until the next search.
void ClearConfiguration(LPARAM) {
  const ProgramSettings& settings = ProgramSettings::Current();
  if (settings.LockData[0] && !VerifyPassword(MainWindow(), settings.LockData, PasswordLimit)) return;
  constexpr uint32_t QuestionIcon = 0x20;
  if (ShowMessage(MainWindow(), StrAskClearSettings, MessageOkCancel | QuestionIcon | MessageTaskbar) != 1) return;
  RemoveProgramData();
  Reload(false);
}

void Help(LPARAM) { ShowHelp(); }
void FindDrives(LPARAM) { Reload(true); }
void Exit(LPARAM) { DestroyWindow(MainWindow()); }
void MediaArrived(LPARAM unitMask) { RestoreForEvent(EventDiscChange, uint32_t(unitMask)); }

void MediaRemoved(LPARAM) {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore) RefreshStatus(Drives[i]);
}

void Tick(LPARAM) { TimerTick(); }
void Resumed(LPARAM) { RestoreForEvent(EventWake, 0); }

void HideIcon(LPARAM) {
  ShellState& shell = Shell();
  if (!shell.Hidden) DeleteTrayIcon();
  shell.Hidden = 1;
}

void ShowIcon(LPARAM) {
  // Added whether or not it shows: a failed second add changes nothing.
  AddTrayIcon();
  Shell().Hidden = 0;
}

using CommandHandler = void (*)(LPARAM argument);
struct FixedCommandEntry {
  unsigned Command;
  CommandHandler Run;
};

constexpr FixedCommandEntry FixedCommands[] = {
    {ID_MAIN_MENU, ShowMainMenuCommand},
    {ID_DRIVE_MENU, ShowDriveMenuCommand},
    {ID_ABOUT, ShowAbout},
    {ID_HELP, Help},
    {ID_INFO, ShowInfo},
    {ID_FIND_DRIVES, FindDrives},
    {ID_SETTINGS, Settings},
    {ID_CLEAR_CONFIG, ClearConfiguration},
    {ID_EXIT, Exit},
    {ID_MEDIA_ARRIVED, MediaArrived},
    {ID_MEDIA_REMOVED, MediaRemoved},
    {ID_TIMER_TICK, Tick},
    {ID_RESUMED, Resumed},
    {ID_HIDE_ICON, HideIcon},
    {ID_SHOW_ICON, ShowIcon},
};

void Dispatch(unsigned command, LPARAM argument) {
  if (IsDriveCommand(command)) {
    RunDriveCommand(command);
    return;
  }
  for (const FixedCommandEntry& entry : FixedCommands) {
    if (entry.Command != command) continue;
    if (entry.Run) entry.Run(argument);
    return;
  }
}

// ---- Messages ------------------------------------------------------------

// The creation procedure: everything that must exist while the program runs.
// Returning false makes the window creation fail. Its order: the tray icon
// record (and the icon unless hidden), the busy notices, the two menus, the
// reload with discovery, and the trays closed when CloseOnRun asks for it.
bool CreateProcedure(HWND window) {
  Shell().MainWindow = window;
  InstallWindowOps(&MainWindowOps);
  InstallDiscShellOps(&MainDiscShellOps);
  InstallEjectPasswordCheck(AskEjectPassword);
  PrepareTrayIcon(window);
  if (!Shell().Hidden) AddTrayIcon();
  // Long drive operations show the busy picture while they run.
  BusyCallback = [](int busy) {
    Shell().BusyCount += busy ? 1 : -1;
    RefreshTray();
  };
  // A discovery asked for while a drive worked runs once the drive is free,
  // from the message loop rather than inside the operation that ended.
  DiscoveryDueCallback = [] { PostCommand(ID_FIND_DRIVES); };
  if (!CreateMainMenu()) {
    ShowStartupFailure(StrCannotCreateMenu);
    return false;
  }
  if (!CreateDriveMenu()) return false;
  Reload(true);
  if (ProgramSettings::Current().CloseOnRun) CloseAllTrays();
  return true;
}

// Undoes the creation procedure. Its order: export of the settings when a
// path is set, hotkeys unregistered, main timer stopped, drives freed, menus
// destroyed, tray icon deleted, and last the quit message. It runs once:
// from WM_DESTROY, or from WM_ENDSESSION when the session ends, since the
// system then ends the process without destroying the window.
void Teardown() {
  static bool done = false;
  if (done) return;
  done = true;
  ExportSettingsWhenSet(ProgramSettings::Current().SavePath);
  UnregisterHotkeys(MainWindow());
  SetMainTimer(false);
  ClearDrives();
  DestroyMenus();
  DeleteTrayIcon();
  InstallWindowOps(nullptr);
  InstallDiscShellOps(nullptr);
  InstallEjectPasswordCheck(nullptr);
  PostQuitMessage(0);
}

void TrayNotify(LPARAM mouseMessage) {
  if (mouseMessage == WM_LBUTTONDOWN) {
    PostCommand(ID_DRIVE_MENU);
  } else if (mouseMessage == WM_RBUTTONDOWN) {
    if (IsWindowEnabled(MainWindow())) {
      PostCommand(ID_MAIN_MENU);
      return;
    }
    // A modal dialog of the program is open: bring it up instead of a menu.
    MessageBeep(MB_OK);
    if (HWND above = GetWindow(MainWindow(), GW_HWNDPREV)) SetForegroundWindow(above);
  }
}

void DeviceChange(WPARAM event, LPARAM record) {
  const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(record);
  if (!header || (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE)) return;
  if (header->dbch_devicetype != DBT_DEVTYP_VOLUME || header->dbch_size < sizeof(DEV_BROADCAST_VOLUME)) return;
  const auto* volume = reinterpret_cast<const DEV_BROADCAST_VOLUME*>(record);
  PostedCommand posted = DeviceChangeCommand(
      uint32_t(event), VolumeNotice{volume->dbcv_devicetype, volume->dbcv_unitmask, volume->dbcv_flags}, IsCdRomLetter);
  if (posted.Command != 0) PostCommand(posted.Command, LPARAM(posted.Argument));
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return CreateProcedure(window) ? 0 : -1;
    case WM_DESTROY:
      Teardown();
      return 0;
    case WM_COMMAND:
      Dispatch(LOWORD(wParam), lParam);
      RefreshTray();
      return 0;
    case WM_TIMER:
      PostCommand(TimerCommand(unsigned(wParam)));
      return 0;
    case WM_HOTKEY:
      if (unsigned command = HotkeyToCommand(wParam)) PostCommand(command);
      return 0;
    case WM_TRAYNOTIFY:
      TrayNotify(lParam);
      return 0;
    case WM_DEVICECHANGE:
      DeviceChange(wParam, lParam);
      return DefWindowProcA(window, message, wParam, lParam);
    case WM_POWERBROADCAST:
      if (wParam == PBT_APMRESUMESUSPEND || wParam == PBT_APMRESUMECRITICAL) PostCommand(ID_RESUMED);
      return TRUE;
    case WM_QUERYENDSESSION:
      QueryEndSession(MainReminders);
      return TRUE;  // the session may end
    case WM_ENDSESSION:
      EndSession(MainReminders);
      if (wParam) Teardown();
      return 0;
    default:
      // Explorer restarted: the icon has to be added again.
      if (message == Shell().TaskbarMessage && message != 0 && !Shell().Hidden) {
        AddTrayIcon();
        RefreshTray();
      }
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = kMainWindowClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowExA(0, kMainWindowClass, kMainWindowClass, 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

// The order: busy on, settings, transport and drives (chosen together by
// DiscoverDrives) and the start-event restore (or no drives at all), then the
// main timer and the hotkeys of the drives now in the list, busy off.
void Reload(bool discover) {
  ShellState& shell = Shell();
  ProgramSettings& settings = ProgramSettings::Current();
  shell.BusyCount++;
  RefreshTray();
  settings.Load();
  // The main menu is built once with its texts: a new language rebuilds it.
  if (SelectLanguageOfSettings()) (void)CreateMainMenu();
  if (discover) {
    // DiscoverDrives chooses the transport itself, and neither it nor the
    // drives change while a drive works: the request is then kept.
    if (DiscoverDrives() == DiscoveryOutcome::Done) RestoreForEvent(EventStart, 0);
  } else {
    SelectTransport(settings.ApiPrefered);
    ClearDrives();
  }
  SetMainTimer(settings.TimerEnable != 0);
  ReRegisterHotkeys(MainWindow());
  shell.BusyCount--;
  RefreshTray();
}

bool SelectLanguageOfSettings() {
  return SelectTextLanguage(ChooseTextLanguage(ProgramSettings::Current().Language, UserInterfaceLanguage()));
}

void RunOnce() {
  ProgramSettings& settings = ProgramSettings::Current();
  settings.Load();
  DiscoverDrives();
  if (settings.CloseOnRun) CloseAllTrays();
  RestoreForEvent(EventStart, 0);
  ClearDrives();
}

void ShowStartupFailure(StringId text) { ShowMessage(nullptr, text, 0x2010); }
