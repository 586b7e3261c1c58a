#include <vector>

#include "mmc/wire.h"
#include "sim_fixture.h"

namespace {

using DriveTest = SimFixture;

struct SpeedCase {
  const char* profile;
  const char* medium;
  bool streaming;      // SET STREAMING instead of SET CD SPEED
  uint32_t request;
  uint32_t reported;   // CurrentReadSpeed afterwards (GET PERFORMANCE for streaming)
};

const SpeedCase kSpeedCases[] = {
    // Fastest speed at or below the request: 40 x 176 lands on 32x.
    {"cd48-reader", "data-cd", false, 40 * 176, 5645},
    {"cd48-reader", "data-cd", false, 7056, 7056},
    {"cd48-reader", "data-cd", false, 0xFFFF, 8467},
    {"cd48-reader", "data-cd", false, 100, 706},  // below the slowest: the slowest
    // The writer rounds up to its next speed.
    {"dvdrw16-roundup", "data-cd", false, 7000, 7056},
    {"dvdrw16-roundup", "data-cd", false, 1, 1764},
    {"dvdrw16-roundup", "dvd-r", false, 6000, 8310},  // SET CD SPEED applies to DVD media too
    {"dvdrw16-roundup", "dvd-r", true, 6000, 8310},
    // The DVD reader keeps its DVD speed under SET CD SPEED; SET STREAMING moves it.
    {"dvdrom16-streaming", "dvd-rom", false, 2770, 22160},
    {"dvdrom16-streaming", "dvd-rom", true, 5540, 5540},
    {"dvdrom16-streaming", "dvd-rom", true, 0xFFFF, 22160},
    {"dvdrom16-streaming", "data-cd", false, 2822, 2822},
    {"cd32-noheader", "data-cd", false, 2000, 1411},  // nearest
    {"cd32-noheader", "data-cd", false, 2200, 2822},
    {"cd52-fixed", "data-cd", false, 706, 9173},      // ignores the request
};

TEST_F(DriveTest, SpeedsFollowTheDrivesRuleNotTheRequest) {
  for (const SpeedCase& c : kSpeedCases) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << c.medium << " " << c.request);
    UseDrive(c.profile, c.medium);
    if (c.streaming) {
      ASSERT_TRUE(SetStreaming(kAddress, c.request, 0));
      EXPECT_EQ(GetReadPerformance(kAddress), c.reported);
    } else {
      ASSERT_TRUE(SetCdSpeed(kAddress, c.request, 0));
    }
    EXPECT_EQ(ReportedSpeed(), c.reported);
  }
}

TEST_F(DriveTest, CommandsADriveDoesNotKnowAreIllegalRequests) {
  struct Case {
    const char* profile;
    uint8_t opcode;
  };
  for (Case c : {Case{"cd48-reader", 0x46}, Case{"cd48-reader", 0xB6}, Case{"cd48-reader", 0xAC},
                 Case{"slot24-combo", 0xB6}, Case{"dvdrw16-roundup", 0x43}, Case{"dvdrw16-roundup", 0xFF},
                 Case{"dvdrw16-roundup", 0x03}}) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << int(c.opcode));
    sim::Drive& drive = UseDrive(c.profile);
    uint8_t cdb[12] = {c.opcode};
    uint8_t data[64] = {};
    sim::CommandOutcome out = drive.Execute(cdb, sizeof cdb, data, sizeof data, false);
    EXPECT_EQ(out.Status, sim::kStatusCheckCondition);
    EXPECT_EQ(out.Sense[2], 0x05);
    EXPECT_EQ(out.Sense[12], 0x20);
    EXPECT_EQ(out.Transferred, 0u);
  }
}

// Most drives report the new disc when it is ready, after the NOT READY
// answers of its spin-up; some report it first.
TEST_F(DriveTest, InsertingADiscGivesNotReadyWhileSpinningUpAndUnitAttentionWhenReady) {
  for (bool attentionFirst : {false, true}) {
    SCOPED_TRACE(attentionFirst ? "unit attention first" : "unit attention when ready");
    sim::Profile profile = Profile("dvdrom16-streaming");
    profile.Medium = "none";
    profile.AttentionBeforeSpinUp = attentionFirst;
    sim::Drive& drive = UseProfile(profile);
    EXPECT_EQ(TestUnitReady(kAddress), 1);
    CapabilitiesPage page;
    ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
    EXPECT_EQ(page.MediumType, 0x70);
    EXPECT_EQ(GetCurrentProfile(kAddress), 0);

    std::string error;
    ASSERT_TRUE(drive.ApplyControl(R"({"action":"insert","medium":"dvd-rom"})", error)) << error;
    EXPECT_EQ(GetCurrentProfile(kAddress), 0) << "GET CONFIGURATION passes a unit attention by";
    if (attentionFirst) {
      EXPECT_EQ(TestUnitReady(kAddress), -1) << "unit attention";
    }
    EXPECT_EQ(TestUnitReady(kAddress), 1) << "becoming ready";
    EXPECT_EQ(drive.Log().back().Sense[12], 0x04);
    ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
    EXPECT_EQ(page.MediumType, 0x30) << "medium type not settled while spinning up";
    VirtualClock::Advance(3000);
    if (!attentionFirst) {
      EXPECT_EQ(TestUnitReady(kAddress), -1) << "unit attention";
      EXPECT_EQ(drive.Log().back().Sense[12], 0x28) << "not ready to ready change";
    }
    EXPECT_EQ(TestUnitReady(kAddress), 0);
    ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
    EXPECT_EQ(page.MediumType, 0x40);
    EXPECT_EQ(GetCurrentProfile(kAddress), 0x10);
  }
}

