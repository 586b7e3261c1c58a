// The program against virtual drives that answer as real ones do where
// drives differ: the order of medium-change reports, no speed without a
// disc, refused speed commands, DVDs told only by their profile, GET
// PERFORMANCE stuck at the maximum, and CD reads of 75 data sectors per 1x.
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using RealDrives = VirtualDrives;

sim::Profile WithMedium(sim::Profile profile, const char* medium) {
  profile.Medium = medium;
  return profile;
}

// A whole first start as discovery runs it: every drive is probed and its
// list built, and each ends at the speed it had before, also drives that
// apply SET STREAMING to the CD inside. No speed command asks for 0, not
// even one taken from a damaged stored list.
TEST_F(RealDrives, FirstStartBuildsEveryListAndLeavesEachDriveAtItsSpeed) {
  Add(WithMedium(Profile("dvdrom16-streaming"), "data-cd"));
  Add(WithMedium(Profile("dvdrw16-roundup"), "data-cd"));
  Add(WithMedium(Profile("dvdrw20-profileonly"), "cd-r"));  // refuses a read size of 0
  Add("cdrw40-fullrange");  // reads down to 1x; page at byte 16 with the PS bit
  // Each drive was left one step below its maximum by whatever ran before.
  std::vector<uint32_t> before;
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
    const std::vector<uint32_t>& speeds = sim::VirtualDriveAt(i).profile().CdSpeeds;
    before.push_back(speeds[speeds.size() - 2]);
    ASSERT_TRUE(SetCdSpeed(sim::VirtualDriveAddress(i), before.back(), 0));
  }
  DiscoverDrives();
  ASSERT_EQ(DriveCount, 4);
  for (int i = 0; i < DriveCount; ++i) {
    sim::Drive& sd = sim::VirtualDriveAt(size_t(i));
    SCOPED_TRACE(sd.profile().Name);
    const std::vector<uint32_t>& offered = sd.profile().CdSpeeds;
    EXPECT_EQ(Speeds(Drives[i].RangeCD), std::vector<uint32_t>(offered.rbegin(), offered.rend()));
    EXPECT_EQ(sd.CurrentReadSpeed(), before[size_t(i)]) << "back at the speed it had";
    SetSpeed(Drives[i], 0);  // the command of a damaged stored list
    for (uint8_t opcode : {OpSetCdSpeed, OpSetStreaming})
      for (uint32_t speed : SpeedsSent(sd, opcode)) EXPECT_NE(speed, 0u) << int(opcode);
    RefreshStatus(Drives[i]);
    EXPECT_EQ(Drives[i].CurrentSpeed, before[size_t(i)]);
  }
}

