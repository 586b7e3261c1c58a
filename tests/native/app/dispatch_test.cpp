// Drive commands as menus, hotkeys and timers post them, and the commands that
// device notices post, against virtual drives.
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/app.h"
#include "app/dispatch.h"
#include "app/main_window.h"
#include "app/restore_events.h"
#include "dlgengine/dlgengine.h"
#include "app/timers.h"
#include "app/window_ops.h"
#include "app/tray_moves.h"
#include "commands/command_ids.h"
#include "menu/menu_plan.h"
#include "mmc/opcodes.h"
#include "registry/registry.h"
#include "system/system.h"
#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

class DispatchTest : public VirtualDrives {
 protected:
  void TearDown() override {
    InstallWindowOps(nullptr);
    InstallDiscShellOps(nullptr);
    VirtualDrives::TearDown();
  }
  static size_t Moves(const sim::Drive& drive) { return CountOf(drive, OpStartStopUnit); }
};

// "Открыть", "Проводник" and "Автозапуск" reach the shell for their own drive;
// a disc whose autorun cannot start is opened instead. The settings item
// opens its drive's dialog, an ignored drive's too; only OK stores, and
// edits made while the drives were found again belong to no drive.
TEST_F(DispatchTest, DiscActionsAndSettingsReachTheShellForTheirOwnDrive) {
  Add("cd48-reader");
  Add("cdrw52-writer");
  Discover();
  ASSERT_EQ(DriveCount, 2);
  static std::vector<std::string> calls;
  static bool autorunStarts;
  static int dialogAnswer;
  static bool rediscoverMeanwhile;
  static int32_t timerChosen;
  calls.clear();
  static constexpr DiscShellOps Recorder{
      [](const DriveRecord& drive, const char* verb) {
        calls.push_back(std::string(verb) + " " + std::to_string(&drive - Drives));
      },
      [](const DriveRecord& drive) {
        calls.push_back("autorun " + std::to_string(&drive - Drives));
        return autorunStarts;
      },
      [](DriveRecord& drive, char*) {
        calls.push_back("settings " + std::to_string(&drive - Drives));
        if (rediscoverMeanwhile) drive = Drives[1];  // a device notice put the writer here
        drive.Timer = timerChosen;
        return dialogAnswer;
      }};
  InstallDiscShellOps(&Recorder);
  autorunStarts = true;
  RunDriveCommand(DriveCommand(1, DA_OPEN));
  RunDriveCommand(DriveCommand(1, DA_EXPLORE));
  RunDriveCommand(DriveCommand(0, DA_AUTORUN));
  autorunStarts = false;
  RunDriveCommand(DriveCommand(1, DA_AUTORUN));
  EXPECT_EQ(calls, (std::vector<std::string>{"open 1", "explore 1", "autorun 0", "autorun 1", "open 1"}));

  static int discoveriesDue;
  discoveriesDue = 0;
  DiscoveryDueCallback = [] { ++discoveriesDue; };
  auto storedTimer = [](int index) {
    DriveRecord loaded = Drives[index];
    loaded.Timer = 0;
    LoadDriveSettings(loaded);
    return loaded.Timer;
  };
  calls.clear();
  Drives[1].Ignore = 1;
  SaveDriveSettings(Drives[1]);
  rediscoverMeanwhile = false;
  timerChosen = 60000;
  dialogAnswer = 0;
  RunDriveCommand(DriveCommand(1, DA_SETTINGS));
  EXPECT_EQ(storedTimer(1), 0) << "Cancel stores nothing";
  dialogAnswer = DialogOk;
  RunDriveCommand(DriveCommand(1, DA_SETTINGS));
  EXPECT_EQ(calls, (std::vector<std::string>{"settings 1", "settings 1"})) << "an ignored drive's settings open";
  EXPECT_EQ(storedTimer(1), 60000) << "OK stores";
  rediscoverMeanwhile = true;
  timerChosen = 300000;
  RunDriveCommand(DriveCommand(0, DA_SETTINGS));
  EXPECT_EQ(storedTimer(1), 60000) << "edits made while the drives were found again are not stored";
  EXPECT_EQ(discoveriesDue, 1) << "the drives are found again, reloading every record";
}

