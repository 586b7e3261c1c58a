// The class-driver row: each CDB the program sends becomes the class
// driver's request that carries it, and the request's answer becomes data,
// SCSI status and sense again.
#include <cstring>
#include <new>

#include "mmc/class_driver.h"
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "mmc/wire.h"

namespace {

using namespace ClassDriverWire;

ClassDriverHandle NoOpen(int32_t, uint32_t& error) {
  error = ErrorFileNotFound;
  return nullptr;
}
uint32_t NoControl(ClassDriverHandle, uint32_t, const void*, uint32_t, void*, uint32_t, uint32_t& returned) {
  returned = 0;
  return ErrorInvalidFunction;
}
uint32_t NoRead(ClassDriverHandle, uint64_t, void*, uint32_t, uint32_t& read) {
  read = 0;
  return ErrorInvalidFunction;
}
void NoClose(ClassDriverHandle) {}
bool NoDrive(DriveCursor&) { return false; }
const ClassDriverOps NoOps = {NoOpen, NoControl, NoRead, NoClose, NoDrive, NoDrive};
const ClassDriverOps* g_ops = &NoOps;

constexpr uint8_t SenseIllegalRequest = 0x05, SenseMediumError = 0x03;
constexpr uint8_t SenseHardwareError = 0x04;
constexpr uint8_t StatusCheckCondition = 0x02;
constexpr uint8_t CapabilitiesPageCode = 0x2A;
constexpr uint8_t FeatureProfileList = 0x00, FeatureRemovableMedium = 0x03;
constexpr uint32_t ConfigurationRoom = 512;  // the profile list and the features behind it

// What one command came to: an error of the system, and the sense the drive
// would have sent with it.
struct Outcome {
  uint32_t Error = ErrorNone;
  uint32_t Transferred = 0;
  uint8_t SenseKey = 0, Asc = 0;  // SenseKey 0: no sense to report
};

// Additional sense codes, as a drive would send them with the key.
constexpr uint8_t AscUnrecoveredReadError = 0x11, AscInvalidOpcode = 0x20, AscBlockOutOfRange = 0x21;
constexpr uint8_t AscInvalidField = 0x24, AscMediumChanged = 0x28, AscMediumNotPresent = 0x3A;

Outcome Refused(uint8_t asc) { return Outcome{ErrorInvalidFunction, 0, SenseIllegalRequest, asc}; }

// The sense the drive gave, as the class driver reports it in its error.
Outcome FromError(uint32_t error, uint32_t transferred) {
  Outcome out{error, transferred, 0, 0};
  switch (error) {
    case ErrorNone: break;
    case ErrorNotReady: out.SenseKey = SenseNotReady, out.Asc = AscMediumNotPresent; break;
    case ErrorMediaChanged: out.SenseKey = SenseUnitAttention, out.Asc = AscMediumChanged; break;
    case ErrorInvalidFunction: out.SenseKey = SenseIllegalRequest, out.Asc = AscInvalidOpcode; break;
    case ErrorSectorNotFound: out.SenseKey = SenseIllegalRequest, out.Asc = AscBlockOutOfRange; break;
    case ErrorCrc: out.SenseKey = SenseMediumError, out.Asc = AscUnrecoveredReadError; break;
    case ErrorIoDevice: out.SenseKey = SenseHardwareError; break;
    default: break;  // the request itself failed: no drive answer to report
  }
  return out;
}

// Fixed-format sense data (response code 70h, current error) holding the
// outcome's key and code; its additional length counts the ten bytes after
// byte 7 of the full 18, of which the caller asked for the first 16.
constexpr uint8_t SenseCurrentFixed = 0x70, SenseAdditionalLength = 10;
constexpr size_t SenseKeyAt = 2, SenseAdditionalLengthAt = 7, SenseAscAt = 12;
void FillFixedSense(uint8_t (&sense)[SenseWanted], const Outcome& out) {
  std::memset(sense, 0, sizeof sense);
  sense[0] = SenseCurrentFixed;
  sense[SenseKeyAt] = out.SenseKey;
  sense[SenseAdditionalLengthAt] = SenseAdditionalLength;
  sense[SenseAscAt] = out.Asc;
}

Outcome Control(ClassDriverHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize) {
  uint32_t returned = 0;
  uint32_t error = g_ops->Control(handle, code, in, inSize, out, outSize, returned);
  // A driver's count is trusted only within what was offered.
  return FromError(error, returned <= outSize ? returned : outSize);
}

// Copies an answer built here into the caller's buffer, as far as it reaches.
Outcome Give(ScsiRequest& request, const uint8_t* answer, uint32_t size) {
  uint32_t n = request.DataBuffer ? (size < request.DataLength ? size : request.DataLength) : 0;
  if (n) std::memcpy(request.DataBuffer, answer, n);
  return Outcome{ErrorNone, n, 0, 0};
}

// A NUL-terminated string of the descriptor, padded with blanks as a drive
// pads its INQUIRY fields; an offset outside the answer gives blanks.
void PutDescriptorString(const AnswerView& descriptor, uint32_t offset, uint8_t* field, uint32_t width) {
  std::memset(field, ' ', width);
  if (offset == 0 || offset >= descriptor.Length) return;
  for (uint32_t i = 0; i < width && descriptor.Has(offset + i, 1) && descriptor.Byte(offset + i) != 0; ++i)
    field[i] = descriptor.Byte(offset + i);
}

Outcome Inquiry(ClassDriverHandle handle, ScsiRequest& request) {
  uint8_t query[PropertyQuerySize] = {};  // StorageDeviceProperty (0), PropertyStandardQuery (0)
  uint8_t descriptor[512] = {};
  Outcome got = Control(handle, IoctlStorageQueryProperty, query, sizeof query, descriptor, sizeof descriptor);
  if (got.Error) return got;
  const AnswerView view{descriptor, got.Transferred};
  if (!view.Has(0, DeviceDescriptorSize)) return Outcome{ErrorIoDevice, 0, SenseHardwareError, 0};
  uint8_t answer[36] = {};
  answer[0] = view.Byte(DescriptorDeviceType) & 0x1F;
  answer[1] = view.Byte(DescriptorRemovable) ? 0x80 : 0x00;
  answer[3] = 0x02;  // response data format
  answer[4] = sizeof answer - 5;
  PutDescriptorString(view, get_le32(descriptor + DescriptorVendorOffset), answer + 8, 8);
  PutDescriptorString(view, get_le32(descriptor + DescriptorProductOffset), answer + 16, 16);
  PutDescriptorString(view, get_le32(descriptor + DescriptorRevisionOffset), answer + 32, 4);
  return Give(request, answer, sizeof answer);
}

// A feature descriptor of a GET CONFIGURATION answer, or null.
const uint8_t* FindFeature(const AnswerView& answer, uint16_t code) {
  const uint32_t declared = answer.Be32(0);
  const uint32_t end = declared < answer.Length ? declared + 4 : uint32_t(answer.Length);
  for (uint32_t at = ConfigurationHeaderSize; answer.Has(at, 4) && at < end;) {
    uint32_t size = 4u + answer.Byte(at + 3);
    if (!answer.Has(at, size)) return nullptr;
    if (answer.Be16(at) == code) return answer.Data + at;
    at += size;
  }
  return nullptr;
}

bool ListsDvdProfile(const uint8_t* feature) {
  for (uint32_t at = 4; at + 4 <= 4u + feature[3]; at += 4) {
    uint16_t profile = get_be16(feature + at);
    if (profile >= 0x10 && profile <= 0x2B) return true;  // the DVD family, double-layer media included
  }
  return false;
}

// The capabilities page cannot be asked for. What the class driver does tell
// fills it: DVD reading from the profile list, the loading mechanism and
// eject from the Removable Medium feature (the page's byte 6 in the same
// bits). The speeds, the write capabilities and the medium type stay 0: not
// known. GET PERFORMANCE is no stand-in for the current speed: some drives
// report their maximum there whatever speed was set, and probing would then
// find a single speed where the page shows many.
Outcome CapabilitiesPage(ClassDriverHandle handle, ScsiRequest& request) {
  if ((request.Cdb[2] & 0x3F) != CapabilitiesPageCode) return Refused(AscInvalidField);
  uint8_t input[ConfigurationInputSize] = {};  // every feature from 0
  uint8_t config[ConfigurationRoom] = {};
  Outcome got = Control(handle, IoctlCdromGetConfiguration, input, sizeof input, config, sizeof config);
  if (got.Error) return got;  // a drive without GET CONFIGURATION: ILLEGAL REQUEST
  const AnswerView view{config, got.Transferred};
  const uint8_t* mechanism = FindFeature(view, FeatureRemovableMedium);
  if (!mechanism || mechanism[3] < 4) return Refused(AscInvalidOpcode);
  const uint8_t* profiles = FindFeature(view, FeatureProfileList);

  uint8_t answer[8 + 20] = {};
  put_be16(answer, sizeof answer - 2);
  uint8_t* page = answer + 8;
  page[0] = CapabilitiesPageCode;
  page[1] = 20 - 2;
  page[2] = profiles && ListsDvdProfile(profiles) ? ReadsDvdRom : 0x00;
  page[6] = mechanism[4] & 0xED;  // loading mechanism, eject, prevent jumper, lock
  return Give(request, answer, sizeof answer);
}

Outcome SetCdSpeed(ClassDriverHandle handle, const ScsiRequest& request) {
  uint8_t in[SetSpeedSize] = {};
  put_le32(in, SpeedRequestSetSpeed);
  put_le16(in + 4, get_be16(request.Cdb + 2));
  put_le16(in + 6, get_be16(request.Cdb + 4));
  put_le32(in + 8, request.Cdb[1] & 0x01);  // CdromCAVRotation
  return Control(handle, IoctlCdromSetSpeed, in, sizeof in, nullptr, 0);
}

Outcome SetStreaming(ClassDriverHandle handle, const ScsiRequest& request) {
  const AnswerView list{static_cast<const uint8_t*>(request.DataBuffer), request.DataBuffer ? request.DataLength : 0};
  if (request.Cdb[8] != 0 || !list.Has(0, 28)) return Refused(AscInvalidField);
  const uint8_t flags = list.Byte(0);
  uint8_t in[SetStreamingSize] = {};
  put_le32(in, SpeedRequestSetStreaming);
  put_le32(in + 4, list.Be32(12));   // read size
  put_le32(in + 8, list.Be32(16));   // read time
  put_le32(in + 12, list.Be32(20));  // write size
  put_le32(in + 16, list.Be32(24));  // write time
  put_le32(in + 20, list.Be32(4));   // start block
  put_le32(in + 24, list.Be32(8));   // end block
  put_le32(in + 28, (flags >> 3) & 0x03);  // rotation control
  in[32] = (flags >> 2) & 1;  // restore defaults
  in[33] = (flags >> 1) & 1;  // exact
  in[34] = flags & 1;         // random access
  return Control(handle, IoctlCdromSetSpeed, in, sizeof in, nullptr, 0);
}

Outcome GetPerformance(ClassDriverHandle handle, ScsiRequest& request) {
  // The request record knows only performance data at 10 % tolerance.
  if (request.Cdb[10] != 0 || (request.Cdb[1] & 0x18) != 0x10) return Refused(AscInvalidField);
  uint8_t in[PerformanceRequestSize] = {};
  put_le32(in + 4, (request.Cdb[1] >> 2) & 1);  // write
  put_le32(in + 8, request.Cdb[1] & 0x03);      // nominal, entire list, exceptions only
  put_le32(in + 16, get_be32(request.Cdb + 2));
  return Control(handle, IoctlCdromGetPerformance, in, sizeof in, request.DataBuffer, request.DataLength);
}

Outcome GetConfiguration(ClassDriverHandle handle, ScsiRequest& request) {
  uint8_t in[ConfigurationInputSize] = {};
  put_le32(in, get_be16(request.Cdb + 2));
  put_le32(in + 4, request.Cdb[1] & 0x03);
  return Control(handle, IoctlCdromGetConfiguration, in, sizeof in, request.DataBuffer, request.DataLength);
}

Outcome ReadCapacity(ClassDriverHandle handle, ScsiRequest& request) {
  uint8_t capacity[ReadCapacitySize] = {};
  Outcome got = Control(handle, IoctlStorageReadCapacity, nullptr, 0, capacity, sizeof capacity);
  if (got.Error) return got;
  uint64_t blocks = uint64_t(get_le32(capacity + CapacityBlocks + 4)) << 32 | get_le32(capacity + CapacityBlocks);
  if (got.Transferred < sizeof capacity || blocks > 0x100000000ull) return Outcome{ErrorIoDevice, 0, SenseHardwareError, 0};
  if (blocks == 0) return Outcome{ErrorNotReady, 0, SenseNotReady, AscMediumNotPresent};  // no disc to count
  uint8_t answer[8];
  put_be32(answer, uint32_t(blocks - 1));
  put_be32(answer + 4, get_le32(capacity + CapacityBlockLength));
  return Give(request, answer, sizeof answer);
}

Outcome ReadSubChannel(ClassDriverHandle handle, ScsiRequest& request) {
  if (request.Cdb[3] != SubQCurrentPosition) return Refused(AscInvalidField);
  const uint8_t format[SubQFormatSize] = {SubQCurrentPosition, 0};
  uint8_t position[SubQCurrentPositionSize] = {};
  Outcome got = Control(handle, IoctlCdromReadQChannel, format, sizeof format, position, sizeof position);
  if (got.Error) return got;
  // Without SubQ the drive sends the header alone.
  return Give(request, position, (request.Cdb[2] & 0x40) ? got.Transferred : (got.Transferred < 4 ? got.Transferred : 4));
}

Outcome Read10(ClassDriverHandle handle, ScsiRequest& request) {
  const uint32_t size = uint32_t(get_be16(request.Cdb + 7)) * SectorSize;
  if (!request.DataBuffer || size > request.DataLength) return Refused(AscInvalidField);
  uint32_t read = 0;
  uint32_t error = g_ops->Read(handle, uint64_t(get_be32(request.Cdb + 2)) * SectorSize, request.DataBuffer, size, read);
  if (error == ErrorNone && read < size) error = ErrorSectorNotFound;  // the disc ended first
  return FromError(error, read <= size ? read : size);
}

Outcome StartStop(ClassDriverHandle handle, const ScsiRequest& request) {
  switch (request.Cdb[4] & 0x03) {
    case 0x02: return Control(handle, IoctlStorageEjectMedia, nullptr, 0, nullptr, 0);
    case 0x03: return Control(handle, IoctlStorageLoadMedia, nullptr, 0, nullptr, 0);
    default: return Refused(AscInvalidField);  // spinning up or down has no request
  }
}

// The class driver counts locks per drive and lifts the lock only when as
// many unlocks came; a drive PREVENTs once whatever the number. The program
// locks again at every disc change, so an unlock here takes back every lock
// this process gave the drive (another program's locks stay).
uint32_t g_locksGiven['Z' - 'A' + 1] = {};

Outcome PreventAllow(ClassDriverHandle handle, const ScsiRequest& request) {
  const int32_t letter = request.Address.Letter & ~0x20;  // either case
  uint32_t* given = letter >= 'A' && letter <= 'Z' ? &g_locksGiven[letter - 'A'] : nullptr;
  uint8_t prevent = request.Cdb[4] & 0x01;
  if (prevent) {
    Outcome out = Control(handle, IoctlStorageMediaRemoval, &prevent, 1, nullptr, 0);
    if (out.Error == ErrorNone && given) ++*given;
    return out;
  }
  Outcome out;
  uint32_t times = given && *given > 1 ? *given : 1;
  for (uint32_t i = 0; i < times && out.Error == ErrorNone; ++i)
    out = Control(handle, IoctlStorageMediaRemoval, &prevent, 1, nullptr, 0);
  if (out.Error == ErrorNone && given) *given = 0;
  return out;
}

Outcome Translate(ClassDriverHandle handle, ScsiRequest& request) {
  switch (request.Cdb[0]) {
    case OpTestUnitReady: return Control(handle, IoctlStorageCheckVerify, nullptr, 0, nullptr, 0);
    case OpInquiry: return Inquiry(handle, request);
    case OpModeSense10: return CapabilitiesPage(handle, request);
    case OpSetCdSpeed: return SetCdSpeed(handle, request);
    case OpSetStreaming: return SetStreaming(handle, request);
    case OpGetPerformance: return GetPerformance(handle, request);
    case OpGetConfiguration: return GetConfiguration(handle, request);
    case OpReadCapacity: return ReadCapacity(handle, request);
    case OpReadSubChannel: return ReadSubChannel(handle, request);
    case OpRead10: return Read10(handle, request);
    case OpStartStopUnit: return StartStop(handle, request);
    case OpPreventAllowRemoval: return PreventAllow(handle, request);
    default: return Refused(AscInvalidOpcode);
  }
}

// The row's handle is the class driver's own.
TransportHandle RowOpen(ScsiRequest& request) {
  uint32_t error = ErrorNone;
  ClassDriverHandle handle =
      OpenPastSharing([&](uint32_t& openError) { return g_ops->Open(request.Address.Letter, openError); }, error);
  if (!handle) {
    // A failed open reports like a failed send.
    ClearRequestStatus(request);
    request.SystemError = int32_t(error ? error : ErrorFileNotFound);
  }
  return handle;
}

void RowClose(TransportHandle handle) {
  if (handle) g_ops->Close(handle);
}

// As SPTI does: sense only when asked for, at most 16 bytes, and a failure
// the drive did not answer leaves status and sense at -1 (no retry).
bool RowSend(ScsiRequest& request, TransportHandle handle) {
  ClearRequestStatus(request);
  if (!handle) return false;
  Outcome out = Translate(handle, request);
  if (out.Error == ErrorNone) {
    request.ScsiStatus = 0;
    request.DataLength = out.Transferred;
    request.SenseLength = 0;
    return true;
  }
  request.SystemError = int32_t(out.Error);
  if (out.SenseKey == 0) {
    CompleteSense(request, nullptr, 0);  // the request failed before any drive answered
    return false;
  }
  request.ScsiStatus = StatusCheckCondition;
  uint8_t sense[SenseWanted];
  FillFixedSense(sense, out);
  CompleteSense(request, sense, request.SenseLength < sizeof sense ? request.SenseLength : uint32_t(sizeof sense));
  request.DataLength = out.Transferred;
  return false;
}

// The class driver splits ordinary reads itself and carries no
// pass-through: no adapter limit applies beyond the program's own.
bool RowQueryAdapter(TransportHandle, const DeviceAddress&, AdapterLimits&) { return false; }

bool RowFirstDrive(DriveCursor& cursor) { return g_ops->FirstDrive(cursor); }
bool RowNextDrive(DriveCursor& cursor) { return g_ops->NextDrive(cursor); }

}  // namespace

void InstallClassDriverOps(const ClassDriverOps* ops) { g_ops = ops ? ops : &NoOps; }

const Transport ClassDriverTransport = {TransportClassDriver, RowFirstDrive, RowNextDrive, RowOpen,
                                        RowSend,              RowClose,      RowQueryAdapter};