// Speeds count 75 raw sectors a second as 1x (176 kB/s). A drive reading
// exactly 40x, 3 data sectors per millisecond, measures exactly 40 x 176.
// A read that fails inside an interval is tried again until the interval's
// time is up: failed commands take time on a drive, so the loop ends.
TEST_F(RealDrives, MeasuringCountsSeventyFiveSectorsAsOneXAndFailedReadsUseUpTheInterval) {
  sim::Drive& sd = Add("cdrw40-fullrange");
  Discover();
  const DeviceAddress& at = Drives[0].Address;
  uint32_t lastBlock = ReadCapacity(at);
  ASSERT_EQ(sd.CurrentReadSpeed(), sim::CdSpeedForFactor(40));
  EXPECT_EQ(MeasureReadSpeed(at, lastBlock, 1000), 40u * 176);

  sim::Fault scratched;  // readable at the seek, not after it
  scratched.Opcode = OpRead10;
  scratched.Count = -1;
  scratched.After = 1;
  scratched.SenseKey = 0x03;  // MEDIUM ERROR
  scratched.Asc = 0x11;
  sim::Fault hung = scratched;
  hung.SenseKey = -1;
  hung.NoAnswer = true;
  struct Case {
    const char* what;
    sim::Fault fault;
    uint32_t atLeastMs, belowMs;
    size_t reads;  // READ commands sent, the seek included
  } cases[] = {{"unreadable", scratched, 1000, 1100, 100}, {"no answer", hung, 30000, 31000, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sd.ClearFaults();
    sd.AddFault(c.fault);
    sd.ClearLog();
    uint32_t start = VirtualClock::Elapsed();
    EXPECT_EQ(MeasureReadSpeed(at, lastBlock, 1000), 0u);
    uint32_t took = VirtualClock::Elapsed() - start;
    EXPECT_GE(took, c.atLeastMs);
    EXPECT_LT(took, c.belowMs);
    EXPECT_GE(CountOf(sd, OpRead10), c.reads) << "each failed read tried again at the same place";
  }
}

// A disc arrives; the program looks while it spins up and again when it is
// ready, then restores the selected speed. Most drives report the change
// (UNIT ATTENTION 06/28/00) when the disc is ready, after their NOT READY
// answers; some report it first. Either way the first disc builds the list.
TEST_F(RealDrives, ArrivingDiscIsSeenAndItsSpeedRestoredInEitherReportOrder) {
  for (bool attentionFirst : {false, true}) {
    SCOPED_TRACE(attentionFirst ? "unit attention first" : "unit attention when ready");
    sim::ClearVirtualDrives();
    ClearDrives();
    MemoryRegistry::Reset();
    sim::Profile p = WithMedium(Profile("cd32-noheader"), "none");  // forgets its speed with a new disc
    p.AttentionBeforeSpinUp = attentionFirst;
    sim::Drive& sd = Add(p);
    Discover();
    DriveRecord& d = Drives[0];
    d.RangeCD.Selected = 2822;
    ASSERT_TRUE(sd.InsertDisc(Medium("data-cd")));

    RefreshStatus(d);
    EXPECT_EQ(d.Ready, 0) << "spinning up";
    EXPECT_EQ(d.RangeCD.Valid, 0);

    VirtualClock::Advance(p.SpinUpMs);
    RefreshStatus(d);
    EXPECT_EQ(d.Ready, 1);
    EXPECT_EQ(d.RangeCD.Valid, 1);
    EXPECT_EQ(d.RangeCD.Count, 5u);
    RestoreSpeed(d);
    EXPECT_EQ(sd.CurrentReadSpeed(), 2822u);
    EXPECT_EQ(d.CurrentSpeed, 2822u);
  }
}

// A drive found empty at the first start reports no speed and refuses
// speed commands (02/3A/00): it gets no list then, and its first disc
// builds the list, probes the capabilities again and stores both.
TEST_F(RealDrives, DriveEmptyAtFirstStartGetsItsListWithItsFirstDisc) {
  sim::Drive& sd = Add(WithMedium(Profile("cdrw40-fullrange"), "none"));
  DiscoverDrives();
  DriveRecord& d = Drives[0];
  EXPECT_EQ(d.RangeCD.Count, 0u);
  EXPECT_EQ(d.RangeCD.Valid, 0);
  EXPECT_EQ(d.CanGetSpeed, 0);
  EXPECT_EQ(d.CanSetSpeed, 0);

  ASSERT_TRUE(sd.OpenTray());
  RefreshStatus(d);
  EXPECT_EQ(d.CurrentSpeed, 0u);
  ASSERT_TRUE(sd.InsertDisc(Medium("cd-rw")));
  ASSERT_TRUE(sd.CloseTray());
  VirtualClock::Advance(sd.profile().SpinUpMs);
  RefreshStatus(d);
  EXPECT_EQ(d.CanGetSpeed, 1);
  EXPECT_EQ(d.CanSetSpeed, 1);
  EXPECT_EQ(d.RangeCD.Count, sd.profile().CdSpeeds.size());
  EXPECT_EQ(sd.CurrentReadSpeed(), sd.profile().CdSpeeds.back());

  ClearLogs();
  DiscoverDrives();
  EXPECT_EQ(Speeds(Drives[0].RangeCD), Speeds(d.RangeCD)) << "stored";
  EXPECT_EQ(CountOf(sd, OpSetCdSpeed), 0u) << "a later start sends no speed command";
}

// A drive that reports medium type 0 for every DVD: the current profile
// tells a DVD of every kind, dual-layer ones included, and a refresh does
// not wait for a medium type that will never come once the disc is ready
// (a CD's list probes the drive as sensing the medium again).
TEST_F(RealDrives, DvdsOfEveryKindAreToldByTheirProfileWithoutWaiting) {
  sim::Profile p = WithMedium(Profile("dvdrw20-profileonly"), "none");
  p.SpeedNeedsMedium = true;  // no speed command while it is empty
  sim::Drive& sd = Add(p);
  Discover();
  DriveRecord& d = Drives[0];
  ASSERT_EQ(d.CanSenseMedium, 1) << "the empty drive reported 0x70";
  for (const char* medium : {"dvd-rom", "data-cd", "dvd-r", "dvd+r", "dvd-rom-dl", "dvd-r-dl", "dvd+r-dl"}) {
    SCOPED_TRACE(medium);
    if (sd.Medium()) {
      ASSERT_TRUE(sd.RemoveDisc());
    }
    ASSERT_TRUE(sd.InsertDisc(Medium(medium)));
    VirtualClock::Advance(sd.profile().SpinUpMs);
    uint32_t slept = VirtualClock::SleptTotal();
    RefreshStatus(d);
    EXPECT_LT(VirtualClock::SleptTotal() - slept, 500u) << "no wait for the medium type";
    EXPECT_EQ(d.Ready, 1);
    EXPECT_EQ(d.DvdActive(), sd.Medium()->Dvd);
    EXPECT_GT(d.Active().Count, 0u);
  }
}

// GET PERFORMANCE that always reports the disc's nominal maximum says
// nothing about the speed set: asking finds that one speed. Measuring finds
// the real speeds, and their commands set them.
TEST_F(RealDrives, PerformanceStuckAtTheMaximumLeavesMeasuringToFindTheSpeeds) {
  sim::Drive& sd = Add("dvdrw20-profileonly");
  Discover();
  DriveRecord& d = Drives[0];
  ASSERT_TRUE(d.DvdActive());
  EXPECT_EQ(d.DVDMethodDetected, 2);
  EXPECT_EQ(Speeds(d.RangeDVD), std::vector<uint32_t>{20 * SpeedUnitDVD});

  EnumerateSpeeds(d, SpeedMethod::Measure, nullptr, nullptr);
  const std::vector<uint32_t>& offered = sd.profile().DvdSpeeds;
  ASSERT_EQ(d.RangeDVD.Count, offered.size());
  for (size_t i = 0; i < offered.size(); ++i)
    EXPECT_NEAR(double(d.RangeDVD.Entries[i].Speed), offered[offered.size() - 1 - i], offered.back() * 0.01) << i;

  d.ForceRead = 0;
  d.RangeDVD.Selected = d.RangeDVD.Entries[3].Speed;  // about 8x
  RefreshStatus(d);
  RestoreSpeed(d);
  EXPECT_EQ(sd.CurrentReadSpeed(), 8 * SpeedUnitDVD);
}

}  // namespace
