// The class-driver row's Windows half against substituted system calls: a
// drive letter opened for reading only, Windows' own request records, reads
// at the sector's byte offset, and system errors read as the drive's sense.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>
#include <ntddcdrm.h>

#include <cstring>

#include "mmc/class_driver.h"
#include "mmc/commands.h"
#include "transport/class_driver_win32.h"

namespace {
struct Seen {
  DWORD Access = 0, Code = 0, InSize = 0, ReadSize = 0, IoctlError = 0;
  LONG Low = 0, High = 0;
  CDROM_SET_SPEED Speed{};
  int Opens = 0, Closes = 0;
};
Seen g_seen;
HANDLE const Device = reinterpret_cast<HANDLE>(0x4321);

HANDLE WINAPI Create(LPCSTR path, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
  EXPECT_STREQ(path, "\\\\.\\D:");
  g_seen.Access = access;
  g_seen.Opens++;
  return Device;
}
BOOL WINAPI Ioctl(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID, DWORD, LPDWORD returned, LPOVERLAPPED) {
  EXPECT_EQ(handle, Device);
  g_seen.Code = code;
  g_seen.InSize = inSize;
  if (code == IOCTL_CDROM_SET_SPEED && inSize >= sizeof g_seen.Speed) std::memcpy(&g_seen.Speed, in, sizeof g_seen.Speed);
  *returned = 0;
  SetLastError(g_seen.IoctlError);
  return g_seen.IoctlError == 0;
}
DWORD WINAPI Seek(HANDLE, LONG low, PLONG high, DWORD method) {
  EXPECT_EQ(method, DWORD(FILE_BEGIN));
  g_seen.Low = low;
  g_seen.High = high ? *high : -1;
  return DWORD(low);
}
BOOL WINAPI Read(HANDLE, LPVOID, DWORD size, LPDWORD read, LPOVERLAPPED) {
  g_seen.ReadSize = size;
  *read = size;
  return TRUE;
}
BOOL WINAPI Close(HANDLE handle) {
  EXPECT_EQ(handle, Device);
  g_seen.Closes++;
  return TRUE;
}
const ClassDriverSystemCalls Calls = {Create, Ioctl, Seek, Read, Close};

TEST(ClassDriverRow, OpensForReadingOnlyAndSpeaksWindowsRecords) {
  InstallClassDriverSystemCalls(&Calls);
  RegisterTransports({nullptr, nullptr}, {nullptr, nullptr}, {[] { return true; }, &ClassDriverTransport});
  ASSERT_EQ(SelectTransport(0), TransportClassDriver);
  const DeviceAddress d{0, 0, 0, 'D'};

  EXPECT_TRUE(SetCdSpeed(d, 2822, 0xFFFF));
  EXPECT_EQ(g_seen.Access, DWORD(GENERIC_READ));
  EXPECT_EQ(g_seen.Code, DWORD(IOCTL_CDROM_SET_SPEED));
  EXPECT_EQ(g_seen.InSize, sizeof(CDROM_SET_SPEED));
  EXPECT_EQ(g_seen.Speed.RequestType, CdromSetSpeed);
  EXPECT_EQ(g_seen.Speed.ReadSpeed, 2822);
  EXPECT_EQ(g_seen.Speed.WriteSpeed, 0xFFFF);

  uint8_t sectors[2 * SectorSize];
  EXPECT_TRUE(ReadSectors(d, 0x00200000, 2, sectors));  // byte offset 4 GiB: beyond 32 bits
  EXPECT_EQ(g_seen.Low, 0);
  EXPECT_EQ(g_seen.High, 1);
  EXPECT_EQ(g_seen.ReadSize, 2 * SectorSize);

  g_seen.IoctlError = ERROR_NOT_READY;
  EXPECT_EQ(TestUnitReady(d), 1) << "no disc";
  EXPECT_EQ(g_seen.Code, DWORD(IOCTL_STORAGE_CHECK_VERIFY));
  g_seen.IoctlError = ERROR_ACCESS_DENIED;
  EXPECT_EQ(TestUnitReady(d), -1);
  EXPECT_EQ(g_seen.Opens, g_seen.Closes);
  InstallClassDriverSystemCalls(nullptr);
  RegisterTransports({nullptr, nullptr}, {nullptr, nullptr});
}
}  // namespace
