// Entry point: command line, single instance, icons, window class, the hidden
// main window and the message loop.
#include <windows.h>

#include <cstdlib>
#include <new>
#include <string>

#include "app/app.h"
#include "app/main_window.h"
#include "app/main_window_win32.h"
#include "app/tray_icon_win32.h"
#include "app/version_win32.h"
#include "compat/compat.h"
#include "settings/settings_record.h"
#include "transport/system_transports.h"

namespace {

// Every dialog is built on the system dialog class, so giving that class the
// program icon once gives it to all of them.
void GiveDialogsTheProgramIcon(HINSTANCE instance) {
  HWND probe = CreateWindowExA(0, WC_DIALOG, "", 0, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
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

// The program is built without exceptions: every allocation it makes itself
// (nothrow new, or malloc for the blocks handed across the C-style calls) is
// checked where it is made. The few failures left inside the standard
// containers (out of
// memory, a length past the maximum) end the program here, as an uncaught
// exception would. The runtime's own versions of these functions bring its
// exception classes and their strings (about 100 KB) into the executable, and
// its terminate handler the whole demangler (50 KB) to print a name on a
// console this program does not have.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
namespace std {
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std

// The allocation operators on malloc. The runtime's own throw std::bad_alloc,
// and even its nothrow forms catch it: either brings the unwinder, the
// exception runtime and, through their locks, the POSIX thread library into
// the executable (about 40 KB with their unwind tables). Here a nothrow new
// answers null and a plain new (only the standard containers use it) ends
// the program, as its uncaught exception would.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return std::malloc(size != 0 ? size : 1); }
void* operator new(std::size_t size) {
  void* block = std::malloc(size != 0 ? size : 1);
  if (block == nullptr) std::abort();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

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

  if (HWND running = FindWindowA(MainWindowClass, MainWindowClass)) {
    SendMessageA(running, WM_COMMAND, HandOverCommand(mode), 0);
    return 0;
  }

  shell.TaskbarMessage = RegisterWindowMessageA("TaskbarCreated");
  shell.Style = ChooseIconStyle(ShellVersion(), ScreenBitsPerPixel());
  LoadTrayIcons(instance);
  GiveDialogsTheProgramIcon(instance);
  // The texts of the first message already in the language of the settings.
  ProgramSettings::Current().Load();
  SelectLanguageOfSettings();

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
