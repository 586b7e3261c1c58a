// The tray menus on Windows: the main menu (built once, its drive items
// renewed at each showing) and the drive menu (rebuilt at each showing),
// realised from the plans of menu_plan.h and tracked at the cursor. A chosen
// item arrives at the owner window as WM_COMMAND with its command number.
#pragma once
#include <windows.h>

#include "menu/menu_plan.h"

// Builds the main menu with its program commands, in place of the one there
// was (a new language). False when the menu or one of its items cannot be
// made (the start-up then shows StrCannotCreateMenu).
[[nodiscard]] bool CreateMainMenu();
// Creates the empty drive menu and loads the three menu pictures, each on a
// bitmap of the system's check-mark size (a picture item shows its picture
// as its check mark), which stay loaded for the life of the process. False
// when the menu cannot be made.
[[nodiscard]] bool CreateDriveMenu();

// ID_MAIN_MENU: renews the main menu from the drive list, then tracks it.
void ShowMainMenu(HWND owner, bool helpFileExists);
// ID_DRIVE_MENU: rebuilds the drive menu from the drive list and the
// program settings, then tracks it; a menu without items is not shown.
void ShowDriveMenu(HWND owner, AutorunProbe hasAutorun);

// At teardown: the drive menu with all its sub-menus, then the main menu.
void DestroyMenus();

// The steps of the two Show functions before tracking, and the menus they
// fill, for tests that read the menus back.
void RenewMainMenu(bool helpFileExists);
void RebuildDriveMenu(AutorunProbe hasAutorun);
HMENU MainMenuHandle();
HMENU DriveMenuHandle();
HBITMAP MenuPictureHandle(MenuPicture picture);