TEST_F(DispatchTest, MenuPickSetsStoresAndSendsTheSpeedWithTheMediumsCommand) {
  sim::Drive& reader = Add("cd48-reader");
  sim::Drive& dvd = Add("dvdrom16-streaming");
  Discover();
  ASSERT_EQ(DriveCount, 2);
  for (int i = 0; i < DriveCount; ++i) Drives[i].ForceRead = 0;
  const SpeedRange& cd = Drives[0].RangeCD;
  ASSERT_GE(cd.Count, 3u);

  RunDriveCommand(DriveCommand(0, DA_SET_SPEED, 2));
  EXPECT_EQ(cd.Selected, cd.Entries[2].Speed);
  EXPECT_EQ(SpeedsSent(reader, OpSetCdSpeed), (std::vector<uint32_t>{cd.Entries[2].Command}));
  EXPECT_TRUE(Opcodes(dvd).empty()) << "nothing reaches the other drive";
  // Stored: a fresh record loads it back.
  DriveRecord loaded = Drives[0];
  loaded.RangeCD.Selected = 0;
  LoadDriveSettings(loaded);
  EXPECT_EQ(loaded.RangeCD.Selected, cd.Entries[2].Speed);

  // The DVD drive holds a DVD and was found to need SET STREAMING.
  const SpeedRange& dvdList = Drives[1].RangeDVD;
  ASSERT_TRUE(Drives[1].DvdActive());
  ASSERT_GE(dvdList.Count, 2u);
  ClearLogs();
  RunDriveCommand(DriveCommand(1, DA_SET_SPEED, 1));
  EXPECT_EQ(SpeedsSent(dvd, OpSetStreaming), (std::vector<uint32_t>{dvdList.Entries[1].Command}));
  EXPECT_EQ(dvdList.Selected, dvdList.Entries[1].Speed);

  // Hotkey actions: maximum, minimum, selected, one step either way. The
  // drive takes a request between two speeds as the slower one, so its list
  // may hold commands above their speeds: each action sends the command.
  for (uint32_t i = 0; i < cd.Count; ++i) Drives[0].RangeCD.Entries[i].Command = cd.Entries[i].Speed + 10;
  ClearLogs();
  RunDriveCommand(DriveCommand(0, DA_MAX_SPEED));
  RunDriveCommand(DriveCommand(0, DA_MIN_SPEED));
  RunDriveCommand(DriveCommand(0, DA_SELECTED_SPEED));
  RunDriveCommand(DriveCommand(0, DA_FASTER));
  RunDriveCommand(DriveCommand(0, DA_SLOWER));
  EXPECT_EQ(SpeedsSent(reader, OpSetCdSpeed),
            (std::vector<uint32_t>{cd.Entries[0].Command, cd.Entries[cd.Count - 1].Command, cd.Entries[2].Command,
                                   cd.Entries[1].Command, cd.Entries[2].Command}));
}

