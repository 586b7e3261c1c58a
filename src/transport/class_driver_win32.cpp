// The class-driver row's system calls: "\\.\X:" opened for reading only,
// DeviceIoControl and ReadFile on it. The translation of commands is portable
// (mmc/class_driver_row.cpp).
#include "transport/class_driver_win32.h"

#include <winioctl.h>
#include <ntddcdrm.h>

#include <cstddef>

#include "common/handle_win32.h"
#include "mmc/class_driver.h"
#include "transport/spti_row.h"
#include "transport/system_transports.h"

// The portable row builds these records by hand: pin them to Windows' own.
static_assert(IOCTL_STORAGE_CHECK_VERIFY == IoctlStorageCheckVerify);
static_assert(IOCTL_STORAGE_MEDIA_REMOVAL == IoctlStorageMediaRemoval);
static_assert(IOCTL_STORAGE_EJECT_MEDIA == IoctlStorageEjectMedia);
static_assert(IOCTL_STORAGE_LOAD_MEDIA == IoctlStorageLoadMedia);
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == IoctlStorageQueryProperty);
static_assert(IOCTL_CDROM_READ_Q_CHANNEL == IoctlCdromReadQChannel);
static_assert(IOCTL_CDROM_GET_CONFIGURATION == IoctlCdromGetConfiguration);
static_assert(IOCTL_CDROM_SET_SPEED == IoctlCdromSetSpeed);
static_assert(CTL_CODE(IOCTL_STORAGE_BASE, 0x0450, METHOD_BUFFERED, FILE_READ_ACCESS) == IoctlStorageReadCapacity);
static_assert(CTL_CODE(IOCTL_CDROM_BASE, 0x001C, METHOD_BUFFERED, FILE_READ_ACCESS) == IoctlCdromGetPerformance);
static_assert(sizeof(CDROM_SET_SPEED) == ClassDriverWire::SetSpeedSize);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == ClassDriverWire::PropertyQuerySize);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, VendorIdOffset) == ClassDriverWire::DescriptorVendorOffset);
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, ProductRevisionOffset) == ClassDriverWire::DescriptorRevisionOffset);
static_assert(sizeof(STORAGE_DEVICE_DESCRIPTOR) == ClassDriverWire::DeviceDescriptorSize);
static_assert(sizeof(CDROM_SUB_Q_DATA_FORMAT) == ClassDriverWire::SubQFormatSize);
static_assert(sizeof(SUB_Q_CURRENT_POSITION) == ClassDriverWire::SubQCurrentPositionSize);
static_assert(sizeof(PREVENT_MEDIA_REMOVAL) == 1);
static_assert(ERROR_SHARING_VIOLATION == ErrorSharingViolation);

namespace {
const ClassDriverSystemCalls SystemCalls = {CreateFileA, DeviceIoControl, SetFilePointer, ReadFile, CloseHandle};
const ClassDriverSystemCalls* g_calls = &SystemCalls;

HANDLE Unwrap(ClassDriverHandle handle) { return static_cast<HANDLE>(handle); }

// Read access only: what Windows Vista and later grant a standard user on a
// CD-ROM.
ClassDriverHandle Open(int32_t letter, uint32_t& error) {
  if (!((letter >= 'A' && letter <= 'Z') || (letter >= 'a' && letter <= 'z'))) {
    error = ERROR_INVALID_DRIVE;
    return nullptr;
  }
  char path[] = "\\\\.\\X:";
  path[4] = char(letter);
  HANDLE handle =
      g_calls->CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (IsUsableHandle(handle)) return handle;
  error = GetLastError();
  return nullptr;
}

uint32_t Control(ClassDriverHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t& returned) {
  DWORD count = 0;
  BOOL ok = g_calls->DeviceIoControl(Unwrap(handle), code, const_cast<void*>(in), inSize, out, outSize, &count, nullptr);
  returned = count;
  return ok ? ERROR_SUCCESS : GetLastError();
}

uint32_t Read(ClassDriverHandle handle, uint64_t offset, void* buffer, uint32_t size, uint32_t& read) {
  read = 0;
  LONG high = LONG(offset >> 32);
  // INVALID_SET_FILE_POINTER is also a valid low half: only the error tells.
  SetLastError(ERROR_SUCCESS);
  if (g_calls->SetFilePointer(Unwrap(handle), LONG(uint32_t(offset)), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER &&
      GetLastError() != ERROR_SUCCESS)
    return GetLastError();
  DWORD count = 0;
  BOOL ok = g_calls->ReadFile(Unwrap(handle), buffer, size, &count, nullptr);
  read = count;
  return ok ? ERROR_SUCCESS : GetLastError();
}

void Close(ClassDriverHandle handle) {
  HANDLE h = Unwrap(handle);
  CloseUsableHandle(h, g_calls->CloseHandle);
}

// The optical drive letters, found as SPTI finds them.
bool FirstDrive(DriveCursor& cursor) { return SptiTransport.FirstDrive(cursor); }
bool NextDrive(DriveCursor& cursor) { return SptiTransport.NextDrive(cursor); }

const ClassDriverOps Ops = {Open, Control, Read, Close, FirstDrive, NextDrive};
}  // namespace

void InstallClassDriverSystemCalls(const ClassDriverSystemCalls* calls) {
  g_calls = calls ? calls : &SystemCalls;
  InstallClassDriverOps(&Ops);
}

bool ClassDriverProbe() {
  SystemVersion version = SptiSystemVersion();
  if (!version.Known || !version.Nt || version.Major < 6 || !SptiRefusedForRights()) return false;
  InstallClassDriverOps(&Ops);
  return true;
}
