// The ASPI row's decisions against a layer played over the virtual drives:
// what the layer says of itself, the scan, the letters of Windows 9x, and
// requests answered at once, later within the wait, after it, or never.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "mmc/commands.h"
#include "native/drive/virtual_drives_fixture.h"
#include "transport/aspi_row.h"
#include "transport/aspi_srb.h"

namespace {
enum class Answer { AtOnce, WithinTheWait, AfterTheWait, Never };

struct Layer {
  uint32_t Info = SS_COMP << 8 | 3;    // three adapters
  uint8_t Targets[3] = {0, 32, 0};     // HA_Unique byte 3; adapter 2 never answers its inquiry
  AdapterLimits Adapter{0, 0};         // HA_Unique's limits (0: the layer does not say)
  Answer Mode = Answer::AtOnce;
  bool Events = true;
  int DeviceQueries[3] = {};
  std::vector<SRB_ExecSCSICmd*> Pending;  // blocks the layer still holds
  std::vector<void*> Signalled;
  std::vector<uint8_t*> Buffers;
  int EventsMade = 0, EventsClosed = 0;
};
Layer g_layer;
constexpr uint8_t DiskDeviceType = 0;  // DTYPE_DASD

void Run(SRB_ExecSCSICmd& srb) {
  DeviceAddress address{srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun, 0};
  int index = -1;
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
    const DeviceAddress& a = sim::VirtualDriveAddress(i);
    if (a.HaId == address.HaId && a.Target == address.Target) index = int(i);
  }
  sim::CommandOutcome out = sim::ExecuteOnVirtualDrive(size_t(index), srb.CDBByte, srb.SRB_CDBLen, srb.SRB_BufPointer,
                                                       srb.SRB_BufLen, (srb.SRB_Flags & SRB_DIR_OUT) != 0, 0);
  srb.SRB_TargStat = out.Status;
  std::memcpy(srb.SenseArea, out.Sense, AspiSenseLength);
  srb.SRB_BufLen = out.Transferred;
  srb.SRB_Status = out.Status == 0 ? SS_COMP : SS_ERR;
  void* event = srb.SRB_PostProc;  // a packed field: copied before a reference binds to it
  if (srb.SRB_Flags & SRB_EVENT_NOTIFY) g_layer.Signalled.push_back(event);
}

uint32_t SupportInfo() { return g_layer.Info; }

uint32_t Send(void* block) {
  auto* header = static_cast<SRB_Header*>(block);
  if (header->SRB_Cmd == SC_HA_INQUIRY) {
    auto& inquiry = *static_cast<SRB_HAInquiry*>(block);
    if (inquiry.SRB_HaId >= 2) return SS_PENDING;  // and never completes
    inquiry.HA_Unique[HaUniqueTargets] = g_layer.Targets[inquiry.SRB_HaId];
    put_le16(inquiry.HA_Unique + HaUniqueAlignmentMask, uint16_t(g_layer.Adapter.AlignmentMask));
    put_le32(inquiry.HA_Unique + HaUniqueMaxTransfer, g_layer.Adapter.MaxTransfer);
    return inquiry.SRB_Status = SS_COMP;
  }
  if (header->SRB_Cmd == SC_GET_DEV_TYPE) {
    auto& device = *static_cast<SRB_GDEVBlock*>(block);
    g_layer.DeviceQueries[device.SRB_HaId]++;
    if (device.SRB_HaId == 0 && device.SRB_Target == 0) {  // the boot disk most buses have: a device, no CD-ROM
      device.SRB_DeviceType = DiskDeviceType;
      return device.SRB_Status = SS_COMP;
    }
    for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
      const DeviceAddress& a = sim::VirtualDriveAddress(i);
      if (a.HaId == device.SRB_HaId && a.Target == device.SRB_Target) {
        device.SRB_DeviceType = DTYPE_CDROM;
        return device.SRB_Status = SS_COMP;
      }
    }
    return device.SRB_Status = SS_NO_DEVICE;
  }
  auto& srb = *static_cast<SRB_ExecSCSICmd*>(block);
  uint8_t* buffer = srb.SRB_BufPointer;
  g_layer.Buffers.push_back(buffer);
  if (g_layer.Mode == Answer::AtOnce) {
    Run(srb);
    return srb.SRB_Status;
  }
  srb.SRB_Status = SS_PENDING;
  g_layer.Pending.push_back(&srb);
  return SS_PENDING;
}

// Translated device nodes 0x7E57AATT, so that a test can give devices letters.
int Translate(uint32_t* path, uint32_t* node) {
  *node = 0x7E570000 | (*path >> 8 & 0xFF00) | (*path >> 8 & 0xFF);
  return 1;
}

AspiEvent MakeEvent() {
  if (!g_layer.Events) return nullptr;
  g_layer.EventsMade++;
  return new int(0);
}
void CloseEvent(AspiEvent event) {
  g_layer.EventsClosed++;
  for (void*& signalled : g_layer.Signalled)
    if (signalled == event) signalled = nullptr;
  delete static_cast<int*>(event);
}

