// The main timer's work and the poll after a close, in virtual time against
// virtual drives: the automatic close with its blink, the tray-close restore,
// the timed restore, and stored values that must not break the tick.
#include <map>

#include "app/app.h"
#include "app/dispatch.h"
#include "app/restore_events.h"
#include "app/timers.h"
#include "app/tray_moves.h"
#include "app/window_ops.h"
#include "commands/command_ids.h"
#include "mmc/opcodes.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

// The main window's timers as the tests see them: which run, with which period.
struct RecordedTimers {
  static inline std::map<unsigned, uint32_t> Running;
  static inline int Refreshes = 0;
  static bool Start(unsigned id, uint32_t periodMs) {
    Running[id] = periodMs;
    return true;
  }
  static void Stop(unsigned id) { Running.erase(id); }
  static void RefreshVolumes() { Refreshes++; }
  static constexpr WindowOps Row{.StartTimer = Start, .StopTimer = Stop, .RefreshCdVolumes = RefreshVolumes};
};

class TimerTest : public VirtualDrives {
 protected:
  void SetUp() override {
    VirtualDrives::SetUp();
    RecordedTimers::Running.clear();
    RecordedTimers::Refreshes = 0;
    InstallWindowOps(&RecordedTimers::Row);
    Shell().Blink = 0;
  }
  void TearDown() override {
    InstallWindowOps(nullptr);
    VirtualDrives::TearDown();
  }

  // Runs what the window would run: the main tick every 500 ms, and the poll
  // commands of running poll timers, for ms milliseconds. Returns the blink
  // flag after each tick.
  std::string RunTimers(uint32_t ms) {
    std::string blinks;
    for (uint32_t t = 0; t < ms; t += TimerPeriodMs) {
      VirtualClock::Advance(TimerPeriodMs);
      TimerTick();
      blinks += Shell().Blink ? '*' : '.';
      for (auto [id, period] : std::map<unsigned, uint32_t>(RecordedTimers::Running))
        if (id != MainTimerId) RunDriveCommand(TimerCommand(id));
    }
    return blinks;
  }
  static std::vector<uint8_t> LoadCommands(const sim::Drive& drive) {
    std::vector<uint8_t> loads;
    for (const auto& cdb : Cdbs(drive))
      if (cdb[0] == OpStartStopUnit) loads.push_back(cdb[4]);
    return loads;
  }
};

TEST_F(TimerTest, AutomaticCloseBlinksThenClosesAndThePollRestoresOnce) {
  sim::Drive& reader = Add("cd48-reader");
  Add("dvdrom16-streaming");
  Discover();
  ASSERT_EQ(DriveCount, 2);
  ProgramSettings::Current().TimerAutoclose = 3000;
  Drives[0].EventMask = EventTrayClosed;
  Drives[0].RangeCD.Selected = 1411;  // 8x
  // Start on a 5-second slot so the first tick reads the drives.
  VirtualClock::Advance(5000 - ClockTickCount() % 5000 - TimerPeriodMs);
  reader.OpenTray();
  ClearLogs();

  std::string blinks = RunTimers(TimerPeriodMs);
  EXPECT_NE(Drives[0].TrayOpenSince, 0u) << "the slot's refresh saw the tray open";
  blinks += RunTimers(2500);
  EXPECT_TRUE(LoadCommands(reader).empty()) << "not closed before 3 s";
  blinks += RunTimers(1000);
  EXPECT_TRUE(blinks.substr(0, 6) == ".*.*.*" || blinks.substr(0, 6) == "*.*.*.")
      << blinks << ": the error icon alternates every half second before the close";
  EXPECT_EQ(LoadCommands(reader), (std::vector<uint8_t>{0x03})) << "closed once, about 3 s after it was seen open";
  EXPECT_FALSE(reader.TrayOpen());
  EXPECT_TRUE(LoadCommands(sim::VirtualDriveAt(1)).empty()) << "the other drive's tray is left alone";
  EXPECT_EQ(RunTimers(500), ".") << "no close pending, no blink";

  // The disc spins up for 2 s: the poll timer runs until it reads, then the
  // selected speed is sent once and the timer stops.
  EXPECT_EQ(RecordedTimers::Running.count(PollTimerId(0)), 1u);
  ClearLogs();
  RunTimers(6000);
  EXPECT_EQ(SpeedsSent(reader, OpSetCdSpeed), (std::vector<uint32_t>{1411}));
  EXPECT_EQ(RecordedTimers::Running.count(PollTimerId(0)), 0u);
  EXPECT_EQ(Drives[0].PollCount, 0);
}