TEST_F(DispatchTest, CommandsForGoneOrIgnoredDrivesAndBadListsSendNothingWrong) {
  sim::Drive& first = Add("cd48-reader");
  sim::Drive& second = Add("cd48-reader");
  Discover();
  Drives[1].Ignore = 1;
  auto nothingSent = [&] { return Opcodes(first).empty() && Opcodes(second).empty(); };

  // A drive that has gone (the list was rebuilt after the post), an ignored
  // drive, the unused actions 13-15, a speed index past the list.
  RunDriveCommand(DriveCommand(7, DA_SET_SPEED, 0));
  RunDriveCommand(DriveCommand(1, DA_MAX_SPEED));
  RunDriveCommand(DriveCommand(1, DA_EJECT));
  for (unsigned action = 13; action <= 15; ++action) RunDriveCommand(DriveCommandFlag | action);
  EXPECT_TRUE(nothingSent());
  RunDriveCommand(DriveCommand(0, DA_SET_SPEED, 127));
  EXPECT_TRUE(SpeedsSent(first, OpSetCdSpeed).empty());
  EXPECT_EQ(Drives[0].RangeCD.Selected, 0u);

  // Stored lists of 0 and of 128 entries, and a damaged count above that.
  SpeedRange& list = Drives[0].RangeCD;
  list.Count = 0;
  ClearLogs();
  RunDriveCommand(DriveCommand(0, DA_MAX_SPEED));
  RunDriveCommand(DriveCommand(0, DA_MIN_SPEED));
  EXPECT_TRUE(SpeedsSent(first, OpSetCdSpeed).empty());
  for (uint32_t i = 0; i < MaxSpeedEntries; ++i) list.Entries[i] = {uint32_t(20000 - i * 100), uint32_t(20000 - i * 100)};
  for (uint32_t count : {uint32_t(MaxSpeedEntries), 5000u}) {
    list.Count = count;
    ClearLogs();
    RunDriveCommand(DriveCommand(0, DA_MIN_SPEED));
    RunDriveCommand(DriveCommand(0, DA_SET_SPEED, 127));
    EXPECT_EQ(SpeedsSent(first, OpSetCdSpeed), (std::vector<uint32_t>{7300, 7300})) << count;
  }

  // Menus of 16 drives with 128 speeds each are planned whole.
  for (int i = 0; i < MaxDrives; ++i) {
    Drives[i] = Drives[0];
    Drives[i].Ignore = 0;
    Drives[i].RangeCD.Count = MaxSpeedEntries;
  }
  ProgramSettings& settings = ProgramSettings::Current();
  for (int deep : {0, 1}) {
    settings.DeepMenu = deep;
    MenuPlan plan = PlanDriveMenu(Drives, MaxDrives, settings, nullptr);
    EXPECT_GE(plan.size(), deep ? size_t(MaxDrives) : size_t(MaxDrives * MaxSpeedEntries));
  }
  EXPECT_EQ(PlanMainMenu(Drives, MaxDrives, false).size(), size_t(MainMenuFirstDriveItem + MaxDrives + 2));
  DriveCount = 2;  // only the discovered records are freed
}

TEST_F(DispatchTest, EjectCloseToggleAndProtectedDrive) {
  sim::Drive& reader = Add("dvdrom16-streaming");
  Discover();
  ProgramSettings& settings = ProgramSettings::Current();
  settings.EjectSingle = 1;
  settings.ForceRefresh = 1;  // the volumes are looked at once per move
  static int refreshes;
  static constexpr WindowOps Counter{.RefreshCdVolumes = [] { ++refreshes; }};
  InstallWindowOps(&Counter);
  refreshes = 0;
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_TRUE(reader.TrayOpen()) << "a closed tray is ejected";
  EXPECT_EQ(refreshes, 1);
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_FALSE(reader.TrayOpen()) << "the same item closes it again";
  EXPECT_EQ(refreshes, 2);

  // Locked and a password stored: each eject asks; a wrong answer keeps the
  // disc in; closing never asks.
  static int asked;
  static bool rightPassword;
  asked = 0;
  InstallEjectPasswordCheck([](const char* hash) {
    ++asked;
    return rightPassword && std::strcmp(hash, "$1$salt$hash") == 0;
  });
  Drives[0].Lock = 1;
  std::strcpy(settings.LockData, "$1$salt$hash");
  settings.EjectSingle = 0;
  ClearLogs();
  rightPassword = false;
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_EQ(Moves(reader), 0u);
  EXPECT_FALSE(reader.TrayOpen());
  rightPassword = true;
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_TRUE(reader.TrayOpen()) << "the right password unlocks, ejects and locks again";
  EXPECT_TRUE(reader.Locked());
  RunDriveCommand(DriveCommand(0, DA_CLOSE));
  EXPECT_FALSE(reader.TrayOpen());
  EXPECT_EQ(asked, 2);
  settings.LockData[0] = '\0';
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_TRUE(reader.TrayOpen()) << "without a password a locked drive ejects unasked";
  EXPECT_EQ(asked, 2);
  InstallEjectPasswordCheck(nullptr);
  std::strcpy(settings.LockData, "$1$salt$hash");
  RunDriveCommand(DriveCommand(0, DA_CLOSE));
  RunDriveCommand(DriveCommand(0, DA_EJECT));
  EXPECT_FALSE(reader.TrayOpen()) << "with nobody to ask, a protected drive keeps its disc";
  settings.LockData[0] = '\0';
}

