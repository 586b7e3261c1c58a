// The SPTI row: the NT storage drivers' pass-through on "\\.\X:". Every
// decision (the record, sense and lengths, the sharing-violation retry, the
// adapter's limits, which letters are drives, whether SPTI is usable) is
// made here over a table of system calls; spti_win32.cpp only makes the
// calls, and native tests install calls of their own.
#pragma once
#include <cstddef>
#include <cstdint>

#include "mmc/transport.h"

// SCSI_PASS_THROUGH_DIRECT as the system reads it. On 32-bit Windows it is
// the system's own record byte for byte (spti_win32.cpp pins that); natively
// it only carries the same fields to the test's calls.
struct PassThroughDirect {
  uint16_t Length;
  uint8_t ScsiStatus;
  uint8_t PathId;
  uint8_t TargetId;
  uint8_t Lun;
  uint8_t CdbLength;
  uint8_t SenseInfoLength;
  uint8_t DataIn;
  uint32_t DataTransferLength;
  uint32_t TimeOutValue;  // seconds
  void* DataBuffer;
  uint32_t SenseInfoOffset;
  uint8_t Cdb[16];
};

// One pass-through call: the record, then the sense area it points at.
struct PassThroughCall {
  PassThroughDirect Header;
  uint8_t Sense[16];
};

// Wire values of Windows the row speaks.
namespace SptiWire {
constexpr uint32_t IoctlPassThroughDirect = 0x4D014;   // IOCTL_SCSI_PASS_THROUGH_DIRECT
constexpr uint32_t IoctlStorageQueryProperty = 0x2D1400;
constexpr uint32_t IoctlScsiGetCapabilities = 0x41010;
constexpr uint8_t DataOut = 0, DataIn = 1;              // SCSI_IOCTL_DATA_OUT, _IN
constexpr uint32_t GenericRead = 0x80000000, GenericWrite = 0x40000000;
constexpr uint32_t DriveCdrom = 5;                      // GetDriveType
constexpr uint32_t ErrorAccessDenied = 5, ErrorInvalidHandle = 6, ErrorNotEnoughMemory = 8,
                   ErrorInvalidDrive = 15, ErrorSharingViolation = SystemErrorSharingViolation;
// STORAGE_PROPERTY_QUERY for StorageAdapterProperty, standard query.
constexpr uint32_t PropertyQuerySize = 12, StorageAdapterProperty = 1;
// STORAGE_ADAPTER_DESCRIPTOR and IO_SCSI_CAPABILITIES: where the limits sit.
constexpr uint32_t AdapterDescriptorSize = 32, AdapterMaxTransferAt = 8, AdapterAlignmentAt = 16;
constexpr uint32_t CapabilitiesSize = 24, CapabilitiesMaxTransferAt = 4, CapabilitiesAlignmentAt = 16;
}  // namespace SptiWire

constexpr uint32_t SptiTimeoutSeconds = 30;

// Which Windows this is, as GetVersionExA says.
struct SystemVersion {
  bool Known;  // false when the query itself failed
  uint32_t Major;
  uint32_t Minor;
  bool Nt;     // the NT family; false for Windows 95/98/ME
};

using SystemHandle = void*;

// The system calls behind the row.
struct SptiOps {
  // CreateFileA(path, access, share read|write, OPEN_EXISTING): null and the
  // system's error when it fails.
  SystemHandle (*Open)(const char* path, uint32_t access, uint32_t& error);
  // DeviceIoControl: 0 when done, else the system's error; returned = the
  // bytes put in out.
  uint32_t (*Control)(SystemHandle handle, uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                      uint32_t& returned);
  void (*Close)(SystemHandle handle);
  uint32_t (*LogicalDrives)();               // GetLogicalDrives: bit 0 is A:
  uint32_t (*DriveType)(const char* root);   // GetDriveTypeA("X:\")
  SystemVersion (*Version)();
};

// Installs the calls the row goes through (null: every call fails).
void InstallSptiOps(const SptiOps* ops);

// SPTI, TransportSpti.
extern const Transport SptiTransport;
// Decides whether SPTI can be used: sets SptiStatus (SptiNotNt,
// SptiAccessDenied when no optical drive opens, else SptiUsable) and the
// access mask used to open drives.
bool SptiProbe();
// GENERIC_READ | GENERIC_WRITE above major version 4, GENERIC_READ otherwise.
[[nodiscard]] uint32_t SptiAccessMask();
// The last probe found optical drives and could open none, at least one of
// them for want of rights (ERROR_ACCESS_DENIED).
[[nodiscard]] bool SptiRefusedForRights();
// The version the probe saw (the class-driver row asks for Vista or later).
[[nodiscard]] SystemVersion SptiSystemVersion();
