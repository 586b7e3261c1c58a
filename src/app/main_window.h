// What the hidden main window does, as far as it needs no Windows: the
// commands it runs, the reload after a change of settings or drives, the
// drives' busy notices, and the run-once mode. What only the window can do
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

// Long drive operations show the busy picture while they run; a discovery
// asked for while a drive worked is posted, to run from the message loop
// rather than inside the operation that ended.
void ConnectDriveNotices();
