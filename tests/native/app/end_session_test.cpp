// The end of the session against virtual drives: which discs the reminder
// names and when they are ejected, and which trays are closed when. The
// dialogs themselves are checked under Wine (tests/e2e/end_session_test.sh).
#include <cstring>
#include <vector>

#include "app/end_session.h"
#include "app/tray_moves.h"
#include "mmc/opcodes.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

// The user at the reminders: what was shown, and the answer given.
struct User {
  static inline std::vector<uint32_t> DiscMasks;
  static inline std::vector<bool> TrayCloseAtZero;
  static inline int Answer = 0;
  static inline int Seconds = -1;
  static int DiscInserted(int seconds, uint32_t mask) {
    Seconds = seconds;
    DiscMasks.push_back(mask);
    return Answer;
  }
  static int TrayOpen(int seconds, bool closeAtZero) {
    Seconds = seconds;
    TrayCloseAtZero.push_back(closeAtZero);
    return Answer;
  }
  static constexpr EndSessionReminders Row{DiscInserted, TrayOpen};
};

constexpr uint32_t Bit(char letter) { return 1u << (letter - 'A'); }

class EndSessionTest : public VirtualDrives {
 protected:
  void SetUp() override {
    VirtualDrives::SetUp();
    User::DiscMasks.clear();
    User::TrayCloseAtZero.clear();
    User::Answer = 0;
    User::Seconds = -1;
  }
  // Drives D to G, each with a disc: D a CD reader, E a DVD reader locked
  // with a password set, F emptied, G ignored.
  void FourDrives() {
    for (const char* name : {"cd48-reader", "dvdrom16-streaming", "cd48-reader", "cd52-fixed"}) Add(name);
    Discover();
    ASSERT_EQ(DriveCount, 4);
    sim::VirtualDriveAt(2).RemoveDisc();
    Drives[1].Lock = 1;
    std::strcpy(ProgramSettings::Current().LockData, "$1$salt$hash");
    Drives[3].Ignore = 1;
    VirtualClock::Advance(10000);  // every disc has spun up
    ClearLogs();
  }
  // START STOP UNIT's load byte for each command the drive got: 2 eject, 3 load.
  static std::vector<uint8_t> TrayMoves(const sim::Drive& drive) {
    std::vector<uint8_t> moves;
    for (const auto& cdb : Cdbs(drive))
      if (cdb[0] == OpStartStopUnit) moves.push_back(cdb[4] & 3);
    return moves;
  }
  static constexpr uint8_t Eject = 2, Load = 3;
};

TEST_F(EndSessionTest, TheDiscReminderNamesTheFreeReadyDiscsAndEjectsThemOnlyWhenAsked) {
  FourDrives();
  ProgramSettings& settings = ProgramSettings::Current();
  settings.DNMessage = 1;
  settings.DNTimer = 7;
  // The session's end never asks for the password: E stays protected even
  // where the user would know it.
  static int asked;
  asked = 0;
  InstallEjectPasswordCheck([](const char*) { return ++asked > 0; });

  QueryEndSession(User::Row);
  ASSERT_EQ(User::DiscMasks.size(), 1u);
  EXPECT_EQ(User::DiscMasks[0], Bit('D') | AnyDriveBit) << "not E (locked, password), F (empty), G (ignored)";
  EXPECT_EQ(User::Seconds, 7);
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(TrayMoves(sim::VirtualDriveAt(i)).empty()) << "Cancel ejects nothing";

  User::Answer = 1;
  QueryEndSession(User::Row);
  EXPECT_EQ(TrayMoves(sim::VirtualDriveAt(0)), std::vector<uint8_t>{Eject});
  for (size_t i = 1; i < 4; ++i) EXPECT_TRUE(TrayMoves(sim::VirtualDriveAt(i)).empty()) << i;

  // Nothing left to eject: no reminder at all.
  QueryEndSession(User::Row);
  EXPECT_EQ(User::DiscMasks.size(), 2u);
  EXPECT_EQ(asked, 0);
  InstallEjectPasswordCheck(nullptr);

  // Without a password the lock no longer protects E; a drive without a
  // letter counts only as "some drive".
  sim::VirtualDriveAt(0).CloseTray();
  VirtualClock::Advance(10000);
  settings.LockData[0] = '\0';
  Drives[0].Address.Letter = 0;
  EXPECT_EQ(EjectAllDiscs(false), Bit('E') | AnyDriveBit);
}

TEST_F(EndSessionTest, DNEjectEjectsWithoutTheReminderAndWithoutEitherNothingHappens) {
  FourDrives();
  ProgramSettings& settings = ProgramSettings::Current();
  settings.DNMessage = 0;
  QueryEndSession(User::Row);
  EXPECT_TRUE(TrayMoves(sim::VirtualDriveAt(0)).empty());

  settings.DNEject = 1;
  settings.DNMessage = 1;
  QueryEndSession(User::Row);
  EXPECT_TRUE(User::DiscMasks.empty());
  EXPECT_EQ(TrayMoves(sim::VirtualDriveAt(0)), std::vector<uint8_t>{Eject});
  EXPECT_TRUE(TrayMoves(sim::VirtualDriveAt(1)).empty()) << "the password still guards E";
}

// Without the reminder (its dialog is checked under Wine) DNClose gives the
// user DNTimer seconds to close the trays by hand, then closes them.
TEST_F(EndSessionTest, WithoutTheReminderDNCloseWaitsDNTimerSecondsThenCloses) {
  FourDrives();
  ProgramSettings& settings = ProgramSettings::Current();
  sim::Drive& reader = sim::VirtualDriveAt(0);
  settings.DNClose = 1;
  settings.DNTimer = 3;
  reader.OpenTray();
  uint32_t slept = VirtualClock::SleptTotal();
  EndSession(User::Row);
  // Three one-second waits; drive commands spend a few milliseconds of their own.
  EXPECT_GE(VirtualClock::SleptTotal() - slept, 3000u);
  EXPECT_LT(VirtualClock::SleptTotal() - slept, 3100u);
  EXPECT_EQ(TrayMoves(reader), std::vector<uint8_t>{Load});

  // All closed: no wait, no command, and with the reminder on no reminder.
  ClearLogs();
  slept = VirtualClock::SleptTotal();
  EndSession(User::Row);
  settings.DNMessage = 1;
  EndSession(User::Row);
  EXPECT_TRUE(User::TrayCloseAtZero.empty());
  EXPECT_TRUE(TrayMoves(reader).empty());

  // A negative delay closes at once.
  settings.DNMessage = 0;
  settings.DNTimer = -1;
  reader.OpenTray();
  EndSession(User::Row);
  EXPECT_LT(VirtualClock::SleptTotal() - slept, 100u) << "no one-second wait";
  EXPECT_EQ(TrayMoves(reader), std::vector<uint8_t>{Load});

  // The reminder closes the trays at zero only with DNClose.
  reader.OpenTray();
  ClearLogs();
  settings.DNMessage = 1;
  for (int close : {0, 1}) {
    settings.DNClose = close;
    EndSession(User::Row);
  }
  EXPECT_EQ(User::TrayCloseAtZero, (std::vector<bool>{false, true}));
  EXPECT_TRUE(TrayMoves(reader).empty()) << "the user let neither reminder close";
}

}  // namespace
