// The adapters in front of the virtual drives, as a set-up states them:
// what the virtual rows and the class driver make of them.
#include "common/byte_order.h"
#include "mmc/class_driver.h"
#include "sim/model/class_driver_fake.h"
#include "sim_fixture.h"

namespace {

using namespace ClassDriverWire;
using Adapters = SimFixture;

// E: is the USB writer (64 KiB, any address), F: shares its host adapter
// behind 20 KiB and four-byte alignment, the third drive states none. SPTI
// tells a drive's own adapter, ASPI its host adapter's tightest; what lies
// beyond is refused with the system's own answer and reaches no drive. The
// class driver reads in pieces the adapter carries, refuses a misaligned
// buffer, and tells the limits (StorageAdapterProperty: MaximumTransferLength
// at 8, AlignmentMask at 16).
TEST_F(Adapters, AreStatedAndKeptByTheRowsAndTheClassDriver) {
  VirtualClock::Install(5000);
  std::string error;
  ASSERT_TRUE(sim::ParseSetup(R"({"drives":[{"profile":"usbwriter8-external","letter":"E"},
      {"profile":"cd48-reader","target":1,"letter":"F","adapter":{"maxTransfer":20480,"alignmentMask":3}},
      {"profile":"cd48-reader","haId":1}]})",
                              "", error))
      << error;
  const Transport &spti = sim::VirtualTransport(1), &aspi = sim::VirtualTransport(2);
  AdapterLimits limits{};
  EXPECT_TRUE(spti.QueryAdapter(nullptr, sim::VirtualDriveAddress(0), limits) && limits.MaxTransfer == 65536 &&
              limits.AlignmentMask == 0);
  EXPECT_TRUE(aspi.QueryAdapter(nullptr, sim::VirtualDriveAddress(0), limits) && limits.MaxTransfer == 20480 &&
              limits.AlignmentMask == 3);
  EXPECT_FALSE(spti.QueryAdapter(nullptr, sim::VirtualDriveAddress(2), limits));

  alignas(16) static uint8_t buffer[33 * 2048 + 4];
  const struct {
    const Transport* Row;
    uint32_t Offset, Blocks;
    int32_t SystemError, RequestStatus;  // -1: none
  } cases[] = {{&spti, 1, 32, -1, -1}, {&spti, 0, 33, 87, -1}, {&aspi, 4, 10, -1, 0x01}, {&aspi, 0, 11, -1, 0xE6},
               {&aspi, 2, 1, -1, 0xE1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Row->TransportId << " " << c.Offset << " " << c.Blocks);
    ScsiRequest request{};
    request.Address = sim::VirtualDriveAddress(0);
    request.CdbLength = 10;
    request.Cdb[0] = 0x28;
    request.Cdb[8] = uint8_t(c.Blocks);
    request.DataLength = c.Blocks * 2048;
    request.DataBuffer = buffer + c.Offset;
    bool refused = c.SystemError != -1 || c.RequestStatus > 0x01;
    EXPECT_EQ(ExecuteOnce(*c.Row, request), !refused);
    EXPECT_EQ(request.SystemError, c.SystemError);
    EXPECT_EQ(request.RequestStatus, c.RequestStatus);
    EXPECT_EQ(sim::VirtualDriveAt(0).Log().back().Refused.empty(), !refused);
  }

  const ClassDriverOps& ops = sim::VirtualClassDriver(sim::VirtualWindows::Windows8);
  uint32_t openError = 0, read = 0, returned = 0;
  ClassDriverHandle limited = ops.Open('F', openError);
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer, 24 * 2048, read), ErrorNone);
  EXPECT_EQ(ops.Read(limited, 16 * 2048, buffer + 2, 2048, read), ErrorInvalidParameter);
  std::vector<int> blocks;
  for (const sim::LogEntry& entry : sim::VirtualDriveAt(1).Log())
    blocks.push_back(entry.Refused.empty() ? entry.Cdb.at(8) : -1);
  EXPECT_EQ(blocks, (std::vector<int>{10, 10, 4, -1}));
  const uint8_t query[12] = {1};  // StorageAdapterProperty, standard query
  uint8_t descriptor[32] = {};
  ASSERT_EQ(ops.Control(limited, IoctlStorageQueryProperty, query, 12, descriptor, 32, returned), ErrorNone);
  EXPECT_TRUE(get_le32(descriptor + 8) == 20480 && get_le32(descriptor + 16) == 3);
  ops.Close(limited);
}

}  // namespace
