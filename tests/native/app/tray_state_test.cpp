#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app.h"
#include "app/tray_state.h"
#include "common/drive_records.h"
#include "drive/drive.h"
#include "settings/settings_record.h"

namespace {
// A drive as the tip shows it: its short name, speed and disc state.
DriveRecord TipDrive(const char16_t* shortName, uint32_t speed, int ready, int mediumType) {
  DriveRecord d = Drive("", shortName, 0, {});
  d.CurrentSpeed = speed;
  d.Ready = ready;
  d.MediumType = mediumType;
  return d;
}
std::u16string Tip(const TrayView& view) { return view.Tip; }
}  // namespace

TEST(TrayTip, ListsEveryManagedDriveWithSpeedAndDiscState) {
  DriveRecord drives[3] = {TipDrive(u"ALPHA", 8 * 176, 1, 0x01), TipDrive(u"HIDDEN", 0, 1, 0x01),
                           TipDrive(u"BETA", 24 * 176, 0, MediumDoorOpen)};
  drives[1].Ignore = 1;
  TrayView view = BuildTrayView(drives, 3);
  EXPECT_EQ(Tip(view), u"ALPHA 8x(DATA) BETA 24x(OPEN) ");
  EXPECT_EQ(view.DiscCount, 1);  // the ignored drive is not counted
  EXPECT_EQ(view.OpenTrayCount, 1);

  EXPECT_EQ(Tip(BuildTrayView(drives, 0)), u"Varnel 3.2");
}

TEST(TrayTip, SpeedsRoundInTheUnitOfTheActiveListAndWordsFollowTheState) {
  DriveRecord dvd = TipDrive(u"D", 2770, 1, 0x01);
  dvd.ActiveRange = RangeKindDVD;
  EXPECT_EQ(Tip(BuildTrayView(&dvd, 1)), u"D 2X(DVD) ");
  dvd.CurrentSpeed = 11072;  // 7.99 x 1385: rounded, not cut
  EXPECT_EQ(Tip(BuildTrayView(&dvd, 1)), u"D 8X(DVD) ");
  DriveRecord cd = TipDrive(u"C", 40 * 176 + 16, 1, 0x01);
  EXPECT_EQ(Tip(BuildTrayView(&cd, 1)), u"C 40x(DATA) ");
  cd.CurrentSpeed = 2 * 176 - 1;
  EXPECT_EQ(Tip(BuildTrayView(&cd, 1)), u"C 2x(DATA) ");
  DriveRecord empty = TipDrive(u"E", 0, 0, MediumNoDisc);
  EXPECT_EQ(Tip(BuildTrayView(&empty, 1)), u"E 0x ");
  DriveRecord playing = TipDrive(u"P", 176, 1, 0x02);
  playing.AudioStatus = AudioPlaying;
  EXPECT_EQ(Tip(BuildTrayView(&playing, 1)), u"P 1x(PLAY) ");
  playing.AudioStatus = AudioPaused;
  EXPECT_EQ(Tip(BuildTrayView(&playing, 1)), u"P 1x(PAUSE) ");
  playing.AudioStatus = 0;
  EXPECT_EQ(Tip(BuildTrayView(&playing, 1)), u"P 1x(AUDIO) ");
  DriveRecord unnamed = TipDrive(u"", 176, 1, 0x01);
  for (int i = 0; i < 3; ++i) unnamed.AutoShortName[i] = u"KAM"[i];
  EXPECT_EQ(Tip(BuildTrayView(&unnamed, 1)), u"KAM 1x(DATA) ");
}

TEST(TrayTip, StopsAtTheFirstDriveThatDoesNotFitAndNeverOutgrowsItsBuffer) {
  DriveRecord drives[5] = {TipDrive(u"AAAAAAAAAA", 1408, 1, 1), TipDrive(u"BBBBBBBBBB", 1408, 1, 1),
                           TipDrive(u"CCCCCCCCCC", 1408, 1, 1), TipDrive(u"D", 1408, 1, 1),
                           TipDrive(u"EEEEEEEEEE", 1408, 0, MediumDoorOpen)};
  TrayView view = BuildTrayView(drives, 5);
  // The third drive's name fits but its word does not; nothing after it.
  EXPECT_EQ(Tip(view), u"AAAAAAAAAA 8x(DATA) BBBBBBBBBB 8x(DATA) CCCCCCCCCC 8x");
  EXPECT_EQ(view.DiscCount, 4);  // counted whether or not their text fits
  EXPECT_EQ(view.OpenTrayCount, 1);

  DriveRecord many[MaxDrives];
  for (DriveRecord& d : many) d = TipDrive(u"X", 0xFFFFFFFFu, 1, 1);
  EXPECT_LT(Tip(BuildTrayView(many, MaxDrives)).size(), size_t(TrayTipLength));
}

// Two drives of one model show their letters (an address without one); a
// short name the user chose stays as it is; ignored drives do not count.
TEST(TrayTip, DrivesOfOneModelAreToldApart) {
  DriveRecord drives[4] = {TipDrive(u"", 8 * 176, 1, 1), TipDrive(u"", 0, 0, MediumNoDisc), TipDrive(u"", 176, 1, 1),
                           TipDrive(u"", 176, 1, 1)};
  for (DriveRecord& d : drives) d.AutoShortName[0] = u'H', d.AutoShortName[1] = u'L';
  drives[0].Address.Letter = 'D';
  drives[1].Address.Letter = 'E';
  drives[2].Address = {1, 2, 0, 0};
  drives[3].Address.Letter = 'G';
  drives[3].ShortName[0] = u'H', drives[3].ShortName[1] = u'L';
  EXPECT_EQ(Tip(BuildTrayView(drives, 4, TrayTipLongLength)),
            u"HL (D:) 8x(DATA) HL (E:) 0x HL (1:2) 1x(DATA) HL 1x(DATA) ");
  drives[1].Ignore = drives[2].Ignore = 1;
  EXPECT_EQ(Tip(BuildTrayView(drives, 4)), u"HL (D:) 8x(DATA) HL 1x(DATA) ");
  drives[3].Ignore = 1;
  EXPECT_EQ(Tip(BuildTrayView(drives, 4)), u"HL 8x(DATA) ");
}

