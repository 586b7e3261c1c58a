#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using SpeedControl = VirtualDrives;

TEST_F(SpeedControl, RefreshOfASettledDataCd) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  RefreshStatus(d);
  EXPECT_EQ(Opcodes(sd), (std::vector<uint8_t>{0x5A, 0x00}));  // no audio query for a data medium
  EXPECT_EQ(d.Ready, 1);
  EXPECT_EQ(d.MediumType, 0x01);
  EXPECT_EQ(d.CurrentSpeed, sd.CurrentReadSpeed());
  EXPECT_EQ(d.AudioStatus, 0);
  EXPECT_FALSE(d.DvdActive());
  EXPECT_EQ(VirtualClock::SleepCount(), 0u);
}

TEST_F(SpeedControl, RefreshWaitsWhileTheMediumTypeSettles) {
  sim::Drive& sd = Add("dvdrom16-streaming");  // reports 0x30 while spinning up for 3 s
  Discover();
  DriveRecord& d = Drives[0];
  ASSERT_TRUE(sd.RemoveDisc());
  ASSERT_TRUE(sd.InsertDisc(Medium("dvd-rom")));
  uint32_t slept = VirtualClock::SleptTotal();
  RefreshStatus(d);
  uint32_t waited = VirtualClock::SleptTotal() - slept;
  EXPECT_GE(waited, 3000u);
  EXPECT_LE(waited, 3500u);
  EXPECT_EQ(d.Ready, 1);
  EXPECT_EQ(d.MediumType, 0x40);
  EXPECT_TRUE(d.DvdActive());
  EXPECT_EQ(d.CurrentSpeed, 16u * 1385) << "read from GET PERFORMANCE";
  EXPECT_EQ(CountOf(sd, 0xAC), 1u);

  // A medium that never settles: 30 re-reads, 15 seconds, then go on.
  sd.StartSpinUp(600000);
  slept = VirtualClock::SleptTotal();
  sd.ClearLog();
  RefreshStatus(d);
  EXPECT_GE(VirtualClock::SleptTotal() - slept, 15000u);
  EXPECT_LT(VirtualClock::SleptTotal() - slept, 15100u) << "and the moments the NOT READY answers take";
  EXPECT_EQ(CountOf(sd, 0x5A), 31u);
  EXPECT_EQ(d.Ready, 0);
}

TEST_F(SpeedControl, RefreshFailures) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  RefreshStatus(d);
  DriveRecord before = d;

  sd.AddFault(sim::Fault{0x00, 1, 0x04});  // TEST UNIT READY: hardware error
  RefreshStatus(d);
  EXPECT_EQ(d.CurrentSpeed, before.CurrentSpeed);
  EXPECT_EQ(d.MediumType, before.MediumType);
  EXPECT_EQ(d.Ready, 1) << "the state of the last good refresh stays";

  sd.AddFault(sim::Fault{0x5A, 1, 0x05});  // capabilities page refused
  RefreshStatus(d);
  EXPECT_EQ(d.CurrentSpeed, 0u);
  EXPECT_EQ(d.MediumType, 0);
  EXPECT_EQ(d.Ready, 1);

  sd.AddFault(sim::Fault{-1, -1, -1, 0, 0, -1, -1, false, true});  // the drive is gone
  RefreshStatus(d);
  EXPECT_EQ(d.Ready, 1) << "a drive that does not answer keeps its state";
}