TEST_F(TimerTest, PollGivesUpAfterThirtyTicksWithoutDisc) {
  sim::Drive& drive = Add("dvdrom16-streaming");
  Discover();
  Drives[0].EventMask = EventTrayClosed;
  Drives[0].RangeCD.Selected = 1411;
  drive.OpenTray();
  drive.RemoveDisc();
  ClearLogs();
  RunDriveCommand(DriveCommand(0, DA_CLOSE));
  ASSERT_EQ(RecordedTimers::Running.count(PollTimerId(0)), 1u);
  int polls = 0;
  while (RecordedTimers::Running.count(PollTimerId(0)) && polls < 100) {
    RunDriveCommand(DriveCommand(0, DA_POLL));
    polls++;
  }
  EXPECT_EQ(polls, MaxPollTicks);
  EXPECT_TRUE(SpeedsSent(drive, OpSetCdSpeed).empty());
}

TEST_F(TimerTest, TimedRestoreFollowsThePeriodWithoutReadsAndOnlyInItsSlots) {
  sim::Drive& reader = Add("cd48-reader");
  Discover();
  DriveRecord& drive = Drives[0];
  drive.RangeCD.Selected = 1411;
  drive.Timer = 5000;
  drive.ForceRead = 1;
  drive.IgnoreSpeed = 1;  // sent every period, even when the drive kept it
  VirtualClock::Advance(5000 - ClockTickCount() % 5000);
  ClearLogs();
  RunTimers(10000);
  EXPECT_EQ(SpeedsSent(reader, OpSetCdSpeed), (std::vector<uint32_t>{1411, 1411}));
  EXPECT_EQ(CountOf(reader, OpRead10), 0u) << "the timed restore does not read";
  EXPECT_EQ(drive.ForceRead, 1) << "and gives ForceRead back";

  // Stored periods below one tick would divide by zero: they are off.
  for (int32_t timer : {1, 250, 499, -5000}) {
    drive.Timer = timer;
    ClearLogs();
    RunTimers(10000);
    EXPECT_TRUE(SpeedsSent(reader, OpSetCdSpeed).empty()) << timer;
  }

  // The 5-second refresh locks again only a drive the user locked.
  ClearLogs();
  RunTimers(5000);
  EXPECT_EQ(CountOf(reader, OpPreventAllowRemoval), 0u);
  drive.Lock = 1;
  RunTimers(5000);
  EXPECT_TRUE(reader.Locked());
}

TEST_F(TimerTest, StaleAndBadTimerInput) {
  sim::Drive& reader = Add("cd48-reader");
  Discover();
  ProgramSettings::Current().TimerAutoclose = 3000;
  // A TrayOpenSince of 0 with an open tray: closed at the next tick.
  Drives[0].Ready = 0;
  Drives[0].TrayClosed = 0;
  Drives[0].MediumType = MediumDoorOpen;
  Drives[0].TrayOpenSince = 0;
  VirtualClock::Advance(5000 - ClockTickCount() % 5000 + TimerPeriodMs);  // outside the refresh slot
  TimerTick();
  EXPECT_EQ(LoadCommands(reader), (std::vector<uint8_t>{0x03}));

  // A poll timer whose drive left the list, or whose record was rebuilt, is
  // stopped; nothing reaches any drive.
  RecordedTimers::Running[PollTimerId(5)] = TimerPeriodMs;
  RecordedTimers::Running[PollTimerId(0)] = TimerPeriodMs;
  ClearLogs();
  RunDriveCommand(TimerCommand(PollTimerId(5)));
  RunDriveCommand(TimerCommand(PollTimerId(0)));
  EXPECT_EQ(RecordedTimers::Running.count(PollTimerId(5)), 0u);
  EXPECT_EQ(RecordedTimers::Running.count(PollTimerId(0)), 0u);
  EXPECT_TRUE(Opcodes(reader).empty());

  // The main timer: on, restarted, off.
  SetMainTimer(true);
  EXPECT_TRUE(MainTimerRuns());
  EXPECT_EQ(RecordedTimers::Running[MainTimerId], TimerPeriodMs);
  SetMainTimer(false);
  EXPECT_FALSE(MainTimerRuns());
  EXPECT_EQ(RecordedTimers::Running.count(MainTimerId), 0u);
}

}  // namespace