// Completes the blocks the layer holds, as its thread would.
void AnswerPending() {
  for (SRB_ExecSCSICmd* srb : g_layer.Pending) Run(*srb);
  g_layer.Pending.clear();
}

bool WaitEvent(AspiEvent event, uint32_t milliseconds) {
  if (milliseconds && g_layer.Mode == Answer::WithinTheWait) AnswerPending();
  for (void* signalled : g_layer.Signalled)
    if (signalled == event) return true;
  ClockSleep(milliseconds);
  return false;
}

const AspiOps Ops = {SupportInfo, Send, Translate, MakeEvent, WaitEvent, CloseEvent};

class AspiRow : public VirtualDrives {
 protected:
  void SetUp() override {
    VirtualDrives::SetUp();
    g_layer = Layer{};
    SetAspiWaitLimit(AspiDefaultWaitMs);
  }
  // Drives at 0:2 and 0:7, found through the row.
  void StartWithTwoDrives() {
    sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{0, 2, 0, 0});
    sim::AddVirtualDrive(Profile("dvdrom16-streaming"), DeviceAddress{0, 7, 0, 0});
    ASSERT_TRUE(StartAspi(&Ops));
    RegisterTransports({[] { return true; }, &AspiTransport}, {nullptr, nullptr});
    SelectTransport(PreferAspi);
  }
  static std::string Found() {
    std::string found;
    DriveCursor cursor{};
    for (bool more = AspiTransport.FirstDrive(cursor); more; more = AspiTransport.NextDrive(cursor)) {
      found += std::to_string(cursor.Address.HaId) + ":" + std::to_string(cursor.Address.Target);
      found += cursor.Address.Letter ? char(cursor.Address.Letter) : '-';
      found += ' ';
    }
    return found;
  }
};

TEST_F(AspiRow, TheLayerIsUsableOnlyWhenItSaysSo) {
  AspiOps noSend = Ops, noInfo = Ops;
  noSend.Send = nullptr;
  noInfo.SupportInfo = nullptr;
  struct Case {
    const AspiOps* Layer;
    uint32_t Info;
    AspiAvailability Status;
  } cases[] = {
      {nullptr, 0, AspiNotInstalled},
      {&noSend, SS_COMP << 8 | 1, AspiDamaged},
      {&noInfo, SS_COMP << 8 | 1, AspiDamaged},
      {&Ops, SS_ERR << 8 | 1, AspiDamaged},
      {&Ops, SS_NO_ADAPTERS << 8 | 7, AspiUsable},  // a stray count is no adapter
      {&Ops, SS_COMP << 8 | 3, AspiUsable},
  };
  sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{0, 2, 0, 0});
  for (const Case& c : cases) {
    g_layer = Layer{};
    g_layer.Info = c.Info;
    EXPECT_EQ(StartAspi(c.Layer), c.Status == AspiUsable);
    EXPECT_EQ(AspiStatus(), c.Status);
    ScsiRequest request{};
    request.CdbLength = 6;
    request.Address = DeviceAddress{0, 2, 0, 0};
    bool sent = ExecuteOnce(AspiTransport, request);
    EXPECT_EQ(sent, c.Layer && c.Layer->Send && c.Layer->SupportInfo && c.Status == AspiUsable) << c.Info;
    if (c.Layer == &noSend || !c.Layer) { EXPECT_EQ(request.SenseKey, -1); }
    EXPECT_EQ(Found() != "", c.Status == AspiUsable && (c.Info >> 8) == SS_COMP);
  }
}

// Adapters that state no targets get eight, wide ones at most sixteen; an
// inquiry the layer keeps pending is given up on; letters come from the
// configuration manager's keys, when they hold one.
TEST_F(AspiRow, TheScanBoundsTargetsAndFindsLettersOfWindows98) {
  struct Node {
    const char* Node;
    const char* HardwareKey;
    const char* Letter;
  } nodes[] = {
      {"7E570007", "SCSI\\VARNEL__CDROM\\TEST0007", "g"},
      {"7E570002", "SCSI\\VARNEL__CDROM\\MISSING", nullptr},  // its hardware key is missing
  };
  for (const Node& node : nodes) {
    OwnedRegKey dynamic(CreateSubkey(RegRoot::DynData, (std::string("Config Manager\\Enum\\") + node.Node).c_str()));
    // Without its terminating zero, as a careless writer may leave it.
    Registry().SetValue(dynamic.Get(), "HardWareKey", RegType::String, node.HardwareKey,
                        uint32_t(std::strlen(node.HardwareKey)));
    if (!node.Letter) continue;
    OwnedRegKey device(CreateSubkey(RegRoot::LocalMachine, (std::string("Enum\\") + node.HardwareKey).c_str()));
    Registry().SetValue(device.Get(), "CurrentDriveLetterAssignment", RegType::String, node.Letter, 2);
  }
  sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{1, 15, 0, 0});
  StartWithTwoDrives();
  EXPECT_EQ(Found(), "0:2- 0:7G 1:15- ");
  EXPECT_EQ(g_layer.DeviceQueries[0], 8 + 0);
  EXPECT_EQ(g_layer.DeviceQueries[1], 16);
  EXPECT_EQ(AspiParkedRequestCount(), 2u);  // adapter 2's inquiry, once per walk
}