// Four drives need more than the 63 characters of the older shells; the
// shells of version 5 and later take 127.
TEST(TrayTip, LongerTipWhereTheShellTakesIt) {
  DriveRecord drives[4] = {TipDrive(u"AAAAAAAAAA", 1408, 1, 1), TipDrive(u"BBBBBBBBBB", 1408, 1, 1),
                           TipDrive(u"CCCCCCCCCC", 1408, 1, 1), TipDrive(u"DDDDDDDDDD", 8448, 0, MediumNoDisc)};
  EXPECT_EQ(TrayTipLengthFor(4), TrayTipLength);
  EXPECT_EQ(TrayTipLengthFor(5), TrayTipLongLength);
  EXPECT_EQ(Tip(BuildTrayView(drives, 4, TrayTipLengthFor(6))),
            u"AAAAAAAAAA 8x(DATA) BBBBBBBBBB 8x(DATA) CCCCCCCCCC 8x(DATA) DDDDDDDDDD 48x ");
  EXPECT_EQ(Tip(BuildTrayView(drives, 4, TrayTipLengthFor(4))), u"AAAAAAAAAA 8x(DATA) BBBBBBBBBB 8x(DATA) CCCCCCCCCC 8x");
  DriveRecord many[MaxDrives];
  for (DriveRecord& d : many) d = TipDrive(u"XXXXXXXXXX", 0xFFFFFFFFu, 1, 1);
  EXPECT_LT(Tip(BuildTrayView(many, MaxDrives, TrayTipLongLength)).size(), size_t(TrayTipLongLength));
}

// The picture a user sees for drives in concrete states, with the settings
// and the shell as they are at that moment.
TEST(TrayPicture, WhatTheUserSeesForTheDrivesAsTheyAre) {
  ProgramSettings& settings = ProgramSettings::Current();
  ShellState& shell = Shell();
  SetAspiStatus(AspiUsable);
  SetSptiStatus(SptiUsable);
  const DriveRecord empty = TipDrive(u"E", 0, 0, MediumNoDisc), open = TipDrive(u"O", 0, 0, MediumDoorOpen),
                    disc = TipDrive(u"D", 8 * 176, 1, 0x01);
  DriveRecord ignoredOpen = open;
  ignoredOpen.Ignore = 1;
  struct Case {
    std::vector<DriveRecord> drives;
    int iconOpen, iconDisk, busy, blink;
    TrayPicture picture;
  } cases[] = {
      {{empty, open, disc}, 1, 1, 0, 0, TrayOpen},    // red while any tray stands open
      {{empty, open, disc}, 0, 1, 0, 0, TrayDisc},    // without the red icon the disc shows green
      {{empty, disc}, 1, 1, 0, 0, TrayDisc},
      {{empty, disc}, 1, 0, 0, 0, TrayNormal},
      {{empty, ignoredOpen}, 1, 1, 0, 0, TrayNormal}, // an ignored drive's tray does not count
      {{}, 1, 1, 0, 0, TrayNoDrives},
      {{empty, open}, 1, 1, 0, 1, TrayError},         // the blink before an automatic close
      {{empty, open}, 1, 1, 1, 1, TrayBusy},          // a drive at work wins over everything
  };
  for (const Case& c : cases) {
    settings.IconOpen = c.iconOpen;
    settings.IconDisk = c.iconDisk;
    shell.BusyCount = c.busy;
    shell.Blink = c.blink;
    EXPECT_EQ(ShownTrayPicture(c.drives.data(), int(c.drives.size())), c.picture) << &c - cases;
  }
  DriveRecord drives[] = {disc};
  shell.BusyCount = shell.Blink = 0;
  SetAspiStatus(AspiDamaged);
  EXPECT_EQ(ShownTrayPicture(drives, 1), TrayError) << "no drive can be reached";
  SetAspiStatus(AspiNotLoaded);
  SetSptiStatus(SptiNotProbed);
  settings.ResetToDefaults();
}

TEST(TrayPicture, DriveAccessWorksOnlyWithAWorkingTransportAndNoDamagedOne) {
  EXPECT_FALSE(TransportError(AspiUsable, SptiNotNt));         // Windows 9x with ASPI
  EXPECT_FALSE(TransportError(AspiNotInstalled, SptiUsable));  // NT without ASPI
  EXPECT_FALSE(TransportError(AspiUsable, SptiUsable));
  EXPECT_TRUE(TransportError(AspiNotInstalled, SptiNotNt));    // nothing works
  EXPECT_TRUE(TransportError(AspiDamaged, SptiUsable));        // a damaged ASPI layer counts as an error
  EXPECT_TRUE(TransportError(AspiNotLoaded, SptiUsable));      // not initialised
  EXPECT_TRUE(TransportError(AspiUsable, SptiNotProbed));
  EXPECT_TRUE(TransportError(AspiNotInstalled, SptiAccessDenied));
  EXPECT_FALSE(TransportError(AspiNotInstalled, SptiAccessDenied, TransportClassDriver));  // a standard user of Vista
}
