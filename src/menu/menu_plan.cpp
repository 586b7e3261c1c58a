#include "menu/menu_plan.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "commands/command_ids.h"
#include "common/format_text.h"
#include "compat/wide_text.h"
#include "drive/drive.h"
#include "settings/settings_record.h"

namespace {

MenuItemPlan Separator() {
  MenuItemPlan item;
  item.Kind = MenuItemKind::Separator;
  return item;
}

MenuItemPlan TableText(unsigned id, StringId textId, unsigned state = MenuItemEnabled) {
  MenuItemPlan item;
  item.Id = id;
  item.State = state;
  item.TextForm = MenuTextForm::StringTable;
  item.TextId = textId;
  return item;
}

MenuItemPlan Picture(unsigned id, MenuPicture picture) {
  MenuItemPlan item;
  item.Kind = MenuItemKind::Bitmap;
  item.Id = id;
  item.Picture = picture;
  return item;
}

// FullName as stored, never read past its field.
std::string FullNameOf(const DriveRecord& drive) {
  return std::string(drive.FullName, strnlen(drive.FullName, sizeof drive.FullName));
}

// FullName, with the AddressSuffix where another of the drives has the same.
std::string DistinctFullName(const DriveRecord* drives, int count, int index) {
  std::string full = FullNameOf(drives[index]);
  for (int j = 0; j < count; ++j) {
    if (j == index || FullNameOf(drives[j]) != full) continue;
    char suffix[AddressSuffixLength + 1];
    AddressSuffix(drives[index], suffix);
    return full + suffix;
  }
  return full;
}

// The drive's label: its shown short name with NumNames, else its full name
// converted from the ANSI code page.
std::u16string DriveLabel(const DriveRecord* drives, int count, int index, const ProgramSettings& settings) {
  if (settings.NumNames) {
    char16_t name[ShownNameLength + 1];
    ShownName(drives, count, index, name);
    return name;
  }
  std::string full = DistinctFullName(drives, count, index);
  std::u16string wide(full.size() + 1, u'\0');  // one unit per byte at most
  AppendAnsi(wide.data(), full.c_str());
  return wide.c_str();
}

MenuItemPlan Labelled(MenuItemPlan item, const std::u16string& label) {
  item.TextForm = MenuTextForm::Wide;
  item.Wide = label;
  return item;
}

uint32_t SpeedUnit(const DriveRecord& drive) { return drive.DvdActive() ? SpeedUnitDVD : SpeedUnitCD; }

// The number shown for a speed divided by 10: 0 for speeds shown below 10.
unsigned SpeedGroup(uint32_t speed, uint32_t unit) { return UnitMultiple(speed, unit) / 10; }

// The selected speed is the user's choice (0 = none); the current one is
// compared in whole CD units whichever list is active.
bool IsSelected(const SpeedRange& range, const SpeedEntry& entry) {
  return range.Selected != 0 && entry.Speed == range.Selected;
}
bool IsCurrent(const DriveRecord& drive, const SpeedEntry& entry) {
  return entry.Speed / SpeedUnitCD == drive.CurrentSpeed / SpeedUnitCD;
}

// Checked when selected or current; the current speed alone shows the
// "current" picture instead of the ordinary check mark.
void Mark(MenuItemPlan& item, bool selected, bool current) {
  if (selected || current) item.State |= MenuItemChecked;
  if (current && !selected) item.CheckMark = MenuPicture::CurrentSpeed;
}

MenuItemPlan SpeedItem(const DriveRecord& drive, int driveIndex, int k) {
  const SpeedRange& range = drive.Active();
  const SpeedEntry& entry = range.Entries[k];
  MenuItemPlan item;
  item.Id = DriveCommand(unsigned(driveIndex), DA_SET_SPEED, unsigned(k));
  item.TextForm = MenuTextForm::Ansi;
  item.Ansi = SpeedText("", entry.Speed, drive.DvdActive());
  Mark(item, IsSelected(range, entry), IsCurrent(drive, entry));
  return item;
}

// The drive menu is built from the bottom up: each drive's section from its
// bottom item to its top, the last drive first, every item going on top of
// what its list holds so far, so a speed list reads fastest on top and the
// first drive ends at the top of the menu. The lists here grow upwards
// (push_back stands for "insert at the top") and are turned top to bottom at
// the end.
using UpwardList = std::vector<MenuItemPlan>;

void PutOnTop(UpwardList& list, MenuItemPlan item) { list.push_back(std::move(item)); }

void TurnTopToBottom(UpwardList& list) {
  std::reverse(list.begin(), list.end());
  for (MenuItemPlan& item : list) TurnTopToBottom(item.SubItems);
}

// Without grouping: one item per entry, the fastest on top. A failed
// insertion ends the list there.
void PutPlainSpeeds(UpwardList& target, const DriveRecord& drive, int driveIndex) {
  for (int k = int(EntryCount(drive.Active())) - 1; k >= 0; --k) {
    MenuItemPlan item = SpeedItem(drive, driveIndex, k);
    item.EndsSpeedListOnFailure = true;
    PutOnTop(target, std::move(item));
  }
}

// With grouping: each group of ten shows its slowest entry in the list, the
// fastest entry always shows, and the other entries of a group go into a
// sub-menu ">N0x" above a separator. Failed insertions are ignored.
void PutGroupedSpeeds(UpwardList& target, const DriveRecord& drive, int driveIndex) {
  const SpeedRange& range = drive.Active();
  const int count = int(EntryCount(range));
  const uint32_t unit = SpeedUnit(drive);

  bool collapsed = false;
  unsigned lastGroup = 0;
  for (int k = count - 1; k >= 0; --k) {
    unsigned group = SpeedGroup(range.Entries[k].Speed, unit);
    if (group == 0 || group != lastGroup || k == 0) {
      PutOnTop(target, SpeedItem(drive, driveIndex, k));
      lastGroup = group;
    } else {
      collapsed = true;
    }
  }
  if (!collapsed) return;
  PutOnTop(target, Separator());

  unsigned previous = 0;
  MenuItemPlan groupItem;
  bool open = false, anySelected = false, anyCurrent = false;
  auto putOpenGroup = [&] {
    if (!open) return;
    groupItem.Kind = MenuItemKind::SubMenu;
    groupItem.TextForm = MenuTextForm::Ansi;
    groupItem.Ansi = SpeedText(">", previous * unit * 10, drive.DvdActive());
    Mark(groupItem, anySelected, anyCurrent);
    PutOnTop(target, std::move(groupItem));
    groupItem = MenuItemPlan();
    open = anySelected = anyCurrent = false;
  };
  for (int k = count - 1; k >= 0; --k) {
    unsigned group = SpeedGroup(range.Entries[k].Speed, unit);
    if (group == 0 || k == 0) continue;
    if (group == previous) {
      // The representative of this group is already in the list.
      open = true;
      PutOnTop(groupItem.SubItems, SpeedItem(drive, driveIndex, k));
      anySelected |= IsSelected(range, range.Entries[k]);
      anyCurrent |= IsCurrent(drive, range.Entries[k]);
    } else {
      putOpenGroup();
      previous = group;
    }
  }
  putOpenGroup();
}

// One drive's section, steps from the bottom of the section up.
void PutDriveSection(UpwardList& target, const DriveRecord& drive, int i, const std::u16string& label,
                     const ProgramSettings& settings, AutorunProbe hasAutorun) {
  const bool deep = settings.DeepMenu != 0;
  const bool topNames = settings.TopNames != 0;
  const bool ejectSingle = settings.EjectSingle != 0;

  // The name at the bottom: with EjectSingle it is also the eject/close
  // item, with the eject picture as its check mark.
  const bool bottomHeader = !deep && !topNames;
  if (bottomHeader) {
    MenuItemPlan header;
    if (ejectSingle) {
      header.Id = DriveCommand(unsigned(i), DA_EJECT);
      header.State = MenuItemChecked;
      header.CheckMark = MenuPicture::Eject;
    } else {
      header.State = MenuItemDisabled;
    }
    PutOnTop(target, Labelled(std::move(header), label));
  }

  if (deep || topNames || !ejectSingle) {
    if (bottomHeader) PutOnTop(target, Separator());
    if (!ejectSingle) PutOnTop(target, Picture(DriveCommand(unsigned(i), DA_CLOSE), MenuPicture::Close));
    PutOnTop(target, Picture(DriveCommand(unsigned(i), DA_EJECT), MenuPicture::Eject));
  }

  if (drive.Address.Letter != 0 && (settings.CmdOpen || settings.CmdExplore || settings.CmdAutorun)) {
    PutOnTop(target, Separator());
    const unsigned needsDisc = drive.Ready ? MenuItemEnabled : MenuItemGrayed;
    if (settings.CmdOpen) PutOnTop(target, TableText(DriveCommand(unsigned(i), DA_OPEN), StrOpen, needsDisc));
    if (settings.CmdExplore)
      PutOnTop(target, TableText(DriveCommand(unsigned(i), DA_EXPLORE), StrExplore, needsDisc));
    if (settings.CmdAutorun) {
      const bool runnable = hasAutorun && hasAutorun(drive);
      PutOnTop(target, TableText(DriveCommand(unsigned(i), DA_AUTORUN), StrAutorun,
                                 runnable ? MenuItemEnabled : MenuItemGrayed));
    }
  }

  if (EntryCount(drive.Active()) != 0) {
    PutOnTop(target, Separator());
    if (drive.ShortMenu)
      PutGroupedSpeeds(target, drive, i);
    else
      PutPlainSpeeds(target, drive, i);
  }

  if (!deep && topNames) {
    PutOnTop(target, Separator());
    MenuItemPlan header;
    header.State = MenuItemGrayed;
    PutOnTop(target, Labelled(std::move(header), label));
  }
}

}  // namespace

