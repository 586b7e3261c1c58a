/* Preloaded into Wine (LD_PRELOAD): the device files behind the CD-ROM
   letters become the drive server's virtual drives. Wine turns the
   program's pass-through and CD ioctls into Linux SG_IO and cdrom ioctls on
   those files; this library answers them by asking the server, as the
   kernel's sr driver would ask a drive, and passes every other ioctl on.
   The 32-bit Wine calls __ioctl_time64, a plain C program ioctl: both are
   served.

   VARNEL_DRIVE_SOCKET  the server's socket
   VARNEL_DRIVE_DEVICES the device files, ':'-separated, drive 0 first */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <linux/cdrom.h>
#include <pthread.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include "sim/server/drive_protocol.h"

#define MAX_DRIVES 26
/* What the kernel uses for an SG_IO timeout of 0, and the least it allows. */
#define DEFAULT_TIMEOUT_MS 60000u
#define MIN_TIMEOUT_MS 7000u
/* Host status of a command the device never answered (DID_TIME_OUT). */
#define HOST_TIMED_OUT 0x03
#define DRIVER_SENSE 0x08

typedef int (*IoctlFunction)(int, unsigned long, ...);

static struct {
  dev_t Device;
  ino_t Inode;
} g_files[MAX_DRIVES];
static int g_fileCount;
static pthread_once_t g_once = PTHREAD_ONCE_INIT;

static void ReadDeviceList(void) {
  const char* list = getenv("VARNEL_DRIVE_DEVICES");
  if (!list) return;
  char* copy = strdup(list);
  if (!copy) return;
  char* rest = copy;
  for (char* path; (path = strsep(&rest, ":")) && g_fileCount < MAX_DRIVES;) {
    struct stat file;
    /* A file that is missing keeps its place, matching nothing. */
    if (stat(path, &file) == 0) {
      g_files[g_fileCount].Device = file.st_dev;
      g_files[g_fileCount].Inode = file.st_ino;
    }
    ++g_fileCount;
  }
  free(copy);
}

/* The drive behind a file descriptor, or -1 for every other file. */
static int DriveOf(int fd) {
  pthread_once(&g_once, ReadDeviceList);
  struct stat file;
  if (g_fileCount == 0 || fstat(fd, &file) != 0) return -1;
  for (int i = 0; i < g_fileCount; ++i)
    if (g_files[i].Inode == file.st_ino && g_files[i].Device == file.st_dev && file.st_ino != 0) return i;
  return -1;
}

static int Transfer(int socket, void* buffer, size_t length, int sending) {
  uint8_t* at = buffer;
  while (length > 0) {
    ssize_t done = sending ? send(socket, at, length, MSG_NOSIGNAL) : recv(socket, at, length, 0);
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return done == 0 ? -ECONNRESET : -errno;
    at += done;
    length -= (size_t)done;
  }
  return 0;
}

/* One command to the server. Returns 0 with the reply filled in (data-in
   bytes in data), -ETIMEDOUT when no answer came in time, -ENODEV when the
   server cannot be reached (as for a drive that has gone away). */
