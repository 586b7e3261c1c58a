#include <functional>
#include <vector>

#include "mmc/wire.h"
#include "mmc_fixture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using CommandsTest = MmcFixture;

Bytes CdbOf(const ScsiRequest& r) { return Bytes(r.Cdb, r.Cdb + r.CdbLength); }

struct WireCase {
  const char* name;
  std::function<void(const DeviceAddress&)> run;
  Bytes cdb;  // as sent with LUN 0
  uint32_t dataLength;
  uint32_t senseLength;
  int dataOut;
  bool lunInByte1;
};

const DeviceAddress kAddr = MmcFixture::kAddress;

std::vector<WireCase> WireCases() {
  static uint8_t sectors[2 * 2048];
  return {
      {"INQUIRY", [](auto& a) { InquiryData d; (void)Inquiry(a, d); }, {0x12, 0, 0, 0, 0x24, 0}, 36, 16, 0, false},
      {"MODE SENSE 2A", [](auto& a) { CapabilitiesPage p; ModeSenseCapabilities(a, p); },
       {0x5A, 0, 0x2A, 0, 0, 0, 0, 0x01, 0, 0}, 256, 16, 0, false},
      {"SET CD SPEED", [](auto& a) { SetCdSpeed(a, 0x1234, 0xFFFF); },
       {0xBB, 0, 0x12, 0x34, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}, 0, 16, 0, true},
      {"SET CD SPEED keeps the low 16 bits", [](auto& a) { SetCdSpeed(a, 0x10000, 0x10001); },
       {0xBB, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, 0, 16, 0, true},
      {"START STOP eject", [](auto& a) { StartStopUnit(a, true); }, {0x1B, 0, 0, 0, 0x02, 0}, 0, 0, 0, true},
      {"START STOP load", [](auto& a) { StartStopUnit(a, false); }, {0x1B, 0, 0, 0, 0x03, 0}, 0, 0, 0, true},
      {"TEST UNIT READY", [](auto& a) { TestUnitReady(a); }, {0, 0, 0, 0, 0, 0}, 0, 16, 0, true},
      {"READ CAPACITY", [](auto& a) { (void)ReadCapacity(a); }, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 16, 16, 0, false},
      {"READ(10)", [](auto& a) { ReadSectors(a, 0x01020304, 2, sectors); },
       {0x28, 0, 0x01, 0x02, 0x03, 0x04, 0, 0, 2, 0}, 4096, 16, 0, false},
      {"PREVENT", [](auto& a) { PreventAllowRemoval(a, true); }, {0x1E, 0, 0, 0, 1, 0}, 0, 0, 0, true},
      {"ALLOW", [](auto& a) { PreventAllowRemoval(a, false); }, {0x1E, 0, 0, 0, 0, 0}, 0, 0, 0, true},
      {"READ SUB-CHANNEL", [](auto& a) { (void)ReadAudioStatus(a); }, {0x42, 0, 0, 1, 0, 0, 0, 0, 0x10, 0}, 16, 16, 0,
       true},
      {"GET CONFIGURATION", [](auto& a) { (void)GetCurrentProfile(a); }, {0x46, 0, 0, 0, 0, 0, 0, 0, 0x08, 0}, 8, 16, 0,
       true},
      {"SET STREAMING", [](auto& a) { SetStreaming(a, 5540, 0); },
       {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x1C, 0}, 28, 16, 1, false},
      {"GET PERFORMANCE", [](auto& a) { (void)GetReadPerformance(a); },
       {0xAC, 0x10, 0, 0, 0, 0, 0, 0, 0, 0x08, 0, 0}, 136, 16, 0, true},
  };
}

TEST_F(CommandsTest, EachCommandGoesOutWithItsCdbLengthsAndDirection) {
  for (uint32_t lun : {0u, 2u}) {
    for (const WireCase& c : WireCases()) {
      SCOPED_TRACE(testing::Message() << c.name << ", LUN " << lun);
      DeviceAddress address = kAddr;
      address.Lun = lun;
      UseDrive("dvdrw16-roundup", 1, address);
      c.run(address);
      ASSERT_FALSE(Seen().empty());
      const ScsiRequest& sent = Seen().front();
      Bytes expected = c.cdb;
      if (c.lunInByte1) expected[1] |= uint8_t(lun << 5);
      EXPECT_EQ(CdbOf(sent), expected);
      for (uint32_t i = sent.CdbLength; i < 16; ++i) EXPECT_EQ(sent.Cdb[i], 0) << "byte " << i;
      EXPECT_EQ(sent.DataLength, c.dataLength);
      EXPECT_EQ(sent.DataBuffer != nullptr, c.dataLength != 0);
      EXPECT_EQ(sent.SenseLength, c.senseLength);
      EXPECT_EQ(sent.DataOut, c.dataOut);
      EXPECT_EQ(sent.Address.Target, address.Target);
      EXPECT_EQ(sent.Address.Letter, address.Letter);
    }
  }
}

TEST_F(CommandsTest, SetStreamingSendsOnePerformanceDescriptor) {
  UseDrive("dvdrom16-streaming");
  ASSERT_TRUE(SetStreaming(kAddr, 5540, 0x1234));
  const Bytes expected = {0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0x15, 0xA4,
                          0, 0, 0x03, 0xE8, 0, 0, 0x12, 0x34, 0, 0, 0x03, 0xE8};
  // The descriptor lived on the command's stack; the drive's log kept it.
  EXPECT_EQ(sim::VirtualDriveAt(0).Log().back().DataOut, expected);
}

TEST_F(CommandsTest, TestUnitReadyAnswersReadyNotReadyOrFailure) {
  sim::Drive& drive = UseDrive("cd48-reader");
  EXPECT_EQ(TestUnitReady(kAddr), 0);
  ASSERT_TRUE(StartStopUnit(kAddr, true));
  EXPECT_EQ(TestUnitReady(kAddr), 1) << "tray open";
  sim::Fault silent;
  silent.NoAnswer = true;
  silent.Count = -1;
  drive.AddFault(silent);
  Seen().clear();
  EXPECT_EQ(TestUnitReady(kAddr), -1) << "drive does not answer";
  EXPECT_EQ(Seen().size(), 1u) << "one attempt only";
  EXPECT_EQ(TestUnitReady({0, 7, 0, 'Q'}), -1) << "no drive there";
}

TEST_F(CommandsTest, ReadOf256SectorsIsEightCommandsOnOneHandle) {
  sim::Drive& drive = UseDrive("cd48-reader");
  std::vector<uint8_t> buffer(256 * 2048);
  ASSERT_TRUE(ReadSectors(kAddr, 1000, 256, buffer.data()));
  ASSERT_EQ(drive.Log().size(), 8u);
  for (size_t i = 0; i < 8; ++i) {
    const sim::LogEntry& e = drive.Log()[i];
    EXPECT_EQ(get_be32(&e.Cdb[2]), 1000 + 32 * i);
    EXPECT_EQ(get_be16(&e.Cdb[7]), 32);
    EXPECT_EQ(e.Handle, drive.Log()[0].Handle);
    EXPECT_NE(e.Handle, 0u);
  }
  for (uint32_t s = 0; s < 256; ++s) EXPECT_EQ(get_be32(&buffer[s * 2048]), 1000 + s);
  EXPECT_EQ(sim::OpenHandleCount(), 0u);
}

TEST_F(CommandsTest, ReadStopsAtTheFirstFailureOrShortTransfer) {
  struct Case {
    const char* name;
    sim::Fault fault;
  };
  sim::Fault notReady;
  notReady.Opcode = 0x28;
  notReady.SenseKey = 2;
  sim::Fault shortRead;
  shortRead.Opcode = 0x28;
  shortRead.ShortData = 2048;
  for (const Case& c : {Case{"sense key 2, no retry", notReady}, Case{"short transfer", shortRead}}) {
    SCOPED_TRACE(c.name);
    sim::Drive& drive = UseDrive("cd48-reader");
    std::vector<uint8_t> buffer(100 * 2048);
    drive.AddFault(c.fault);
    EXPECT_FALSE(ReadSectors(kAddr, 0, 100, buffer.data()));
    EXPECT_EQ(drive.Log().size(), 1u);
    EXPECT_EQ(sim::OpenHandleCount(), 0u);
  }
  UseDrive("cd48-reader");
  uint8_t sector[2048];
  EXPECT_FALSE(ReadSectors({0, 9, 0, 'Z'}, 0, 1, sector)) << "cannot open";
  EXPECT_TRUE(ReadSectors(kAddr, 0, 0, nullptr)) << "nothing to read";
}

TEST_F(CommandsTest, FailedQueriesAnswerTheirNeutralValue) {
  sim::Drive& drive = UseDrive("dvdrw16-roundup");
  sim::Fault broken;
  broken.SenseKey = 4;  // hardware error
  broken.Count = -1;
  drive.AddFault(broken);
  InquiryData names;
  names.Vendor[0] = 'x';
  CapabilitiesPage page;
  page.MaxReadSpeed = 1;
  EXPECT_FALSE(Inquiry(kAddr, names));
  EXPECT_EQ(names.Vendor[0], 0);
  EXPECT_FALSE(ModeSenseCapabilities(kAddr, page));
  EXPECT_EQ(page.MaxReadSpeed, 0u);
  EXPECT_EQ(ReadCapacity(kAddr), 0u);
  EXPECT_EQ(ReadAudioStatus(kAddr), -1);
  EXPECT_EQ(GetCurrentProfile(kAddr), -1);
  EXPECT_EQ(GetReadPerformance(kAddr), 0u);
  EXPECT_FALSE(SetStreaming(kAddr, 1385, 0));
  EXPECT_FALSE(SetCdSpeed(kAddr, 1411, 0));
}

}  // namespace