std::u16string WideMenuText(const MenuItemPlan& item) {
  if (item.TextForm != MenuTextForm::StringTable) return item.Wide;
  WideSpan span = FindString(item.TextId);
  return std::u16string(span.Text ? span.Text : u"", span.Length);
}

MenuPlan PlanMainMenu(const DriveRecord* drives, int count, bool helpFileExists) {
  MenuPlan menu;
  menu.push_back(TableText(ID_ABOUT, StrAbout));
  menu.push_back(TableText(ID_HELP, StrHelp, helpFileExists ? MenuItemEnabled : MenuItemGrayed));
  menu.push_back(Separator());
  menu.push_back(TableText(ID_INFO, StrInformation));
  menu.push_back(Separator());
  menu.push_back(TableText(ID_SETTINGS, StrSettings));
  menu.push_back(TableText(ID_CLEAR_CONFIG, StrClearConfiguration));
  menu.push_back(Separator());
  menu.push_back(TableText(ID_FIND_DRIVES, StrFindDrives));
  // Ignored drives too: their item opens the settings that un-ignore them.
  for (int i = 0; i < std::min(count, MaxDrives); ++i) {
    MenuItemPlan item;
    item.Id = DriveCommand(unsigned(i), DA_SETTINGS);
    item.TextForm = MenuTextForm::Ansi;
    item.Ansi = DistinctFullName(drives, std::min(count, MaxDrives), i);
    item.Data = MainMenuDriveItemData;
    menu.push_back(std::move(item));
  }
  menu.push_back(Separator());
  menu.push_back(TableText(ID_EXIT, StrExit));
  return menu;
}

