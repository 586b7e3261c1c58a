// The tray menus as plans: which items, in which order (top to bottom), with
// which command numbers, states, texts and pictures. Built from the drive
// list and the settings; menu_win32.cpp only turns a plan into HMENU calls.
//
// The right mouse button opens the main menu: program commands and one item
// per drive that opens its settings. The left button opens the drive menu:
// for each managed drive its name, eject/close, Open/Explore/Autorun and the
// speeds, in one of three styles (name at the bottom, TopNames, DeepMenu).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "resources/string_ids.h"

struct DriveRecord;
struct ProgramSettings;

enum class MenuItemKind : uint8_t {
  Text,       // a command with a text
  Separator,
  Bitmap,     // a command shown as a picture
  SubMenu,    // a text that opens SubItems
};

// Item states; the values are those of the system's menu flags.
enum MenuItemState : unsigned {
  MenuItemEnabled = 0,
  MenuItemDisabled = 0x2,  // not selectable, drawn as ordinary text
  MenuItemGrayed = 0x3,    // not selectable, drawn grey
  MenuItemChecked = 0x8,
};

// The three pictures of the menus ("BitmapEject", "BitmapClose",
// "BitmapCSpeed").
enum class MenuPicture : uint8_t { None, Eject, Close, CurrentSpeed };

// Where an item's text comes from, which also decides how it is inserted:
// string-table and wide texts through the wide-operation table, ANSI texts
// with the system's ANSI call.
enum class MenuTextForm : uint8_t { None, StringTable, Wide, Ansi };

struct MenuItemPlan {
  MenuItemKind Kind = MenuItemKind::Text;
  unsigned Id = 0;        // command number, 0 for none
  unsigned State = MenuItemEnabled;
  MenuTextForm TextForm = MenuTextForm::None;
  StringId TextId = NoString;  // with StringTable
  std::u16string Wide;    // with Wide
  std::string Ansi;       // with Ansi
  MenuPicture Picture = MenuPicture::None;    // of a Bitmap item
  MenuPicture CheckMark = MenuPicture::None;  // drawn when checked; None = the system's mark
  uintptr_t Data = 0;     // item data (MainMenuDriveItemData on the main menu's drive items)
  // A failed insertion leaves the item out (a sub-menu with its contents,
  // so a drive whose sub-menu cannot be made is left out). In a plain speed
  // list it also leaves out the faster speeds above it.
  bool EndsSpeedListOnFailure = false;
  std::vector<MenuItemPlan> SubItems;  // of a SubMenu item, top to bottom
};

using MenuPlan = std::vector<MenuItemPlan>;

// Position of the first drive item in the main menu; the drive items follow
// one per drive, before the last separator and "Выход".
constexpr int MainMenuFirstDriveItem = 9;

// The whole main menu: the program commands, one item per drive (ignored
// drives too), "Справка" greyed without a help file.
MenuPlan PlanMainMenu(const DriveRecord* drives, int count, bool helpFileExists);

// Whether the autorun file of a drive exists; decides whether "Автозапуск"
// is enabled. Null: never.
using AutorunProbe = bool (*)(const DriveRecord& drive);

// The drive menu: a section per managed drive in list order, in the style
// the settings choose. Empty when every drive is ignored. rowsThatFit is how
// many rows of text the screen holds (a separator is half a row; 0: no
// bound): a flat menu taller than that would need scroll arrows, and shows
// each drive's section as a sub-menu instead, as DeepMenu does.
MenuPlan PlanDriveMenu(const DriveRecord* drives, int count, const ProgramSettings& settings,
                       AutorunProbe hasAutorun, int rowsThatFit = 0);


// The text of an item that goes in through the wide-operation table: its
// string-table text, or its wide label.
[[nodiscard]] std::u16string WideMenuText(const MenuItemPlan& item);

// How a plan goes into a system menu: each item at the top, from the bottom
// item up, so that a failed speed item of a plain list leaves out exactly
// the faster speeds above it. insertOnTop answers false when the item could
// not be inserted.
template <class InsertOnTop>
void InsertBottomUp(const MenuPlan& plan, InsertOnTop insertOnTop) {
  bool skippingSpeeds = false;
  for (auto item = plan.rbegin(); item != plan.rend(); ++item) {
    if (skippingSpeeds && item->EndsSpeedListOnFailure) continue;
    skippingSpeeds = !insertOnTop(*item) && item->EndsSpeedListOnFailure;
  }
}
