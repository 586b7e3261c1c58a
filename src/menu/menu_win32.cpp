#include "menu/menu_win32.h"

#include <string>

#include "app/commands.h"
#include "compat/compat.h"
#include "drive/drive.h"
#include "settings/program_settings.h"

namespace {

static_assert(MenuItemDisabled == MF_DISABLED && MenuItemGrayed == MFS_GRAYED && MenuItemChecked == MF_CHECKED,
              "plan states are the system's menu flags");
// The record as Windows 95 knows it: without hbmpItem, which it refuses.
constexpr UINT kMenuItemInfo95Size = 44;
static_assert(offsetof(MENUITEMINFOA, hbmpItem) == kMenuItemInfo95Size);
static_assert(offsetof(MENUITEMINFOW, hbmpItem) == kMenuItemInfo95Size);

struct TrayMenus {
  HMENU Main;
  HMENU Drive;
  HBITMAP Eject, Close, CurrentSpeed;
};
TrayMenus menus;

HBITMAP PictureHandle(MenuPicture picture) {
  switch (picture) {
    case MenuPicture::Eject: return menus.Eject;
    case MenuPicture::Close: return menus.Close;
    case MenuPicture::CurrentSpeed: return menus.CurrentSpeed;
    case MenuPicture::None: break;
  }
  return nullptr;
}

// Type, id, state, item data, check mark and sub-menu of an item; the text
// (or picture) is the caller's. Only MIIM_TYPE describes the type and text:
// Windows 95 knows neither MIIM_FTYPE nor MIIM_STRING.
template <class Info>
Info Describe(const MenuItemPlan& item, HMENU subMenu) {
  Info info = {};
  info.cbSize = kMenuItemInfo95Size;
  info.fMask = MIIM_TYPE | MIIM_ID | MIIM_STATE | MIIM_DATA | MIIM_CHECKMARKS | (subMenu ? MIIM_SUBMENU : 0);
  info.wID = item.Id;
  info.fState = item.State;
  info.dwItemData = item.Data;
  info.hbmpChecked = PictureHandle(item.CheckMark);
  info.hSubMenu = subMenu;
  switch (item.Kind) {
    case MenuItemKind::Separator: info.fType = MFT_SEPARATOR; break;
    case MenuItemKind::Bitmap: info.fType = MFT_BITMAP; break;
    case MenuItemKind::Text:
    case MenuItemKind::SubMenu: info.fType = MFT_STRING; break;
  }
  return info;
}

// Texts of the string table and drive labels are wide and go through the
// wide-operation table; separators, pictures, speeds and the main menu's
// drive names use the ANSI call.
bool InsertOne(HMENU menu, UINT position, const MenuItemPlan& item, HMENU subMenu) {
  if (item.TextForm == MenuTextForm::StringTable || item.TextForm == MenuTextForm::Wide) {
    std::u16string text = item.Wide;
    if (item.TextForm == MenuTextForm::StringTable) {
      WideSpan span = FindString(item.TextId);
      text.assign(span.Text ? span.Text : u"", span.Length);
    }
    MENUITEMINFOW info = Describe<MENUITEMINFOW>(item, subMenu);
    info.dwTypeData = AsWide(text.data());
    return WideInsertMenuItem(menu, position, TRUE, &info);
  }
  MENUITEMINFOA info = Describe<MENUITEMINFOA>(item, subMenu);
  if (item.Kind == MenuItemKind::Bitmap) {
    info.dwTypeData = reinterpret_cast<LPSTR>(PictureHandle(item.Picture));
  } else if (item.Kind != MenuItemKind::Separator) {
    info.dwTypeData = const_cast<char*>(item.Ansi.c_str());
  }
  return InsertMenuItemA(menu, position, TRUE, &info);
}

void InsertFromBottom(HMENU menu, const MenuPlan& plan);

// A sub-menu is filled before its item is inserted; when either fails, the
// item is left out with its whole sub-menu.
bool InsertItem(HMENU menu, UINT position, const MenuItemPlan& item) {
  HMENU subMenu = nullptr;
  if (item.Kind == MenuItemKind::SubMenu) {
    subMenu = CreatePopupMenu();
    if (!subMenu) return false;
    InsertFromBottom(subMenu, item.SubItems);
  }
  if (InsertOne(menu, position, item, subMenu)) return true;
  if (subMenu) DestroyMenu(subMenu);
  return false;
}

// Each item goes in at the top, from the bottom item up: a failed speed item
// of a plain list then leaves out exactly the faster speeds above it.
void InsertFromBottom(HMENU menu, const MenuPlan& plan) {
  bool skippingSpeeds = false;
  for (auto item = plan.rbegin(); item != plan.rend(); ++item) {
    if (skippingSpeeds && item->EndsSpeedListOnFailure) continue;
    skippingSpeeds = !InsertItem(menu, 0, *item) && item->EndsSpeedListOnFailure;
  }
}

// Every item of the menu goes; DeleteMenu destroys a sub-menu an item opens,
// and DestroyMenu the sub-menus of that one in turn.
void EmptyMenu(HMENU menu) {
  while (GetMenuItemCount(menu) > 0) {
    if (!DeleteMenu(menu, 0, MF_BYPOSITION)) break;
  }
}

bool IsMainMenuDriveItem(HMENU menu, UINT position) {
  MENUITEMINFOA info = {};
  info.cbSize = kMenuItemInfo95Size;
  info.fMask = MIIM_DATA;
  return GetMenuItemInfoA(menu, position, TRUE, &info) && info.dwItemData == MainMenuDriveItemData;
}

// The menu's right edge at the cursor, owned by the main window. The window
// comes to the foreground first, or the menu would not close when the user
// clicks elsewhere; the posted empty message lets a second click on the
// icon open the menu again at once.
void TrackAtCursor(HMENU menu, HWND owner) {
  POINT cursor = {};
  GetCursorPos(&cursor);
  SetForegroundWindow(owner);
  TrackPopupMenu(menu, TPM_RIGHTALIGN, cursor.x, cursor.y, 0, owner, nullptr);
  PostMessageA(owner, WM_NULL, 0, 0);
}

}  // namespace

