// The SG_IO row: one open of the device file per command (as SPTI opens
// its letter), one SG_IO, and the answer turned back into the request's
// data length, status and sense.
#include <cerrno>
#include <new>

#include "linux/sg_io.h"

namespace {

int NoOpen(const char*, int& error) {
  error = ENODEV;
  return -1;
}
int NoSend(int, SgIoCommand&) { return ENODEV; }
void NoClose(int) {}
void NoList(std::vector<std::string>& paths) { paths.clear(); }
bool NoLimit(const char*, uint32_t&) { return false; }
bool NoFile(const char*) { return false; }
const SgIoOps NoOps = {NoOpen, NoSend, NoClose, NoList, NoFile, NoLimit};
const SgIoOps* g_ops = &NoOps;

std::string g_listed;        // the colon-separated list, when one is set
bool g_useList = false;
std::vector<std::string> g_devices;  // the current enumeration, Target = index
std::vector<int> g_openErrors;       // per device: why its last open failed, 0 when it opened

// A drive that has not answered in 30 s is taken as gone, as SPTI takes it.
constexpr uint32_t CommandTimeoutMs = 30000;
constexpr uint32_t SenseRoom = sizeof(ScsiRequest::SenseData);
constexpr uint32_t BytesPerKb = 1024;
// driver_status: its low bits say the driver failed the command (DRIVER_ERROR,
// DRIVER_TIMEOUT...); DRIVER_SENSE (0x08) only says sense came.
constexpr uint16_t DriverFailureBits = 0x07;

struct SgIoDevice {
  int Fd;
};

TransportHandle RowOpen(ScsiRequest& out) {
  const ScsiRequest& request = out;
  const char* path = SgIoDevicePath(request.Address);
  int error = ENODEV;
  int fd = path ? g_ops->Open(path, error) : -1;
  if (path) g_openErrors[request.Address.Target] = fd < 0 ? (error ? error : ENODEV) : 0;
  if (fd < 0) {
    ClearRequestStatus(out);
    out.SystemError = error ? error : ENODEV;
    return nullptr;
  }
  auto* device = new (std::nothrow) SgIoDevice{fd};
  if (!device) {
    g_ops->Close(fd);
    ClearRequestStatus(out);
    out.SystemError = ENOMEM;
  }
  return device;
}

void RowClose(TransportHandle handle) {
  auto* device = static_cast<SgIoDevice*>(handle);
  if (!device) return;
  g_ops->Close(device->Fd);
  delete device;
}

// As SPTI answers: sense only when asked for, at most 16 bytes; a command
// the drive never answered (the adapter's timeout, a reset) leaves status
// and sense at -1, so the executor does not retry it.
bool RowSend(ScsiRequest& request, TransportHandle handle) {
  ClearRequestStatus(request);
  auto* device = static_cast<SgIoDevice*>(handle);
  if (!device) {
    request.SystemError = EBADF;
    return false;
  }
  uint8_t sense[SenseRoom] = {};
  SgIoCommand command{};
  command.Cdb = request.Cdb;
  command.CdbLength = request.CdbLength;
  command.Direction = request.DataLength == 0 ? SgIoDirection::None
                      : request.DataOut      ? SgIoDirection::ToDevice
                                             : SgIoDirection::FromDevice;
  command.Data = request.DataBuffer;
  command.DataLength = request.DataBuffer ? request.DataLength : 0;
  if (!request.DataBuffer) command.Direction = SgIoDirection::None;
  command.Sense = sense;
  command.SenseRoom = request.SenseLength < SenseRoom ? request.SenseLength : SenseRoom;
  command.TimeoutMs = CommandTimeoutMs;
  int error = g_ops->Send(device->Fd, command);
  if (error) {
    request.SystemError = error;
    return false;
  }
  // The adapter or the driver gave up on it (a timeout, a reset): no
  // answer of the drive to act on.
  if (command.HostStatus != 0 || ((command.DriverStatus & DriverFailureBits) && command.Status == 0)) {
    request.SystemError = EIO;
    return false;
  }
  // The driver's counts are trusted only within what was offered.
  request.ScsiStatus = command.Status;
  CompleteSense(request, sense, command.SenseWritten < command.SenseRoom ? command.SenseWritten : command.SenseRoom);
  if (command.Residual > 0 && uint32_t(command.Residual) <= command.DataLength)
    request.DataLength = command.DataLength - uint32_t(command.Residual);
  return request.ScsiStatus == 0;
}

// The queue's largest transfer; SG_IO copies a buffer the adapter cannot
// reach in place, so any address will do.
bool RowQueryAdapter(TransportHandle, const DeviceAddress& address, AdapterLimits& limits) {
  const char* path = SgIoDevicePath(address);
  uint32_t kilobytes = 0;
  if (!path || !g_ops->MaxTransferKb(path, kilobytes) || kilobytes == 0) return false;
  limits.MaxTransfer = kilobytes * BytesPerKb;
  limits.AlignmentMask = 0;
  return true;
}

// The named devices whose files are there, or the system's.
std::vector<std::string> PresentDevices() {
  std::vector<std::string> devices;
  if (!g_useList) {
    g_ops->ListDevices(devices);
    return devices;
  }
  size_t from = 0;
  while (from <= g_listed.size()) {
    size_t end = g_listed.find(':', from);
    if (end == std::string::npos) end = g_listed.size();
    std::string path = g_listed.substr(from, end - from);
    if (!path.empty() && g_ops->Exists(path.c_str())) devices.push_back(path);
    from = end + 1;
  }
  return devices;
}

void ListDevices() {
  g_devices = PresentDevices();
  g_openErrors.assign(g_devices.size(), 0);
}

bool Report(DriveCursor& cursor) {
  uint32_t index = cursor.Position[0];
  if (index >= g_devices.size()) return false;
  cursor.Address = DeviceAddress{0, index, 0, 0};
  return true;
}

bool RowFirstDrive(DriveCursor& cursor) {
  ListDevices();
  cursor.Position[0] = 0;
  return Report(cursor);
}

bool RowNextDrive(DriveCursor& cursor) {
  ++cursor.Position[0];
  return Report(cursor);
}

}  // namespace

void InstallSgIoOps(const SgIoOps* ops) { g_ops = ops ? ops : &NoOps; }

void SetSgIoDeviceList(const char* list) {
  g_useList = list != nullptr;
  g_listed = list ? list : "";
}

bool SgIoDeviceSetChanged() { return PresentDevices() != g_devices; }

const char* SgIoDevicePath(const DeviceAddress& address) {
  return address.Target < g_devices.size() ? g_devices[address.Target].c_str() : nullptr;
}

int SgIoDeviceIndex(const char* path) {
  for (size_t i = 0; i < g_devices.size(); ++i)
    if (g_devices[i] == path) return int(i);
  return -1;
}

std::string SysfsQueueFile(const std::string& root, const std::string& devicePath, const char* attribute) {
  size_t slash = devicePath.rfind('/');
  std::string name = slash == std::string::npos ? devicePath : devicePath.substr(slash + 1);
  if (name.empty()) return "";
  return root + "/block/" + name + "/queue/" + attribute;
}

size_t SgIoDeviceCount() { return g_devices.size(); }
const char* SgIoDeviceAt(size_t index) { return index < g_devices.size() ? g_devices[index].c_str() : nullptr; }
int SgIoOpenError(size_t index) { return index < g_openErrors.size() ? g_openErrors[index] : 0; }

const Transport SgIoTransport = {TransportSgIo, RowFirstDrive, RowNextDrive, RowOpen,
                                 RowSend,       RowClose,      RowQueryAdapter};
