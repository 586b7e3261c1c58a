#include "sim/model/class_driver_fake.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "common/byte_order.h"
#include "mmc/opcodes.h"
#include "sim/model/virtual_drives.h"

namespace sim {

namespace {

using namespace ClassDriverWire;

constexpr uint32_t kSector = 2048;
constexpr uint32_t kTransferBlocks = 32;  // the class driver splits reads at 64 KiB, or at its adapter's limit
// STORAGE_PROPERTY_QUERY's StorageAdapterProperty, and the fields of the
// STORAGE_ADAPTER_DESCRIPTOR it answers.
constexpr uint32_t kStorageAdapterProperty = 1;
constexpr uint32_t kAdapterDescriptorSize = 32, kAdapterMaxTransfer = 8, kAdapterPhysicalPages = 12,
                   kAdapterAlignmentMask = 16;
constexpr uint32_t kPageSize = 4096;
constexpr uint32_t kFirstHandle = 0x1000;  // apart from the virtual rows' handles in the log

struct FakeHandle {
  size_t Index;
  uint32_t Id;
};
uint32_t g_nextHandle = kFirstHandle;
size_t g_openHandles = 0;
std::map<const Drive*, uint32_t> g_lockCounts;  // IOCTL_STORAGE_MEDIA_REMOVAL's count per drive

// The status the class driver makes of the drive's answer.
uint32_t ErrorOf(const CommandOutcome& out) {
  if (!out.Answered) return ErrorSemTimeout;
  if (out.Status == kStatusGood) return ErrorNone;
  uint8_t key = out.SenseLength >= 3 ? out.Sense[2] & 0x0F : 0;
  uint8_t asc = out.SenseLength >= 13 ? out.Sense[12] : 0;
  switch (key) {
    case 0x02: return ErrorNotReady;
    case 0x06: return ErrorMediaChanged;
    case 0x03: return ErrorCrc;
    case 0x05: return asc == 0x21 ? ErrorSectorNotFound : ErrorInvalidFunction;
    default: return ErrorIoDevice;
  }
}

uint32_t Send(const FakeHandle& h, std::vector<uint8_t> cdb, uint8_t* data, uint32_t length, bool dataOut,
              uint32_t& transferred) {
  CommandOutcome out = ExecuteOnVirtualDrive(h.Index, cdb.data(), uint32_t(cdb.size()), data, length, dataOut, h.Id);
  transferred = out.Answered ? std::min(out.Transferred, length) : 0;
  return ErrorOf(out);
}

uint32_t NoData(const FakeHandle& h, std::vector<uint8_t> cdb) {
  uint32_t unused = 0;
  return Send(h, std::move(cdb), nullptr, 0, false, unused);
}

// The adapter's limits, as the port driver gave them to the class driver;
// a drive whose profile states no adapter gets no answer.
uint32_t AdapterProperty(const FakeHandle& h, uint8_t* out, uint32_t outSize, uint32_t& returned) {
  const AdapterSpec& adapter = VirtualDriveAt(h.Index).profile().Adapter;
  if (!adapter.Stated) return ErrorInvalidFunction;
  uint8_t d[kAdapterDescriptorSize] = {};
  put_le32(d, kAdapterDescriptorSize);  // version
  put_le32(d + 4, kAdapterDescriptorSize);
  put_le32(d + kAdapterMaxTransfer, adapter.MaxTransfer);
  put_le32(d + kAdapterPhysicalPages, adapter.MaxTransfer / kPageSize + 1);  // a buffer may start mid-page
  put_le32(d + kAdapterAlignmentMask, adapter.AlignmentMask);
  returned = std::min(outSize, kAdapterDescriptorSize);
  std::memcpy(out, d, returned);
  return ErrorNone;
}

uint32_t QueryProperty(const FakeHandle& h, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                       uint32_t& returned) {
  if (inSize < PropertyQuerySize) return ErrorBadLength;
  uint32_t property = get_le32(in);
  if ((property != 0 && property != kStorageAdapterProperty) || get_le32(in + 4) != 0)
    return ErrorInvalidFunction;  // the device or the adapter, standard query
  if (outSize < 8) return ErrorInsufficientBuffer;  // not even the descriptor header
  if (property == kStorageAdapterProperty) return AdapterProperty(h, out, outSize, returned);
  // The class driver answers from the INQUIRY data it read when the drive arrived.
  uint8_t inquiry[36] = {};
  uint32_t got = 0;
  if (uint32_t error = Send(h, {OpInquiry, 0, 0, 0, 36, 0}, inquiry, sizeof inquiry, false, got)) return error;
  std::vector<uint8_t> d(DeviceDescriptorSize, 0);
  auto add = [&d](const uint8_t* text, size_t width) {
    uint32_t at = uint32_t(d.size());
    d.insert(d.end(), text, text + width);
    d.push_back(0);
    return at;
  };
  put_le32(&d[DescriptorVendorOffset], add(inquiry + 8, 8));
  put_le32(&d[DescriptorProductOffset], add(inquiry + 16, 16));
  put_le32(&d[DescriptorRevisionOffset], add(inquiry + 32, 4));
  put_le32(&d[0], DeviceDescriptorSize);  // version
  put_le32(&d[4], uint32_t(d.size()));
  d[DescriptorDeviceType] = inquiry[0] & 0x1F;
  d[DescriptorRemovable] = inquiry[1] >> 7;
  put_le32(&d[28], 3);  // BusTypeAtapi
  // A short buffer takes what fits; Size tells the caller how much there was.
  returned = std::min(outSize, uint32_t(d.size()));
  std::memcpy(out, d.data(), returned);
  return ErrorNone;
}

uint32_t ReadCapacity(const FakeHandle& h, uint8_t* out, uint32_t outSize, uint32_t& returned) {
  if (outSize < ReadCapacitySize) return ErrorInsufficientBuffer;
  uint8_t answer[8] = {};
  uint32_t got = 0;
  if (uint32_t error = Send(h, {OpReadCapacity, 0, 0, 0, 0, 0, 0, 0, 0, 0}, answer, sizeof answer, false, got))
    return error;
  std::memset(out, 0, ReadCapacitySize);
  uint64_t blocks = uint64_t(get_be32(answer)) + 1, length = get_be32(answer + 4);
  put_le32(out, ReadCapacitySize);
  put_le32(out + 4, ReadCapacitySize);
  put_le32(out + CapacityBlockLength, uint32_t(length));
  put_le32(out + CapacityBlocks, uint32_t(blocks));
  put_le32(out + CapacityBlocks + 4, uint32_t(blocks >> 32));
  put_le32(out + 24, uint32_t(blocks * length));
  put_le32(out + 28, uint32_t((blocks * length) >> 32));
  returned = ReadCapacitySize;
  return ErrorNone;
}

uint32_t SetSpeed(const FakeHandle& h, const uint8_t* in, uint32_t inSize) {
  if (inSize < SetSpeedSize) return ErrorBadLength;
  uint32_t type = get_le32(in);
  if (type == SpeedRequestSetSpeed) {
    uint16_t read = get_le16(in + 4), write = get_le16(in + 6);
    uint8_t rotation = uint8_t(get_le32(in + 8) & 0x01);
    return NoData(h, {OpSetCdSpeed, rotation, uint8_t(read >> 8), uint8_t(read), uint8_t(write >> 8), uint8_t(write),
                      0, 0, 0, 0, 0, 0});
  }
  if (type != SpeedRequestSetStreaming) return ErrorInvalidParameter;
  if (inSize < SetStreamingSize) return ErrorBadLength;
  uint8_t list[28] = {};
  list[0] = uint8_t((get_le32(in + 28) & 0x03) << 3 | (in[32] & 1) << 2 | (in[33] & 1) << 1 | (in[34] & 1));
  put_be32(list + 4, get_le32(in + 20));
  put_be32(list + 8, get_le32(in + 24));
  put_be32(list + 12, get_le32(in + 4));
  put_be32(list + 16, get_le32(in + 8));
  put_be32(list + 20, get_le32(in + 12));
  put_be32(list + 24, get_le32(in + 16));
  uint32_t unused = 0;
  return Send(h, {OpSetStreaming, 0, 0, 0, 0, 0, 0, 0, 0, 0, sizeof list, 0}, list, sizeof list, true, unused);
}

uint32_t GetConfiguration(const FakeHandle& h, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                          uint32_t& returned) {
  if (inSize < ConfigurationInputSize) return ErrorBadLength;
  uint32_t feature = get_le32(in), type = get_le32(in + 4);
  if (feature > 0xFFFF || type > 2 || outSize > 0xFFFF) return ErrorInvalidParameter;
  if (outSize < ConfigurationHeaderSize) return ErrorInsufficientBuffer;
  return Send(h,
              {OpGetConfiguration, uint8_t(type), uint8_t(feature >> 8), uint8_t(feature), 0, 0, 0,
               uint8_t(outSize >> 8), uint8_t(outSize), 0},
              out, outSize, false, returned);
}

uint32_t GetPerformance(const FakeHandle& h, VirtualWindows windows, const uint8_t* in, uint32_t inSize, uint8_t* out,
                        uint32_t outSize, uint32_t& returned) {
  if (windows < VirtualWindows::Windows8) return ErrorInvalidFunction;
  if (inSize < PerformanceRequestSize) return ErrorBadLength;
  if (get_le32(in) != 0 || get_le32(in + 4) > 1 || get_le32(in + 8) > 2 || get_le32(in + 12) != 0)
    return ErrorInvalidParameter;  // performance data only, at 10 % tolerance
  if (outSize < PerformanceHeaderSize) return ErrorInsufficientBuffer;
  uint32_t descriptors = std::min<uint32_t>((outSize - PerformanceHeaderSize) / PerformanceDescriptorSize, 0xFFFF);
  uint32_t lba = get_le32(in + 16);
  uint8_t flags = uint8_t(0x10 | get_le32(in + 4) << 2 | get_le32(in + 8));
  return Send(h,
              {OpGetPerformance, flags, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba), 0,
               0, uint8_t(descriptors >> 8), uint8_t(descriptors), 0, 0},
              out, outSize, false, returned);
}

uint32_t ReadQChannel(const FakeHandle& h, const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                      uint32_t& returned) {
  if (inSize < SubQFormatSize) return ErrorBadLength;
  if (in[0] != SubQCurrentPosition) return ErrorInvalidParameter;
  if (outSize < SubQCurrentPositionSize) return ErrorInsufficientBuffer;
  return Send(h, {OpReadSubChannel, 0, 0x40, SubQCurrentPosition, 0, 0, 0, 0, SubQCurrentPositionSize, 0}, out,
              SubQCurrentPositionSize, false, returned);
}

template <VirtualWindows Windows>
uint32_t Control(ClassDriverHandle handle, uint32_t code, const void* inBuffer, uint32_t inSize, void* outBuffer,
                 uint32_t outSize, uint32_t& returned) {
  returned = 0;
  const FakeHandle& h = *static_cast<const FakeHandle*>(handle);
  auto* in = static_cast<const uint8_t*>(inBuffer);
  auto* out = static_cast<uint8_t*>(outBuffer);
  if (!in) inSize = 0;
  if (!out) outSize = 0;
  switch (code) {
    case IoctlStorageCheckVerify: return NoData(h, {OpTestUnitReady, 0, 0, 0, 0, 0});
    case IoctlStorageEjectMedia: return NoData(h, {OpStartStopUnit, 0, 0, 0, 0x02, 0});
    case IoctlStorageLoadMedia: return NoData(h, {OpStartStopUnit, 0, 0, 0, 0x03, 0});
    case IoctlStorageMediaRemoval: {
      // Locks are counted per drive; an unlock with none counted is ignored,
      // and the drive stays locked while any count is left.
      if (inSize < 1) return ErrorBadLength;
      uint32_t& count = g_lockCounts[&VirtualDriveAt(h.Index)];
      if (!in[0] && count == 0) return ErrorNone;
      uint32_t error = NoData(h, {OpPreventAllowRemoval, 0, 0, 0, uint8_t(in[0] || count > 1 ? 1 : 0), 0});
      if (error == ErrorNone) count = in[0] ? count + 1 : count - 1;
      return error;
    }
    case IoctlStorageQueryProperty: return QueryProperty(h, in, inSize, out, outSize, returned);
    case IoctlStorageReadCapacity: return ReadCapacity(h, out, outSize, returned);
    case IoctlCdromSetSpeed: return SetSpeed(h, in, inSize);
    case IoctlCdromGetConfiguration: return GetConfiguration(h, in, inSize, out, outSize, returned);
    case IoctlCdromGetPerformance: return GetPerformance(h, Windows, in, inSize, out, outSize, returned);
    case IoctlCdromReadQChannel: return ReadQChannel(h, in, inSize, out, outSize, returned);
    default: return ErrorInvalidFunction;
  }
}

// ReadFile on the volume: whole sectors at a sector boundary, into a buffer
// the adapter's alignment mask accepts (unbuffered reads go to the device
// as they are), carried as READ(10) commands of at most 64 KiB or the
// adapter's largest transfer.
uint32_t Read(ClassDriverHandle handle, uint64_t offset, void* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  const FakeHandle& h = *static_cast<const FakeHandle*>(handle);
  if (offset % kSector != 0 || size % kSector != 0 || offset / kSector > 0xFFFFFFFFu) return ErrorInvalidParameter;
  const AdapterSpec& adapter = VirtualDriveAt(h.Index).profile().Adapter;
  uint32_t blocks = adapter.Stated ? std::clamp(adapter.MaxTransfer / kSector, 1u, kTransferBlocks) : kTransferBlocks;
  auto* bytes = static_cast<uint8_t*>(buffer);
  uint32_t lba = uint32_t(offset / kSector);
  for (uint32_t left = size / kSector; left > 0;) {
    uint32_t n = std::min(left, blocks), got = 0;
    std::vector<uint8_t> cdb = {OpRead10, 0, uint8_t(lba >> 24), uint8_t(lba >> 16), uint8_t(lba >> 8), uint8_t(lba),
                                0, uint8_t(n >> 8), uint8_t(n), 0};
    if (AdmitToVirtualDrive(h.Index, adapter, cdb.data(), uint32_t(cdb.size()), uint32_t(uintptr_t(bytes + read)),
                            n * kSector, h.Id) != AdapterVerdict::Accepted)
      return ErrorInvalidParameter;
    uint32_t error = Send(h, std::move(cdb), bytes + read, n * kSector, false, got);
    read += got;
    if (error) return error;
    lba += n;
    left -= n;
  }
  return ErrorNone;
}

int IndexOfLetter(int32_t letter) {
  for (size_t i = 0; i < VirtualDriveCount(); ++i)
    if (letter != 0 && VirtualDriveAddress(i).Letter == letter) return int(i);
  return -1;
}

ClassDriverHandle Open(int32_t letter, uint32_t& error) {
  int index = IndexOfLetter(letter);
  if (index < 0) {
    error = ErrorFileNotFound;
    return nullptr;
  }
  ++g_openHandles;
  return new FakeHandle{size_t(index), g_nextHandle++};
}

void Close(ClassDriverHandle handle) {
  if (handle) --g_openHandles;
  delete static_cast<FakeHandle*>(handle);
}

// Drives with a letter, in the order they were added.
bool FindLettered(size_t from, DriveCursor& cursor) {
  for (size_t i = from; i < VirtualDriveCount(); ++i) {
    int32_t letter = VirtualDriveAddress(i).Letter;
    if (letter == 0) continue;
    cursor.Position[0] = uint32_t(i);
    cursor.Address = DeviceAddress{0, 0, 0, letter};
    return true;
  }
  return false;
}
bool FirstDrive(DriveCursor& cursor) { return FindLettered(0, cursor); }
bool NextDrive(DriveCursor& cursor) { return FindLettered(size_t(cursor.Position[0]) + 1, cursor); }

const ClassDriverOps kVista = {Open, Control<VirtualWindows::Vista>, Read, Close, FirstDrive, NextDrive};
const ClassDriverOps kWindows8 = {Open, Control<VirtualWindows::Windows8>, Read, Close, FirstDrive, NextDrive};

}  // namespace

void ResetVirtualClassDriver() { g_lockCounts.clear(); }
size_t VirtualClassDriverHandles() { return g_openHandles; }

const ClassDriverOps& VirtualClassDriver(VirtualWindows windows) {
  return windows == VirtualWindows::Vista ? kVista : kWindows8;
}

}  // namespace sim
