// The SPTI transport against substituted system calls (sharing violations,
// CHECK CONDITION, failed ioctls) and, when a prefix with CD-ROM letters is
// prepared, against Wine's own drives.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "transport/spti_win32.h"
#include "transport/system_transports.h"

namespace {
// What the substituted system calls answer and what they were asked.
struct FakeSystem {
  std::vector<DWORD> OpenErrors;  // one per CreateFileA call; 0 opens
  std::string CdromLetters;       // letters GetDriveTypeA calls CD-ROMs
  std::string OpenedPaths;
  DWORD Access = 0, Share = 0, Disposition = 0;
  int Opens = 0, Closes = 0, Ioctls = 0;
  BOOL IoctlResult = TRUE;
  DWORD IoctlError = 0;
  DWORD Code = 0, InSize = 0, OutSize = 0;
  SptiBuffer Sent{};
  // The drive's answer, written into the buffer.
  UCHAR ScsiStatus = 0;
  int ReturnedSense = -1;  // -1: leave the asked length
  ULONG ReturnedData = ~0u;  // ~0: leave the asked length
  uint8_t SenseKeyByte = 0;
};
FakeSystem g_fake;
HANDLE const FakeHandle = reinterpret_cast<HANDLE>(0x1234);

HANDLE WINAPI FakeCreateFile(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES, DWORD disposition,
                             DWORD, HANDLE) {
  g_fake.OpenedPaths += std::string(path) + ";";
  g_fake.Access = access;
  g_fake.Share = share;
  g_fake.Disposition = disposition;
  DWORD error = size_t(g_fake.Opens) < g_fake.OpenErrors.size() ? g_fake.OpenErrors[g_fake.Opens] : 0;
  g_fake.Opens++;
  if (error) {
    SetLastError(error);
    return INVALID_HANDLE_VALUE;
  }
  return FakeHandle;
}

BOOL WINAPI FakeIoctl(HANDLE handle, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned,
                      LPOVERLAPPED) {
  EXPECT_EQ(handle, FakeHandle);
  EXPECT_EQ(in, out);
  g_fake.Ioctls++;
  g_fake.Code = code;
  g_fake.InSize = inSize;
  g_fake.OutSize = outSize;
  memcpy(&g_fake.Sent, in, sizeof g_fake.Sent);
  if (!g_fake.IoctlResult) {
    SetLastError(g_fake.IoctlError);
    return FALSE;
  }
  auto* buffer = static_cast<SptiBuffer*>(out);
  buffer->Header.ScsiStatus = g_fake.ScsiStatus;
  if (g_fake.ReturnedSense >= 0) buffer->Header.SenseInfoLength = UCHAR(g_fake.ReturnedSense);
  if (g_fake.ReturnedData != ~0u) buffer->Header.DataTransferLength = g_fake.ReturnedData;
  for (int i = 0; i < 16; ++i) buffer->Sense[i] = uint8_t(0x70 + i);
  buffer->Sense[2] = g_fake.SenseKeyByte;
  *returned = sizeof *buffer;
  return TRUE;
}

BOOL WINAPI FakeClose(HANDLE handle) {
  EXPECT_EQ(handle, FakeHandle);
  g_fake.Closes++;
  return TRUE;
}

UINT WINAPI FakeDriveType(LPCSTR root) {
  return g_fake.CdromLetters.find(root[0]) != std::string::npos ? DRIVE_CDROM : DRIVE_FIXED;
}

const SptiSystemCalls FakeCalls = {FakeCreateFile, FakeIoctl, FakeClose, FakeDriveType};

class SptiFake : public ::testing::Test {
 protected:
  void SetUp() override {
    g_fake = FakeSystem{};
    InstallSptiSystemCalls(&FakeCalls);
    VirtualClock::Install();
  }
  void TearDown() override {
    InstallSptiSystemCalls(nullptr);
    InstallClock(nullptr);
  }
};

ScsiRequest ModeSense(int32_t letter, uint8_t* data, uint32_t length) {
  ScsiRequest request{};
  request.Address.Letter = letter;
  request.CdbLength = 10;
  request.Cdb[0] = 0x5A;
  request.Cdb[2] = 0x2A;
  request.Cdb[8] = uint8_t(length);
  request.SenseLength = 16;
  request.DataLength = length;
  request.DataBuffer = data;
  return request;
}
}  // namespace

