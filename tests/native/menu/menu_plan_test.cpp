// The tray menus as plans: each test reads a whole menu as an outline, one
// line per item from top to bottom, sub-menu contents indented.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "commands/command_ids.h"
#include "compat/wide_text.h"
#include "drive/drive.h"
#include "menu/menu_plan.h"
#include "settings/settings_record.h"
#include "tests/common/drive_records.h"

namespace {

// The menus' texts are Latin and Cyrillic: one or two UTF-8 bytes each.
std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) {
    if (c >= 0x80) out += char(0xC0 | c >> 6);
    out += c < 0x80 ? char(c) : char(0x80 | (c & 0x3F));
  }
  return out;
}

std::string TextOf(const MenuItemPlan& item) {
  switch (item.TextForm) {
    case MenuTextForm::StringTable: {
      WideSpan span = FindString(item.TextId);
      return Utf8(std::u16string(span.Text ? span.Text : u"", span.Length));
    }
    case MenuTextForm::Wide: return Utf8(item.Wide);
    case MenuTextForm::Ansi: return item.Ansi;
    case MenuTextForm::None: break;
  }
  return "";
}

// "Text #id state", where id is decimal for fixed commands and hex for
// drive commands; a sub-menu's items follow it, indented.
void Outline(const MenuPlan& plan, int depth, std::string& out) {
  for (const MenuItemPlan& item : plan) {
    out += std::string(2 * depth, ' ');
    if (item.Kind == MenuItemKind::Separator) {
      out += "-";
    } else if (item.Kind == MenuItemKind::Bitmap) {
      out += item.Picture == MenuPicture::Eject ? "<eject>" : item.Picture == MenuPicture::Close ? "<close>" : "<?>";
    } else {
      out += TextOf(item);
    }
    char id[16];
    if (item.Id) {
      std::snprintf(id, sizeof id, IsDriveCommand(item.Id) ? " #%04X" : " #%u", item.Id);
      out += id;
    }
    if ((item.State & MenuItemGrayed) == MenuItemGrayed) {
      out += " grey";
    } else if (item.State & MenuItemDisabled) {
      out += " disabled";
    }
    if (item.State & MenuItemChecked) {
      out += item.CheckMark == MenuPicture::CurrentSpeed ? " current"
             : item.CheckMark == MenuPicture::Eject      ? " checked(eject)"
                                                         : " checked";
    }
    if (item.Data) out += " data=" + std::to_string(item.Data);
    out += "\n";
    Outline(item.SubItems, depth + 1, out);
  }
}

std::string Outline(const MenuPlan& plan) {
  std::string out;
  Outline(plan, 0, out);
  return out;
}

ProgramSettings Defaults() {
  ProgramSettings s;
  s.ResetToDefaults();
  return s;
}

bool AlphaHasAutorun(const DriveRecord& drive) { return drive.ShortName[0] == u'A'; }

}  // namespace

TEST(MainMenu, ProgramCommandsAroundOneItemPerDriveIgnoredDrivesToo) {
  DriveRecord drives[2] = {Drive("KAMIRO CD-ROM CR-4880 1.05", u"KAMIRO", 'D', {}),
                           Drive("ORVEX DVD-RW DW-1640 1.3E", u"ORVEX", 0, {})};
  drives[1].Ignore = 1;
  EXPECT_EQ(Outline(PlanMainMenu(drives, 2, false)),
            "О программе #102\n"
            "Справка #103 grey\n"
            "-\n"
            "Информация #104\n"
            "-\n"
            "Настройки #106\n"
            "Очистить конфигурацию #108\n"
            "-\n"
            "Найти приводы #105\n"
            "KAMIRO CD-ROM CR-4880 1.05 #8000 data=107\n"
            "ORVEX DVD-RW DW-1640 1.3E #8010 data=107\n"
            "-\n"
            "Выход #109\n");
  EXPECT_EQ(PlanMainMenu(nullptr, 0, true)[1].State, MenuItemEnabled);
}