// A pending request is waited for on its event, or watched through its status
// byte when no event could be made; one given up on keeps its block, event and
// buffer until the layer is done with them, and the caller's buffer is left alone.
TEST_F(AspiRow, PendingRequestsAreWaitedForOrParked) {
  struct Case {
    Answer Mode;
    bool Events;
    bool Done;
    uint32_t ParkedAfter, ParkedAtTheEnd;
  } cases[] = {
      {Answer::AtOnce, true, true, 0, 0},
      {Answer::WithinTheWait, true, true, 0, 0},
      {Answer::AfterTheWait, true, false, 1, 0},  // its late answer releases it
      {Answer::AfterTheWait, false, false, 1, 1},  // nothing ever says it is done
      {Answer::Never, true, false, 1, 1},
  };
  StartWithTwoDrives();
  for (const Case& c : cases) {
    uint32_t parked = AspiParkedRequestCount();
    g_layer.Mode = c.Mode;
    g_layer.Events = c.Events;
    SetAspiWaitLimit(300);
    std::vector<uint8_t> data(4 * SectorSize, 0xAA);
    bool done = ReadSectors(DeviceAddress{0, 2, 0, 0}, 16, 4, data.data());
    EXPECT_EQ(done, c.Done) << int(c.Mode) << c.Events;
    EXPECT_EQ(AspiParkedRequestCount(), parked + c.ParkedAfter);
    if (!c.Done) { EXPECT_EQ(data[100], 0xAA); }
    if (c.Mode == Answer::AfterTheWait) AnswerPending();  // lands in the parked block, not in `data`
    EXPECT_EQ(AspiParkedRequestCount(), parked + c.ParkedAtTheEnd);
    if (!c.Done) { EXPECT_EQ(data[100], 0xAA); }
    g_layer.Pending.clear();
    g_layer.Mode = Answer::AtOnce;
  }
}

// Each device keeps one buffer, aligned as its adapter asks, for all its commands; a request
// given up on keeps its own; the adapter's limits come from its inquiry and
// the commands keep to them.
TEST_F(AspiRow, BuffersAreKeptPerDeviceAndCommandsKeepToTheAdapter) {
  g_layer.Adapter = AdapterLimits{32 * 1024, 0x1F};
  StartWithTwoDrives();
  DeviceAddress first{0, 2, 0, 0}, second{0, 7, 0, 0};
  AdapterLimits limits = LearnAdapterLimits(first);
  EXPECT_EQ(limits.MaxTransfer, 32u * 1024);
  EXPECT_EQ(limits.AlignmentMask, 0x1Fu);
  std::vector<uint8_t> data(32 * SectorSize);
  ASSERT_TRUE(ReadSectors(first, 0, 32, data.data()));
  EXPECT_EQ(CountOf(sim::VirtualDriveAt(0), 0x28), 2u);  // 64 KiB in two commands of 32 KiB
  ASSERT_TRUE(ReadSectors(second, 0, 1, data.data()));
  ASSERT_EQ(g_layer.Buffers.size(), 3u);
  EXPECT_EQ(g_layer.Buffers[0], g_layer.Buffers[1]);
  EXPECT_NE(g_layer.Buffers[2], g_layer.Buffers[0]);
  g_layer.Mode = Answer::Never;
  SetAspiWaitLimit(100);
  EXPECT_FALSE(ReadSectors(first, 0, 1, data.data()));
  g_layer.Mode = Answer::AtOnce;
  EXPECT_TRUE(ReadSectors(first, 0, 1, data.data()));
  EXPECT_NE(g_layer.Buffers.back(), g_layer.Buffers[0]);  // the parked one kept its buffer
  for (uint8_t* buffer : g_layer.Buffers) EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer) & 0x1F, 0u);

  // The sense area is the drive's only with CHECK CONDITION.
  EXPECT_EQ(TestUnitReady(first), 0);
  std::string error;
  ASSERT_TRUE(sim::VirtualDriveAt(0).ApplyControl(R"({"action":"open"})", error)) << error;
  EXPECT_EQ(TestUnitReady(first), 1);  // NOT READY
  ScsiRequest ready{};
  ready.Address = second;
  ready.CdbLength = 6;
  ready.SenseLength = 16;
  EXPECT_TRUE(ExecuteCommandOnce(ready));
  EXPECT_EQ(ready.SenseKey, -1);
  EXPECT_EQ(ready.SenseLength, 0u);
}
}  // namespace
