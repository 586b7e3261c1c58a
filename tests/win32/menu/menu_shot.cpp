// Shows one tray menu, as the program does, for a screenshot (shoot_menus.sh):
//   menu_shot.exe STYLE REPORT
// STYLE: main, default, separate, topnames, deepmenu or grouped. Two virtual
// drives: a 48x CD reader with a disc, a selected and a current speed, and a
// DVD writer without a disc whose short name is Cyrillic. Once the menu is up
// (with "grouped" and "deepmenu" also the first sub-menu), REPORT gets one
// line "shown N items at L,T,R,B"; the menu closes by itself after 4 s.
// "separate" rests the pointer on the first drive's close item,
// "separate-eject" on its eject item; the line then adds how many pixels of
// that highlighted item are neither the highlight nor its text colour.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "commands/command_ids.h"
#include "compat/compat.h"
#include "drive/drive.h"
#include "menu/menu_win32.h"
#include "settings/settings_record.h"
#include "tests/common/drive_records.h"

namespace {

const char* reportPath;
bool openFirstSubMenu;
unsigned hoverCommand;  // the item the pointer rests on, 0 for none
int ticks;

// Pixels of the item's rectangle on the screen in neither highlight colour.
int OffColourPixels(const RECT& item) {
  HDC screen = GetDC(nullptr);
  const COLORREF back = GetSysColor(COLOR_HIGHLIGHT), ink = GetSysColor(COLOR_HIGHLIGHTTEXT);
  int count = 0;
  for (LONG y = item.top; y < item.bottom; ++y)
    for (LONG x = item.left; x < item.right; ++x) {
      const COLORREF pixel = GetPixel(screen, x, y);
      count += pixel != back && pixel != ink;
    }
  ReleaseDC(nullptr, screen);
  return count;
}

void UseDrives(bool grouped) {
  if (grouped) {
    Drives[0] = Drive("KAMIRO CD-ROM CR-4880 1.05", u"KAMIRO", 'D', {52, 48, 44, 40, 32, 24, 20, 16, 8, 4});
    Drives[0].ShortMenu = 1;
    Drives[0].CurrentSpeed = 44 * SpeedUnitCD;
  } else {
    Drives[0] = Drive("KAMIRO CD-ROM CR-4880 1.05", u"KAMIRO", 'D', {48, 40, 32, 24, 16, 8, 4});
    Drives[0].CurrentSpeed = 48 * SpeedUnitCD;
  }
  Drives[0].RangeCD.Selected = 24 * SpeedUnitCD;
  Drives[1] = Drive("ORVEX DVD-RW DW-1640 1.3E", u"Пишущий", 'E', {16, 12, 8, 4, 2}, RangeKindDVD);
  Drives[1].Ready = 0;  // no disc: its disc items greyed
  DriveCount = 2;
}

// Runs inside the menu's loop every 100 ms.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  ++ticks;
  HWND popup = FindWindowA("#32768", nullptr);
  if (ticks == 3 && popup && openFirstSubMenu) {
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
  }
  HMENU menu = popup ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
  RECT hovered = {};
  for (int i = 0; menu && hoverCommand != 0 && i < GetMenuItemCount(menu); ++i)
    if (GetMenuItemID(menu, i) == hoverCommand) GetMenuItemRect(nullptr, menu, i, &hovered);
  if (ticks == 3 && !IsRectEmpty(&hovered))
    SetCursorPos((hovered.left + hovered.right) / 2, (hovered.top + hovered.bottom) / 2);
  if (ticks == 10 && popup) {
    RECT r;
    GetWindowRect(popup, &r);
    if (FILE* f = fopen(reportPath, "w")) {
      fprintf(f, "shown %d items at %ld,%ld,%ld,%ld", GetMenuItemCount(menu), r.left, r.top, r.right, r.bottom);
      if (!IsRectEmpty(&hovered)) fprintf(f, ", highlighted item: %d pixels off its colours", OffColourPixels(hovered));
      fprintf(f, "\n");
      fclose(f);
    }
  }
  if (ticks == 40) EndMenu();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const char* style = argv[1];
  reportPath = argv[2];
  InitCompatLayer();
  if (!CreateMainMenu() || !CreateDriveMenu()) return 1;

  ProgramSettings& settings = ProgramSettings::Current();
  settings.ResetToDefaults();
  if (!strcmp(style, "separate")) settings.EjectSingle = 0, hoverCommand = DriveCommand(0, DA_CLOSE);
  if (!strcmp(style, "separate-eject")) settings.EjectSingle = 0, hoverCommand = DriveCommand(0, DA_EJECT);
  if (!strcmp(style, "topnames")) settings.EjectSingle = 0, settings.TopNames = 1, settings.CmdOpen = 1;
  if (!strcmp(style, "deepmenu")) settings.DeepMenu = 1;
  openFirstSubMenu = !strcmp(style, "grouped") || !strcmp(style, "deepmenu");
  UseDrives(!strcmp(style, "grouped") || !strcmp(style, "deepmenu"));

  HWND owner = CreateWindowExA(0, "STATIC", "Varnel", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
  // Where a tray icon sits: the lower right of the desktop.
  SetCursorPos(980, 740);
  SetTimer(nullptr, 0, 100, Tick);
  if (!strcmp(style, "main"))
    ShowMainMenu(owner, true);
  else
    ShowDriveMenu(owner, [](const DriveRecord& drive) { return drive.Ready != 0; });
  DestroyMenus();
  DestroyWindow(owner);
  return 0;
}
