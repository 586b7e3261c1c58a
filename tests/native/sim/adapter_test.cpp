// The adapters in front of the virtual drives, as a set-up states them: what
// an ASPI host adapter makes of its drives' limits, and how the class driver
// keeps its reads within them.
#include "common/byte_order.h"
#include "mmc/class_driver.h"
#include "sim/model/class_driver_fake.h"
#include "sim_fixture.h"

namespace {

using AdapterTest = SimFixture;
using namespace ClassDriverWire;

// E: is behind an adapter of 20 KiB that wants four-byte alignment, F:
// states none, G: a looser one on the same host adapter. The class driver
// reads in pieces E:'s adapter carries, refuses a buffer its mask does not
// accept before anything reaches the drive, and tells the limits
// (StorageAdapterProperty: MaximumTransferLength at 8, AlignmentMask at 16).
TEST_F(AdapterTest, HostAdapterAndClassDriverKeepToTheirDrivesLimits) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"cd48-reader","letter":"E",
      "adapter":{"maxTransfer":20480,"alignmentMask":3}},{"profile":"cd48-reader","letter":"F","target":1},
      {"profile":"cd48-reader","target":2,"adapter":{"maxTransfer":65536,"alignmentMask":1}}]})",
                              "", error))
      << error;
  sim::AdapterSpec host = sim::VirtualHostAdapter(0);
  EXPECT_TRUE(host.Stated && host.MaxTransfer == 20480 && host.AlignmentMask == 3);
  EXPECT_FALSE(sim::VirtualHostAdapter(1).Stated);

  const ClassDriverOps& ops = sim::VirtualClassDriver(sim::VirtualWindows::Windows8);
  uint32_t openError = 0, read = 0, returned = 0;
  ClassDriverHandle limited = ops.Open('E', openError), plain = ops.Open('F', openError);
  ASSERT_TRUE(limited && plain);
  alignas(16) static uint8_t buffer[24 * 2048 + 16];
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer, 24 * 2048, read), ErrorNone);
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer + 2, 2048, read), ErrorInvalidParameter);
  EXPECT_EQ(ops.Read(plain, 16 * 2048, buffer + 2, 24 * 2048, read), ErrorNone);
  std::vector<int> blocks;
  for (const sim::LogEntry& entry : sim::VirtualDriveAt(0).Log()) blocks.push_back(entry.Cdb.at(8));
  EXPECT_EQ(blocks, (std::vector<int>{10, 10, 4, 1}));
  EXPECT_EQ(sim::VirtualDriveAt(0).Log().back().Refused, "misaligned");
  EXPECT_EQ(sim::VirtualDriveAt(1).Log().size(), 1u);

  const uint8_t query[12] = {1};  // StorageAdapterProperty, standard query
  uint8_t descriptor[40] = {};
  ASSERT_EQ(ops.Control(limited, IoctlStorageQueryProperty, query, 12, descriptor, 40, returned), ErrorNone);
  EXPECT_EQ(returned, 32u);
  EXPECT_EQ(get_le32(descriptor + 8), 20480u);
  EXPECT_EQ(get_le32(descriptor + 16), 3u);
  EXPECT_EQ(ops.Control(plain, IoctlStorageQueryProperty, query, 12, descriptor, 40, returned), ErrorInvalidFunction);
  ops.Close(limited);
  ops.Close(plain);
}

// The virtual rows answer QueryAdapter as their systems would (SPTI the
// drive's own adapter, ASPI its host adapter's) and refuse what lies beyond
// it with the system's own answer, before the drive sees anything.
TEST_F(AdapterTest, VirtualRowsStateTheAdapterAndRefuseWhatItCannotCarry) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"usbwriter8-external"},
      {"profile":"cd48-reader","target":1,"adapter":{"maxTransfer":131072,"alignmentMask":3}},
      {"profile":"cd48-reader","haId":1}]})",
                              "", error))
      << error;
  const Transport &spti = sim::VirtualTransport(1), &aspi = sim::VirtualTransport(2);
  const DeviceAddress writer = sim::VirtualDriveAddress(0), plain = sim::VirtualDriveAddress(2);
  AdapterLimits limits{};
  ASSERT_TRUE(spti.QueryAdapter(nullptr, writer, limits));
  EXPECT_TRUE(limits.MaxTransfer == 65536 && limits.AlignmentMask == 0);
  ASSERT_TRUE(aspi.QueryAdapter(nullptr, writer, limits));
  EXPECT_TRUE(limits.MaxTransfer == 65536 && limits.AlignmentMask == 3) << "the host adapter's";
  EXPECT_FALSE(spti.QueryAdapter(nullptr, plain, limits));

  alignas(16) static uint8_t buffer[33 * 2048 + 4];
  const struct {
    const Transport* Row;
    uint32_t Offset, Blocks;
    int32_t SystemError, RequestStatus;  // -1: none
  } cases[] = {
      {&spti, 1, 32, -1, -1},  {&spti, 0, 33, 87, -1},  {&aspi, 4, 32, -1, 0x01},
      {&aspi, 0, 33, -1, 0xE6}, {&aspi, 2, 1, -1, 0xE1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Row->TransportId << " " << c.Offset << " " << c.Blocks);
    ScsiRequest request{};
    request.Address = writer;
    request.CdbLength = 10;
    const uint8_t read[10] = {0x28, 0, 0, 0, 0, 16, 0, 0, uint8_t(c.Blocks), 0};
    std::copy(read, read + 10, request.Cdb);
    request.DataLength = c.Blocks * 2048;
    request.DataBuffer = buffer + c.Offset;
    size_t logged = sim::VirtualDriveAt(0).Log().size();
    EXPECT_EQ(ExecuteOnce(*c.Row, request), c.SystemError == -1 && c.RequestStatus < 0x80);
    EXPECT_EQ(request.SystemError, c.SystemError);
    EXPECT_EQ(request.RequestStatus, c.RequestStatus);
    EXPECT_EQ(sim::VirtualDriveAt(0).Log().back().Refused.empty(), c.SystemError == -1 && c.RequestStatus < 0x80);
    EXPECT_EQ(sim::VirtualDriveAt(0).Log().size(), logged + 1);
  }
}

}  // namespace
