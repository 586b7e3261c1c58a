#include "menu/menu_win32.h"

#include <string>
#include <utility>

#include "commands/command_ids.h"
#include "common/handle_win32.h"
#include "compat/compat.h"
#include "drive/drive.h"
#include "settings/settings_record.h"

namespace {

static_assert(MenuItemDisabled == MF_DISABLED && MenuItemGrayed == MFS_GRAYED && MenuItemChecked == MF_CHECKED,
              "plan states are the system's menu flags");

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
// is the caller's. Only MIIM_TYPE describes the type and text: Windows 95
// knows neither MIIM_FTYPE nor MIIM_STRING.
//
// A picture item is an item without text that shows its picture as its check
// mark, checked or not. A check mark takes the menu's colours, highlighted
// too; an MFT_BITMAP item would be drawn inverted when highlighted, an opaque
// square around the picture.
template <class Info>
Info Describe(const MenuItemPlan& item, HMENU subMenu) {
  Info info = {};
  info.cbSize = MenuItemInfo95Size;
  info.fMask = MIIM_TYPE | MIIM_ID | MIIM_STATE | MIIM_DATA | MIIM_CHECKMARKS | (subMenu ? MIIM_SUBMENU : 0);
  info.wID = item.Id;
  info.fState = item.State;
  info.dwItemData = item.Data;
  info.hbmpChecked = PictureHandle(item.CheckMark);
  info.hSubMenu = subMenu;
  info.fType = item.Kind == MenuItemKind::Separator ? MFT_SEPARATOR : MFT_STRING;
  if (item.Kind == MenuItemKind::Bitmap) info.hbmpChecked = info.hbmpUnchecked = PictureHandle(item.Picture);
  return info;
}

// Texts of the string table and drive labels are wide and go through the
// wide-operation table; separators, picture items, speeds and the main
// menu's drive names use the ANSI call.
bool InsertOne(HMENU menu, UINT position, const MenuItemPlan& item, HMENU subMenu) {
  if (item.TextForm == MenuTextForm::StringTable || item.TextForm == MenuTextForm::Wide) {
    std::u16string text = WideMenuText(item);
    MENUITEMINFOW info = Describe<MENUITEMINFOW>(item, subMenu);
    info.dwTypeData = AsWide(text.data());
    return WideInsertMenuItem(menu, position, TRUE, &info);
  }
  MENUITEMINFOA info = Describe<MENUITEMINFOA>(item, subMenu);
  if (item.Kind != MenuItemKind::Separator) info.dwTypeData = const_cast<char*>(item.Ansi.c_str());
  return InsertMenuItemA(menu, position, TRUE, &info);
}

void InsertFromBottom(HMENU menu, const MenuPlan& plan);

// A sub-menu is filled before its item is inserted; when either fails, the
// item is left out with its whole sub-menu.
bool InsertItem(HMENU menu, UINT position, const MenuItemPlan& item) {
  OwnedMenu subMenu;
  if (item.Kind == MenuItemKind::SubMenu) {
    subMenu.Reset(CreatePopupMenu());
    if (!subMenu) return false;
    InsertFromBottom(subMenu.Get(), item.SubItems);
  }
  if (!InsertOne(menu, position, item, subMenu.Get())) return false;
  subMenu.Release();  // the item owns it now
  return true;
}

void InsertFromBottom(HMENU menu, const MenuPlan& plan) {
  InsertBottomUp(plan, [menu](const MenuItemPlan& item) { return InsertItem(menu, 0, item); });
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
  info.cbSize = MenuItemInfo95Size;
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
  menus.Main = nullptr;
  OwnedMenu main(CreatePopupMenu());
  if (!main) return false;
  const MenuPlan plan = PlanMainMenu(nullptr, 0, true);
  for (size_t position = 0; position < plan.size(); ++position) {
    if (!InsertItem(main.Get(), UINT(position), plan[position])) return false;
  }
  menus.Main = main.Release();
  return true;
}

namespace {

// A picture of the resources centred on a monochrome bitmap of the system's
// check-mark size: the menu draws a check mark at that size from its top
// left corner, whatever the bitmap's own size.
// Without the means to centre it, the picture as it is.
HBITMAP LoadCheckMark(const char* name) {
  OwnedGdiObject<HBITMAP> picture(LoadBitmapA(GetModuleHandleA(nullptr), name));
  BITMAP size = {};
  if (!picture || !GetObjectA(picture.Get(), sizeof size, &size)) return picture.Release();
  const int width = GetSystemMetrics(SM_CXMENUCHECK), height = GetSystemMetrics(SM_CYMENUCHECK);
  OwnedGdiObject<HBITMAP> mark(CreateBitmap(width, height, 1, 1, nullptr));
  OwnedDc from(CreateCompatibleDC(nullptr)), to(CreateCompatibleDC(nullptr));
  if (!mark || !from || !to) return picture.Release();
  HGDIOBJ oldFrom = SelectObject(from.Get(), picture.Get()), oldTo = SelectObject(to.Get(), mark.Get());
  PatBlt(to.Get(), 0, 0, width, height, WHITENESS);
  BitBlt(to.Get(), (width - size.bmWidth) / 2, (height - size.bmHeight) / 2, size.bmWidth, size.bmHeight, from.Get(),
         0, 0, SRCCOPY);
  // Both bitmaps leave their DCs before the DCs and the picture go.
  SelectObject(from.Get(), oldFrom);
  SelectObject(to.Get(), oldTo);
  return mark.Release();
}

}  // namespace

bool CreateDriveMenu() {
  // Loaded once: a second creation must not load them again.
  if (!menus.Eject) menus.Eject = LoadCheckMark("BitmapEject");
  if (!menus.Close) menus.Close = LoadCheckMark("BitmapClose");
  if (!menus.CurrentSpeed) menus.CurrentSpeed = LoadCheckMark("BitmapCSpeed");
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

constexpr int MenuRowAt96Dpi = 16;

void RebuildDriveMenu(AutorunProbe hasAutorun) {
  if (!menus.Drive) return;
  EmptyMenu(menus.Drive);
  // The rows the work area holds: a menu taller than the screen would need
  // scroll arrows (four drives at 144 DPI on 1024 x 768). A row of a pop-up
  // menu is 16 pixels at 96 DPI and grows with the density.
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  HDC screen = GetDC(nullptr);
  const int row = MulDiv(MenuRowAt96Dpi, GetDeviceCaps(screen, LOGPIXELSY), 96);
  ReleaseDC(nullptr, screen);
  const int rowsThatFit = row > 0 ? (work.bottom - work.top) / row : 0;
  InsertFromBottom(menus.Drive,
                   PlanDriveMenu(Drives, DriveCount, ProgramSettings::Current(), hasAutorun, rowsThatFit));
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