// Two drives of one model: their letters (an address without one) tell them
// apart in both menus; a short name the user chose is shown as it is.
TEST(MainMenu, TwoDrivesOfOneModelAreToldApartByTheirLetters) {
  DriveRecord drives[3] = {Drive("HL DVD 1.00", u"", 'D', {8}), Drive("HL DVD 1.00", u"", 0, {8}),
                           Drive("KAMIRO CD 1.05", u"KAMIRO", 'F', {8})};
  for (int i : {0, 1}) drives[i].AutoShortName[0] = u'H', drives[i].AutoShortName[1] = u'L';
  drives[1].Address.Target = 1;
  const std::string main = Outline(PlanMainMenu(drives, 3, false)), menu = Outline(PlanDriveMenu(drives, 3, Defaults(), nullptr));
  for (const char* line : {"HL DVD 1.00 (D:) #8000", "HL DVD 1.00 (0:1) #8010", "KAMIRO CD 1.05 #8020"})
    EXPECT_NE(main.find(line), std::string::npos) << line << "\n" << main;
  for (const char* line : {"HL (D:) #8001", "HL (0:1) #8011", "KAMIRO #8021"})
    EXPECT_NE(menu.find(line), std::string::npos) << line << "\n" << menu;
  drives[1].ShortName[0] = u'H', drives[1].ShortName[1] = u'L';
  EXPECT_NE(Outline(PlanDriveMenu(drives, 3, Defaults(), nullptr)).find("HL #8011"), std::string::npos);
}

// Four drives whose flat menu is taller than the screen holds: each drive's
// section moves into a sub-menu, as with DeepMenu; one that fits stays flat.
TEST(DriveMenu, TallerThanTheScreenOpensOneSubMenuPerDrive) {
  DriveRecord drives[4] = {Drive("A 1", u"A", 'D', {48, 40, 32, 24, 16, 12, 8, 4}),
                           Drive("B 1", u"B", 'E', {48, 40, 32, 24, 16, 12, 8, 4}),
                           Drive("C 1", u"C", 'F', {16, 12, 8, 6, 4, 2}), Drive("D 1", u"D", 'G', {52, 48, 40, 32, 24})};
  ProgramSettings deep = Defaults();
  deep.DeepMenu = 1;
  const std::string flat = Outline(PlanDriveMenu(drives, 4, Defaults(), nullptr));
  EXPECT_EQ(Outline(PlanDriveMenu(drives, 4, Defaults(), nullptr, 27)), Outline(PlanDriveMenu(drives, 4, deep, nullptr)))
      << "27 rows: 1024 x 768 at 144 DPI";
  EXPECT_EQ(Outline(PlanDriveMenu(drives, 4, Defaults(), nullptr, 60)), flat);
  EXPECT_EQ(Outline(PlanDriveMenu(drives, 1, Defaults(), nullptr, 27)), Outline(PlanDriveMenu(drives, 1, Defaults(), nullptr)));
}

