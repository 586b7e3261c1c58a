#include "mmc/commands.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "mmc/opcodes.h"
#include "mmc/wire.h"

namespace {
// A zeroed request addressed to the drive, with its CDB length and the sense
// bytes it wants.
ScsiRequest NewRequest(const DeviceAddress& address, uint32_t cdbLength, uint32_t senseLength) {
  ScsiRequest request;
  std::memset(&request, 0, sizeof request);
  request.Address = address;
  request.CdbLength = cdbLength;
  request.SenseLength = senseLength;
  return request;
}

// The old LUN field in the top three bits of CDB byte 1.
uint8_t LunBits(const ScsiRequest& request) { return uint8_t((request.Address.Lun & 7) << 5); }

void ExpectData(ScsiRequest& request, void* buffer, uint32_t length) {
  request.DataBuffer = buffer;
  request.DataLength = length;
}

// How many answer bytes may be read: what the transport says arrived, never
// more than the buffer we gave it.
size_t Returned(const ScsiRequest& request, uint32_t asked) { return std::min(request.DataLength, asked); }

// Copies a fixed-width INQUIRY field as sent, blanks included; bytes the
// drive did not send end the text.
void CopyField(const AnswerView& view, size_t offset, size_t width, char* out) {
  size_t i = 0;
  for (; i < width && view.Has(offset + i, 1); ++i) out[i] = char(view.Data[offset + i]);
  std::memset(out + i, 0, width + 1 - i);
}

constexpr uint8_t CapabilitiesPageCode = 0x2A;
constexpr size_t ModeHeaderLength = 8;
constexpr size_t BlockDescriptorLengthAt = 6;
// A page cut off before its current read speed does not count as found.
constexpr size_t ShortestPage = 16;
// The additional sense code of a UNIT ATTENTION for a changed medium.
constexpr uint8_t MediumChangedAsc = 0x28;
// GET PERFORMANCE: header remainder plus exactly one descriptor.
constexpr uint32_t OneDescriptor = 20;
}  // namespace

bool DecodeInquiry(const uint8_t* data, size_t length, InquiryData& out) {
  std::memset(&out, 0, sizeof out);
  AnswerView view{data, length};
  if (!view.Has(0, 8)) return false;  // not even the fixed header: no names
  CopyField(view, 8, 8, out.Vendor);
  CopyField(view, 16, 16, out.Product);
  CopyField(view, 32, 4, out.Revision);
  return true;
}

namespace {
bool PageAt(const AnswerView& view, size_t start) {
  return view.Has(start, ShortestPage) && (view.Byte(start) & 0x3F) == CapabilitiesPageCode;
}
}  // namespace

bool DecodeCapabilities(const uint8_t* data, size_t length, CapabilitiesPage& out) {
  std::memset(&out, 0, sizeof out);
  AnswerView view{data, length};
  // The header's block-descriptor length (bytes 6-7) says where the page
  // starts. Only when no page is there (no header, or a wrong length) is the
  // answer searched: after a header and one block descriptor, after the
  // regular header, with no header at all. The announced place must come
  // first: in a regular answer byte 16 is the high byte of the maximum read
  // speed, which is 0x2A for a drive of 10752 to 11007 kB/s.
  size_t start = ModeHeaderLength + view.Be16(BlockDescriptorLengthAt);
  if (!PageAt(view, start)) {
    static const size_t PagePlaces[] = {16, ModeHeaderLength, 0};
    const size_t* place = std::find_if(std::begin(PagePlaces), std::end(PagePlaces),
                                       [&](size_t candidate) { return PageAt(view, candidate); });
    if (place == std::end(PagePlaces)) return false;
    start = *place;
  }
  out.MaxReadSpeed = view.Be16(start + 8);
  out.CurrentReadSpeed = view.Be16(start + 14);
  out.PageByte2 = view.Byte(start + 2);
  out.PageByte3 = view.Byte(start + 3);
  out.PageByte6 = view.Byte(start + 6);
  if (out.PageByte3 & WritesMedia) out.CurrentWriteSpeed = view.Be16(start + 20);
  if (start == ModeHeaderLength) out.MediumType = view.Byte(2);
  return true;
}

uint32_t DecodeReadPerformance(const uint8_t* data, size_t length) {
  AnswerView view{data, length};
  if (!view.Has(0, 8)) return 0;  // not even the header
  uint32_t dataLength = view.Be32(0);
  if (dataLength > OneDescriptor || (view.Byte(4) & 0x03)) return 0;  // several zones, or not nominal read data
  if (dataLength < OneDescriptor || !view.Has(20, 4)) return 0;      // no complete descriptor
  return view.Be32(20);                                                // End Performance
}

