// The adapters in front of the virtual drives: what a profile or a set-up
// states, what an ASPI host adapter and the class driver make of it, and
// the refusals they log.
#include "common/byte_order.h"
#include "mmc/class_driver.h"
#include "sim/model/class_driver_fake.h"
#include "sim_fixture.h"

namespace {

using AdapterTest = SimFixture;
using namespace ClassDriverWire;

// The adapter judges the length first, then the buffer's address under its
// mask; a request without data passes whatever its pointer.
TEST(AdapterSpec, RefusesWhatItCannotCarry) {
  sim::AdapterSpec ahci;
  std::string error;
  ASSERT_TRUE(sim::ParseAdapter(R"({"maxTransfer":"0x10000","alignmentMask":3})", ahci, error)) << error;
  struct Case {
    uint32_t Buffer, Length;
    sim::AdapterVerdict Verdict;
  } cases[] = {
      {0x1000, 65536, sim::AdapterVerdict::Accepted},   {0x1000, 65537, sim::AdapterVerdict::TooLong},
      {0x1001, 65538, sim::AdapterVerdict::TooLong},    {0x1002, 2048, sim::AdapterVerdict::Misaligned},
      {0x1003, 0, sim::AdapterVerdict::Accepted},       {0x1004, 36, sim::AdapterVerdict::Accepted},
  };
  for (const Case& c : cases) EXPECT_EQ(ahci.Judge(c.Buffer, c.Length), c.Verdict) << c.Buffer << " " << c.Length;
  EXPECT_EQ(sim::AdapterSpec{}.Judge(0x1001, 1u << 24), sim::AdapterVerdict::Accepted) << "no adapter stated";
}

// An ASPI host adapter states the tightest limits of the drives on it; a
// set-up can put a drive behind another adapter than its profile's. A
// refused request is logged as such and never reaches the drive.
TEST_F(AdapterTest, HostAdaptersStateTheirDrivesLimitsAndRefusalsAreLogged) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"usbwriter8-external"},
      {"profile":"cd48-reader","target":1,"adapter":{"maxTransfer":131072,"alignmentMask":3}},
      {"profile":"cd48-reader","haId":1}]})",
                              "", error))
      << error;
  sim::AdapterSpec first = sim::VirtualHostAdapter(0), second = sim::VirtualHostAdapter(1);
  EXPECT_TRUE(first.Stated);
  EXPECT_EQ(first.MaxTransfer, 65536u);
  EXPECT_EQ(first.AlignmentMask, 3u);
  EXPECT_FALSE(second.Stated);
  EXPECT_FALSE(sim::ParseSetup(R"({"drives":[{"profile":"cd48-reader","adapter":{"maxTransfer":0}}]})", "", error));

  const sim::Drive& writer = sim::VirtualDriveAt(0);
  const uint8_t read33[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 33, 0};
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1000, 33 * 2048, 7), sim::AdapterVerdict::TooLong);
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1002, 2048, 7), sim::AdapterVerdict::Misaligned);
  EXPECT_EQ(sim::AdmitToVirtualDrive(0, first, read33, 10, 0x1000, 2048, 7), sim::AdapterVerdict::Accepted);
  ASSERT_EQ(writer.Log().size(), 2u);
  EXPECT_EQ(sim::Drive::LogLine(writer.Log()[0]),
            R"({"cdb":"28 00 00 00 00 00 00 00 21 00","handle":7,"length":67584,"refused":"tooLong","t":5000})");
  EXPECT_EQ(sim::Drive::LogLine(writer.Log()[1]),
            R"({"cdb":"28 00 00 00 00 00 00 00 21 00","handle":7,"length":2048,"misalignment":2,)"
            R"("refused":"misaligned","t":5000})");
}

// The class driver reads in pieces its adapter carries, refuses a buffer
// the adapter's mask does not accept before anything reaches the drive, and
// tells the adapter's limits when the drive's profile states them.
TEST_F(AdapterTest, ClassDriverKeepsItsReadsWithinTheAdapter) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"cd48-reader","letter":"E",
      "adapter":{"maxTransfer":20480,"alignmentMask":3}},{"profile":"cd48-reader","letter":"F"}]})",
                              "", error))
      << error;
  const ClassDriverOps& ops = sim::VirtualClassDriver(sim::VirtualWindows::Windows8);
  uint32_t openError = 0, read = 0, returned = 0;
  ClassDriverHandle limited = ops.Open('E', openError), plain = ops.Open('F', openError);
  ASSERT_TRUE(limited && plain);
  alignas(16) static uint8_t buffer[24 * 2048 + 16];
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer, 24 * 2048, read), ErrorNone);
  EXPECT_EQ(read, 24u * 2048);
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer + 2, 2048, read), ErrorInvalidParameter);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(ops.Read(plain, 16 * 2048, buffer + 2, 24 * 2048, read), ErrorNone) << "no adapter stated";
  std::vector<int> pieces;
  for (const sim::LogEntry& entry : sim::VirtualDriveAt(0).Log()) pieces.push_back(entry.Cdb.at(8));
  EXPECT_EQ(pieces, (std::vector<int>{10, 10, 4, 1}));
  EXPECT_EQ(sim::VirtualDriveAt(0).Log().back().Refused, "misaligned");
  EXPECT_EQ(sim::VirtualDriveAt(1).Log().size(), 1u);

  // STORAGE_PROPERTY_QUERY for StorageAdapterProperty, and the
  // STORAGE_ADAPTER_DESCRIPTOR's MaximumTransferLength and AlignmentMask.
  const uint8_t query[12] = {1};
  uint8_t descriptor[40] = {};
  ASSERT_EQ(ops.Control(limited, IoctlStorageQueryProperty, query, sizeof query, descriptor, sizeof descriptor,
                        returned),
            ErrorNone);
  EXPECT_EQ(returned, 32u);
  EXPECT_EQ(get_le32(descriptor + 8), 20480u);
  EXPECT_EQ(get_le32(descriptor + 16), 3u);
  EXPECT_EQ(ops.Control(plain, IoctlStorageQueryProperty, query, sizeof query, descriptor, sizeof descriptor,
                        returned),
            ErrorInvalidFunction);
  ops.Close(limited);
  ops.Close(plain);
}

}  // namespace
