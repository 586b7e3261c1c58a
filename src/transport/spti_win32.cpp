#include "transport/spti_win32.h"

#include <cstring>
#include <new>

#include "clock/clock.h"
#include "common/handle_win32.h"
#include "common/system_win32.h"
#include "transport/system_transports.h"

namespace {
const SptiSystemCalls SystemCalls = {CreateFileA, DeviceIoControl, CloseHandle, GetDriveTypeA};
const SptiSystemCalls* g_calls = &SystemCalls;

// Windows 2000 and later want read/write access for pass-through, NT 4 is
// opened read-only; read/write until the probe has seen the version.
DWORD g_accessMask = GENERIC_READ | GENERIC_WRITE;
// Every optical drive refused read/write access itself (ERROR_ACCESS_DENIED):
// the user lacks the rights, the drives are there.
bool g_refusedForRights = false;

struct SptiDevice {
  HANDLE Handle;
};

bool IsDriveLetter(int32_t letter) { return (letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'); }

// Opens "\\.\X:". Another program holding the drive exclusively (a burner,
// a player) answers ERROR_SHARING_VIOLATION for a moment: wait and try again.
HANDLE OpenDrive(int32_t letter, DWORD& error) {
  if (!IsDriveLetter(letter)) {
    error = ERROR_INVALID_DRIVE;
    return INVALID_HANDLE_VALUE;
  }
  char path[] = "\\\\.\\X:";
  path[4] = char(letter);
  for (DWORD attempt = 1;; ++attempt) {
    HANDLE handle = g_calls->CreateFileA(path, g_accessMask, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (IsUsableHandle(handle)) return handle;
    error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION) return INVALID_HANDLE_VALUE;
    ClockSleep(SptiSharingWaitMs);
    if (attempt == SptiSharingAttempts) return INVALID_HANDLE_VALUE;
  }
}

TransportHandle SptiOpen(const ScsiRequest& request) {
  DWORD error = 0;
  HANDLE handle = OpenDrive(request.Address.Letter, error);
  // A failed open reports in the request's status fields like a failed
  // send. The table hands the request over as const, but every caller
  // builds it on its own stack as a plain variable.
  auto& out = const_cast<ScsiRequest&>(request);
  if (!IsUsableHandle(handle)) {
    ClearRequestStatus(out);
    out.SystemError = int32_t(error);
    return nullptr;
  }
  auto* device = new (std::nothrow) SptiDevice{handle};
  if (!device) {
    CloseUsableHandle(handle, g_calls->CloseHandle);
    ClearRequestStatus(out);
    out.SystemError = ERROR_NOT_ENOUGH_MEMORY;
  }
  return device;
}

void SptiClose(TransportHandle handle) {
  auto* device = static_cast<SptiDevice*>(handle);
  if (!device) return;
  CloseUsableHandle(device->Handle, g_calls->CloseHandle);
  delete device;
}

bool SptiSend(ScsiRequest& request, TransportHandle handle) {
  ClearRequestStatus(request);
  auto* device = static_cast<SptiDevice*>(handle);
  if (!device || !IsUsableHandle(device->Handle)) {
    request.SystemError = ERROR_INVALID_HANDLE;
    return false;
  }
  SptiBuffer buffer;
  memset(&buffer, 0, sizeof buffer);
  SCSI_PASS_THROUGH_DIRECT& header = buffer.Header;
  header.Length = sizeof header;
  header.PathId = UCHAR(request.Address.HaId);
  header.TargetId = UCHAR(request.Address.Target);
  header.Lun = UCHAR(request.Address.Lun);
  header.CdbLength = UCHAR(request.CdbLength);
  header.SenseInfoLength = UCHAR(request.SenseLength <= 15 ? request.SenseLength : 16);
  // A command without data goes out as data-out of length 0: some drivers
  // reject SCSI_IOCTL_DATA_UNSPECIFIED.
  header.DataIn = request.DataOut ? SCSI_IOCTL_DATA_OUT : SCSI_IOCTL_DATA_IN;
  header.DataTransferLength = request.DataLength;
  header.TimeOutValue = SptiTimeoutSeconds;
  header.DataBuffer = request.DataBuffer;
  header.SenseInfoOffset = offsetof(SptiBuffer, Sense);
  memcpy(header.Cdb, request.Cdb, sizeof header.Cdb);

  DWORD returned = 0;
  if (!g_calls->DeviceIoControl(device->Handle, SptiIoctl, &buffer, sizeof header, &buffer, sizeof buffer, &returned,
                                nullptr)) {
    request.SystemError = int32_t(GetLastError());
    return false;
  }
  // The driver's lengths are trusted only within what was asked for.
  uint32_t senseLength = header.SenseInfoLength <= sizeof buffer.Sense ? header.SenseInfoLength : sizeof buffer.Sense;
  request.ScsiStatus = header.ScsiStatus;
  request.SenseKey = SenseKeyOf(buffer.Sense, senseLength);
  memcpy(request.SenseData, buffer.Sense, sizeof request.SenseData);
  request.SenseLength = senseLength;
  if (header.DataTransferLength < request.DataLength) request.DataLength = header.DataTransferLength;
  return request.ScsiStatus == 0;
}

bool SptiExecute(ScsiRequest& request) {
  TransportHandle handle = SptiOpen(request);
  if (!handle) return false;
  bool sent = SptiSend(request, handle);
  SptiClose(handle);
  return sent;
}

// The first optical drive letter from `from` on, walking GetLogicalDrives.
bool FindOpticalLetter(int32_t from, DriveCursor& cursor) {
  if (from < 'A' || from > 'Z') return false;
  DWORD mask = GetLogicalDrives() >> (from - 'A');
  for (int32_t letter = from; mask != 0; ++letter, mask >>= 1) {
    if (!(mask & 1)) continue;
    char root[] = "X:\\";
    root[0] = char(letter);
    if (g_calls->GetDriveTypeA(root) == DRIVE_CDROM) {
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

const Transport SptiTransport = {TransportSpti, SptiExecute, SptiFirstDrive, SptiNextDrive, SptiOpen, SptiSend, SptiClose};

void InstallSptiSystemCalls(const SptiSystemCalls* calls) { g_calls = calls ? calls : &SystemCalls; }

uint32_t SptiAccessMask() { return g_accessMask; }

bool SptiRefusedForRights() { return g_refusedForRights; }

bool SptiProbe() {
  OsVersion version = QueryOsVersion();
  if (!version.Known) {
    SetSptiStatus(SptiNotNt);
    return false;
  }
  g_accessMask = version.Major > 4 ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
  if (!version.Nt) {
    SetSptiStatus(SptiNotNt);
    return false;
  }
  // No optical drive at all still counts as usable; drives that all refuse
  // to open mean the user lacks the rights.
  SptiAvailability status = SptiUsable;
  g_refusedForRights = false;
  DriveCursor cursor{};
  for (bool found = SptiFirstDrive(cursor); found; found = SptiNextDrive(cursor)) {
    DWORD error = 0;
    HANDLE handle = OpenDrive(cursor.Address.Letter, error);
    if (IsUsableHandle(handle)) {
      CloseUsableHandle(handle, g_calls->CloseHandle);
      status = SptiUsable;
      break;
    }
    status = SptiAccessDenied;
    if (error == ERROR_ACCESS_DENIED) g_refusedForRights = true;
  }
  if (status != SptiAccessDenied) g_refusedForRights = false;
  SetSptiStatus(status);
  return status != SptiAccessDenied;
}