static int AskServer(const struct DriveRequest* request, void* data, unsigned timeoutMs, struct DriveReply* reply) {
  const char* path = getenv("VARNEL_DRIVE_SOCKET");
  struct sockaddr_un address = {.sun_family = AF_UNIX};
  if (!path || strlen(path) >= sizeof address.sun_path) return -ENODEV;
  strcpy(address.sun_path, path);
  int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (server < 0) return -ENODEV;
  struct timeval timeout = {(time_t)(timeoutMs / 1000), (suseconds_t)(timeoutMs % 1000 * 1000)};
  setsockopt(server, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(server, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  int result = -ENODEV;
  if (connect(server, (struct sockaddr*)&address, sizeof address) == 0) {
    result = Transfer(server, (void*)request, sizeof *request, 1);
    if (result == 0 && request->Direction == DriveDataOut) result = Transfer(server, data, request->DataLength, 1);
    if (result == 0) result = Transfer(server, reply, sizeof *reply, 0);
    if (result == 0 && (reply->Magic != DRIVE_PROTOCOL_MAGIC || reply->Transferred > request->DataLength))
      result = -EIO;
    if (result == 0 && request->Direction == DriveDataIn) result = Transfer(server, data, reply->Transferred, 0);
    if (result == -EAGAIN || result == -EWOULDBLOCK) result = -ETIMEDOUT;
    else if (result != 0 && result != -EIO) result = -ENODEV;  /* the server went away mid-command */
  }
  close(server);
  return result;
}

static void SetErrno(int negative) { errno = -negative; }

/* SG_IO, checked as the kernel checks it. A program's request beyond the
   drive's adapter (longer than it carries, or in a buffer its alignment
   mask refuses) fails with EINVAL, which Wine turns into
   STATUS_INVALID_PARAMETER: what Windows answers such a pass-through.
   (Linux itself would bounce a misaligned buffer; the bridge stands in for
   the Windows device stack.) The sr driver's own requests (systemBuffer)
   use buffers that suit the adapter. */
static int AnswerSgIo(int drive, int fd, sg_io_hdr_t* io, int systemBuffer) {
  if (!io) return -EFAULT;
  if (io->interface_id != 'S') return -EINVAL;
  if (io->cmd_len == 0 || io->cmd_len > 16) return -EINVAL;
  if (!io->cmdp) return -EFAULT;
  if (io->iovec_count != 0) return -EINVAL;  /* scatter lists: nothing the program sends */
  if (io->dxfer_len > DRIVE_PROTOCOL_MAX_DATA) return -EIO;
  struct DriveRequest request = {.Magic = DRIVE_PROTOCOL_MAGIC, .Drive = (uint32_t)drive, .Handle = (uint32_t)fd,
                                 .CdbLength = io->cmd_len, .Direction = DriveDataNone};
  if (io->dxfer_len) {
    switch (io->dxfer_direction) {
      case SG_DXFER_TO_DEV: request.Direction = DriveDataOut; break;
      case SG_DXFER_FROM_DEV:
      case SG_DXFER_TO_FROM_DEV: request.Direction = DriveDataIn; break;
      default: return -EINVAL;
    }
    if (!io->dxferp) return -EFAULT;
    request.DataLength = io->dxfer_len;
    if (!systemBuffer) request.BufferAddress = (uint32_t)(uintptr_t)io->dxferp;
  }
  memcpy(request.Cdb, io->cmdp, io->cmd_len);
  unsigned timeout = io->timeout ? io->timeout : DEFAULT_TIMEOUT_MS;
  if (timeout < MIN_TIMEOUT_MS) timeout = MIN_TIMEOUT_MS;
  struct DriveReply reply;
  int asked = AskServer(&request, io->dxferp, timeout, &reply);
  if (asked == -ENODEV || asked == -EIO) return asked;
  if (reply.Result == DriveNoSuchDrive) return -ENODEV;
  if (reply.Result == DriveBadRequest || reply.Result == DriveBeyondAdapter) return -EINVAL;
  io->status = io->masked_status = io->msg_status = 0;
  io->host_status = io->driver_status = 0;
  io->sb_len_wr = 0;
  io->resid = (int)io->dxfer_len;
  io->duration = 0;
  io->info = 0;
  if (asked == -ETIMEDOUT || reply.Result == DriveNoAnswer) {
    /* The kernel reports a command the device never answered in the
       header, not as an error of the call. */
    io->host_status = HOST_TIMED_OUT;
    io->info = SG_INFO_CHECK;
    return 0;
  }
  io->status = (unsigned char)reply.Status;
  io->masked_status = (unsigned char)(reply.Status >> 1 & 0x7F);
  io->resid = (int)(io->dxfer_len - reply.Transferred);
  if (reply.SenseLength && io->sbp && io->mx_sb_len) {
    unsigned length = reply.SenseLength < io->mx_sb_len ? reply.SenseLength : io->mx_sb_len;
    if (length > DRIVE_PROTOCOL_SENSE_BYTES) length = DRIVE_PROTOCOL_SENSE_BYTES;
    memcpy(io->sbp, reply.Sense, length);
    io->sb_len_wr = (unsigned char)length;
    io->driver_status = DRIVER_SENSE;
  }
  if (io->status || io->driver_status) io->info = SG_INFO_CHECK;
  return 0;
}

/* A command the sr driver sends for a cdrom ioctl. Returns 0 when the drive
   answered GOOD, -EIO when it refused, with its sense in sense[]. */
static int RunCommand(int drive, int fd, const uint8_t* cdb, unsigned cdbLength, uint8_t* data, unsigned length,
                      uint8_t sense[DRIVE_PROTOCOL_SENSE_BYTES]) {
  uint8_t command[16] = {0}, senseArea[DRIVE_PROTOCOL_SENSE_BYTES] = {0};
  memcpy(command, cdb, cdbLength);
  sg_io_hdr_t io = {.interface_id = 'S', .cmd_len = (unsigned char)cdbLength, .cmdp = command,
                    .dxfer_direction = length ? SG_DXFER_FROM_DEV : SG_DXFER_NONE, .dxfer_len = length,
                    .dxferp = data, .sbp = senseArea, .mx_sb_len = sizeof senseArea, .timeout = DEFAULT_TIMEOUT_MS};
  int result = AnswerSgIo(drive, fd, &io, 1);
  if (sense) memcpy(sense, senseArea, sizeof senseArea);
  if (result != 0) return result;
  return io.status || io.host_status ? -EIO : 0;
}

/* TEST UNIT READY, tried again after a UNIT ATTENTION as the kernel does. */
static int DriveStatus(int drive, int fd) {
  static const uint8_t testUnitReady[6] = {0x00};
  uint8_t sense[DRIVE_PROTOCOL_SENSE_BYTES];
  int result = -EIO;
  for (int attempt = 0; attempt < 3; ++attempt) {
    result = RunCommand(drive, fd, testUnitReady, 6, NULL, 0, sense);
    if (result != -EIO || (sense[2] & 0x0F) != 0x06) break;
  }
  if (result == 0) return CDS_DISC_OK;
  if (result != -EIO) return result;
  uint8_t key = sense[2] & 0x0F, asc = sense[12], ascq = sense[13];
  if (key == 0x02 && asc == 0x3A) return ascq == 0x02 ? CDS_TRAY_OPEN : CDS_NO_DISC;
  return CDS_DRIVE_NOT_READY;
}

static int ReadTocHeader(int drive, int fd, struct cdrom_tochdr* header) {
  if (!header) return -EFAULT;
  static const uint8_t readToc[10] = {0x43, 0, 0, 0, 0, 0, 0, 0, 12, 0};
  uint8_t answer[12];
  int result = RunCommand(drive, fd, readToc, 10, answer, sizeof answer, NULL);
  if (result != 0) return result;
  header->cdth_trk0 = answer[2];
  header->cdth_trk1 = answer[3];
  return 0;
}

/* The cdrom ioctls Wine sends for the program's CD requests, each as the
   SCSI commands the sr driver turns it into. */
static int AnswerIoctl(int drive, int fd, unsigned long request, void* argument) {
  static const uint8_t allowRemoval[6] = {0x1E, 0, 0, 0, 0, 0}, preventRemoval[6] = {0x1E, 0, 0, 0, 1, 0};
  static const uint8_t eject[6] = {0x1B, 0, 0, 0, 0x02, 0}, load[6] = {0x1B, 0, 0, 0, 0x03, 0};
  switch (request) {
    case SG_IO: return AnswerSgIo(drive, fd, argument, 0);
    case CDROMEJECT: {
      int result = RunCommand(drive, fd, allowRemoval, 6, NULL, 0, NULL);
      return result ? result : RunCommand(drive, fd, eject, 6, NULL, 0, NULL);
    }
    case CDROMCLOSETRAY: return RunCommand(drive, fd, load, 6, NULL, 0, NULL);
    case CDROM_LOCKDOOR:
      return RunCommand(drive, fd, (uintptr_t)argument ? preventRemoval : allowRemoval, 6, NULL, 0, NULL);
    case CDROM_DRIVE_STATUS: return DriveStatus(drive, fd);
    case CDROMREADTOCHDR: return ReadTocHeader(drive, fd, argument);
    case SCSI_IOCTL_GET_IDLUN: {
      /* Host 0, channel 0, target = the drive's index, LUN 0. */
      int* idLun = argument;
      if (!idLun) return -EFAULT;
      idLun[0] = drive;
      idLun[1] = 0;
      return 0;
    }
    default: return -ENOTTY;
  }
}

static int Ioctl(const char* realName, IoctlFunction* real, int fd, unsigned long request, void* argument) {
  int drive = DriveOf(fd);
  if (drive < 0) {
    if (!*real) *real = (IoctlFunction)dlsym(RTLD_NEXT, realName);
    if (!*real) {
      errno = ENOSYS;
      return -1;
    }
    return (*real)(fd, request, argument);
  }
  int result = AnswerIoctl(drive, fd, request, argument);
  if (result < 0) {
    SetErrno(result);
    return -1;
  }
  return result;
}

int ioctl(int fd, unsigned long request, ...) {
  static IoctlFunction real;
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return Ioctl("ioctl", &real, fd, request, argument);
}

int __ioctl_time64(int fd, unsigned long request, ...) {
  static IoctlFunction real;
  va_list arguments;
  va_start(arguments, request);
  void* argument = va_arg(arguments, void*);
  va_end(arguments);
  return Ioctl("__ioctl_time64", &real, fd, request, argument);
}
