#include "hotkeys/hotkeys_win32.h"

#include "hotkeys/hotkeys.h"

void RegisterHotkeys(HWND window) {
  for (const HotkeyRegistration& hotkey : PlanHotkeys(Drives, DriveCount))
    RegisterHotKey(window, int(hotkey.Id), hotkey.Keys.Modifiers, hotkey.Keys.VirtualKey);
}

void UnregisterHotkeys(HWND window) {
  for (unsigned n = 0; n < HotkeyIdCount; ++n) UnregisterHotKey(window, int(HotkeyIdAt(n)));
}

void ReRegisterHotkeys(HWND window) {
  UnregisterHotkeys(window);
  RegisterHotkeys(window);
}
