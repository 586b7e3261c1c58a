// Command numbers: what menus, hotkeys, timers and device notices send to the
// main window. The menus, the hotkeys and the shell all speak them, so they
// live here, below all three.
//
// A drive command has bit 15 set and carries the list index of a speed
// (bits 8-14), the drive's index in the drive list (bits 4-7) and the action
// (bits 0-3). It travels in the low word of WM_COMMAND's wParam.
#pragma once
#include <cstdint>

// Fixed commands, carried in the low word of WM_COMMAND's wParam. 107 marks
// the drive items of the main menu and is no command.
enum FixedCommand : unsigned {
  ID_MAIN_MENU = 100,
  ID_DRIVE_MENU = 101,
  ID_ABOUT = 102,
  ID_HELP = 103,
  ID_INFO = 104,
  ID_FIND_DRIVES = 105,
  ID_SETTINGS = 106,
  ID_CLEAR_CONFIG = 108,
  ID_EXIT = 109,
  ID_MEDIA_ARRIVED = 110,
  ID_MEDIA_REMOVED = 111,
  ID_TIMER_TICK = 112,
  ID_RESUMED = 113,
  ID_HIDE_ICON = 200,
  ID_SHOW_ICON = 201,
};

enum DriveAction : unsigned {
  DA_SETTINGS = 0,        // main menu drive item: the drive settings dialog
  DA_EJECT = 1,           // with EjectSingle it closes an open tray instead
  DA_CLOSE = 2,
  DA_MAX_SPEED = 3,
  DA_SELECTED_SPEED = 4,
  DA_MIN_SPEED = 5,
  DA_FASTER = 6,
  DA_SLOWER = 7,
  DA_POLL = 8,            // the drive's poll timer after the program closed its tray
  DA_OPEN = 9,
  DA_EXPLORE = 10,
  DA_AUTORUN = 11,
  DA_SET_SPEED = 12,      // parameter: index into the active speed list
};

constexpr unsigned DriveCommandFlag = 0x8000;

// The drive index and the parameter are cut to their fields, so a command
// never spills into the bits of another field.
constexpr unsigned DriveCommand(unsigned driveIndex, DriveAction action, unsigned parameter = 0) {
  return DriveCommandFlag | (parameter & 0x7F) << 8 | (driveIndex & 0xF) << 4 | action;
}

constexpr bool IsDriveCommand(unsigned command) { return (command & DriveCommandFlag) != 0; }
constexpr unsigned DriveCommandAction(unsigned command) { return command & 0xF; }
constexpr unsigned DriveCommandIndex(unsigned command) { return command >> 4 & 0xF; }
constexpr unsigned DriveCommandParameter(unsigned command) { return command >> 8 & 0x7F; }

// The item data that marks the drive items of the main menu (no command).
constexpr uintptr_t MainMenuDriveItemData = 107;

// The maximum-speed hotkey of drive 3.
static_assert(DriveCommand(3, DA_MAX_SPEED) == 0x8033);
