// The drive settings dialog opened for real on a record, its controls used
// as the user would (button clicks, typing into the focused edit), and the
// record read after OK or Cancel. Both rows run it.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "dialogs/dialogs.h"
#include "dialogs/drive_settings.h"
#include "settings/settings_record.h"
#include "win32/dialogs/run_with_win32.h"

using dialog_test::RunWith;

namespace {

void Click(HWND dialog, int id) { SendDlgItemMessageA(dialog, id, BM_CLICK, 0, 0); }
bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
int Items(HWND dialog, int id) { return int(SendDlgItemMessageA(dialog, id, LVM_GETITEMCOUNT, 0, 0)); }
// Types into an edit that has the focus, as the keyboard does.
void Type(HWND dialog, int id, const char* text) {
  HWND edit = GetDlgItem(dialog, id);
  SetFocus(edit);
  for (const char* c = text; *c != '\0'; ++c) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(*c), 1);
}
std::string Text(HWND dialog, int id) {
  char text[64] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

DriveRecord FullDrive() {
  DriveRecord drive{};
  std::strcpy(drive.FullName, "KAMIRO CD-ROM CR-4880 1.05");
  drive.EventMask = 0x3F;     // 0x04 and 0x20 have no box
  drive.Timer = 900000;       // "15 минут"
  for (SpeedRange* range : {&drive.RangeCD, &drive.RangeDVD}) {
    range->Count = MaxSpeedEntries;
    range->Valid = 1;
    for (uint32_t i = 0; i < MaxSpeedEntries; ++i) range->Entries[i] = {65000 - 176 * i, 65000 - 176 * i};
  }
  return drive;
}

TEST(DriveSettingsDialog, FullListsRefuseAdditionsAndOkKeepsWhatHasNoBox) {
  ProgramSettings::Current().ResetToDefaults();
  ProgramSettings::Current().TimerEnable = 0;
  DriveRecord drive = FullDrive();
  char lock[PasswordHashSize] = "";
  bool timerRadioEnabled = true, dvdRadioEnabled = true;
  int itemsAfterAdd = 0;
  int result = RunWith(
      [&](HWND dialog) {
        dialog_test::ExpectCleanLayout(dialog);
        timerRadioEnabled = IsWindowEnabled(GetDlgItem(dialog, DriveId::TimerRadioFirst + 6)) != FALSE;
        dvdRadioEnabled = IsWindowEnabled(GetDlgItem(dialog, DriveId::DvdListRadio)) != FALSE;
        EXPECT_TRUE(IsChecked(dialog, DriveId::TimerRadioFirst + 6)) << "the radio of 15 minutes";
        Type(dialog, DriveId::SpeedTimesEdit, "8");
        Type(dialog, DriveId::CommandTimesEdit, "8");
        Click(dialog, DriveId::AddButton);  // "Добавить" on a list of 128
        itemsAfterAdd = Items(dialog, DriveId::CdList);
        Click(dialog, IDOK);
      },
      [&] { return ShowDriveSettingsDialog(nullptr, &drive, lock); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(itemsAfterAdd, 128) << "a 129th entry is refused";
  EXPECT_EQ(drive.RangeCD.Count, 128u);
  EXPECT_EQ(drive.RangeDVD.Count, 128u);
  EXPECT_EQ(drive.RangeCD.Entries[127].Speed, 65000u - 176 * 127);
  EXPECT_FALSE(timerRadioEnabled) << "the timer radios need the main timer";
  EXPECT_FALSE(dvdRadioEnabled) << "a drive without DVD bits has no DVD list";
  EXPECT_EQ(drive.Timer, 900000) << "a disabled radio keeps its choice";
  EXPECT_EQ(drive.EventMask, 0x1B) << "bits without a box are dropped";
}

TEST(DriveSettingsDialog, TypedSpeedReplacesItsStepAndCancelLeavesTheRecord) {
  ProgramSettings::Current().ResetToDefaults();
  DriveRecord drive{};
  std::strcpy(drive.FullName, "KAMIRO CD-ROM CR-4880 1.05");
  drive.RangeCD.Count = 3;
  drive.RangeCD.Entries[0] = {8467, 8467};
  drive.RangeCD.Entries[1] = {1411, 1411};
  drive.RangeCD.Entries[2] = {706, 706};
  const DriveRecord before = drive;
  char lock[PasswordHashSize] = "";
  std::string kilobytes, timesBack;
  int items = 0;
  uint32_t second = 0;
  for (int button : {IDCANCEL, IDOK}) {
    int result = RunWith(
        [&](HWND dialog) {
          Type(dialog, DriveId::SpeedTimesEdit, "8");
          kilobytes = Text(dialog, DriveId::SpeedKbEdit);
          Type(dialog, DriveId::CommandKbEdit, "1408");
          timesBack = Text(dialog, DriveId::CommandTimesEdit);
          Type(dialog, DriveId::SpeedKbEdit, "x");  // a number field: the letter is not taken
          EXPECT_EQ(Text(dialog, DriveId::SpeedKbEdit), "1408");
          SetFocus(GetDlgItem(dialog, DriveId::SpeedKbEdit));
          SetDlgItemTextA(dialog, DriveId::SpeedKbEdit, "1408");
          Click(dialog, DriveId::AddButton);
          items = Items(dialog, DriveId::CdList);
          LVITEMA item{};
          item.mask = LVIF_PARAM;
          item.iItem = 1;
          SendDlgItemMessageA(dialog, DriveId::CdList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
          second = static_cast<uint32_t>(item.lParam);
          Click(dialog, button);
        },
        [&] { return ShowDriveSettingsDialog(nullptr, &drive, lock); });
    EXPECT_EQ(result, button == IDOK ? 1 : 0);
    EXPECT_EQ(kilobytes, "1408") << "8 in the speed field";
    EXPECT_EQ(timesBack, "8") << "1408 kB/s as a multiple";
    EXPECT_EQ(items, 3) << "1408 replaces 1411: one entry per 176 kB/s step";
    EXPECT_EQ(second, 1408u << 16 | 1408u);
    if (button == IDCANCEL) {
      EXPECT_EQ(std::memcmp(&drive.RangeCD, &before.RangeCD, sizeof drive.RangeCD), 0) << "Cancel changes nothing";
      EXPECT_EQ(drive.EventMask, before.EventMask);
    } else {
      EXPECT_EQ(drive.RangeCD.Entries[1].Speed, 1408u);
      EXPECT_EQ(drive.RangeCD.Valid, 1);
    }
  }
}

}  // namespace