TEST_F(SpeedControl, RestoreDecisions) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  d.RangeCD.Entries[2].Command = 5600;  // 5645 is reached by asking for 5600
  struct Case {
    const char* what;
    uint32_t selected, current;
    int32_t ready, audio, onlyWithDisk, whenAudio, ignoreSpeed, busy;
    int64_t sent;  // -1: nothing sent
  } cases[] = {
      {"nothing selected", 0, 8467, 1, 0, 0, 0, 0, 0, -1},
      {"faster than selected", 2822, 8467, 1, 0, 0, 0, 0, 0, 2822},
      {"already at the selected speed", 2822, 2822, 1, 0, 0, 0, 0, 0, -1},
      {"slower than selected", 2822, 1411, 1, 0, 0, 0, 0, 0, -1},
      {"regardless of the current speed", 2822, 2822, 1, 0, 0, 0, 1, 0, 2822},
      {"drive reports no speed", 2822, 0, 1, 0, 0, 0, 0, 0, 2822},
      {"selected speed with its own command", 5645, 8467, 1, 0, 0, 0, 0, 0, 5600},
      {"selected speed not listed", 5000, 8467, 1, 0, 0, 0, 0, 0, 5000},
      {"only with a disc, none ready", 2822, 8467, 0, 0, 1, 0, 0, 0, -1},
      {"only with a disc, ready", 2822, 8467, 1, 0, 1, 0, 0, 0, 2822},
      {"audio playing", 2822, 8467, 1, 0x11, 0, 0, 0, 0, -1},
      {"audio paused", 2822, 8467, 1, 0x12, 0, 0, 0, 0, -1},
      {"audio playing, restore anyway", 2822, 8467, 1, 0x11, 0, 1, 0, 0, 2822},
      {"audio status unknown", 2822, 8467, 1, -1, 0, 0, 0, 0, 2822},
      {"busy", 2822, 8467, 1, 0, 0, 0, 0, 1, -1},
  };
  for (const Case& c : cases) {
    d.RangeCD.Selected = c.selected;
    d.CurrentSpeed = c.current;
    d.Ready = c.ready;
    d.AudioStatus = c.audio;
    d.OnlyWithDisk = c.onlyWithDisk;
    d.WhenAudio = c.whenAudio;
    d.IgnoreSpeed = c.ignoreSpeed;
    d.Busy = c.busy;
    sd.ClearLog();
    RestoreSpeed(d);
    d.Busy = 0;
    std::vector<uint32_t> sent = SpeedsSent(sd, 0xBB);
    if (c.sent < 0) {
      EXPECT_TRUE(Opcodes(sd).empty()) << c.what;
    } else {
      EXPECT_EQ(sent, std::vector<uint32_t>{uint32_t(c.sent)}) << c.what;
    }
  }
}

TEST_F(SpeedControl, SetSpeedReadsSamplesAndRefreshes) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  SetSpeed(d, 2822);
  EXPECT_EQ(d.CurrentSpeed, 2822u);
  // Speed, capacity, two single-sector reads a third and two thirds in, refresh.
  EXPECT_EQ(Opcodes(sd), (std::vector<uint8_t>{0xBB, 0x25, 0x28, 0x28, 0x5A, 0x00}));
  auto cdbs = Cdbs(sd);
  uint32_t third = (333000 - 1) / 3;
  EXPECT_EQ(uint32_t(cdbs[2][2] << 24 | cdbs[2][3] << 16 | cdbs[2][4] << 8 | cdbs[2][5]), third);
  EXPECT_EQ(uint32_t(cdbs[3][2] << 24 | cdbs[3][3] << 16 | cdbs[3][4] << 8 | cdbs[3][5]), 2 * third);

  d.ForceRead = 0;
  sd.ClearLog();
  SetSpeed(d, 0xFFFF);
  EXPECT_EQ(Opcodes(sd), (std::vector<uint8_t>{0xBB, 0x5A, 0x00}));
  EXPECT_EQ(d.CurrentSpeed, 8467u);
}

TEST_F(SpeedControl, StepsThroughTheList) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  d.ForceRead = 0;
  SetSpeed(d, 0xFFFF);
  sd.ClearLog();
  SpeedFaster(d);
  EXPECT_TRUE(SpeedsSent(sd, 0xBB).empty()) << "at the fastest entry";
  SpeedSlower(d);
  SpeedSlower(d);
  EXPECT_EQ(SpeedsSent(sd, 0xBB), (std::vector<uint32_t>{7056, 5645}));
  SpeedFaster(d);
  EXPECT_EQ(d.CurrentSpeed, 7056u);
  SetSpeed(d, 706);
  sd.ClearLog();
  SpeedSlower(d);
  EXPECT_TRUE(SpeedsSent(sd, 0xBB).empty()) << "at the slowest entry";
  d.Busy = 1;
  SpeedFaster(d);
  EXPECT_TRUE(Opcodes(sd).empty());
  d.Busy = 0;
}

