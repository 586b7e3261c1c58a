/* A plain C program doing what Wine does with a CD device file, with the
   bridge preloaded: SG_IO and cdrom ioctls, good and bad. Drive 0 is a
   cd48-reader with a data CD, drive 1 a USB writer whose adapter carries
   64 KiB, drive 2 a cd48-reader behind an adapter that wants four-byte
   alignment; run by bridge_test.sh. Prints each failed check; the exit
   code is the number of failures. */
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <linux/cdrom.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

static int g_failures;
#define CHECK(condition)                                              \
  do {                                                                \
    if (!(condition)) {                                               \
      fprintf(stderr, "%s:%d: %s\n", __FILE__, __LINE__, #condition); \
      ++g_failures;                                                   \
    }                                                                 \
  } while (0)

static unsigned char g_sense[32];

/* An SG_IO header as Wine fills it; the sense area starts as 0xEE. */
static sg_io_hdr_t Io(const unsigned char* cdb, int cdbLength, void* data, unsigned length, int direction) {
  memset(g_sense, 0xEE, sizeof g_sense);
  return (sg_io_hdr_t){.interface_id = 'S', .cmdp = (unsigned char*)cdb, .cmd_len = (unsigned char)cdbLength,
                       .dxferp = data, .dxfer_len = length, .dxfer_direction = direction, .sbp = g_sense,
                       .mx_sb_len = 18, .timeout = 30000};
}

/* Sends; 0 when the call succeeded, else its errno. */
static int ErrnoOf(int fd, sg_io_hdr_t* io) {
  errno = 0;
  return ioctl(fd, SG_IO, io) == 0 ? 0 : errno;
}
#define Send(fd, cdb, cdbLength, data, length, direction, io) \
  (*(io) = Io(cdb, cdbLength, data, length, direction), ioctl(fd, SG_IO, io))

static void Control(const char* path, const char* line) {
  FILE* file = fopen(path, "a");
  if (file) fprintf(file, "%s\n", line), fclose(file);
}

int main(int argc, char** argv) {
  if (argc != 6) return 99;
  const char *device = argv[1], *plainFile = argv[2], *controlPath = argv[3];
  const char *writerDevice = argv[4], *alignedDevice = argv[5];
  int fd = open(device, O_RDONLY | O_NONBLOCK);
  CHECK(fd >= 0);
  sg_io_hdr_t io;
  unsigned char data[256];

  /* INQUIRY reaches the drive: its identity, what is left over, no sense. */
  static const unsigned char inquiry[6] = {0x12, 0, 0, 0, 96, 0};
  memset(data, 0, sizeof data);
  CHECK(Send(fd, inquiry, 6, data, 96, SG_DXFER_FROM_DEV, &io) == 0);
  CHECK(io.status == 0 && io.host_status == 0 && io.sb_len_wr == 0 && io.info == 0);
  CHECK(data[0] == 0x05 && memcmp(data + 8, "KAMIRO  CD-ROM CR-4880", 22) == 0);
  CHECK(io.resid == 96 - 36);
  /* A buffer shorter than the answer gets only its own length. */
  memset(data, 0xAB, sizeof data);
  CHECK(Send(fd, inquiry, 6, data, 8, SG_DXFER_FROM_DEV, &io) == 0);
  CHECK(io.resid == 0 && data[0] == 0x05 && data[8] == 0xAB);

  /* A speed sent with SET CD SPEED is the one the capabilities page shows:
     7040 kB/s (just under 40x) on this reader runs at 32x (5645 kB/s). */
  static const unsigned char setSpeed[12] = {0xBB, 0, 0x1B, 0x80, 0xFF, 0xFF};
  static const unsigned char modeSense[10] = {0x5A, 0, 0x2A, 0, 0, 0, 0, 0, 60, 0};
  CHECK(Send(fd, setSpeed, 12, NULL, 0, SG_DXFER_NONE, &io) == 0 && io.status == 0);
  CHECK(Send(fd, modeSense, 10, data, 60, SG_DXFER_FROM_DEV, &io) == 0 && io.status == 0);
  CHECK(data[8] == 0x2A && (data[8 + 14] << 8 | data[8 + 15]) == 5645);

  /* CHECK CONDITION: sense as far as the caller's buffer reaches. */
  static const unsigned char unknown[6] = {0x03 | 0xC0, 0, 0, 0, 0, 0};
  CHECK(Send(fd, unknown, 6, NULL, 0, SG_DXFER_NONE, &io) == 0);
  CHECK(io.status == 0x02 && io.masked_status == 0x01 && io.driver_status == 0x08 && (io.info & SG_INFO_CHECK));
  CHECK(io.sb_len_wr == 18 && g_sense[2] == 0x05 && g_sense[12] == 0x20 && g_sense[18] == 0xEE);
  io.mx_sb_len = 4;
  memset(g_sense, 0xEE, sizeof g_sense);
  CHECK(ErrnoOf(fd, &io) == 0 && io.sb_len_wr == 4 && g_sense[2] == 0x05 && g_sense[4] == 0xEE);

  /* The tray through the cdrom ioctls, and a locked drive that stays shut. */
  CHECK(ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DISC_OK);
  CHECK(ioctl(fd, CDROM_LOCKDOOR, 1) == 0);
  errno = 0;
  CHECK(ioctl(fd, CDROMEJECT, 0) == 0);  /* the kernel unlocks before it ejects */
  CHECK(ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_TRAY_OPEN);
  CHECK(ioctl(fd, CDROMCLOSETRAY, 0) == 0);
  CHECK(ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_DRIVE_NOT_READY);
  Control(controlPath, "{\"action\":\"remove\"}");
  CHECK(ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT) == CDS_NO_DISC);
  errno = 0;
  CHECK(ioctl(fd, CDROMREADTOCHDR, &(struct cdrom_tochdr){0}) == -1 && errno == EIO);
  int idLun[2] = {-1, -1};
  CHECK(ioctl(fd, SCSI_IOCTL_GET_IDLUN, idLun) == 0 && idLun[0] == 0);

  /* Bad input: the kernel's errno values, nothing sent. */
  struct {
    const char* What;
    sg_io_hdr_t Io;
    int Errno;
  } bad[] = {
      {"interface id", {.interface_id = 'Q', .cmd_len = 6, .cmdp = (unsigned char*)inquiry}, EINVAL},
      {"empty cdb", {.interface_id = 'S', .cmd_len = 0, .cmdp = (unsigned char*)inquiry}, EINVAL},
      {"long cdb", {.interface_id = 'S', .cmd_len = 17, .cmdp = (unsigned char*)inquiry}, EINVAL},
      {"no cdb", {.interface_id = 'S', .cmd_len = 6}, EFAULT},
      {"no buffer", {.interface_id = 'S', .cmd_len = 6, .cmdp = (unsigned char*)inquiry, .dxfer_len = 36,
                     .dxfer_direction = SG_DXFER_FROM_DEV}, EFAULT},
      {"direction", {.interface_id = 'S', .cmd_len = 6, .cmdp = (unsigned char*)inquiry, .dxfer_len = 36,
                     .dxferp = data, .dxfer_direction = SG_DXFER_NONE}, EINVAL},
      {"too long", {.interface_id = 'S', .cmd_len = 6, .cmdp = (unsigned char*)inquiry, .dxfer_len = 4u << 20,
                    .dxferp = data, .dxfer_direction = SG_DXFER_FROM_DEV}, EIO},
  };
  for (size_t i = 0; i < sizeof bad / sizeof bad[0]; ++i)
    if (ErrnoOf(fd, &bad[i].Io) != bad[i].Errno) {
      fprintf(stderr, "bad input \"%s\": errno %d, expected %d\n", bad[i].What, errno, bad[i].Errno);
      ++g_failures;
    }
  errno = 0;
  CHECK(ioctl(fd, SG_IO, NULL) == -1 && errno == EFAULT);
  errno = 0;
  CHECK(ioctl(fd, CDROMPLAYMSF, &(struct cdrom_msf){0}) == -1 && errno == ENOTTY);
  /* Other files go to the real ioctl. */
  int plain = open(plainFile, O_RDONLY);
  errno = 0;
  CHECK(plain >= 0 && ioctl(plain, SG_IO, &io) == -1 && errno == ENOTTY);
  close(plain);
  /* Beyond the drive's adapter: EINVAL, which Wine turns into the
     ERROR_INVALID_PARAMETER Windows answers; the drive never sees it
     (bridge_test.sh counts the refusals in the log). */
  static unsigned char big[33 * 2048] __attribute__((aligned(16)));
  static const unsigned char read32[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 32, 0};
  static const unsigned char read33[10] = {0x28, 0, 0, 0, 0, 0, 0, 0, 33, 0};
  int writer = open(writerDevice, O_RDONLY | O_NONBLOCK), aligned = open(alignedDevice, O_RDONLY | O_NONBLOCK);
  CHECK(writer >= 0 && aligned >= 0);
  CHECK(Send(writer, read32, 10, big + 1, 32 * 2048, SG_DXFER_FROM_DEV, &io) == 0);  /* any address */
  io = Io(read33, 10, big, 33 * 2048, SG_DXFER_FROM_DEV);
  CHECK(ErrnoOf(writer, &io) == EINVAL);
  CHECK(Send(aligned, inquiry, 6, big + 4, 36, SG_DXFER_FROM_DEV, &io) == 0 && memcmp(big + 12, "KAMIRO", 6) == 0);
  io = Io(inquiry, 6, big + 2, 36, SG_DXFER_FROM_DEV);
  CHECK(ErrnoOf(aligned, &io) == EINVAL);
  CHECK(Send(aligned, setSpeed, 12, big + 2, 0, SG_DXFER_NONE, &io) == 0 && io.status == 0);  /* no data */
  close(writer);
  close(aligned);

  /* A drive that never answers: after the caller's timeout (the kernel's
     least, 7 s), the kernel's report of it. */
  Control(controlPath, "{\"action\":\"fault\",\"fault\":{\"opcode\":\"0x12\",\"noAnswer\":true,\"count\":1}}");
  io = Io(inquiry, 6, data, 36, SG_DXFER_FROM_DEV);
  io.timeout = 1;
  CHECK(ErrnoOf(fd, &io) == 0);
  CHECK(io.host_status == 0x03 && io.status == 0 && io.resid == 36 && (io.info & SG_INFO_CHECK));
  /* A server that is gone: the device has gone away. */
  setenv("VARNEL_DRIVE_SOCKET", "/nonexistent/socket", 1);
  CHECK(Send(fd, inquiry, 6, data, 36, SG_DXFER_FROM_DEV, &io) == -1 && errno == ENODEV);
  close(fd);
  return g_failures;
}