MenuPlan PlanDriveMenu(const DriveRecord* drives, int count, const ProgramSettings& settings,
                       AutorunProbe hasAutorun, int rowsThatFit) {
  UpwardList menu;
  bool placed = false;
  // From the last drive to the first, so that the first ends on top.
  for (int i = std::min(count, MaxDrives) - 1; i >= 0; --i) {
    const DriveRecord& drive = drives[i];
    if (drive.Ignore) continue;
    const std::u16string label = DriveLabel(drives, std::min(count, MaxDrives), i, settings);
    if (settings.DeepMenu) {
      MenuItemPlan item;
      item.Kind = MenuItemKind::SubMenu;
      PutDriveSection(item.SubItems, drive, i, label, settings, hasAutorun);
      PutOnTop(menu, Labelled(std::move(item), label));
    } else {
      // Two separators between this drive's section and the next one's.
      if (placed) {
        PutOnTop(menu, Separator());
        PutOnTop(menu, Separator());
      }
      PutDriveSection(menu, drive, i, label, settings, hasAutorun);
    }
    placed = true;
  }
  TurnTopToBottom(menu);
  if (rowsThatFit > 0 && !settings.DeepMenu) {
    int halfRows = 0;
    for (const MenuItemPlan& item : menu) halfRows += item.Kind == MenuItemKind::Separator ? 1 : 2;
    if (halfRows > 2 * rowsThatFit) {
      ProgramSettings deep = settings;
      deep.DeepMenu = 1;
      return PlanDriveMenu(drives, count, deep, hasAutorun);
    }
  }
  return menu;
}
