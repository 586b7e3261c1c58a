// The SPTI row's real system calls, in a prefix whose letters are CD-ROMs
// that Wine opens but has no pass-through for. The row's decisions are
// tested natively (tests/native/transport).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "transport/spti_row.h"
#include "transport/system_transports.h"

// Run by run_in_prefix.sh in a prefix whose letters VARNEL_CDROM_LETTERS
// are CD-ROMs around a hard disk; Wine opens them but has no pass-through.
TEST(SptiWineDrives, FindsTheCdromLettersAndFailsCommandsCleanly) {
  const char* expected = getenv("VARNEL_CDROM_LETTERS");
  if (!expected) GTEST_SKIP() << "needs the prefix of spti_drive_letters.sh";
  InstallSystemSptiOps();
  std::string found;
  DriveCursor cursor{};
  for (bool more = SptiTransport.FirstDrive(cursor); more; more = SptiTransport.NextDrive(cursor))
    found += char(cursor.Address.Letter);
  EXPECT_EQ(found, expected);
  EXPECT_TRUE(SptiProbe());
  EXPECT_EQ(SptiStatus(), 4);
  uint8_t data[32];
  ScsiRequest request{};
  request.Address.Letter = expected[0];
  request.CdbLength = 10;
  request.Cdb[0] = 0x5A;  // MODE SENSE(10) of the capabilities page
  request.Cdb[2] = 0x2A;
  request.Cdb[8] = uint8_t(sizeof data);
  request.SenseLength = 16;
  request.DataLength = sizeof data;
  request.DataBuffer = data;
  EXPECT_FALSE(ExecuteOnce(SptiTransport, request));
  EXPECT_EQ(request.SystemError, ERROR_NOT_SUPPORTED);
  EXPECT_EQ(request.SenseKey, -1);
}