int DecodeAudioStatus(const uint8_t* data, size_t length) {
  AnswerView view{data, length};
  return view.Has(1, 1) ? view.Byte(1) : -1;
}

int DecodeCurrentProfile(const uint8_t* data, size_t length) {
  AnswerView view{data, length};
  return view.Has(6, 2) ? view.Be16(6) : -1;
}

uint32_t DecodeLastBlock(const uint8_t* data, size_t length) {
  AnswerView view{data, length};
  return view.Be32(0);
}

bool Inquiry(const DeviceAddress& address, InquiryData& out) {
  uint8_t answer[InquiryLength] = {};
  ScsiRequest request = NewRequest(address, 6, SenseWanted);
  request.Cdb[0] = OpInquiry;
  request.Cdb[4] = InquiryLength;
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) {
    std::memset(&out, 0, sizeof out);
    return false;
  }
  return DecodeInquiry(answer, Returned(request, sizeof answer), out);
}

bool ModeSenseCapabilities(const DeviceAddress& address, CapabilitiesPage& out) {
  uint8_t answer[ModeSenseLength] = {};
  ScsiRequest request = NewRequest(address, 10, SenseWanted);
  request.Cdb[0] = OpModeSense10;
  request.Cdb[2] = CapabilitiesPageCode;
  put_be16(request.Cdb + 7, ModeSenseLength);
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) {
    std::memset(&out, 0, sizeof out);
    return false;
  }
  return DecodeCapabilities(answer, Returned(request, sizeof answer), out);
}

bool SetCdSpeed(const DeviceAddress& address, uint32_t readSpeed, uint32_t writeSpeed) {
  ScsiRequest request = NewRequest(address, 12, SenseWanted);
  request.Cdb[0] = OpSetCdSpeed;
  request.Cdb[1] = LunBits(request);
  put_be16(request.Cdb + 2, uint16_t(readSpeed));  // wider values keep their low 16 bits
  put_be16(request.Cdb + 4, uint16_t(writeSpeed));
  return ExecuteCommand(request);
}

bool StartStopUnit(const DeviceAddress& address, bool eject) {
  ScsiRequest request = NewRequest(address, 6, 0);
  request.Cdb[0] = OpStartStopUnit;
  request.Cdb[1] = LunBits(request);
  request.Cdb[4] = eject ? 0x02 : 0x03;  // LoEj with Start 0 ejects, with Start 1 loads
  return ExecuteCommand(request);
}

int TestUnitReady(const DeviceAddress& address) {
  ScsiRequest request = NewRequest(address, 6, SenseWanted);
  request.Cdb[0] = OpTestUnitReady;
  request.Cdb[1] = LunBits(request);
  // One attempt: NOT READY is the answer wanted here, not a reason to wait.
  if (ExecuteCommandOnce(request)) return 0;
  return request.SenseKey == SenseNotReady ? 1 : -1;
}

uint32_t ReadCapacity(const DeviceAddress& address) {
  uint8_t answer[ReadCapacityLength] = {};
  ScsiRequest request = NewRequest(address, 10, SenseWanted);
  request.Cdb[0] = OpReadCapacity;
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) return 0;
  return DecodeLastBlock(answer, Returned(request, sizeof answer));
}

bool SenseSaysMediumLeft(const uint8_t* sense, uint32_t length) {
  AnswerView view{sense, length};
  if (!view.Has(2, 1)) return false;
  const int32_t key = view.Byte(2) & 0x0F;
  return key == SenseNotReady || (key == SenseUnitAttention && view.Has(12, 1) && view.Byte(12) == MediumChangedAsc);
}

bool ReadSectors(const DeviceAddress& address, uint32_t firstBlock, uint32_t count, void* buffer, bool* mediumLeft) {
  if (mediumLeft) *mediumLeft = false;
  if (count && !buffer) return false;
  // No READ longer than the drive's adapter takes: a smaller limit splits
  // each run of blocks into more commands.
  uint32_t perCommand = std::min(MaxBlocksPerRead, AdapterLimitsOf(address).MaxTransfer / SectorSize);
  if (count && perCommand == 0) return false;
  DriveSession session(address);
  bool ok = true;
  uint8_t* into = static_cast<uint8_t*>(buffer);
  uint32_t block = firstBlock;
  for (uint32_t left = count; left && ok;) {
    uint32_t n = std::min(left, perCommand);
    uint32_t bytes = n * SectorSize;
    ScsiRequest request = NewRequest(address, 10, SenseWanted);
    request.Cdb[0] = OpRead10;
    put_be32(request.Cdb + 2, block);
    put_be16(request.Cdb + 7, uint16_t(n));
    ExpectData(request, into, bytes);
    // A transfer that came back short left part of the buffer unread.
    ok = ExecuteCommandOnce(request) && request.DataLength >= bytes;
    if (!ok && mediumLeft) *mediumLeft = SenseSaysMediumLeft(request.SenseData, std::min<uint32_t>(request.SenseLength, sizeof request.SenseData));
    into += bytes;
    block += n;
    left -= n;
  }
  return ok;
}

