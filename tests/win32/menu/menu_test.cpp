// The tray menus as Windows builds them: each plan is realised into real
// menus, read back item by item with the ANSI calls and compared with the
// plan; a tracked menu opens at the cursor and a key there posts the item's
// command to the owner. Run under a Russian locale on the NT row and as on
// Windows 98 (ANSI row, code page 1251).
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/app.h"
#include "commands/command_ids.h"
#include "compat/compat.h"
#include "drive/drive.h"
#include "menu/menu_win32.h"
#include "settings/settings_record.h"
#include "tests/common/drive_records.h"

namespace {

const bool ready = [] {
  InitCompatLayer();
  return CreateMainMenu() && CreateDriveMenu();
}();

std::string Ansi(const std::u16string& text) {
  char* converted = WideToAnsi(text.c_str());
  std::string out = converted ? converted : "(not convertible)";
  free(converted);
  return out;
}

std::string ExpectedText(const MenuItemPlan& item) {
  switch (item.TextForm) {
    case MenuTextForm::StringTable: {
      WideSpan span = FindString(item.TextId);
      return Ansi(std::u16string(span.Text, span.Length));
    }
    case MenuTextForm::Wide: return Ansi(item.Wide);
    case MenuTextForm::Ansi: return item.Ansi;
    case MenuTextForm::None: break;
  }
  return "";
}

// Compares the menu with the plan, item by item and into sub-menus; `where`
// names the item in failure messages.
void ExpectMenuIs(HMENU menu, const MenuPlan& plan, const std::string& where) {
  ASSERT_EQ(GetMenuItemCount(menu), int(plan.size())) << where;
  for (size_t i = 0; i < plan.size(); ++i) {
    const MenuItemPlan& item = plan[i];
    const std::string at = where + "/" + std::to_string(i) + " " + ExpectedText(item);
    char text[128] = {};
    MENUITEMINFOA info = {};
    info.cbSize = MenuItemInfo95Size;
    info.fMask = MIIM_TYPE | MIIM_ID | MIIM_STATE | MIIM_SUBMENU | MIIM_CHECKMARKS | MIIM_DATA;
    info.dwTypeData = text;
    info.cch = sizeof text;
    ASSERT_TRUE(GetMenuItemInfoA(menu, UINT(i), TRUE, &info)) << at;
    EXPECT_EQ(info.dwItemData, item.Data) << at;
    // A picture item shows its picture as its check mark, checked or not.
    const bool picture = item.Kind == MenuItemKind::Bitmap;
    EXPECT_EQ(info.hbmpChecked, MenuPictureHandle(picture ? item.Picture : item.CheckMark)) << at;
    EXPECT_EQ(info.hbmpUnchecked, picture ? MenuPictureHandle(item.Picture) : nullptr) << at;
    EXPECT_EQ(GetMenuState(menu, UINT(i), MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED), item.State) << at;
    switch (item.Kind) {
      case MenuItemKind::Separator:
        EXPECT_TRUE(info.fType & MFT_SEPARATOR) << at;
        break;
      case MenuItemKind::Bitmap:
        EXPECT_EQ(info.fType & (MFT_BITMAP | MFT_SEPARATOR), 0u) << at;
        EXPECT_EQ(std::string(text), "") << at;
        EXPECT_EQ(info.wID, item.Id) << at;
        break;
      case MenuItemKind::Text:
        EXPECT_EQ(info.wID, item.Id) << at;
        [[fallthrough]];
      case MenuItemKind::SubMenu:
        char shown[128] = {};
        GetMenuStringA(menu, UINT(i), shown, sizeof shown, MF_BYPOSITION);
        EXPECT_EQ(std::string(shown), ExpectedText(item)) << at;
        break;
    }
    EXPECT_EQ(info.hSubMenu != nullptr, item.Kind == MenuItemKind::SubMenu) << at;
    if (info.hSubMenu) ExpectMenuIs(info.hSubMenu, item.SubItems, at);
  }
}

// A CD reader with a grouped list, a selected and a current speed; a DVD
// drive with a Cyrillic short name and no disc; an ignored drive.
void UseDrives() {
  Drives[0] = Drive("ALPHA CD-ROM 1.0", u"ALPHA", 'D', {52, 48, 44, 40, 32, 24, 20, 16, 8, 4});
  Drives[0].ShortMenu = 1;
  Drives[0].RangeCD.Selected = 24 * SpeedUnitCD;
  Drives[0].CurrentSpeed = 44 * SpeedUnitCD;
  Drives[1] = Drive("OMEGA DVD-RW 2.0", u"Дельта", 'E', {});
  Drives[1].ActiveRange = RangeKindDVD;
  Drives[1].Ready = 0;
  for (unsigned x : {16, 8, 4}) Drives[1].RangeDVD.Entries[Drives[1].RangeDVD.Count++] = {x * SpeedUnitDVD, x};
  Drives[2] = Drive("HIDDEN CD 1.0", u"HIDDEN", 'F', {8});
  Drives[2].Ignore = 1;
  DriveCount = 3;
}

}  // namespace