// The defaults: NumNames, EjectSingle, Explore and Autorun on. A drive
// without a letter has no Open/Explore/Autorun block, an empty list no speed
// block, an ignored drive no section; two separators part the sections. A
// DVD list counts in DVD units with a capital X.
TEST(DriveMenu, DefaultStyleShowsSpeedsThenActionsThenTheNameThatEjects) {
  DriveRecord drives[4] = {Drive("ALPHA CD 1.0", u"ALPHA", 'D', {48, 32, 8}),
                           Drive("HIDDEN CD 1.0", u"HIDDEN", 'E', {24}),
                           Drive("BETA DVD 1.0", u"BETA", 0, {16, 8}, RangeKindDVD),
                           Drive("GAMMA DVD 1.0", u"GAMMA", 'G', {})};
  drives[1].Ignore = 1;
  drives[2].RangeDVD.Entries[1].Speed = 11072;  // 7.99X
  drives[3].Ready = 0;
  EXPECT_EQ(Outline(PlanDriveMenu(drives, 4, Defaults(), AlphaHasAutorun)),
            "48x #800C\n32x #810C\n8x #820C\n"
            "-\n"
            "Автозапуск #800B\n"
            "Проводник #800A\n"
            "-\n"
            "ALPHA #8001 checked(eject)\n"
            "-\n-\n"
            "16X #802C\n8X #812C\n"
            "-\n"
            "BETA #8021 checked(eject)\n"
            "-\n-\n"
            "Автозапуск #803B grey\n"
            "Проводник #803A grey\n"
            "-\n"
            "GAMMA #8031 checked(eject)\n");

  for (DriveRecord& d : drives) d.Ignore = 1;
  EXPECT_TRUE(PlanDriveMenu(drives, 4, Defaults(), AlphaHasAutorun).empty());
  EXPECT_EQ(SpeedText("", 1234 * SpeedUnitCD, false), "234x");  // three digits at most
}

TEST(DriveMenu, SeparateEjectAndCloseInEachOfTheThreeStyles) {
  DriveRecord drive = Drive("ALPHA CD 1.0", u"ALPHA", 'D', {48, 8});
  drive.Ready = 0;
  ProgramSettings s = Defaults();
  s.EjectSingle = 0;
  s.CmdOpen = 1;
  s.NumNames = 0;  // full names
  const std::string actions =
      "-\n"
      "Автозапуск #800B grey\n"
      "Проводник #800A grey\n"
      "Открыть #8009 grey\n"
      "-\n"
      "<eject> #8001\n"
      "<close> #8002\n";
  EXPECT_EQ(Outline(PlanDriveMenu(&drive, 1, s, nullptr)),
            "48x #800C\n8x #810C\n" + actions + "-\nALPHA CD 1.0 disabled\n");
  s.TopNames = 1;
  EXPECT_EQ(Outline(PlanDriveMenu(&drive, 1, s, nullptr)),
            "ALPHA CD 1.0 grey\n-\n48x #800C\n8x #810C\n" + actions);
  s.DeepMenu = 1;  // wins over TopNames
  s.NumNames = 1;
  EXPECT_EQ(Outline(PlanDriveMenu(&drive, 1, s, nullptr)),
            "ALPHA\n  48x #800C\n  8x #810C\n"
            "  -\n  Автозапуск #800B grey\n  Проводник #800A grey\n  Открыть #8009 grey\n"
            "  -\n  <eject> #8001\n  <close> #8002\n");
  // Deep, with the name-that-ejects style: the sub-menu has no name or
  // eject item at its bottom, only the eject picture.
  s = Defaults();
  s.DeepMenu = 1;
  EXPECT_EQ(Outline(PlanDriveMenu(&drive, 1, s, nullptr)),
            "ALPHA\n  48x #800C\n  8x #810C\n"
            "  -\n  Автозапуск #800B grey\n  Проводник #800A grey\n"
            "  -\n  <eject> #8001\n");
}

