// Feeds arbitrary device answers to the MMC decoders and to the twelve
// commands: a transport row plays a drive that returns any bytes, any sense
// and any claimed length. Nothing may read or write past a buffer.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "clock/clock.h"
#include "mmc/commands.h"

namespace {

struct Input {
  const uint8_t* Data;
  size_t Size;
  size_t At;
  uint8_t Byte() { return At < Size ? Data[At++] : 0; }
  uint32_t Word() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
    return v;
  }
} g_in;

// The drive: copies answer bytes into the buffer it was given (a transport
// never writes past it), then reports a status, sense and a length that may
// be anything at all.
bool FuzzExecute(ScsiRequest& request) {
  ClearRequestStatus(request);
  uint8_t control = g_in.Byte();
  if (!request.DataOut && request.DataBuffer) {
    size_t wanted = g_in.Word() & 0x3FF;
    size_t left = g_in.Size - std::min(g_in.At, g_in.Size);
    size_t n = std::min<size_t>({wanted, left, request.DataLength});
    std::memcpy(request.DataBuffer, g_in.Data + g_in.At, n);
    g_in.At += n;
  }
  request.DataLength = (control & 0x80) ? g_in.Word() : std::min<uint32_t>(request.DataLength, g_in.Word());
  uint32_t senseLength = std::min<uint32_t>(g_in.Byte() % 20, 16);
  for (uint32_t i = 0; i < senseLength; ++i) request.SenseData[i] = g_in.Byte();
  request.SenseLength = senseLength;
  request.SenseKey = SenseKeyOf(request.SenseData, senseLength);
  request.ScsiStatus = (control & 0x01) ? 2 : 0;
  return request.ScsiStatus == 0;
}
bool NoDrive(DriveCursor&) { return false; }
int g_token;
TransportHandle FuzzOpen(ScsiRequest& request) {
  if (g_in.Byte() & 0x0F) return &g_token;
  ClearRequestStatus(request);
  return nullptr;
}
bool FuzzSend(ScsiRequest& request, TransportHandle) { return FuzzExecute(request); }
void FuzzClose(TransportHandle) {}
// An adapter that states anything at all.
bool FuzzAdapter(TransportHandle, const DeviceAddress&, AdapterLimits& limits) {
  limits.MaxTransfer = uint32_t(g_in.Word()) << 4;
  limits.AlignmentMask = g_in.Word();
  return g_in.Byte() & 1;
}

const Transport kFuzzRow = {TransportSpti, NoDrive, NoDrive, FuzzOpen, FuzzSend, FuzzClose, FuzzAdapter};

void DecodeDirect(const uint8_t* data, size_t size) {
  InquiryData names;
  CapabilitiesPage page;
  if (DecodeInquiry(data, size, names)) {
    if (names.Vendor[8] || names.Product[16] || names.Revision[4]) __builtin_trap();  // always terminated
  }
  if (DecodeCapabilities(data, size, page) && !(page.PageByte3 & 0x33) && page.CurrentWriteSpeed) __builtin_trap();
  (void)DecodeReadPerformance(data, size);
  (void)DecodeAudioStatus(data, size);
  (void)DecodeCurrentProfile(data, size);
  (void)DecodeLastBlock(data, size);
  MediaEvent event = MediaEvent::None;
  if (DecodeMediaEvent(data, size, event) && int32_t(event) > 0x0F) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = [] {
    VirtualClock::Install();
    RegisterTransports({[] { return true; }, &kFuzzRow}, {nullptr, nullptr});
    return true;
  }();
  (void)ready;

  // Decoders on exactly-sized copies, so that the sanitizer sees any overread.
  uint8_t* exact = new uint8_t[size ? size : 1];
  if (size) std::memcpy(exact, data, size);
  DecodeDirect(exact, size);
  delete[] exact;

  // The commands against a drive answering with the same bytes.
  g_in = {data, size, 0};
  const DeviceAddress address{0, 0, g_in.Byte() & 7u, 'D'};
  InquiryData names;
  CapabilitiesPage page;
  static uint8_t sectors[64 * SectorSize + 3];
  ForgetAdapterLimits();
  DriveSession session(address);  // the commands on one handle, as a refresh sends them
  (void)LearnAdapterLimits(address);
  (void)Inquiry(address, names);
  ModeSenseCapabilities(address, page);
  SetCdSpeed(address, g_in.Word(), g_in.Word());
  StartStopUnit(address, g_in.Byte() & 1);
  TestUnitReady(address);
  (void)ReadCapacity(address);
  ReadSectors(address, g_in.Word(), g_in.Byte() % 65, sectors + (g_in.Byte() & 3));  // also off the mask
  PreventAllowRemoval(address, g_in.Byte() & 1);
  (void)ReadAudioStatus(address);
  (void)GetCurrentProfile(address);
  SetStreaming(address, g_in.Word(), g_in.Word());
  (void)GetReadPerformance(address);
  return 0;
}
