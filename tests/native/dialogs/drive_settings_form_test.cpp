// The drive settings dialog's form on virtual drives: what a record shows,
// what OK writes back, and the discovery and measurement runs on the lists
// the dialog shows.
#include <cstddef>
#include <cstring>
#include <iterator>
#include <vector>

#include "dialogs/drive_settings.h"
#include "hotkeys/hotkeys.h"
#include "mmc/class_driver.h"
#include "sim/model/class_driver_fake.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using DriveSettingsFormTest = VirtualDrives;

// A drive without a disc that reports no medium type and answers no speed.
const char* const EmptyReader = R"({"name":"empty","inquiry":{"vendor":"TEST","product":"EMPTY","revision":"1"},
    "modePage":{"offset":8,"readCaps":"0x03","mechanism":"0x29","reportsMediumType":false},"speeds":{"cd":[1411]},
    "commands":{"getConfiguration":false,"speedNeedsMedium":true},"mechanism":{},"disc":{"medium":"none"}})";

TEST_F(DriveSettingsFormTest, OkWritesWhatTheControlsShowAndDropsWhatHasNoControl) {
  DriveRecord drive{};
  drive.EventMask = 0x3F;  // 0x04 and 0x20 have no box
  drive.Timer = 900000;
  drive.HotKeys[0] = HotkeyWordWin | HotkeyWordCtrl | 'E';
  drive.HotKeys[6] = 0x10000 | HotkeyWordAlt | 'M';  // a bit above the control's word
  std::memcpy(drive.ShortName, u"Привод", sizeof u"Привод");
  drive.RangeDVD.Valid = 1;
  drive.DVD = 0x08;
  // Flags set and unset, so that a box shown the wrong way round comes back changed.
  drive.Ignore = drive.IgnoreSpeed = drive.WhenAudio = drive.ShortMenu = drive.Lock = 1;
  DriveRecord shown = drive;
  shown.EventMask = EventStart | EventDiscChange | EventWake | EventTrayClosed;  // 0x04 and 0x20 dropped
  DriveSettingsForm form;
  FillDriveSettingsForm(form, drive, false);
  ApplyDriveSettingsForm(form, drive);
  EXPECT_EQ(std::memcmp(&drive.Ignore, &shown.Ignore, offsetof(DriveRecord, HotKeys) - offsetof(DriveRecord, Ignore)), 0)
      << "OK without changes keeps the flags";
  EXPECT_TRUE(form.RestoreOn[0] && form.RestoreOn[1] && form.RestoreOn[2] && form.RestoreOn[3]);
  EXPECT_EQ(form.TimerChoice, 6) << "15 minutes";
  EXPECT_FALSE(form.TimerEnabled) << "the drive's timer runs on the main timer";
  EXPECT_EQ(form.HotKeyField[0], uint32_t(HotkeyWordCtrl | 'E'));
  EXPECT_TRUE(form.WinKey[0]);
  EXPECT_FALSE(form.WinKey[6]);
  EXPECT_TRUE(form.DvdListEnabled && form.MethodEnabled && !form.DvdListChosen);

  form.RestoreOn[1] = false;
  form.TimerChoice = -1;  // no radio checked: the period stays
  form.WinKey[6] = true;
  form.DvdMethod = DvdMethodStreaming;
  form.CD.Count = 1;
  form.CD.Entries[0] = {1411, 1408};
  ApplyDriveSettingsForm(form, drive);
  EXPECT_EQ(drive.RangeCD.Valid, 1) << "a list the user filled counts as found";
  EXPECT_EQ(drive.EventMask, int32_t(EventStart | EventWake | EventTrayClosed));
  EXPECT_EQ(drive.Timer, 900000);
  EXPECT_EQ(drive.HotKeys[0], uint32_t(HotkeyWordWin | HotkeyWordCtrl | 'E'));
  EXPECT_EQ(drive.HotKeys[6], uint32_t(HotkeyWordWin | HotkeyWordAlt | 'M'));
  EXPECT_EQ(std::u16string(drive.ShortName), u"Привод");
  EXPECT_EQ(drive.DVDMethodPrefered, DvdMethodStreaming);
  EXPECT_EQ(drive.RangeDVD.Valid, 0) << "a DVD list found with another method is found again";

  // With a DVD in the drive the list is rebuilt with the new method at once.
  drive.RangeDVD.Valid = 1;
  drive.ActiveRange = RangeKindDVD;
  form.DvdMethod = DvdMethodCdSpeed;
  ApplyDriveSettingsForm(form, drive);
  EXPECT_EQ(drive.RangeDVD.Valid, 1);
  // The periods of the radios "Нет", "5 секунд" ... "1 час".
  const int32_t seconds[TimerChoiceCount] = {0, 5, 15, 30, 60, 5 * 60, 15 * 60, 30 * 60, 60 * 60};
  for (int k = TimerChoiceCount; k-- > 0;) {
    form.TimerChoice = k;
    ApplyDriveSettingsForm(form, drive);
    EXPECT_EQ(drive.Timer, seconds[k] * 1000) << k;
  }
}