// 52 48 44 40 32 24 20 16 8 4x: each group of ten shows its slowest speed,
// the rest hang in ">N0x" sub-menus above a separator. Selected 24x marks its
// group with the ordinary check; the current 44x marks its group with the
// "current" picture.
TEST(DriveMenu, GroupsSpeedsByTensWithMarksCarriedToTheirGroup) {
  DriveRecord drive = Drive("ALPHA CD 1.0", u"ALPHA", 0, {52, 48, 44, 40, 32, 24, 20, 16, 8, 4});
  drive.ShortMenu = 1;
  drive.RangeCD.Selected = 24 * SpeedUnitCD;
  drive.CurrentSpeed = 44 * SpeedUnitCD + 100;  // compared in whole CD units
  EXPECT_EQ(Outline(PlanDriveMenu(&drive, 1, Defaults(), nullptr)),
            ">40x current\n"
            "  48x #810C\n"
            "  44x #820C current\n"
            ">20x checked\n"
            "  24x #850C checked\n"
            "-\n"
            "52x #800C\n"
            "40x #830C\n"
            "32x #840C\n"
            "20x #860C\n"
            "16x #870C\n"
            "8x #880C\n"
            "4x #890C\n"
            "-\n"
            "ALPHA #8001 checked(eject)\n");

  // Selected and current on the same speed: the ordinary check.
  drive.CurrentSpeed = 40 * SpeedUnitCD;
  drive.RangeCD.Selected = 40 * SpeedUnitCD;
  MenuPlan plan = PlanDriveMenu(&drive, 1, Defaults(), nullptr);
  EXPECT_EQ(Outline({plan[4]}), "40x #830C checked\n");
  EXPECT_EQ(Outline({plan[0]}), ">40x\n  48x #810C\n  44x #820C\n");

  // A DVD groups by tens of the DVD unit: 18X, 16X and 12X are one group.
  DriveRecord dvd = Drive("BETA DVD 1.0", u"BETA", 0, {18, 16, 12, 8}, RangeKindDVD);
  dvd.ShortMenu = 1;
  EXPECT_EQ(Outline(PlanDriveMenu(&dvd, 1, Defaults(), nullptr)),
            ">10X\n  16X #810C\n-\n18X #800C\n12X #820C\n8X #830C\n-\nBETA #8001 checked(eject)\n");

  // Every speed in a group of its own: a flat list, no separator, no sub-menu.
  DriveRecord flat = Drive("ALPHA CD 1.0", u"ALPHA", 0, {52, 40, 32, 24, 16, 8, 4, 2, 1});
  flat.ShortMenu = 1;
  EXPECT_EQ(Outline(PlanDriveMenu(&flat, 1, Defaults(), nullptr)),
            "52x #800C\n40x #810C\n32x #820C\n24x #830C\n16x #840C\n8x #850C\n4x #860C\n2x #870C\n1x #880C\n"
            "-\n"
            "ALPHA #8001 checked(eject)\n");
}

// Sixteen drives of 128 speeds, counts beyond the list: every speed of
// every drive once, with its own command, none past the list.
TEST(DriveMenu, FullDriveListStaysBoundedAndEveryCommandIsDistinct) {
  static DriveRecord drives[MaxDrives + 1];
  for (int i = 0; i <= MaxDrives; ++i) {
    drives[i] = Drive("OMEGA CD 1.0", u"OMEGA", char('D' + i), {});
    for (int k = 0; k < MaxSpeedEntries; ++k) drives[i].RangeCD.Entries[k] = {uint32_t(1000 - 7 * k) * 100, 0};
    drives[i].RangeCD.Count = i % 2 ? MaxSpeedEntries : 5000;
    drives[i].ShortMenu = i % 3 == 0;
  }
  std::set<unsigned> ids;
  size_t speedItems = 0;
  auto collect = [&](const MenuPlan& plan, auto& self) -> void {
    for (const MenuItemPlan& item : plan) {
      if (IsDriveCommand(item.Id) && DriveCommandAction(item.Id) == DA_SET_SPEED) {
        ++speedItems;
        EXPECT_TRUE(ids.insert(item.Id).second) << std::hex << item.Id;
        EXPECT_LT(DriveCommandIndex(item.Id), unsigned(MaxDrives));
      }
      self(item.SubItems, self);
    }
  };
  collect(PlanDriveMenu(drives, MaxDrives + 1, Defaults(), nullptr), collect);
  EXPECT_EQ(speedItems, size_t(MaxDrives) * MaxSpeedEntries);
  EXPECT_EQ(PlanMainMenu(drives, MaxDrives + 1, true).size(), 11u + MaxDrives);
}