// Every open tray that can close is closed, whatever its lock; ignored drives
// and drives that cannot close are left alone, and nothing else is sent.
TEST_F(DispatchTest, CloseAllTraysMovesOnlyTraysThatMayClose) {
  sim::Drive& reader = Add("cd48-reader");
  sim::Drive& ignored = Add("cdrw52-writer");
  sim::Drive& locked = Add("dvdrom16-streaming");
  sim::Drive& slot = Add("slot24-combo");
  Discover();
  ASSERT_EQ(DriveCount, 4);
  ASSERT_FALSE(Drives[3].CanClose);
  for (int i = 0; i < DriveCount; ++i) MoveTray(Drives[i], TrayMove::Eject);
  Drives[1].Ignore = 1;
  Drives[2].Lock = 1;
  std::strcpy(ProgramSettings::Current().LockData, "$1$salt$hash");
  ClearLogs();
  CloseAllTrays();
  EXPECT_FALSE(reader.TrayOpen());
  EXPECT_TRUE(ignored.TrayOpen());
  EXPECT_FALSE(locked.TrayOpen()) << "closing never asks for the password";
  EXPECT_EQ(Opcodes(reader), (std::vector<uint8_t>{OpStartStopUnit}));
  EXPECT_TRUE(Opcodes(ignored).empty());
  EXPECT_TRUE(Opcodes(slot).empty());
  ProgramSettings::Current().LockData[0] = '\0';
}

// The main window as its commands see it: which of its operations they ask
// for, and what the user's answers lead to.
struct RecordedWindow {
  static inline std::vector<std::string> Calls;
  static inline bool Answer = false;
  static inline bool DriveMenuMade = true;
  static void Call(const char* what) { Calls.push_back(what); }
  static constexpr WindowOps Row{
      .StartTimer = [](unsigned, uint32_t) { return true; },
      .ReRegisterHotkeys = [] { Call("hotkeys"); },
      .CreateMainMenu = [] { return Answer; },
      .CreateDriveMenu = [] { return DriveMenuMade; },
      .DestroyMenus = [] { Call("destroy menus"); },
      .ShowStartupFailure = [](StringId) { Call("failure"); },
      .AddTrayIcon = [] { Call("add icon"); },
      .DeleteTrayIcon = [] { Call("delete icon"); },
      .ShowDriveMenu = [] { Call("drive menu"); },
      .ShowInformation = [] { Call("information"); },
      .EditProgramSettings = [](ProgramSettings& settings) {
        settings.TimerEnable = 1;
        return Answer;
      },
      .Confirm = [](StringId) { return Answer; },
      .Notify = [](StringId notice) { Call(notice == StrSystemSettingsNotRestored ? "not restored" : "notice"); },
      .BringDialogUp = [] { Call("dialog up"); },
      .PostCommand = [](unsigned command) { Calls.push_back("post " + std::to_string(command)); },
  };
  static std::vector<std::string> Take() { return std::exchange(Calls, {}); }
};
using Calls = std::vector<std::string>;