// A drive held by another program answers ERROR_SHARING_VIOLATION for a
// while: three attempts with a wait after each. Other errors end at once.
TEST_F(SptiFake, OpenRetriesOnlySharingViolations) {
  constexpr DWORD Sharing = ERROR_SHARING_VIOLATION;
  struct Case {
    int32_t Letter;
    std::vector<DWORD> OpenErrors;
    bool Opens;
    int Attempts;
    uint32_t Waited;
    int32_t SystemError;
  } cases[] = {
      {'E', {Sharing, Sharing, Sharing}, false, 3, 450, int32_t(Sharing)},
      {'E', {Sharing, Sharing, 0}, true, 3, 300, -1},
      {'E', {ERROR_ACCESS_DENIED}, false, 1, 0, ERROR_ACCESS_DENIED},
      {0, {}, false, 0, 0, ERROR_INVALID_DRIVE},      // a drive without a letter
      {0x1F5, {}, false, 0, 0, ERROR_INVALID_DRIVE},  // garbage
  };
  for (const Case& c : cases) {
    g_fake = FakeSystem{};
    g_fake.OpenErrors = c.OpenErrors;
    VirtualClock::Install();
    uint8_t data[32];
    ScsiRequest request = ModeSense(c.Letter, data, sizeof data);
    EXPECT_EQ(SptiTransport.Execute(request), c.Opens) << c.OpenErrors.size();
    EXPECT_EQ(g_fake.Opens, c.Attempts);
    EXPECT_EQ(VirtualClock::SleptTotal(), c.Waited);
    EXPECT_EQ(request.SystemError, c.SystemError);
    EXPECT_EQ(g_fake.Closes, c.Opens ? 1 : 0);
    if (!c.Opens) {
      EXPECT_EQ(request.RequestStatus, -1);
      EXPECT_EQ(request.ScsiStatus, -1);
      EXPECT_EQ(request.SenseKey, -1);
      EXPECT_EQ(g_fake.Ioctls, 0);
    }
  }
}

