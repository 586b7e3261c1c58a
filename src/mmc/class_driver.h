// The CD-ROM class driver's own requests, for a standard user of Windows
// Vista and later: such a user may open "\\.\X:" for reading only, and
// pass-through needs read/write. The class-driver row carries the program's
// CDBs through these requests (all of them FILE_READ_ACCESS or less) and
// turns their answers back into data, status and sense, so the drive layer
// speaks MMC through it as through SPTI. A command no request carries is
// refused with ILLEGAL REQUEST, never answered with invented values.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

// Control codes, CTL_CODE(device, function, METHOD_BUFFERED, access): wire values.
enum ClassDriverIoctl : uint32_t {
  IoctlStorageCheckVerify = 0x2D4800,    // TEST UNIT READY
  IoctlStorageMediaRemoval = 0x2D4804,   // PREVENT ALLOW MEDIUM REMOVAL
  IoctlStorageEjectMedia = 0x2D4808,     // START STOP UNIT, eject
  IoctlStorageLoadMedia = 0x2D480C,      // START STOP UNIT, load
  IoctlStorageReadCapacity = 0x2D5140,   // READ CAPACITY
  IoctlStorageQueryProperty = 0x2D1400,  // the INQUIRY strings
  IoctlCdromReadQChannel = 0x2402C,      // READ SUB-CHANNEL
  IoctlCdromGetConfiguration = 0x24058,  // GET CONFIGURATION
  IoctlCdromSetSpeed = 0x24060,          // SET CD SPEED or SET STREAMING (Vista and later)
  IoctlCdromGetPerformance = 0x24070,    // GET PERFORMANCE (Windows 8 and later)
};

// Windows error codes the class driver answers with: wire values.
enum ClassDriverError : uint32_t {
  ErrorNone = 0,
  ErrorInvalidFunction = 1,  // the drive or this Windows lacks the request
  ErrorFileNotFound = 2,
  ErrorAccessDenied = 5,
  ErrorNotEnoughMemory = 8,
  ErrorSharingViolation = SystemErrorSharingViolation,
  ErrorNotReady = 21,        // no disc, tray open, spinning up
  ErrorCrc = 23,             // unreadable sector
  ErrorBadLength = 24,       // input record shorter than the request's record
  ErrorSectorNotFound = 27,  // address past the end of the disc
  ErrorInvalidParameter = 87,
  ErrorSemTimeout = 121,     // the drive did not answer
  ErrorInsufficientBuffer = 122,
  ErrorMediaChanged = 1110,  // the class driver saw UNIT ATTENTION
  ErrorIoDevice = 1117,
};

// The request records as a 32-bit program builds them (little-endian).
namespace ClassDriverWire {
constexpr uint32_t SetSpeedSize = 12;        // CDROM_SET_SPEED
constexpr uint32_t SetStreamingSize = 36;    // CDROM_SET_STREAMING
constexpr uint32_t SpeedRequestSetSpeed = 0, SpeedRequestSetStreaming = 1;
constexpr uint32_t PerformanceRequestSize = 20;  // CDROM_PERFORMANCE_REQUEST
constexpr uint32_t PerformanceHeaderSize = 8, PerformanceDescriptorSize = 16;
constexpr uint32_t ConfigurationInputSize = 16;  // GET_CONFIGURATION_IOCTL_INPUT, 32-bit pointers
constexpr uint32_t ConfigurationHeaderSize = 8;
constexpr uint32_t PropertyQuerySize = 12;       // STORAGE_PROPERTY_QUERY
constexpr uint32_t DeviceDescriptorSize = 40;    // STORAGE_DEVICE_DESCRIPTOR up to its raw bytes
constexpr uint32_t DescriptorDeviceType = 8, DescriptorRemovable = 10, DescriptorVendorOffset = 12,
                   DescriptorProductOffset = 16, DescriptorRevisionOffset = 20;
constexpr uint32_t ReadCapacitySize = 32;        // STORAGE_READ_CAPACITY
constexpr uint32_t CapacityBlockLength = 8, CapacityBlocks = 16;
constexpr uint32_t SubQFormatSize = 2, SubQCurrentPositionSize = 16;
constexpr uint8_t SubQCurrentPosition = 1;
}  // namespace ClassDriverWire

using ClassDriverHandle = void*;

// The system calls behind the row; the Windows half fills them, native tests
// install the fake class driver of the virtual drives.
struct ClassDriverOps {
  // Opens "\\.\X:" for reading only; null and the system's error otherwise.
  ClassDriverHandle (*Open)(int32_t letter, uint32_t& error);
  // One request: ErrorNone or the system's error; returned = bytes put in out.
  uint32_t (*Control)(ClassDriverHandle handle, uint32_t code, const void* in, uint32_t inSize, void* out,
                      uint32_t outSize, uint32_t& returned);
  // Reads size bytes at a byte offset of the disc; read = bytes that came.
  uint32_t (*Read)(ClassDriverHandle handle, uint64_t offset, void* buffer, uint32_t size, uint32_t& read);
  void (*Close)(ClassDriverHandle handle);
  bool (*FirstDrive)(DriveCursor& cursor);
  bool (*NextDrive)(DriveCursor& cursor);
};

// Installs the calls the row goes through (null: every call fails).
void InstallClassDriverOps(const ClassDriverOps* ops);

// The row, TransportClassDriver.
extern const Transport ClassDriverTransport;