TEST(TrayMenus, MainMenuRenewsItsDriveItemsAndGreysHelpWithoutAFile) {
  ASSERT_TRUE(ready);
  HMENU menu = MainMenuHandle();
  ExpectMenuIs(menu, PlanMainMenu(nullptr, 0, true), "created");

  UseDrives();
  RenewMainMenu(false);
  ExpectMenuIs(menu, PlanMainMenu(Drives, DriveCount, false), "three drives");
  EXPECT_EQ(GetMenuItemID(menu, 11), DriveCommand(2, DA_SETTINGS)) << "the ignored drive keeps its item";
  EXPECT_EQ(GetMenuState(menu, ID_HELP, MF_BYCOMMAND), UINT(MF_GRAYED | MF_DISABLED));

  // The old drive items go, whatever their number was.
  DriveCount = 1;
  RenewMainMenu(true);
  ExpectMenuIs(menu, PlanMainMenu(Drives, 1, true), "one drive");
  EXPECT_EQ(GetMenuItemID(menu, GetMenuItemCount(menu) - 1), UINT(ID_EXIT));
}

TEST(TrayMenus, DriveMenuMatchesItsPlanInEveryStyle) {
  ASSERT_TRUE(ready);
  UseDrives();
  ProgramSettings& settings = ProgramSettings::Current();
  // The ALPHA drive's grouped list carries a selected and a current speed.
  struct Style { const char* name; int ejectSingle, topNames, deepMenu, numNames; };
  const Style styles[] = {{"defaults", 1, 0, 0, 1}, {"separate eject", 0, 0, 0, 0},
                          {"top names", 0, 1, 0, 1}, {"sub-menus", 1, 0, 1, 1}};
  for (const Style& style : styles) {
    settings.ResetToDefaults();
    settings.EjectSingle = style.ejectSingle;
    settings.TopNames = style.topNames;
    settings.DeepMenu = style.deepMenu;
    settings.NumNames = style.numNames;
    settings.CmdOpen = 1;
    RebuildDriveMenu(nullptr);
    ExpectMenuIs(DriveMenuHandle(), PlanDriveMenu(Drives, DriveCount, settings, nullptr), style.name);
  }

  // The comparison above holds pictures by handle: they must be there.
  for (MenuPicture picture : {MenuPicture::Eject, MenuPicture::Close, MenuPicture::CurrentSpeed}) {
    BITMAP bitmap = {};
    ASSERT_TRUE(GetObjectA(MenuPictureHandle(picture), sizeof bitmap, &bitmap)) << int(picture);
    EXPECT_EQ(bitmap.bmBitsPixel, 1) << "monochrome";
    EXPECT_EQ(bitmap.bmWidth, GetSystemMetrics(SM_CXMENUCHECK)) << "the check mark's size, nothing cut off";
    EXPECT_EQ(bitmap.bmHeight, GetSystemMetrics(SM_CYMENUCHECK));
  }
}

