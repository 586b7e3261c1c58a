// Which drives an event restores: those that are managed, whose event mask
// has the event and whose letter the event's unit mask names (0 names every
// volume; a drive without a letter always qualifies).
#include "app/restore_events.h"
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

using RestoreForEventTest = VirtualDrives;

TEST_F(RestoreForEventTest, EventMaskUnitMaskLettersAndIgnoredDrives) {
  Add("cd48-reader");
  Add("cd48-reader");
  sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{0, 2, 0, 0});  // no letter
  Add("cd48-reader");  // restores on disc changes only
  Add("cd48-reader");  // not managed
  Discover();
  ASSERT_EQ(DriveCount, 5);
  for (int i = 0; i < DriveCount; ++i) Drives[i].RangeCD.Selected = 1411;
  Drives[3].EventMask = EventDiscChange;
  Drives[4].Ignore = 1;

  // Which drives were sent the selected speed, after every drive ran at its top.
  auto restoredBy = [this](uint32_t events, uint32_t unitMask) {
    for (int i = 0; i < DriveCount; ++i) EXPECT_TRUE(SetCdSpeed(Drives[i].Address, SpeedMaximum, 0));
    ClearLogs();
    RestoreForEvent(events, unitMask);
    std::string restored;
    for (int i = 0; i < DriveCount; ++i) {
      std::vector<uint32_t> sent = SpeedsSent(sim::VirtualDriveAt(i), OpSetCdSpeed);
      restored += sent == std::vector<uint32_t>{1411} ? "R" : sent.empty() ? "-" : "?";
    }
    EXPECT_TRUE(Opcodes(sim::VirtualDriveAt(4)).empty()) << "an ignored drive is left alone";
    return restored;
  };
  EXPECT_EQ(restoredBy(EventStart, 0), "RRR--");
  EXPECT_EQ(restoredBy(EventWake, 0), "RRR--");
  EXPECT_EQ(restoredBy(EventDiscChange, 0), "RRRR-");
  auto unitOf = [](const DriveRecord& drive) { return 1u << (drive.Address.Letter - 'A'); };
  EXPECT_EQ(restoredBy(EventDiscChange, unitOf(Drives[1])), "-RR--");
  EXPECT_EQ(restoredBy(EventDiscChange, unitOf(Drives[3]) | unitOf(Drives[4])), "--RR-");
  EXPECT_EQ(restoredBy(EventTrayClosed, 0), "-----");

  // An event locks a locked drive again and never unlocks one; a drive the
  // user did not lock is not touched.
  Drives[0].Lock = 1;
  ClearLogs();
  RestoreForEvent(EventWake, 0);
  RestoreForEvent(EventWake, 0);
  EXPECT_TRUE(sim::VirtualDriveAt(0).Locked());
  EXPECT_EQ(CountOf(sim::VirtualDriveAt(1), OpPreventAllowRemoval), 0u);
}

}  // namespace
