// The SPTI row's system calls; every decision is in spti_row.cpp.
#include <windows.h>
#include <ntddscsi.h>
#include <winioctl.h>

#include "common/handle_win32.h"
#include "common/system_win32.h"
#include "transport/spti_row.h"
#include "transport/system_transports.h"

// The portable record is the system's, byte for byte.
static_assert(sizeof(PassThroughDirect) == sizeof(SCSI_PASS_THROUGH_DIRECT) && sizeof(PassThroughDirect) == 44);
static_assert(offsetof(PassThroughDirect, ScsiStatus) == offsetof(SCSI_PASS_THROUGH_DIRECT, ScsiStatus));
static_assert(offsetof(PassThroughDirect, SenseInfoLength) == offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoLength));
static_assert(offsetof(PassThroughDirect, DataIn) == offsetof(SCSI_PASS_THROUGH_DIRECT, DataIn));
static_assert(offsetof(PassThroughDirect, DataTransferLength) == 12);
static_assert(offsetof(PassThroughDirect, TimeOutValue) == 16);
static_assert(offsetof(PassThroughDirect, DataBuffer) == 20);
static_assert(offsetof(PassThroughDirect, SenseInfoOffset) == 24);
static_assert(offsetof(PassThroughDirect, Cdb) == 28);
static_assert(sizeof(PassThroughCall) == 60 && offsetof(PassThroughCall, Sense) == 44);
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == SptiWire::IoctlPassThroughDirect);
static_assert(IOCTL_STORAGE_QUERY_PROPERTY == SptiWire::IoctlStorageQueryProperty);
static_assert(IOCTL_SCSI_GET_CAPABILITIES == SptiWire::IoctlScsiGetCapabilities);
static_assert(SCSI_IOCTL_DATA_IN == SptiWire::DataIn && SCSI_IOCTL_DATA_OUT == SptiWire::DataOut);
static_assert(GENERIC_READ == SptiWire::GenericRead && GENERIC_WRITE == SptiWire::GenericWrite);
static_assert(DRIVE_CDROM == SptiWire::DriveCdrom && StorageAdapterProperty == SptiWire::StorageAdapterProperty);
static_assert(ERROR_ACCESS_DENIED == SptiWire::ErrorAccessDenied && ERROR_INVALID_HANDLE == SptiWire::ErrorInvalidHandle);
static_assert(ERROR_INVALID_DRIVE == SptiWire::ErrorInvalidDrive && ERROR_SHARING_VIOLATION == SptiWire::ErrorSharingViolation);
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == SptiWire::PropertyQuerySize);
static_assert(sizeof(STORAGE_ADAPTER_DESCRIPTOR) == SptiWire::AdapterDescriptorSize);
static_assert(offsetof(STORAGE_ADAPTER_DESCRIPTOR, MaximumTransferLength) == SptiWire::AdapterMaxTransferAt);
static_assert(offsetof(STORAGE_ADAPTER_DESCRIPTOR, AlignmentMask) == SptiWire::AdapterAlignmentAt);
static_assert(sizeof(IO_SCSI_CAPABILITIES) == SptiWire::CapabilitiesSize);
static_assert(offsetof(IO_SCSI_CAPABILITIES, MaximumTransferLength) == SptiWire::CapabilitiesMaxTransferAt);
static_assert(offsetof(IO_SCSI_CAPABILITIES, AlignmentMask) == SptiWire::CapabilitiesAlignmentAt);

namespace {
SystemHandle Open(const char* path, uint32_t access, uint32_t& error) {
  HANDLE handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (IsUsableHandle(handle)) return handle;
  error = GetLastError();
  return nullptr;
}

uint32_t Control(SystemHandle handle, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                 uint32_t& returned) {
  DWORD count = 0;
  BOOL ok = DeviceIoControl(handle, code, in, inSize, out, outSize, &count, nullptr);
  returned = count;
  return ok ? ERROR_SUCCESS : GetLastError();
}

void Close(SystemHandle handle) {
  HANDLE h = handle;
  CloseUsableHandle(h);
}

uint32_t LogicalDrives() { return GetLogicalDrives(); }
uint32_t DriveType(const char* root) { return GetDriveTypeA(root); }
SystemVersion Version() {
  OsVersion version = QueryOsVersion();
  return SystemVersion{version.Known, version.Major, version.Minor, version.Nt};
}

const SptiOps Ops = {Open, Control, Close, LogicalDrives, DriveType, Version};
}  // namespace

void InstallSystemSptiOps() { InstallSptiOps(&Ops); }