bool CreateMainMenu() {
  if (menus.Main) DestroyMenu(menus.Main);
  menus.Main = CreatePopupMenu();
  if (!menus.Main) return false;
  const MenuPlan plan = PlanMainMenu(nullptr, 0, true);
  for (size_t position = 0; position < plan.size(); ++position) {
    if (!InsertItem(menus.Main, UINT(position), plan[position])) {
      DestroyMenu(menus.Main);
      menus.Main = nullptr;
      return false;
    }
  }
  return true;
}

bool CreateDriveMenu() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  // Loaded once: a second creation must not load them again.
  if (!menus.Eject) menus.Eject = LoadBitmapA(instance, "BitmapEject");
  if (!menus.Close) menus.Close = LoadBitmapA(instance, "BitmapClose");
  if (!menus.CurrentSpeed) menus.CurrentSpeed = LoadBitmapA(instance, "BitmapCSpeed");
  menus.Drive = CreatePopupMenu();
  return menus.Drive != nullptr;
}

void RenewMainMenu(bool helpFileExists) {
  if (!menus.Main) return;
  while (IsMainMenuDriveItem(menus.Main, MainMenuFirstDriveItem)) {
    if (!DeleteMenu(menus.Main, MainMenuFirstDriveItem, MF_BYPOSITION)) break;
  }
  const MenuPlan plan = PlanMainMenu(Drives, DriveCount, helpFileExists);
  UINT position = MainMenuFirstDriveItem;
  for (const MenuItemPlan& item : plan) {
    if (item.Data == MainMenuDriveItemData) InsertItem(menus.Main, position++, item);
    if (item.Id == ID_HELP) EnableMenuItem(menus.Main, ID_HELP, MF_BYCOMMAND | item.State);
  }
}

void RebuildDriveMenu(AutorunProbe hasAutorun) {
  if (!menus.Drive) return;
  EmptyMenu(menus.Drive);
  InsertFromBottom(menus.Drive, PlanDriveMenu(Drives, DriveCount, ProgramSettings::Current(), hasAutorun));
}

void ShowMainMenu(HWND owner, bool helpFileExists) {
  if (!menus.Main) return;
  RenewMainMenu(helpFileExists);
  TrackAtCursor(menus.Main, owner);
}

void ShowDriveMenu(HWND owner, AutorunProbe hasAutorun) {
  if (!menus.Drive) return;
  RebuildDriveMenu(hasAutorun);
  // Every drive ignored: nothing to show.
  if (GetMenuItemCount(menus.Drive) > 0) TrackAtCursor(menus.Drive, owner);
}

void DestroyMenus() {
  if (menus.Drive) DestroyMenu(menus.Drive);
  if (menus.Main) DestroyMenu(menus.Main);
  menus.Drive = menus.Main = nullptr;
}

HMENU MainMenuHandle() { return menus.Main; }
HMENU DriveMenuHandle() { return menus.Drive; }
HBITMAP MenuPictureHandle(MenuPicture picture) { return PictureHandle(picture); }
