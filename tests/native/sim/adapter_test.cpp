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

}  // namespace