TEST_F(SpeedControl, DvdMethodChoice) {
  sim::Drive& sd = Add("dvdrw16-roundup");  // applies SET CD SPEED to DVDs too
  Discover();
  DriveRecord& d = Drives[0];
  ASSERT_TRUE(d.DvdActive());
  d.ForceRead = 0;
  struct Case {
    int32_t preferred, detected;
    uint8_t opcode;
  } cases[] = {{0, 1, 0xBB}, {0, 2, 0xB6}, {0, 0, 0xBB}, {1, 2, 0xBB}, {2, 1, 0xB6}, {2, 0, 0xB6}};
  for (const Case& c : cases) {
    d.DVDMethodPrefered = c.preferred;
    d.DVDMethodDetected = c.detected;
    sd.ClearLog();
    SetSpeed(d, 5540);
    EXPECT_EQ(Opcodes(sd).front(), c.opcode) << c.preferred << "/" << c.detected;
    // The speed shown comes from GET PERFORMANCE only with the streaming method found.
    EXPECT_EQ(CountOf(sd, 0xAC), c.preferred != 1 && c.detected == 2 ? 1u : 0u);
    EXPECT_EQ(d.CurrentSpeed, 5540u);
  }
  // Write speed is carried unchanged.
  d.DVDMethodPrefered = 1;
  sd.ClearLog();
  SetSpeed(d, 8310);
  auto cdbs = Cdbs(sd);
  EXPECT_EQ(uint32_t(cdbs[0][4] << 8 | cdbs[0][5]), d.CurrentWriteSpeed);
  EXPECT_NE(d.CurrentWriteSpeed, 0u);
}

TEST_F(SpeedControl, ProfileDecidesTheListWithoutAMediumType) {
  for (const char* medium : {"data-cd", "dvd-rom"}) {
    sim::ClearVirtualDrives();
    MemoryRegistry::Reset();  // a first start each time
    sim::Profile p = Profile("dvdrom16-streaming");
    p.ReportsMediumType = false;
    p.Medium = medium;
    Add(p);
    Discover();
    RefreshStatus(Drives[0]);
    EXPECT_EQ(Drives[0].MediumType, 0);
    EXPECT_EQ(Drives[0].DvdActive(), std::string(medium) == "dvd-rom") << medium;
    EXPECT_EQ(CountOf(sim::VirtualDriveAt(0), 0x46), 1u);
  }
}

TEST_F(SpeedControl, TrayMovesAndLock) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  DriveRecord& d = Drives[0];
  d.Lock = 1;
  MoveTray(d, TrayMove::Eject);
  auto cdbs = Cdbs(sd);
  ASSERT_EQ(cdbs.size(), 3u);
  EXPECT_EQ(cdbs[0][0], 0x1E);
  EXPECT_EQ(cdbs[0][4], 0x00);  // unlock
  EXPECT_EQ(cdbs[1][0], 0x1B);
  EXPECT_EQ(cdbs[1][4], 0x02);  // eject
  EXPECT_EQ(cdbs[2][0], 0x1E);
  EXPECT_EQ(cdbs[2][4], 0x01);  // locked again
  EXPECT_TRUE(sd.TrayOpen());
  EXPECT_EQ(d.TrayClosed, 0);
  EXPECT_FALSE(IsTrayClosedAfterRefresh(d));
  EXPECT_TRUE(IsTrayOpen(d));
  EXPECT_NE(d.TrayOpenSince, 0u);
  uint32_t since = d.TrayOpenSince;
  VirtualClock::Advance(5000);
  RefreshStatus(d);
  EXPECT_EQ(d.TrayOpenSince, since) << "kept while the tray stays open";

  d.Lock = 0;
  sd.ClearLog();
  MoveTray(d, TrayMove::Close);
  EXPECT_EQ(Opcodes(sd), std::vector<uint8_t>{0x1B});
  EXPECT_EQ(d.TrayClosed, 1);
  EXPECT_TRUE(IsTrayClosedAfterRefresh(d));
  EXPECT_EQ(d.TrayOpenSince, 0u);
}

