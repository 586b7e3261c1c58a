/* sptiprobe: a plain SPTI client, independent of the program's transport
   code. For every CD-ROM letter it opens "\\.\X:" and sends INQUIRY and
   TEST UNIT READY through IOCTL_SCSI_PASS_THROUGH_DIRECT, printing one line
   per drive:
     D: KAMIRO  CD-ROM CR-4880    1.05 ready
     E: ... not ready 02/3A/02
   Exit code: 0 when at least one drive answered INQUIRY, 1 otherwise. */
#include <windows.h>
#include <ntddscsi.h>
#include <stddef.h>
#include <stdio.h>
#include <string.h>

struct PassThrough {
  SCSI_PASS_THROUGH_DIRECT Header;
  UCHAR Sense[32];
};

/* Sends one command; FALSE when the call itself failed. */
static BOOL Send(HANDLE drive, const UCHAR* cdb, UCHAR cdbLength, void* data, ULONG length,
                 struct PassThrough* pass) {
  DWORD returned = 0;
  memset(pass, 0, sizeof *pass);
  pass->Header.Length = sizeof pass->Header;
  pass->Header.CdbLength = cdbLength;
  pass->Header.SenseInfoLength = sizeof pass->Sense;
  pass->Header.DataIn = length ? SCSI_IOCTL_DATA_IN : SCSI_IOCTL_DATA_UNSPECIFIED;
  pass->Header.DataTransferLength = length;
  pass->Header.DataBuffer = data;
  pass->Header.TimeOutValue = 10;
  pass->Header.SenseInfoOffset = offsetof(struct PassThrough, Sense);
  memcpy(pass->Header.Cdb, cdb, cdbLength);
  return DeviceIoControl(drive, IOCTL_SCSI_PASS_THROUGH_DIRECT, pass, sizeof *pass, pass, sizeof *pass, &returned,
                         NULL);
}

int main(void) {
  static const UCHAR inquiry[6] = {0x12, 0, 0, 0, 36, 0}, testUnitReady[6] = {0};
  int answered = 0;
  for (char letter = 'C'; letter <= 'Z'; ++letter) {
    char root[] = "X:\\", device[] = "\\\\.\\X:";
    root[0] = device[4] = letter;
    if (GetDriveTypeA(root) != DRIVE_CDROM) continue;
    HANDLE drive = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                               OPEN_EXISTING, 0, NULL);
    if (drive == INVALID_HANDLE_VALUE) {
      printf("%c: cannot open (error %lu)\n", letter, GetLastError());
      continue;
    }
    struct PassThrough pass;
    UCHAR identity[36] = {0};
    if (!Send(drive, inquiry, 6, identity, sizeof identity, &pass) || pass.Header.ScsiStatus != 0) {
      printf("%c: INQUIRY failed (error %lu, status %u)\n", letter, GetLastError(), pass.Header.ScsiStatus);
    } else {
      ++answered;
      printf("%c: %.8s %.16s %.4s ", letter, identity + 8, identity + 16, identity + 32);
      if (!Send(drive, testUnitReady, 6, NULL, 0, &pass)) printf("TEST UNIT READY failed (error %lu)\n", GetLastError());
      else if (pass.Header.ScsiStatus == 0) printf("ready\n");
      else printf("not ready %02X/%02X/%02X\n", pass.Sense[2] & 0x0F, pass.Sense[12], pass.Sense[13]);
    }
    CloseHandle(drive);
  }
  return answered ? 0 : 1;
}
