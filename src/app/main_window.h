// What the hidden main window does, as far as it needs no Windows: the
// commands it runs, the reload after a change of settings or drives, its
// creation and teardown, and the run-once mode. What only the window can do
// (menus, dialogs, the tray icon, timers) goes through the window seam
// (window_ops.h); main_window_win32.cpp is the window itself.
#pragma once
#include <cstdint>

// Settings, transport and (with discover) the drives, then everything that
// depends on them. Called at creation and by the commands that change them.
// Its order: busy on, settings, transport and drives (chosen together by
// DiscoverDrives) and the start-event restore (or no drives at all), then
// the main timer and the hotkeys of the drives now in the list, busy off.
void Reload(bool discover);

// "/exit": apply the saved settings to the drives once and end. No window
// and no Windows call: the settings, the drives and their restore.
void RunOnce();

// WM_COMMAND's command with its argument (the unit mask of
// ID_MEDIA_ARRIVED): a drive command or a fixed one; any other does nothing.
void RunCommand(unsigned command, uint32_t argument);

// A press on the tray icon: the left button opens the drive menu, the
// right one the main menu; while a modal dialog of the program is open the
// right button brings that dialog up instead. The menus are posted, so the
// shell's notice returns at once.
enum class TrayButton { Left, Right };
void TrayIconPressed(TrayButton button, bool dialogOpen);

// The creation procedure, once the window seam is installed: everything
// that must exist while the program runs. Its order: the tray icon unless
// hidden, the drives' busy notices, the two menus (the main menu's failure
// is told), the reload with discovery, and the trays closed when CloseOnRun
// asks for it. False: the window is not to be created.
[[nodiscard]] bool StartShell();
// Undoes it, once (from WM_DESTROY, or from WM_ENDSESSION, since the system
// then ends the process without destroying the window). Its order: export
// of the settings when a path is set, hotkeys unregistered, main timer
// stopped, drives freed, menus destroyed, tray icon deleted. False when it
// had run before.
bool StopShell();