bool PreventAllowRemoval(const DeviceAddress& address, bool prevent) {
  ScsiRequest request = NewRequest(address, 6, 0);
  request.Cdb[0] = OpPreventAllowRemoval;
  request.Cdb[1] = LunBits(request);
  request.Cdb[4] = prevent ? 0x01 : 0x00;
  return ExecuteCommand(request);
}

int ReadAudioStatus(const DeviceAddress& address) {
  uint8_t answer[SubChannelLength] = {};
  ScsiRequest request = NewRequest(address, 10, SenseWanted);
  request.Cdb[0] = OpReadSubChannel;
  request.Cdb[1] = LunBits(request);
  request.Cdb[3] = 0x01;  // current position; SubQ 0 returns the header only
  put_be16(request.Cdb + 7, SubChannelLength);
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) return -1;
  return DecodeAudioStatus(answer, Returned(request, sizeof answer));
}

int GetCurrentProfile(const DeviceAddress& address) {
  uint8_t answer[ConfigurationLength] = {};
  ScsiRequest request = NewRequest(address, 10, SenseWanted);
  request.Cdb[0] = OpGetConfiguration;
  request.Cdb[1] = LunBits(request);
  put_be16(request.Cdb + 7, ConfigurationLength);  // the feature header only
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) return -1;
  return DecodeCurrentProfile(answer, Returned(request, sizeof answer));
}

bool SetStreaming(const DeviceAddress& address, uint32_t readSpeed, uint32_t writeSpeed) {
  uint8_t descriptor[StreamingLength] = {};
  put_be32(descriptor + 4, 0);            // start LBA
  put_be32(descriptor + 8, 0xFFFFFFFF);   // end LBA: the whole disc
  put_be32(descriptor + 12, readSpeed);   // read size, kB ...
  put_be32(descriptor + 16, 1000);        // ... per 1000 ms
  put_be32(descriptor + 20, writeSpeed);
  put_be32(descriptor + 24, 1000);
  ScsiRequest request = NewRequest(address, 12, SenseWanted);
  request.Cdb[0] = OpSetStreaming;
  put_be16(request.Cdb + 9, StreamingLength);
  ExpectData(request, descriptor, sizeof descriptor);
  request.DataOut = 1;
  return ExecuteCommand(request);
}

uint32_t GetReadPerformance(const DeviceAddress& address) {
  uint8_t answer[PerformanceLength] = {};
  ScsiRequest request = NewRequest(address, 12, SenseWanted);
  request.Cdb[0] = OpGetPerformance;
  request.Cdb[1] = uint8_t(LunBits(request) | 0x10);  // nominal read performance within 10 %
  put_be16(request.Cdb + 8, 8);                       // at most 8 descriptors
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) return 0;
  return DecodeReadPerformance(answer, Returned(request, sizeof answer));
}

bool DecodeMediaEvent(const uint8_t* data, size_t length, MediaEvent& event) {
  constexpr uint8_t NoEventAvailable = 0x80, ClassMask = 0x07, MediaClass = 4, EventCodeMask = 0x0F;
  const AnswerView answer{data, length};
  if (!answer.Has(0, 8) || (answer.Byte(2) & NoEventAvailable) || (answer.Byte(2) & ClassMask) != MediaClass ||
      answer.Be16(0) < 6)
    return false;
  event = MediaEvent(answer.Byte(4) & EventCodeMask);
  return true;
}

bool GetMediaEvent(const DeviceAddress& address, MediaEvent& event) {
  constexpr uint8_t Polled = 0x01, MediaClassRequest = 0x10;
  constexpr uint32_t EventStatusLength = 8;
  uint8_t answer[EventStatusLength] = {};
  ScsiRequest request = NewRequest(address, 10, SenseWanted);
  request.Cdb[0] = OpGetEventStatus;
  request.Cdb[1] = uint8_t(LunBits(request) | Polled);
  request.Cdb[4] = MediaClassRequest;
  put_be16(request.Cdb + 7, sizeof answer);
  ExpectData(request, answer, sizeof answer);
  if (!ExecuteCommand(request)) return false;
  return DecodeMediaEvent(answer, Returned(request, sizeof answer), event);
}
