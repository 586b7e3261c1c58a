// Entry point: command line, single instance, icons, window class, the hidden
// main window and the message loop.
#include <windows.h>

#include <cstdlib>

#include "app/app.h"
#include "app/main_window_win32.h"
#include "app/tray_icon_win32.h"
#include "app/version_win32.h"
#include "compat/compat.h"
#include "transport/system_transports.h"

namespace {

// Every dialog is built on the system dialog class, so giving that class the
// program icon once gives it to all of them.
void GiveDialogsTheProgramIcon(HINSTANCE instance) {
  HWND probe = CreateWindowExA(0, MAKEINTATOM(0x8002), "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
  if (!probe) return;
  SetClassLongPtrA(probe, GCLP_HICON, LONG_PTR(LoadIconA(instance, "IconApp")));
  DestroyWindow(probe);
}

int ScreenBitsPerPixel() {
  HDC screen = GetDC(nullptr);
  int bits = GetDeviceCaps(screen, BITSPIXEL);
  ReleaseDC(nullptr, screen);
  return bits;
}

}  // namespace

// The runtime's own terminate handler prints the demangled name of the
// exception to a console this program does not have, and brings the whole
// demangler (about 50 KB) into the executable.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  InitCompatLayer();
  RegisterSystemTransports();
  StartMode mode = ParseStartMode(SkipProgramName(GetCommandLineA()));
  if (mode == StartMode::RunOnce) {
    RunOnce();
    return 0;
  }
  ShellState& shell = Shell();
  shell.Hidden = mode == StartMode::Hidden;

  if (HWND running = FindWindowA(kMainWindowClass, kMainWindowClass)) {
    SendMessageA(running, WM_COMMAND, HandOverCommand(mode), 0);
    return 0;
  }

  shell.TaskbarMessage = RegisterWindowMessageA("TaskbarCreated");
  shell.Style = ChooseIconStyle(ShellVersion(), ScreenBitsPerPixel());
  LoadTrayIcons(instance);
  GiveDialogsTheProgramIcon(instance);

  if (!RegisterMainWindowClass(instance)) {
    ShowStartupFailure(StrCannotRegisterWindowClass);
    return 0;
  }
  if (!CreateMainWindow(instance)) {
    ShowStartupFailure(StrCannotCreateMainWindow);
    return 0;
  }

  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) == 1) DispatchMessageA(&msg);
  return 0;
}
