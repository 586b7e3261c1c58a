#include "app/main_window_win32.h"

#include "app/app.h"
#include "app/restore_events.h"
#include "app/tray_icon_win32.h"
#include "dialogs/dialogs.h"
#include "drive/drive.h"
#include "mmc/transport.h"
#include "settings/program_settings.h"

namespace {

// The creation procedure: everything that must exist while the program runs.
// Returning false makes the window creation fail. Its order: the tray icon
// record (and the icon unless hidden), the busy notices, the two menus, the
// reload with discovery, then the trays closed at start when asked for. The
// menus and the tray actions join at their places here.
bool CreateProcedure(HWND window) {
  Shell().MainWindow = window;
  PrepareTrayIcon(window);
  if (!Shell().Hidden) AddTrayIcon();
  // Long drive operations show the busy picture while they run.
  BusyCallback = [](int busy) {
    Shell().BusyCount += busy ? 1 : -1;
    RefreshTray();
  };
  // A discovery asked for while a drive worked runs once the drive is free,
  // from the message loop rather than inside the operation that ended.
  DiscoveryDueCallback = [] { PostMessageA(HWND(Shell().MainWindow), WM_COMMAND, ID_FIND_DRIVES, 0); };
  Reload(true);
  return true;
}

// Undoes the creation procedure. Its order: export of the settings when a
// path is set, hotkeys unregistered, main timer stopped, drives freed, menus
// destroyed, tray icon deleted, and last the quit message.
void Teardown() {
  ClearDrives();
  DeleteTrayIcon();
  PostQuitMessage(0);
}

void Dispatch(unsigned command) {
  ShellState& shell = Shell();
  switch (command) {
    case ID_FIND_DRIVES:
      Reload(true);
      break;
    case ID_EXIT:
      DestroyWindow(HWND(shell.MainWindow));
      break;
    case ID_HIDE_ICON:
      if (!shell.Hidden) DeleteTrayIcon();
      shell.Hidden = 1;
      break;
    case ID_SHOW_ICON:
      // Added whether or not it shows: a failed second add changes nothing.
      AddTrayIcon();
      shell.Hidden = 0;
      break;
    default:
      break;
  }
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      return CreateProcedure(window) ? 0 : -1;
    case WM_DESTROY:
      Teardown();
      return 0;
    case WM_COMMAND:
      Dispatch(LOWORD(wParam));
      RefreshTray();
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
// main timer and the hotkeys, busy off.
void Reload(bool discover) {
  ShellState& shell = Shell();
  ProgramSettings& settings = ProgramSettings::Current();
  shell.BusyCount++;
  RefreshTray();
  settings.Load();
  if (discover) {
    // DiscoverDrives chooses the transport itself, and neither it nor the
    // drives change while a drive works: the request is then kept.
    if (DiscoverDrives() == DiscoveryOutcome::Done) RestoreForEvent(EventStart, 0);
  } else {
    SelectTransport(settings.ApiPrefered);
    ClearDrives();
  }
  shell.BusyCount--;
  RefreshTray();
}

void RunOnce() {
  ProgramSettings& settings = ProgramSettings::Current();
  settings.Load();
  DiscoverDrives();
  RestoreForEvent(EventStart, 0);
  ClearDrives();
}

void ShowStartupFailure(StringId text) { ShowMessage(nullptr, text, 0x2010); }
