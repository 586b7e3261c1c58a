// The SG_IO row's system calls: open, the SG_IO ioctl, close, the list of
// /dev/sr* and the queue limit in sysfs.
#include <fcntl.h>
#include <scsi/sg.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>

#include "linux/sg_io.h"

namespace {

int OpenDevice(const char* path, int& error) {
  // Non-blocking: an sr device with no disc would refuse a blocking open.
  int fd = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0 && (errno == EACCES || errno == EROFS)) fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  error = fd < 0 ? errno : 0;
  return fd;
}

int SendCommand(int fd, SgIoCommand& command) {
  sg_io_hdr_t io{};
  io.interface_id = 'S';
  io.cmd_len = static_cast<unsigned char>(command.CdbLength);
  io.cmdp = const_cast<unsigned char*>(command.Cdb);
  switch (command.Direction) {
    case SgIoDirection::None: io.dxfer_direction = SG_DXFER_NONE; break;
    case SgIoDirection::FromDevice: io.dxfer_direction = SG_DXFER_FROM_DEV; break;
    case SgIoDirection::ToDevice: io.dxfer_direction = SG_DXFER_TO_DEV; break;
  }
  io.dxfer_len = command.DataLength;
  io.dxferp = command.Data;
  io.sbp = command.Sense;
  io.mx_sb_len = static_cast<unsigned char>(command.SenseRoom);
  io.timeout = command.TimeoutMs;
  if (ioctl(fd, SG_IO, &io) < 0) return errno ? errno : EIO;
  command.Status = io.status;
  command.HostStatus = io.host_status;
  command.DriverStatus = io.driver_status;
  command.SenseWritten = io.sb_len_wr;
  command.Residual = io.resid;
  return 0;
}

void CloseDevice(int fd) { close(fd); }

// /dev/sr0, /dev/sr1, ... in number order.
void ListOptical(std::vector<std::string>& paths) {
  paths.clear();
  std::vector<int> numbers;
  if (DIR* dev = opendir("/dev")) {
    while (dirent* entry = readdir(dev)) {
      char* end = nullptr;
      if (std::strncmp(entry->d_name, "sr", 2) != 0 || !entry->d_name[2]) continue;
      long n = std::strtol(entry->d_name + 2, &end, 10);
      if (*end == 0 && n >= 0) numbers.push_back(int(n));
    }
    closedir(dev);
  }
  std::sort(numbers.begin(), numbers.end());
  for (int n : numbers) paths.push_back("/dev/sr" + std::to_string(n));
}

bool ReadMaxTransfer(const char* path, uint32_t& kilobytes) {
  // /dev/cdrom and the like are links to the srN whose queue it is.
  char* resolved = realpath(path, nullptr);
  if (!resolved) return false;
  const char* root = std::getenv("VARNEL_SYSFS_ROOT");
  std::string file = SysfsQueueFile(root && *root ? root : "/sys", resolved, "max_hw_sectors_kb");
  std::free(resolved);
  FILE* f = file.empty() ? nullptr : std::fopen(file.c_str(), "re");
  if (!f) return false;
  unsigned long value = 0;
  bool read = std::fscanf(f, "%lu", &value) == 1;
  std::fclose(f);
  kilobytes = uint32_t(value);
  return read;
}

bool Exists(const char* path) { return access(path, F_OK) == 0; }

const SgIoOps SystemOps = {OpenDevice, SendCommand, CloseDevice, ListOptical, Exists, ReadMaxTransfer};

}  // namespace

const SgIoOps& SystemSgIoOps() { return SystemOps; }
