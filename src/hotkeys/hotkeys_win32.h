// The hotkeys registered with the system for the main window (decisions in
// hotkeys.h). Registration failures are silent: a combination another
// program holds leaves only that slot without its hotkey.
#pragma once
#include <windows.h>

// Registers the hotkeys of every managed drive of the drive list.
void RegisterHotkeys(HWND window);
// Unregisters every identifier the program may have registered.
void UnregisterHotkeys(HWND window);
// Unregisters all, then registers those of the current drives.
void ReRegisterHotkeys(HWND window);
