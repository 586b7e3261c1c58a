#include <cstring>

#include "mmc_fixture.h"

namespace {

sim::Fault FailWith(int opcode, int senseKey, int count, int senseLength = -1) {
  sim::Fault f;
  f.Opcode = opcode;
  f.SenseKey = senseKey;
  f.Count = count;
  f.SenseLength = senseLength;
  return f;
}

bool SameRequest(const ScsiRequest& a, const ScsiRequest& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

using ExecutorTest = MmcFixture;

struct RetryCase {
  const char* name;
  int transportId;      // 1 answers like SPTI, 2 like ASPI
  bool speedCommand;    // SET CD SPEED (wants sense) or START STOP UNIT (wants none)
  int senseKey;
  int failures;
  int senseLength;      // -1: the full sense
  bool result;
  size_t attempts;
  uint32_t waited;
};

const RetryCase kRetryCases[] = {
    {"not ready three times", 1, true, 0x02, 3, -1, false, 3, 1000},
    {"not ready twice then ready", 1, true, 0x02, 2, -1, true, 3, 1000},
    {"unit attention once", 1, true, 0x06, 1, -1, true, 2, 0},
    {"unit attention for ever", 1, true, 0x06, -1, -1, false, 3, 0},
    {"illegal request", 1, true, 0x05, 1, -1, false, 1, 0},
    {"sense byte with a flag bit is not retried", 1, true, 0x22, 1, -1, false, 1, 0},
    {"two sense bytes carry no key", 1, true, 0x02, 1, 2, false, 1, 0},
    {"no sense asked for under SPTI", 1, false, 0x02, 3, -1, false, 1, 0},
    {"ASPI always brings sense back", 2, false, 0x02, 3, -1, false, 3, 1000},
};

TEST_F(ExecutorTest, RetriesOnlyNotReadyAndUnitAttention) {
  for (const RetryCase& c : kRetryCases) {
    SCOPED_TRACE(c.name);
    sim::Drive& drive = UseDrive("cd48-reader", c.transportId);
    int opcode = c.speedCommand ? 0xBB : 0x1B;
    drive.AddFault(FailWith(opcode, c.senseKey, c.failures, c.senseLength));
    bool ok = c.speedCommand ? SetCdSpeed(kAddress, 1411, 0) : StartStopUnit(kAddress, true);
    EXPECT_EQ(ok, c.result);
    EXPECT_EQ(Seen().size(), c.attempts);
    EXPECT_EQ(VirtualClock::SleptTotal(), c.waited);
    EXPECT_EQ(VirtualClock::SleepCount(), c.waited / 500);
  }
}

TEST_F(ExecutorTest, EveryRetryGoesOutExactlyAsBuilt) {
  sim::Drive& drive = UseDrive("cd48-reader");
  drive.AddFault(FailWith(0x5A, 0x06, 1));
  CapabilitiesPage page;
  ASSERT_TRUE(ModeSenseCapabilities(kAddress, page));
  ASSERT_EQ(Seen().size(), 2u);
  EXPECT_TRUE(SameRequest(Seen()[0], Seen()[1]));
  EXPECT_EQ(Seen()[1].DataLength, 256u);  // not the length the failed attempt reported
  EXPECT_EQ(Seen()[1].SenseLength, 16u);
  EXPECT_EQ(page.CurrentReadSpeed, 8467u);
}

TEST_F(ExecutorTest, LastAttemptStatusStaysInTheRequest) {
  sim::Drive& drive = UseDrive("cd48-reader");
  drive.AddFault(FailWith(0xBB, 0x05, 1));
  ScsiRequest request{};
  request.Address = kAddress;
  request.CdbLength = 12;
  request.Cdb[0] = 0xBB;
  request.SenseLength = 16;
  EXPECT_FALSE(ExecuteCommand(request));
  EXPECT_EQ(request.ScsiStatus, 2);
  EXPECT_EQ(request.SenseKey, 5);
  EXPECT_EQ(request.SenseLength, 16u);
  EXPECT_EQ(request.SenseData[0], 0x70);
}

TEST_F(ExecutorTest, SpinUpAfterInsertIsWaitedOutWithinThreeAttempts) {
  sim::Drive& drive = UseDrive("cd48-reader");
  ASSERT_TRUE(drive.RemoveDisc());
  sim::MediumSpec disc;
  ASSERT_TRUE(sim::LookupMedium("data-cd", disc));
  ASSERT_TRUE(drive.InsertDisc(disc));  // 2000 ms of spin-up, unit attention pending
  // UNIT ATTENTION, then NOT READY twice: the disc is still spinning up.
  EXPECT_EQ(ReadCapacity(kAddress), 0u);
  EXPECT_EQ(Seen().size(), 3u);
  EXPECT_EQ(VirtualClock::SleptTotal(), 500u);
  VirtualClock::Advance(1500);
  EXPECT_EQ(ReadCapacity(kAddress), disc.Blocks - 1);
}

struct SelectCase {
  bool aspi, spti;
  int apiPrefered;
  int installed;
  int aspiStatus, sptiStatus;
  bool classDriver = false;  // the class-driver row answers its check
};

const SelectCase kSelectCases[] = {
    {false, true, 2, 1, 1, 4},   // ASPI preferred but not installed: SPTI
    {true, true, 2, 2, 3, 4},    // ASPI preferred and working: ASPI
    {true, true, 0, 1, 3, 4},    // both work, no preference: SPTI
    {true, true, 1, 1, 3, 4},
    {true, false, 0, 2, 3, 1},   // Windows 9x with an ASPI layer
    {false, false, 0, 1, 1, 1},  // nothing usable: SPTI, whose commands fail
    {false, false, 0, 3, 1, 1, true},  // a standard user of Windows Vista and later
    {false, true, 0, 1, 1, 4, true},   // an administrator there: SPTI
    {true, false, 2, 2, 3, 1, true},   // an ASPI layer still comes first
};

TEST(SelectTransport, ChoosesByAvailabilityAndPreference) {
  for (const SelectCase& c : kSelectCases) {
    SCOPED_TRACE(testing::Message() << "aspi " << c.aspi << " spti " << c.spti << " prefered " << c.apiPrefered);
    sim::UseVirtualTransports(c.aspi, c.spti, c.classDriver);
    EXPECT_EQ(TransportId(), 2) << "ASPI row before the first selection";
    EXPECT_EQ(AspiStatus(), 0);
    EXPECT_EQ(SptiStatus(), 0);
    EXPECT_EQ(SelectTransport(c.apiPrefered), c.installed);
    EXPECT_EQ(TransportId(), c.installed);
    EXPECT_EQ(AspiStatus(), c.aspiStatus);
    EXPECT_EQ(SptiStatus(), c.sptiStatus);
  }
  RegisterTransports({nullptr, nullptr}, {nullptr, nullptr});
}

TEST(SelectTransport, WithoutAnyRowEveryOperationFails) {
  RegisterTransports({nullptr, nullptr}, {nullptr, nullptr});
  EXPECT_EQ(SelectTransport(0), AbsentTransport.TransportId);
  DriveCursor cursor{};
  EXPECT_FALSE(CurrentTransport().FirstDrive(cursor));
  EXPECT_EQ(TestUnitReady({0, 0, 0, 'D'}), -1);
  InquiryData names;
  EXPECT_FALSE(Inquiry({0, 0, 0, 'D'}, names));
}

}  // namespace
