#include "app/main_window_win32.h"

#include <dbt.h>

#include <string>

#include "actions/actions.h"
#include "app/app.h"
#include "app/dispatch.h"
#include "app/end_session.h"
#include "app/main_window.h"
#include "app/tray_icon_win32.h"
#include "app/tray_moves.h"
#include "app/version_win32.h"
#include "app/window_ops.h"
#include "compat/compat.h"
#include "dialogs/countdown.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dlgengine.h"
#include "dialogs/drive_settings.h"
#include "dialogs/program_settings.h"
#include "drive/drive.h"
#include "hotkeys/hotkeys.h"
#include "hotkeys/hotkeys_win32.h"
#include "menu/menu_win32.h"
#include "mmc/transport.h"

namespace {

HWND MainWindow() { return HWND(Shell().MainWindow); }

// Outside events are not acted upon inside their own message: the work runs
// when the posted command is dispatched, so the system gets its answer at once.
void PostCommand(unsigned command, LPARAM argument = 0) {
  PostMessageA(MainWindow(), WM_COMMAND, command, argument);
}

// ---- The window's side of the seam ------------------------------------------

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

void ShowMainMenuNow() {
  std::string helpPath;
  ShowMainMenu(MainWindow(), HelpFilePath(helpPath));
}
void ShowDriveMenuNow() { ShowDriveMenu(MainWindow(), HasAutorun); }
void ShowInformation() { ShowInfoDialog(MainWindow(), Drives, DriveCount); }
void ShowAbout() { ShowAboutDialog(MainWindow()); }

bool EditProgramSettings(ProgramSettings& settings) {
  const SettingsFacts facts{WindowsVersion(), ShellVersion(), TransportId(), AspiStatus(), SptiStatus()};
  return ShowProgramSettingsDialog(MainWindow(), &settings, facts) != 0;
}

bool Confirm(StringId question) {
  return ShowMessage(MainWindow(), question, MessageOkCancel | MessageQuestionIcon | MessageTaskbar) == DialogOk;
}

void Notify(StringId notice) { ShowMessage(MainWindow(), notice, MessageInformationIcon | MessageTaskbar); }

void BringDialogUp() {
  MessageBeep(MB_OK);
  if (HWND above = GetWindow(MainWindow(), GW_HWNDPREV)) SetForegroundWindow(above);
}
void PostCommandNow(unsigned command) { PostCommand(command); }
void Close() { DestroyWindow(MainWindow()); }

void UnregisterMainHotkeys() { UnregisterHotkeys(MainWindow()); }

const WindowOps MainWindowOps{StartWindowTimer,      StopWindowTimer,  RefreshCdVolumes, ReRegisterMainHotkeys,
                              CreateMainMenu,        CreateDriveMenu,  DestroyMenus,     UnregisterMainHotkeys,
                              ShowStartupFailure,    RefreshTray,      AddTrayIcon,      DeleteTrayIcon,
                              ShowMainMenuNow,       ShowDriveMenuNow, ShowInformation,  ShowAbout,
                              ShowHelp,              EditProgramSettings, Confirm,       Notify,
                              BringDialogUp,         PostCommandNow,   Close,            SelectLanguageOfSettings};
int DriveSettingsDialog(DriveRecord& drive, char* lockData) {
  return ShowDriveSettingsDialog(MainWindow(), &drive, lockData);
}
const DiscShellOps MainDiscShellOps{OpenRoot, RunAutorun, DriveSettingsDialog};

bool AskEjectPassword(const char* hash) { return VerifyPassword(MainWindow(), hash, PasswordLimit) != 0; }

int DiscInsertedReminder(int seconds, uint32_t driveMask) {
  return ShowDiscInsertedCountdown(MainWindow(), seconds, driveMask, NoDiscLeft);
}
int TrayOpenReminder(int seconds, bool closeAtZero) {
  return ShowTrayOpenCountdown(MainWindow(), seconds, closeAtZero, NoTrayOpen);
}
const EndSessionReminders MainReminders{DiscInsertedReminder, TrayOpenReminder};

// ---- Messages ------------------------------------------------------------

bool CreateProcedure(HWND window) {
  Shell().MainWindow = window;
  InstallWindowOps(&MainWindowOps);
  InstallDiscShellOps(&MainDiscShellOps);
  InstallEjectPasswordCheck(AskEjectPassword);
  PrepareTrayIcon(window);
  return StartShell();
}

void Teardown() {
  if (!StopShell()) return;
  InstallWindowOps(nullptr);
  InstallDiscShellOps(nullptr);
  InstallEjectPasswordCheck(nullptr);
  PostQuitMessage(0);
}

void TrayNotify(LPARAM mouseMessage) {
  // A modal dialog of the program disables the main window.
  const bool dialogOpen = !IsWindowEnabled(MainWindow());
  if (mouseMessage == WM_LBUTTONDOWN) TrayIconPressed(TrayButton::Left, dialogOpen);
  if (mouseMessage == WM_RBUTTONDOWN) TrayIconPressed(TrayButton::Right, dialogOpen);
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
      RunCommand(LOWORD(wParam), uint32_t(lParam));
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
  wc.lpszClassName = MainWindowClass;
  return RegisterClassA(&wc) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  return CreateWindowExA(0, MainWindowClass, MainWindowClass, 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
}

bool SelectLanguageOfSettings() {
  return SelectTextLanguage(ChooseTextLanguage(ProgramSettings::Current().Language, UserInterfaceLanguage()));
}

void ShowStartupFailure(StringId text) { ShowMessage(nullptr, text, MessageErrorIcon | MessageTaskbar); }