TEST_F(DriveTest, TrayLockAndEject) {
  sim::Drive& drive = UseDrive("cd48-reader");
  ASSERT_TRUE(PreventAllowRemoval(kAddress, true));
  CapabilitiesPage page;
  ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
  EXPECT_EQ(page.PageByte6 & 0x02, 0x02) << "lock state";
  EXPECT_FALSE(StartStopUnit(kAddress, true)) << "medium removal prevented";
  EXPECT_FALSE(drive.OpenTray()) << "the button does nothing while locked";
  EXPECT_FALSE(drive.TrayOpen());

  ASSERT_TRUE(PreventAllowRemoval(kAddress, false));
  ASSERT_TRUE(StartStopUnit(kAddress, true));
  EXPECT_TRUE(drive.TrayOpen());
  ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
  EXPECT_EQ(page.MediumType, 0x71);
  EXPECT_EQ(TestUnitReady(kAddress), 1);
  EXPECT_EQ(ReadCapacity(kAddress), 0u);

  ASSERT_TRUE(StartStopUnit(kAddress, false));  // load: the disc is still in the tray
  EXPECT_FALSE(drive.TrayOpen());
  EXPECT_EQ(TestUnitReady(kAddress), 1) << "spinning up";
  VirtualClock::Advance(2000);
  EXPECT_EQ(ReadCapacity(kAddress), 333000u - 1) << "retried past the unit attention";
}

TEST_F(DriveTest, SlotDriveHandsTheDiscOutAndCannotClose) {
  sim::Drive& drive = UseDrive("slot24-combo", "data-cd");
  ASSERT_TRUE(StartStopUnit(kAddress, true));
  EXPECT_FALSE(drive.TrayOpen()) << "no tray";
  EXPECT_FALSE(drive.Medium().has_value());
  EXPECT_EQ(TestUnitReady(kAddress), -1) << "unit attention: the disc went";
  EXPECT_FALSE(StartStopUnit(kAddress, false)) << "nothing to close";
  EXPECT_FALSE(drive.CloseTray());
  CapabilitiesPage page;
  ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
  EXPECT_EQ(page.MediumType, 0x70);
  EXPECT_EQ(page.PageByte6 & 0xE0, 0);

  sim::MediumSpec disc;
  ASSERT_TRUE(sim::LookupMedium("dvd-rom", disc));
  ASSERT_TRUE(drive.InsertDisc(disc));  // drawn in
  VirtualClock::Advance(2500);
  EXPECT_EQ(TestUnitReady(kAddress), -1) << "unit attention";
  EXPECT_EQ(TestUnitReady(kAddress), 0);
}

TEST_F(DriveTest, AudioStatusFollowsPlayback) {
  sim::Drive& drive = UseDrive("cd52-fixed", "audio-cd");
  EXPECT_EQ(ReadAudioStatus(kAddress), 0x15);
  ASSERT_TRUE(drive.PlayAudio());
  EXPECT_EQ(ReadAudioStatus(kAddress), 0x11);
  ASSERT_TRUE(drive.PauseAudio());
  EXPECT_EQ(ReadAudioStatus(kAddress), 0x12);
  ASSERT_TRUE(drive.StopAudio());
  EXPECT_EQ(ReadAudioStatus(kAddress), 0x13) << "completed, once";
  EXPECT_EQ(ReadAudioStatus(kAddress), 0x15);
  uint8_t sector[2048];
  EXPECT_FALSE(ReadSectors(kAddress, 0, 1, sector)) << "audio tracks hold no data sectors";

  UseDrive("cd52-fixed", "data-cd");
  EXPECT_FALSE(sim::VirtualDriveAt(0).PlayAudio());
}