TEST_F(SpeedControl, AudioPlaybackPostponesTheFirstEnumeration) {
  sim::Profile p = Profile("cd48-reader");
  p.Medium = "none";
  sim::Drive& sd = Add(p);
  Discover();
  DriveRecord& d = Drives[0];
  EXPECT_EQ(d.RangeCD.Valid, 0);
  ASSERT_TRUE(sd.InsertDisc(Medium("audio-cd")));
  VirtualClock::Advance(5000);
  ASSERT_TRUE(sd.PlayAudio());
  sd.ClearLog();
  RefreshStatus(d);
  EXPECT_EQ(d.AudioStatus, 0x11);
  EXPECT_EQ(CountOf(sd, 0x42), 1u);
  EXPECT_EQ(CountOf(sd, 0xBB), 0u) << "no enumeration while audio plays";
  EXPECT_EQ(d.RangeCD.Valid, 0);

  ASSERT_TRUE(sd.StopAudio());
  RefreshStatus(d);
  EXPECT_GT(CountOf(sd, 0xBB), 0u);
  EXPECT_EQ(d.RangeCD.Valid, 1);
  EXPECT_EQ(d.RangeCD.Count, 8u);
  DriveRecord stored{};
  std::strcpy(stored.FullName, d.FullName);
  ASSERT_TRUE(LoadCapabilities(stored));
  EXPECT_EQ(stored.RangeCD.Count, 8u) << "saved right after";
}

TEST_F(SpeedControl, BusyGuardSkipsNestedCallsAndReportsPairs) {
  sim::Drive& sd = Add("cd48-reader");
  Discover();
  static std::vector<int> calls;
  static size_t nestedCommands;
  calls.clear();
  BusyCallback = [](int busy) {
    calls.push_back(busy);
    if (busy) {  // a timer firing while the drive works
      size_t before = sim::VirtualDriveAt(0).Log().size();
      RefreshStatus(Drives[0]);
      MoveTray(Drives[0], TrayMove::Eject);
      SetSpeed(Drives[0], 176);
      RestoreSpeed(Drives[0]);
      nestedCommands += sim::VirtualDriveAt(0).Log().size() - before;
    }
  };
  nestedCommands = 0;
  Drives[0].RangeCD.Valid = 0;  // the refresh runs the automatic enumeration after its guard
  RefreshStatus(Drives[0]);
  EXPECT_EQ(nestedCommands, 0u);
  // The refresh, the enumeration, the refresh after it.
  EXPECT_EQ(calls, (std::vector<int>{1, 0, 1, 0, 1, 0}));
  EXPECT_EQ(Drives[0].Busy, 0);
  EXPECT_GT(CountOf(sd, 0xBB), 0u);
}

// A DVD writer that held a CD gets its first DVD: the DVD list is built,
// and its closing commands set the drive free at 16X. What the record shows
// is what the drive runs at, so the restore that follows slows it down.
TEST_F(SpeedControl, FirstDvdAfterACdIsRestoredFromTheSpeedItRunsAt) {
  sim::Profile p = Profile("dvdrw16-roundup");
  p.Medium = "data-cd";
  sim::Drive& sd = Add(p);
  Discover();
  DriveRecord& d = Drives[0];
  d.ForceRead = 0;
  SetSpeed(d, 10 * 176);
  d.RangeDVD.Selected = 8 * 1385;
  ASSERT_TRUE(sd.RemoveDisc());
  ASSERT_TRUE(sd.InsertDisc(Medium("dvd-r")));
  VirtualClock::Advance(5000);
  RefreshStatus(d);
  ASSERT_TRUE(d.DvdActive());
  EXPECT_EQ(d.RangeDVD.Count, 5u);
  EXPECT_EQ(d.CurrentSpeed, sd.CurrentReadSpeed()) << "the speed the closing commands left";
  RestoreSpeed(d);
  EXPECT_EQ(sd.CurrentReadSpeed(), 8u * 1385);
  EXPECT_EQ(d.CurrentSpeed, 8u * 1385);
}

}  // namespace