TEST(TrayMenus, RebuildingAndDestroyingFreeEverySubMenu) {
  ASSERT_TRUE(ready);
  UseDrives();
  ProgramSettings& settings = ProgramSettings::Current();
  settings.ResetToDefaults();
  settings.DeepMenu = 1;
  RebuildDriveMenu(nullptr);
  HMENU driveSubMenu = GetSubMenu(DriveMenuHandle(), 0);
  HMENU groupSubMenu = GetSubMenu(driveSubMenu, 0);
  ASSERT_TRUE(IsMenu(driveSubMenu) && IsMenu(groupSubMenu));
  settings.DeepMenu = 0;
  RebuildDriveMenu(nullptr);
  EXPECT_FALSE(IsMenu(driveSubMenu));
  EXPECT_FALSE(IsMenu(groupSubMenu));

  // Every drive ignored: the menu is empty and ShowDriveMenu shows nothing
  // (it would not return here if it tracked a menu).
  for (int i = 0; i < DriveCount; ++i) Drives[i].Ignore = 1;
  ShowDriveMenu(GetDesktopWindow(), nullptr);
  EXPECT_EQ(GetMenuItemCount(DriveMenuHandle()), 0);

  HMENU main = MainMenuHandle(), drive = DriveMenuHandle();
  DestroyMenus();
  EXPECT_FALSE(IsMenu(main));
  EXPECT_FALSE(IsMenu(drive));
  EXPECT_TRUE(CreateMainMenu());
  EXPECT_TRUE(CreateDriveMenu());
}

namespace {

UINT chosenCommand;
RECT menuRect;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND) chosenCommand = LOWORD(wParam);
  return DefWindowProcA(window, message, wParam, lParam);
}

// A menu the keys did not close is closed after 10 s, so that a failing
// test fails instead of hanging.
void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  EndMenu();
}

// Inside the menu's own loop: once the pop-up is up, note where it is and
// choose its first item with the keyboard.
void CALLBACK ChooseFirstItem(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND popup = FindWindowA("#32768", nullptr);
  if (!popup || !IsWindowVisible(popup)) return;
  KillTimer(nullptr, timer);
  GetWindowRect(popup, &menuRect);
  PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
  PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
}

}  // namespace

TEST(TrayMenus, ShownMenuOpensLeftOfTheCursorAndPostsTheChosenCommand) {
  ASSERT_TRUE(ready);
  UseDrives();
  Drives[0].ShortMenu = 0;  // a speed on top, not a group
  ProgramSettings::Current().ResetToDefaults();
  WNDCLASSA wc = {};
  wc.lpfnWndProc = OwnerProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "MenuTestOwner";
  RegisterClassA(&wc);
  HWND owner = CreateWindowExA(0, "MenuTestOwner", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(owner, nullptr);
  SetCursorPos(600, 500);
  POINT cursor;
  GetCursorPos(&cursor);

  for (bool mainMenu : {false, true}) {
    chosenCommand = 0;
    menuRect = {};
    SetTimer(nullptr, 0, 100, ChooseFirstItem);
    UINT_PTR watchdog = SetTimer(nullptr, 0, 10000, Watchdog);
    if (mainMenu)
      ShowMainMenu(owner, true);
    else
      ShowDriveMenu(owner, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    KillTimer(nullptr, watchdog);
    EXPECT_EQ(menuRect.right, cursor.x) << "right edge at the cursor";
    EXPECT_EQ(menuRect.top, cursor.y);
    // The fastest speed of the first drive; "О программе".
    EXPECT_EQ(chosenCommand, mainMenu ? UINT(ID_ABOUT) : DriveCommand(0, DA_SET_SPEED, 0));
  }
  DestroyWindow(owner);
}