// Discovery starts from what the dialog shows and hands its lists back to
// the dialog; the record keeps its own until OK.
TEST_F(DriveSettingsFormTest, DiscoveryFillsTheShownListsAndLeavesTheRecord) {
  Add("cd48-reader");
  Discover();
  DriveRecord& drive = Drives[0];
  ASSERT_GE(drive.RangeCD.Count, 3u);
  const DriveRecord before = drive;
  DriveSettingsForm form;
  FillDriveSettingsForm(form, drive, true);
  form.CD.Count = 1;  // the user deleted all but the fastest
  EXPECT_EQ(RunDiscoveryOnForm(form, drive, SpeedMethod::Fast, nullptr, nullptr), NoDiscoveryNotice);
  EXPECT_EQ(Speeds(form.CD), Speeds(before.RangeCD));
  EXPECT_EQ(std::memcmp(&drive.RangeCD, &before.RangeCD, sizeof drive.RangeCD), 0);
  EXPECT_FALSE(form.DvdListChosen);

  // A drive without a disc that answers no speed: the user is told.
  Add(ParsedProfile(EmptyReader));
  Discover();
  FillDriveSettingsForm(form, Drives[1], true);
  EXPECT_EQ(RunDiscoveryOnForm(form, Drives[1], SpeedMethod::Fast, nullptr, nullptr), DiscoveryFoundNoSpeeds);
}

// A standard user of Windows Vista, through the class driver: probing
// cannot read the speed back and says why, leaving the lists shown;
// measuring works and leaves the drive at its maximum.
TEST_F(DriveSettingsFormTest, StandardUserOfVistaMeasuresButCannotProbe) {
  sim::Drive& sd = Add("cdrw40-fullrange");
  sim::UseVirtualTransports(false, false, true);
  InstallClassDriverOps(&sim::VirtualClassDriver(sim::VirtualWindows::Vista));
  ASSERT_EQ(SelectTransport(0), TransportClassDriver);
  Discover();
  DriveRecord& drive = Drives[0];
  ASSERT_TRUE(WaitUntilReady(drive));
  RefreshStatus(drive);
  DriveSettingsForm form;
  FillDriveSettingsForm(form, drive, true);
  form.CD.Count = 1;
  form.CD.Entries[0] = {2822, 2822};  // 16x, kept from an administrator's probe
  for (SpeedMethod method : {SpeedMethod::Fast, SpeedMethod::Full})
    EXPECT_EQ(RunDiscoveryOnForm(form, drive, method, nullptr, nullptr), DiscoveryNeedsAdministrator);
  EXPECT_EQ(Speeds(form.CD), std::vector<uint32_t>{2822});
  EXPECT_EQ(RunDiscoveryOnForm(form, drive, SpeedMethod::Measure, nullptr, nullptr), NoDiscoveryNotice);
  EXPECT_GE(form.CD.Count, 5u);
  EXPECT_EQ(form.CD.Entries[0].Speed, 40u * 176);
  EXPECT_EQ(sd.CurrentReadSpeed(), sim::CdSpeedForFactor(40)) << "set free at its maximum afterwards";
}

// "Измерение" on a slot drive without a disc: the prompt, a disc pushed in
// and OK pressed at once. The disc still spins up when the measurement would
// start: it waits for the drive, then finds the slot's speeds.
struct Prompt {
  sim::Drive* slot;
  std::vector<const char*> media;  // pushed in at each prompt; the user gives up after the last
  size_t asked = 0;
  uint32_t spinUpMs = 0;  // 0: the profile's

  static bool InsertNext(void* context) {
    Prompt& p = *static_cast<Prompt*>(context);
    if (p.asked == p.media.size()) return false;
    p.slot->RemoveDisc();
    const bool inserted = p.slot->InsertDisc(Medium(p.media[p.asked++]));
    if (p.spinUpMs != 0) p.slot->StartSpinUp(p.spinUpMs);
    return inserted;
  }
};

TEST_F(DriveSettingsFormTest, MeasurementRightAfterInsertingADiscWaitsForTheDrive) {
  // Whether the user is asked for a disc, and whether the measurement then starts.
  const struct {
    sim::Profile profile;
    std::vector<const char*> media;
    bool measures;
    size_t asked;
    const char* why;
  } drives[] = {
      {Profile("slot24-combo"), {"audio-cd"}, false, 1, "an audio CD cannot be measured"},
      {ParsedProfile(EmptyReader), {}, false, 0, "no medium type and not ready: no disc"},
      {Profile("cd32-noheader"), {}, true, 0, "no medium type but a ready data disc: measured at once"},
  };
  for (const auto& d : drives) Add(d.profile);
  Discover();
  for (size_t i = 0; i < std::size(drives); ++i) {
    Prompt prompt{&sim::VirtualDriveAt(i), drives[i].media};
    EXPECT_EQ(PrepareMeasurement(Drives[i], Prompt::InsertNext, &prompt), drives[i].measures) << drives[i].why;
    EXPECT_EQ(prompt.asked, drives[i].asked) << drives[i].why;
  }

  sim::Drive& slot = sim::VirtualDriveAt(0);
  DriveRecord& drive = Drives[0];
  Prompt audioThenData{&slot, {"audio-cd", "cd-rw"}};
  ASSERT_TRUE(PrepareMeasurement(drive, Prompt::InsertNext, &audioThenData));
  EXPECT_EQ(audioThenData.asked, 2u) << "a data CD-RW is measured";
  EXPECT_TRUE(slot.Ready() && drive.Ready) << "waited for, and the record knows it";
  DriveSettingsForm form;
  FillDriveSettingsForm(form, drive, true);
  EXPECT_EQ(RunDiscoveryOnForm(form, drive, SpeedMethod::Measure, nullptr, nullptr), NoDiscoveryNotice);
  EXPECT_GE(form.CD.Count, 4u) << "the slot's speeds, measured";


  // A disc that never becomes ready holds the user no longer than a refresh would.
  slot.RemoveDisc();
  Prompt neverReady{&slot, {"data-cd"}, 0, 60000};
  const uint32_t start = ClockTickCount();
  EXPECT_TRUE(PrepareMeasurement(drive, Prompt::InsertNext, &neverReady));
  EXPECT_FALSE(drive.Ready);
  EXPECT_LT(ClockTickCount() - start, 15500u) << "15 seconds of waiting at most";
}

}  // namespace
