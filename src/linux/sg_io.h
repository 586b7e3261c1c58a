// The SG_IO row: the program's commands reach /dev/srN through the sg
// driver's SG_IO request. The decisions (which file, how a request becomes
// an SG_IO record and its answer data, status and sense again, what the
// adapter allows) are portable and tested natively; the calls behind them
// are a table (SgIoOps) that sg_io_linux.cpp fills.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "mmc/transport.h"

enum class SgIoDirection : int32_t { None, FromDevice, ToDevice };

// One SG_IO as plain values; the Linux half copies it into sg_io_hdr.
struct SgIoCommand {
  const uint8_t* Cdb;
  uint32_t CdbLength;
  SgIoDirection Direction;
  void* Data;
  uint32_t DataLength;
  uint8_t* Sense;
  uint32_t SenseRoom;
  uint32_t TimeoutMs;
  // The answer.
  uint8_t Status;         // SCSI status byte
  uint16_t HostStatus;    // 0, or why the adapter could not finish (a timeout...)
  uint16_t DriverStatus;  // 0, or the driver's note (sense came back...)
  uint32_t SenseWritten;
  int32_t Residual;       // bytes of Data not transferred
};

// The system calls. Errors are errno values.
struct SgIoOps {
  // Opens a device file for SG_IO: read-write, else read-only (a user may
  // read a drive she may not send every command to); -1 and error otherwise.
  int (*Open)(const char* path, int& error);
  // One SG_IO; 0 or the call's errno (the drive's own answer is in command).
  int (*Send)(int fd, SgIoCommand& command);
  void (*Close)(int fd);
  // The system's optical drives, /dev/sr0 first.
  void (*ListDevices)(std::vector<std::string>& paths);
  // The file is there (a drive plugged in).
  bool (*Exists)(const char* path);
  // The queue's largest transfer in KiB (max_hw_sectors_kb of the device's
  // block queue); false when the system does not say.
  bool (*MaxTransferKb)(const char* path, uint32_t& kilobytes);
};

// The calls of this system (sg_io_linux.cpp).
const SgIoOps& SystemSgIoOps();
// The sysfs file of a device's block queue: ROOT/block/NAME/queue/ATTRIBUTE
// with NAME the device file's own name (sr0); empty for a path without one.
// VARNEL_SYSFS_ROOT names another root than /sys, so that the virtual
// drives' device files (named sr0, sr1... too) never read a real drive's.
[[nodiscard]] std::string SysfsQueueFile(const std::string& root, const std::string& devicePath,
                                         const char* attribute);

// Installs the calls (null: every call fails).
void InstallSgIoOps(const SgIoOps* ops);

// The devices the row enumerates: the paths in list (colon-separated) when
// it is not null, the system's /dev/sr* otherwise. Takes effect at the next
// enumeration. Tests name the drive server's device files here.
void SetSgIoDeviceList(const char* list);

// The devices present now differ from those of the last enumeration (a
// drive was plugged in or removed).
[[nodiscard]] bool SgIoDeviceSetChanged();

// The device file of a drive the row enumerated (its Target is the index),
// or null.
[[nodiscard]] const char* SgIoDevicePath(const DeviceAddress& address);
// The index of a device file in the row's current list, or -1.
[[nodiscard]] int SgIoDeviceIndex(const char* path);

// The row, TransportSgIo. Its adapter's limit is the queue's
// max_hw_sectors_kb: the kernel refuses a longer SG_IO.
extern const Transport SgIoTransport;

// The devices of the last enumeration, and why a device's last open failed
// (an errno, 0 when it opened), so that the command line can say why a
// device is missing from the drives.
[[nodiscard]] size_t SgIoDeviceCount();
[[nodiscard]] const char* SgIoDeviceAt(size_t index);
[[nodiscard]] int SgIoOpenError(size_t index);