TEST_F(SptiFake, HeaderCarriesTheRequest) {
  uint8_t data[28];
  ScsiRequest request = ModeSense('F', data, sizeof data);
  request.Address.HaId = 0x101;
  request.Address.Target = 2;
  request.Address.Lun = 3;
  EXPECT_TRUE(SptiTransport.Execute(request));
  EXPECT_EQ(g_fake.OpenedPaths, "\\\\.\\F:;");
  EXPECT_EQ(g_fake.Access, SptiAccessMask());
  EXPECT_EQ(g_fake.Share, DWORD(FILE_SHARE_READ | FILE_SHARE_WRITE));
  EXPECT_EQ(g_fake.Disposition, DWORD(OPEN_EXISTING));
  EXPECT_EQ(g_fake.Code, 0x4D014u);
  EXPECT_EQ(g_fake.InSize, 44u);
  EXPECT_EQ(g_fake.OutSize, 60u);
  const SCSI_PASS_THROUGH_DIRECT& h = g_fake.Sent.Header;
  EXPECT_EQ(h.Length, 44);
  EXPECT_EQ(h.PathId, 1);
  EXPECT_EQ(h.TargetId, 2);
  EXPECT_EQ(h.Lun, 3);
  EXPECT_EQ(h.CdbLength, 10);
  EXPECT_EQ(h.SenseInfoLength, 16);
  EXPECT_EQ(h.DataIn, SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(h.DataTransferLength, 28u);
  EXPECT_EQ(h.TimeOutValue, 30u);
  EXPECT_EQ(h.DataBuffer, data);
  EXPECT_EQ(h.SenseInfoOffset, 44u);
  EXPECT_EQ(0, memcmp(h.Cdb, request.Cdb, 16));
  EXPECT_EQ(g_fake.Closes, 1);
}

TEST_F(SptiFake, SenseLengthAndDirectionInTheHeader) {
  struct Case {
    uint32_t SenseLength, DataLength;
    int32_t DataOut;
    UCHAR HeaderSense, DataIn;
  } cases[] = {
      {0, 0, 0, 0, SCSI_IOCTL_DATA_IN},    // START STOP UNIT: no sense wanted
      {14, 8, 1, 14, SCSI_IOCTL_DATA_OUT},
      {15, 0, 1, 15, SCSI_IOCTL_DATA_OUT},  // no data: data-out of length 0
      {20, 8, 0, 16, SCSI_IOCTL_DATA_IN},   // more than the sense area holds
  };
  for (const Case& c : cases) {
    uint8_t data[8] = {};
    ScsiRequest request = ModeSense('E', data, c.DataLength);
    request.SenseLength = c.SenseLength;
    request.DataOut = c.DataOut;
    EXPECT_TRUE(SptiTransport.Execute(request));
    EXPECT_EQ(g_fake.Sent.Header.SenseInfoLength, c.HeaderSense) << c.SenseLength;
    EXPECT_EQ(g_fake.Sent.Header.DataIn, c.DataIn) << c.SenseLength;
  }
}

TEST_F(SptiFake, CheckConditionWithSenseFailsAndKeepsTheWholeSenseByte) {
  g_fake.ScsiStatus = 2;
  g_fake.ReturnedSense = 18;  // a driver claiming more than the area holds
  g_fake.SenseKeyByte = 0x82;  // NOT READY with the end-of-medium flag
  g_fake.ReturnedData = 0;
  uint8_t data[32];
  ScsiRequest request = ModeSense('E', data, sizeof data);
  EXPECT_FALSE(SptiTransport.Execute(request));
  EXPECT_EQ(request.ScsiStatus, 2);
  EXPECT_EQ(request.SenseKey, 0x82);
  EXPECT_EQ(request.SenseLength, 16u);
  EXPECT_EQ(request.SenseData[0], 0x70);
  EXPECT_EQ(request.SenseData[15], 0x7F);
  EXPECT_EQ(request.DataLength, 0u);
  EXPECT_EQ(request.SystemError, -1);
}

TEST_F(SptiFake, CheckConditionWithoutSenseLeavesNoSenseKey) {
  g_fake.ScsiStatus = 2;
  for (uint32_t wanted : {0u, 16u}) {
    g_fake.ReturnedSense = wanted == 0 ? -1 : 2;  // nothing, or too short to hold a key
    ScsiRequest request{};
    request.Address.Letter = 'E';
    request.CdbLength = 6;
    request.Cdb[0] = 0x1B;
    request.SenseLength = wanted;
    EXPECT_FALSE(SptiTransport.Execute(request));
    EXPECT_EQ(request.ScsiStatus, 2);
    EXPECT_EQ(request.SenseKey, -1) << wanted;
  }
}

TEST_F(SptiFake, FailedIoctlReportsTheSystemErrorAndIsNotRetried) {
  g_fake.IoctlResult = FALSE;
  g_fake.IoctlError = ERROR_NOT_SUPPORTED;
  RegisterTransports({nullptr, nullptr}, {[] { return true; }, &SptiTransport});
  ASSERT_EQ(SelectTransport(1), 1);
  uint8_t data[32];
  ScsiRequest request = ModeSense('E', data, sizeof data);
  EXPECT_FALSE(ExecuteCommand(request));
  EXPECT_EQ(g_fake.Ioctls, 1);
  EXPECT_EQ(request.SystemError, ERROR_NOT_SUPPORTED);
  EXPECT_EQ(request.ScsiStatus, -1);
  EXPECT_EQ(request.SenseKey, -1);
  EXPECT_EQ(g_fake.Closes, 1);
}

TEST_F(SptiFake, ReturnedDataLengthIsKeptWithinTheRequest) {
  for (ULONG returned : {12ul, 4000ul}) {
    g_fake.ReturnedData = returned;
    uint8_t data[32];
    ScsiRequest request = ModeSense('E', data, sizeof data);
    EXPECT_TRUE(SptiTransport.Execute(request));
    EXPECT_EQ(request.DataLength, returned < 32 ? returned : 32u);
  }
}

TEST_F(SptiFake, OpenSendCloseKeepsOneHandleForATransfer) {
  uint8_t data[32];
  ScsiRequest request = ModeSense('E', data, sizeof data);
  TransportHandle handle = SptiTransport.Open(request);
  ASSERT_NE(handle, nullptr);
  EXPECT_TRUE(SptiTransport.Send(request, handle));
  EXPECT_TRUE(SptiTransport.Send(request, handle));
  SptiTransport.Close(handle);
  EXPECT_EQ(g_fake.Opens, 1);
  EXPECT_EQ(g_fake.Ioctls, 2);
  EXPECT_EQ(g_fake.Closes, 1);
}

// Wine's prefix always has C: and Z:; the fake calls both optical.
TEST_F(SptiFake, EnumerationWalksLettersUpwardAndKeepsTheCursorAtTheEnd) {
  ASSERT_TRUE(GetLogicalDrives() & (1u << ('C' - 'A')));
  ASSERT_TRUE(GetLogicalDrives() & (1u << ('Z' - 'A')));
  g_fake.CdromLetters = "CZ";
  DriveCursor cursor{};
  ASSERT_TRUE(SptiTransport.FirstDrive(cursor));
  EXPECT_EQ(cursor.Address.Letter, 'C');
  ASSERT_TRUE(SptiTransport.NextDrive(cursor));
  EXPECT_EQ(cursor.Address.Letter, 'Z');
  EXPECT_EQ(cursor.Address.HaId, 0u);
  EXPECT_FALSE(SptiTransport.NextDrive(cursor));
  EXPECT_EQ(cursor.Address.Letter, 'Z');
}

TEST_F(SptiFake, ProbeOnNtCountsADriveThatOpens) {
  struct Case {
    const char* Cdroms;
    std::vector<DWORD> OpenErrors;
    int Status;
    bool Usable;
  } cases[] = {
      {"", {}, 4, true},                                // no optical drive: usable, finds none
      {"CZ", {ERROR_ACCESS_DENIED, 0}, 4, true},        // only the second opens
      {"CZ", {ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED}, 3, false},
  };
  for (const Case& c : cases) {
    g_fake = FakeSystem{};
    g_fake.CdromLetters = c.Cdroms;
    g_fake.OpenErrors = c.OpenErrors;
    EXPECT_EQ(SptiProbe(), c.Usable) << c.Cdroms;
    EXPECT_EQ(SptiStatus(), c.Status) << c.Cdroms;
    EXPECT_EQ(g_fake.Closes, c.Usable && *c.Cdroms ? 1 : 0);
  }
  // Wine without a version setting reports NT 6.1.
  EXPECT_EQ(SptiAccessMask(), uint32_t(GENERIC_READ | GENERIC_WRITE));
}

// Run by run_in_prefix.sh in a prefix whose letters VARNEL_CDROM_LETTERS
// are CD-ROMs around a hard disk; Wine opens them but has no pass-through.
TEST(SptiWineDrives, FindsTheCdromLettersAndFailsCommandsCleanly) {
  const char* expected = getenv("VARNEL_CDROM_LETTERS");
  if (!expected) GTEST_SKIP() << "needs the prefix of spti_drive_letters.sh";
  std::string found;
  DriveCursor cursor{};
  for (bool more = SptiTransport.FirstDrive(cursor); more; more = SptiTransport.NextDrive(cursor))
    found += char(cursor.Address.Letter);
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(SptiProbe());
  EXPECT_EQ(SptiStatus(), 4);
  uint8_t data[32];
  ScsiRequest request = ModeSense(expected[0], data, sizeof data);
  EXPECT_FALSE(SptiTransport.Execute(request));
  EXPECT_EQ(request.SystemError, ERROR_NOT_SUPPORTED);
  EXPECT_EQ(request.SenseKey, -1);
}