TEST_F(DispatchTest, FixedCommandsRunTheirSequencesThroughTheWindow) {
  sim::Drive& reader = Add("cd48-reader");
  Discover();
  InstallWindowOps(&RecordedWindow::Row);
  ProgramSettings& settings = ProgramSettings::Current();
  auto stored = [] {
    ProgramSettings fresh;
    fresh.Load();
    return fresh.TimerEnable;
  };
  Drives[0].RangeCD.Selected = 1411;
  SaveDriveSettings(Drives[0]);

  // "Настройки": a cancelled dialog changes nothing; after OK the record is
  // stored and the program starts over with it.
  RecordedWindow::Answer = false;
  RunCommand(ID_SETTINGS, 0);
  EXPECT_EQ(stored(), 0);
  EXPECT_TRUE(RecordedWindow::Take().empty());
  RecordedWindow::Answer = true;
  RunCommand(ID_SETTINGS, 0);
  EXPECT_EQ(stored(), 1);
  EXPECT_TRUE(MainTimerRuns());
  EXPECT_EQ(SpeedsSent(reader, OpSetCdSpeed), std::vector<uint32_t>{1411}) << "the start-event restore";
  EXPECT_EQ(RecordedWindow::Take(), Calls{"hotkeys"});
  RunCommand(ID_DRIVE_MENU, 0);
  EXPECT_EQ(RecordedWindow::Take(), Calls{"drive menu"});
  // A device the list does not hold, at the address of an empty record.
  sim::Drive& unlisted = sim::AddVirtualDrive(Profile("cd48-reader"), DeviceAddress{0, 0, 0, 0});
  ClearLogs();
  RunCommand(ID_MEDIA_REMOVED, 0);
  EXPECT_EQ(CountOf(reader, OpModeSense10), 1u) << "each drive in the list is read once";
  EXPECT_TRUE(Opcodes(unlisted).empty()) << "and nothing past the list";

  // "Очистить конфигурацию": a wrong password or a "no" keeps everything.
  std::strcpy(settings.LockData, "$1$salt$hash");
  settings.Save();
  RunCommand(ID_CLEAR_CONFIG, 0);
  InstallEjectPasswordCheck([](const char*) { return true; });
  RecordedWindow::Answer = false;
  RunCommand(ID_CLEAR_CONFIG, 0);
  EXPECT_EQ(stored(), 1);
  EXPECT_EQ(DriveCount, 1);
  RecordedWindow::Answer = true;
  RunCommand(ID_CLEAR_CONFIG, 0);
  InstallEjectPasswordCheck(nullptr);
  EXPECT_EQ(stored(), 0);
  EXPECT_EQ(DriveCount, 0) << "no drive is known until the next search";
  EXPECT_FALSE(MainTimerRuns());
  EXPECT_EQ(RecordedWindow::Take(), Calls{"hotkeys"}) << "nothing to tell";
  // A standard user cannot switch the machine's autorun back on, and is told.
  ASSERT_TRUE(SetDiscAutorunAllUsers(false));
  MemoryRegistry::SetRootReadOnly(RegRoot::LocalMachine, true);
  RunCommand(ID_CLEAR_CONFIG, 0);
  MemoryRegistry::SetRootReadOnly(RegRoot::LocalMachine, false);
  EXPECT_EQ(RecordedWindow::Take(), (Calls{"not restored", "hotkeys"}));
  RunCommand(ID_DRIVE_MENU, 0);
  EXPECT_EQ(RecordedWindow::Take(), Calls{"information"}) << "without drives the information tells why";
  RunCommand(ID_FIND_DRIVES, 0);
  EXPECT_EQ(DriveCount, 2) << "the search finds them again";
  RecordedWindow::Take();

  // The icon: hidden once, shown again.
  for (unsigned command : {ID_HIDE_ICON, ID_HIDE_ICON, ID_SHOW_ICON}) RunCommand(command, 0);
  EXPECT_EQ(RecordedWindow::Take(), (Calls{"delete icon", "add icon"}));
  EXPECT_EQ(Shell().Hidden, 0);

  // The tray icon's buttons; with a dialog open the right one brings it up.
  TrayIconPressed(TrayButton::Left, true);
  TrayIconPressed(TrayButton::Right, false);
  TrayIconPressed(TrayButton::Right, true);
  EXPECT_EQ(RecordedWindow::Take(), (Calls{"post 101", "post 100", "dialog up"}));

  // The start: a hidden start adds no icon and CloseOnRun closes the trays;
  // a main menu that cannot be made is told and ends the start.
  reader.OpenTray();
  Shell().Hidden = 1;
  ProgramSettings closeOnRun;
  closeOnRun.ResetToDefaults();
  closeOnRun.CloseOnRun = 1;
  closeOnRun.Save();
  EXPECT_TRUE(StartShell());
  EXPECT_FALSE(reader.TrayOpen());
  EXPECT_EQ(Shell().BusyCount, 0) << "every busy notice was ended";
  EXPECT_EQ(RecordedWindow::Take(), Calls{"hotkeys"});
  RecordedWindow::Answer = false;
  Shell().Hidden = 0;
  EXPECT_FALSE(StartShell());
  EXPECT_EQ(RecordedWindow::Take(), (Calls{"add icon", "failure"}));
  RecordedWindow::Answer = true;
  RecordedWindow::DriveMenuMade = false;
  EXPECT_FALSE(StartShell()) << "nor does one without its drive menu";
  RecordedWindow::DriveMenuMade = true;
  RecordedWindow::Take();

  // The end runs once.
  EXPECT_TRUE(StopShell());
  EXPECT_FALSE(StopShell());
  EXPECT_EQ(RecordedWindow::Take(), (Calls{"destroy menus", "delete icon"}));
  EXPECT_EQ(DriveCount, 0);
  EXPECT_FALSE(MainTimerRuns());
}

