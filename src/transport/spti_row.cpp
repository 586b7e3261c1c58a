#include "transport/spti_row.h"

#include <cstring>

#include "mmc/wire.h"

namespace {
SystemHandle NoOpen(const char*, uint32_t, uint32_t& error) {
  error = SptiWire::ErrorInvalidDrive;
  return nullptr;
}
uint32_t NoControl(SystemHandle, uint32_t, void*, uint32_t, void*, uint32_t, uint32_t& returned) {
  returned = 0;
  return SptiWire::ErrorInvalidHandle;
}
void NoClose(SystemHandle) {}
uint32_t NoDrives() { return 0; }
uint32_t NoType(const char*) { return 0; }
SystemVersion NoVersion() { return SystemVersion{false, 0, 0, false}; }
const SptiOps NoOps = {NoOpen, NoControl, NoClose, NoDrives, NoType, NoVersion};
const SptiOps* g_ops = &NoOps;

// Windows 2000 and later want read/write access for pass-through, NT 4 is
// opened read-only; read/write until the probe has seen the version.
uint32_t g_accessMask = SptiWire::GenericRead | SptiWire::GenericWrite;
// Every optical drive refused read/write access itself (ERROR_ACCESS_DENIED):
// the user lacks the rights, the drives are there.
bool g_refusedForRights = false;
SystemVersion g_version{false, 0, 0, false};

bool IsDriveLetter(int32_t letter) { return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'); }

// Opens "\\.\X:", again after a sharing violation.
SystemHandle OpenDrive(int32_t letter, uint32_t& error) {
  if (!IsDriveLetter(letter)) {
    error = SptiWire::ErrorInvalidDrive;
    return nullptr;
  }
  char path[] = "\\\\.\\X:";
  path[4] = char(letter);
  return OpenPastSharing([&](uint32_t& openError) { return g_ops->Open(path, g_accessMask, openError); }, error);
}

// The row's handle is the system's.
TransportHandle SptiOpen(ScsiRequest& request) {
  uint32_t error = 0;
  SystemHandle handle = OpenDrive(request.Address.Letter, error);
  if (!handle) {
    // A failed open reports like a failed send.
    ClearRequestStatus(request);
    request.SystemError = int32_t(error);
  }
  return handle;
}

void SptiClose(TransportHandle handle) {
  if (handle) g_ops->Close(handle);
}

bool SptiSend(ScsiRequest& request, TransportHandle handle) {
  ClearRequestStatus(request);
  if (!handle) {
    request.SystemError = SptiWire::ErrorInvalidHandle;
    return false;
  }
  PassThroughCall call;
  std::memset(&call, 0, sizeof call);
  PassThroughDirect& header = call.Header;
  header.Length = sizeof header;
  header.PathId = uint8_t(request.Address.HaId);
  header.TargetId = uint8_t(request.Address.Target);
  header.Lun = uint8_t(request.Address.Lun);
  header.CdbLength = uint8_t(request.CdbLength);
  header.SenseInfoLength = uint8_t(request.SenseLength < sizeof call.Sense ? request.SenseLength : sizeof call.Sense);
  // A command without data goes out as data-out of length 0: some drivers
  // reject SCSI_IOCTL_DATA_UNSPECIFIED.
  header.DataIn = request.DataOut ? SptiWire::DataOut : SptiWire::DataIn;
  header.DataTransferLength = request.DataLength;
  header.TimeOutValue = SptiTimeoutSeconds;
  header.DataBuffer = request.DataLength ? request.DataBuffer : nullptr;
  header.SenseInfoOffset = offsetof(PassThroughCall, Sense);
  std::memcpy(header.Cdb, request.Cdb, sizeof header.Cdb);

  uint32_t returned = 0;
  uint32_t error =
      g_ops->Control(handle, SptiWire::IoctlPassThroughDirect, &call, sizeof header, &call, sizeof call, returned);
  if (error) {
    request.SystemError = int32_t(error);
    request.DataLength = 0;
    CompleteSense(request, nullptr, 0);  // no drive answered: the sense area holds nothing
    return false;
  }
  // The driver's lengths are trusted only within what was asked for.
  request.ScsiStatus = header.ScsiStatus;
  CompleteSense(request, call.Sense, header.SenseInfoLength < sizeof call.Sense ? header.SenseInfoLength : sizeof call.Sense);
  if (header.DataTransferLength < request.DataLength) request.DataLength = header.DataTransferLength;
  return request.ScsiStatus == 0;
}

// Reads a limit pair from a descriptor the system filled, within its length.
bool ReadLimits(const uint8_t* answer, uint32_t returned, uint32_t transferAt, uint32_t alignmentAt,
                AdapterLimits& limits) {
  if (returned < alignmentAt + 4) return false;
  limits.MaxTransfer = get_le32(answer + transferAt);
  limits.AlignmentMask = get_le32(answer + alignmentAt);
  return true;
}

// Windows 2000 and later describe the adapter through the storage property
// query; NT 4 (and SCSI port drivers since) through the capabilities query.
bool SptiQueryAdapter(TransportHandle handle, const DeviceAddress&, AdapterLimits& limits) {
  if (!handle) return false;
  using namespace SptiWire;
  uint32_t returned = 0;
  if (g_version.Major >= 5) {
    uint8_t query[PropertyQuerySize] = {};
    put_le32(query, StorageAdapterProperty);  // QueryType 0: the standard query
    uint8_t descriptor[AdapterDescriptorSize] = {};
    if (g_ops->Control(handle, IoctlStorageQueryProperty, query, sizeof query, descriptor, sizeof descriptor,
                       returned) == 0 &&
        ReadLimits(descriptor, returned < sizeof descriptor ? returned : sizeof descriptor, AdapterMaxTransferAt,
                   AdapterAlignmentAt, limits))
      return true;
  }
  uint8_t capabilities[CapabilitiesSize] = {};
  returned = 0;
  return g_ops->Control(handle, IoctlScsiGetCapabilities, nullptr, 0, capabilities, sizeof capabilities, returned) ==
             0 &&
         ReadLimits(capabilities, returned < sizeof capabilities ? returned : sizeof capabilities,
                    CapabilitiesMaxTransferAt, CapabilitiesAlignmentAt, limits);
}

// The first optical drive letter from `from` on, walking the system's letters.
bool FindOpticalLetter(int32_t from, DriveCursor& cursor) {
  if (from < 'A' || from > 'Z') return false;
  uint32_t mask = g_ops->LogicalDrives() >> (from - 'A');
  for (int32_t letter = from; mask != 0; ++letter, mask >>= 1) {
    if (!(mask & 1)) continue;
    char root[] = "X:\\";
    root[0] = char(letter);
    if (g_ops->DriveType(root) == SptiWire::DriveCdrom) {
      cursor.Position[0] = uint32_t(letter);
      cursor.Address = DeviceAddress{0, 0, 0, letter};
      return true;
    }
  }
  return false;
}

bool SptiFirstDrive(DriveCursor& cursor) { return FindOpticalLetter('A', cursor); }
bool SptiNextDrive(DriveCursor& cursor) { return FindOpticalLetter(int32_t(cursor.Position[0]) + 1, cursor); }
}  // namespace

const Transport SptiTransport = {TransportSpti, SptiFirstDrive, SptiNextDrive,   SptiOpen,
                                 SptiSend,      SptiClose,      SptiQueryAdapter};

void InstallSptiOps(const SptiOps* ops) { g_ops = ops ? ops : &NoOps; }

uint32_t SptiAccessMask() { return g_accessMask; }
bool SptiRefusedForRights() { return g_refusedForRights; }
SystemVersion SptiSystemVersion() { return g_version; }

bool SptiProbe() {
  g_version = g_ops->Version();
  g_refusedForRights = false;
  if (!g_version.Known) {
    SetSptiStatus(SptiNotNt);
    return false;
  }
  g_accessMask = g_version.Major > 4 ? SptiWire::GenericRead | SptiWire::GenericWrite : SptiWire::GenericRead;
  if (!g_version.Nt) {
    SetSptiStatus(SptiNotNt);
    return false;
  }
  // No optical drive at all still counts as usable; drives that all refuse
  // to open mean the user lacks the rights.
  SptiAvailability status = SptiUsable;
  DriveCursor cursor{};
  for (bool found = SptiFirstDrive(cursor); found; found = SptiNextDrive(cursor)) {
    uint32_t error = 0;
    SystemHandle handle = OpenDrive(cursor.Address.Letter, error);
    if (handle) {
      g_ops->Close(handle);
      status = SptiUsable;
      break;
    }
    status = SptiAccessDenied;
    if (error == SptiWire::ErrorAccessDenied) g_refusedForRights = true;
  }
  if (status != SptiAccessDenied) g_refusedForRights = false;
  SetSptiStatus(status);
  return status != SptiAccessDenied;
}