// 1x CD reads 75 sectors of 2048 data bytes a second (153.6 kB/s of data).
TEST_F(DriveTest, ReadsTakeTheTimeTheirSpeedAllows) {
  struct Case {
    const char* profile;
    uint32_t request;
    uint32_t expectedMs;  // 2560 sectors
  };
  for (Case c : {Case{"cd48-reader", 0xFFFF, 2560 * 1000 / (75 * 48)},
                 Case{"cd48-reader", 1411, 2560 * 1000 / (75 * 8)},
                 Case{"cd52-fixed", 706, 2560 * 1000 / (75 * 52)}}) {
    SCOPED_TRACE(testing::Message() << c.profile << " " << c.request);
    UseDrive(c.profile, "data-cd");
    ASSERT_TRUE(SetCdSpeed(kAddress, c.request, 0));
    std::vector<uint8_t> buffer(256 * 2048);
    uint32_t before = VirtualClock::Elapsed();
    for (uint32_t lba = 100000; lba < 100000 + 2560; lba += 256) ASSERT_TRUE(ReadSectors(kAddress, lba, 256, buffer.data()));
    uint32_t took = VirtualClock::Elapsed() - before;
    EXPECT_NEAR(took, c.expectedMs, 1);
  }
}

TEST_F(DriveTest, PerformanceZonesAndReadsPastTheEnd) {
  sim::Profile profile;
  std::string error;
  ASSERT_TRUE(sim::LoadNamedProfile("dvdrw16-roundup", profile, error));
  profile.PerformanceDescriptors = 2;
  VirtualClock::Install();
  sim::ClearVirtualDrives();
  sim::UseVirtualTransports(false, true);
  SelectTransport(0);
  sim::Drive& drive = sim::AddVirtualDrive(profile, kAddress);
  EXPECT_EQ(GetReadPerformance(kAddress), 0u) << "two zones (L = 36) do not count";
  EXPECT_EQ(get_be32(drive.Log().back().Answer.data()), 36u);
  uint8_t sector[2048];
  uint32_t last = ReadCapacity(kAddress);
  EXPECT_TRUE(ReadSectors(kAddress, last, 1, sector));
  EXPECT_FALSE(ReadSectors(kAddress, last + 1, 1, sector));
}

}  // namespace

namespace {

TEST_F(DriveTest, SomeDrivesForgetTheirSpeedWithANewDiscAndAllDoAfterPowerLoss) {
  struct Case {
    const char* profile;
    bool forgets;
  };
  for (Case c : {Case{"slot24-combo", true}, Case{"cd32-noheader", true}, Case{"cd48-reader", false}}) {
    SCOPED_TRACE(c.profile);
    sim::Drive& drive = UseDrive(c.profile, "data-cd");
    ASSERT_TRUE(SetCdSpeed(kAddress, 1411, 0));
    uint32_t set = ReportedSpeed();
    ASSERT_TRUE(drive.OpenTray(true));
    drive.CloseTray();  // a slot drive has handed the disc out instead
    if (!drive.Medium()) {
      sim::MediumSpec disc;
      ASSERT_TRUE(sim::LookupMedium("data-cd", disc));
      ASSERT_TRUE(drive.InsertDisc(disc));
    }
    Settle();
    uint32_t fastest = drive.profile().CdSpeeds.back();
    EXPECT_EQ(ReportedSpeed(), c.forgets ? fastest : set);
  }

  sim::Drive& drive = UseDrive("cd48-reader", "data-cd");
  ASSERT_TRUE(SetCdSpeed(kAddress, 1411, 0));
  ASSERT_TRUE(PreventAllowRemoval(kAddress, true));
  std::string error;
  ASSERT_TRUE(sim::ApplyControlLine(R"({"action":"powerReset"})", error)) << error;
  EXPECT_EQ(TestUnitReady(kAddress), -1);
  EXPECT_EQ(drive.Log().back().Sense[12], 0x29) << "power on or reset";
  EXPECT_EQ(TestUnitReady(kAddress), 1) << "spinning up again";
  EXPECT_FALSE(drive.Locked());
  EXPECT_EQ(drive.CurrentReadSpeed(), 8467u);
}

TEST_F(DriveTest, ThroughputOfASpeedCanDifferFromItsNominalRate) {
  UseDrive("slot24-combo", "data-cd");
  std::vector<uint8_t> buffer(256 * 2048);
  uint32_t before = VirtualClock::Elapsed();
  ASSERT_TRUE(ReadSectors(kAddress, 0, 256, buffer.data()));
  EXPECT_EQ(VirtualClock::Elapsed() - before, 256u * 1000 / (75 * 22));  // 24x really reads 22x
  ASSERT_TRUE(SetCdSpeed(kAddress, 2822, 0));
  before = VirtualClock::Elapsed();
  ASSERT_TRUE(ReadSectors(kAddress, 0, 256, buffer.data()));
  EXPECT_NEAR(VirtualClock::Elapsed() - before, 256u * 1000 / (75 * 16), 1);  // the first read left a fraction of a ms
}

}  // namespace