TEST_F(DispatchTest, DeviceNoticesPostTheirCommands) {
  auto cdRomIsE = [](char letter) { return letter == 'E'; };
  constexpr uint32_t E = 1u << 4, F = 1u << 5;
  auto post = [&](uint32_t event, uint32_t type, uint32_t mask, uint16_t flags) {
    PostedCommand p = DeviceChangeCommand(event, VolumeNotice{type, mask, flags}, cdRomIsE);
    return std::pair(p.Command, p.Argument);
  };
  using P = std::pair<unsigned, uint32_t>;
  EXPECT_EQ(post(DeviceArrival, 2, E | F, 1), P(ID_MEDIA_ARRIVED, E | F));
  EXPECT_EQ(post(DeviceArrival, 2, E, 2), P(0, 0)) << "network volume";
  EXPECT_EQ(post(DeviceArrival, 2, F | E, 0), P(ID_FIND_DRIVES, 0)) << "a new CD-ROM volume";
  EXPECT_EQ(post(DeviceArrival, 2, F, 0), P(0, 0)) << "a memory stick";
  EXPECT_EQ(post(DeviceArrival, 2, 0xFC000000u, 0), P(0, 0)) << "bits above Z";
  EXPECT_EQ(post(DeviceRemoveComplete, 2, F, 1), P(ID_MEDIA_REMOVED, 0));
  EXPECT_EQ(post(DeviceRemoveComplete, 2, F, 0), P(ID_FIND_DRIVES, 0));
  EXPECT_EQ(post(DeviceRemoveComplete, 2, F, 2), P(0, 0));
  EXPECT_EQ(post(DeviceArrival, 5, E, 1), P(0, 0)) << "not a volume";
  EXPECT_EQ(post(0x8001, 2, E, 1), P(0, 0)) << "another device event";

  EXPECT_EQ(TimerCommand(MainTimerId), unsigned(ID_TIMER_TICK));
  EXPECT_EQ(TimerCommand(PollTimerId(3)), DriveCommand(3, DA_POLL));
}

TEST_F(DispatchTest, DiscArrivalWithNonCdLettersRestoresOnlyTheNamedDrive) {
  sim::Drive& d = Add("cd48-reader");  // D:
  sim::Drive& e = Add("cd48-reader");  // E:
  Discover();
  for (int i = 0; i < DriveCount; ++i) {
    Drives[i].RangeCD.Selected = 1411;
    Drives[i].ForceRead = 0;
  }
  // E: and two letters that are no CD drive of ours.
  RestoreForEvent(EventDiscChange, 1u << 4 | 1u << 2 | 1u << 25);
  EXPECT_TRUE(SpeedsSent(d, OpSetCdSpeed).empty());
  EXPECT_EQ(SpeedsSent(e, OpSetCdSpeed), (std::vector<uint32_t>{1411}));
}

}  // namespace
