// The daemon on every profile, for every event the system can tell it: the
// drive has forgotten its speed (it was set back to its maximum), the event
// arrives through the event seam, and the chosen speed is what the drive
// runs at afterwards. And its start sends every drive what the Windows
// program's start sends it. The commands go through the SG_IO row (its
// system calls answered by the virtual drives) and the settings through the
// settings file row.
#include <gtest/gtest.h>

#include <dirent.h>

#include <algorithm>
#include <cstring>
#include <deque>
#include <functional>
#include <map>

#include "app/main_window.h"
#include "clock/clock.h"
#include "drive/drive.h"
#include "linux/config_file.h"
#include "linux/daemon.h"
#include "linux/sg_io.h"
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "settings/settings_record.h"
#include "sim/model/virtual_drives.h"

namespace {

// ---- The system calls, answered by the virtual drives -------------------

size_t g_present = 0;  // drives 0..g_present-1 are plugged in

size_t IndexOf(const char* path) { return size_t(std::strtoul(std::strrchr(path, 'r') + 1, nullptr, 10)); }
std::string PathOf(size_t index) { return "/dev/sr" + std::to_string(index); }

int Open(const char* path, int& error) {
  error = IndexOf(path) < g_present ? 0 : ENOENT;
  return error ? -1 : int(IndexOf(path));
}
int Send(int fd, SgIoCommand& command) {
  sim::CommandOutcome out = sim::ExecuteOnVirtualDrive(size_t(fd), command.Cdb, command.CdbLength,
                                                       static_cast<uint8_t*>(command.Data), command.DataLength,
                                                       command.Direction == SgIoDirection::ToDevice, 0);
  command.Status = out.Status;
  command.HostStatus = out.Answered ? 0 : 3;
  command.SenseWritten = std::min(out.SenseLength, command.SenseRoom);
  std::memcpy(command.Sense, out.Sense, command.SenseWritten);
  command.Residual = int32_t(command.DataLength - out.Transferred);
  return 0;
}
void Close(int) {}
void List(std::vector<std::string>& paths) {
  paths.clear();
  for (size_t i = 0; i < g_present; ++i) paths.push_back(PathOf(i));
}
bool Exists(const char* path) { return IndexOf(path) < g_present; }
uint32_t g_queueKb = 0;  // max_hw_sectors_kb of every queue, 0: not told
bool QueueLimit(const char*, uint32_t& kilobytes) { return kilobytes = g_queueKb, g_queueKb != 0; }
const SgIoOps VirtualSgIo = {Open, Send, Close, List, Exists, QueueLimit};

std::map<std::string, std::string> g_files;
bool Read(const char* path, std::string& text, bool& missing) {
  missing = !g_files.count(path);
  text = missing ? "" : g_files[path];
  return !missing;
}
bool Replace(const char* path, const std::string& text) { return g_files[path] = text, true; }
uint64_t Stamp(const char* path) { return g_files.count(path) ? std::hash<std::string>()(g_files[path]) : 0; }
const ConfigFileOps MemoryFiles = {Read, Replace, Stamp};

// ---- The events: one scripted step, then a stop --------------------------

std::deque<std::function<bool(DaemonEvent&)>> g_steps;
bool Wait(uint32_t timeoutMs, DaemonEvent& event) {
  VirtualClock::Advance(timeoutMs);
  if (g_steps.empty()) return event = DaemonEvent{DaemonEventKind::Stop, ""}, true;
  auto step = g_steps.front();
  g_steps.pop_front();
  return step(event);
}
uint32_t g_watching = WatchDiscs | WatchResume;  // what the system tells
uint64_t g_suspended = 0;                         // milliseconds the machine slept
uint32_t Start() { return g_watching; }
uint64_t Suspended() { return g_suspended; }
void Stop() {}
const DaemonEventOps ScriptedEvents = {Start, Wait, Suspended, Stop};

// The drive forgets its speed: SET CD SPEED and SET STREAMING of its maximum.
void ForgetSpeed(size_t index) {
  uint8_t cdSpeed[12] = {OpSetCdSpeed, 0, 0xFF, 0xFF, 0xFF, 0xFF};
  sim::ExecuteOnVirtualDrive(index, cdSpeed, 12, nullptr, 0, false, 0);
  sim::VirtualDriveAt(index).PowerReset();
}

std::vector<std::string> AllProfiles() {
  std::vector<std::string> names;
  if (DIR* folder = opendir(VARNEL_SIM_PROFILES)) {
    while (dirent* entry = readdir(folder)) {
      std::string name = entry->d_name;
      if (name.size() > 5 && name.substr(name.size() - 5) == ".json") names.push_back(name.substr(0, name.size() - 5));
    }
    closedir(folder);
  }
  std::sort(names.begin(), names.end());
  return names;
}

enum class Event { Start, DiscChange, DriveAdded, Resume, ResumeWithoutBus };
const char* const EventNames[] = {"start", "disc change", "drive added", "resume", "resume seen from the time slept"};

// The speed the drive runs at after the event, and the speed chosen.
std::pair<uint32_t, uint32_t> RunEvent(const std::string& profileName, Event event) {
  VirtualClock::Install(100000);
  sim::ClearVirtualDrives();
  sim::Profile profile;
  std::string error;
  EXPECT_TRUE(sim::LoadNamedProfile(profileName, profile, error)) << error;
  sim::Profile other;
  EXPECT_TRUE(sim::LoadNamedProfile("cd48-reader", other, error)) << error;
  // The drive of the test is the second: a drive added is plugged in later.
  sim::AddVirtualDrive(other, DeviceAddress{0, 0, 0, 0});
  sim::AddVirtualDrive(profile, DeviceAddress{0, 1, 0, 0});
  g_present = 2;
  g_watching = WatchDiscs | WatchResume;
  g_suspended = 0;
  g_files.clear();
  std::vector<ConfigFile::Problem> problems;
  ConfigFile::Open("/etc/varnel.conf", MemoryFiles, problems);
  ProgramSettings::Current().ResetToDefaults();
  InstallSgIoOps(&VirtualSgIo);
  SetSgIoDeviceList(nullptr);
  RegisterTransports({nullptr, nullptr}, {[] { return true; }, &SgIoTransport});

  // What a user did before: the slowest speed of the disc's list chosen.
  DiscoverDrives();
  DriveRecord& drive = Drives[1];
  RefreshStatus(drive);
  SpeedRange& range = drive.Active();
  EXPECT_GT(EntryCount(range), 0u) << profileName;
  uint32_t chosen = EntryCount(range) ? range.Entries[EntryCount(range) - 1].Speed : 0;
  range.Selected = chosen;
  SaveDriveSettings(drive);
  ClearDrives();
  ConfigFile::Open("/etc/varnel.conf", MemoryFiles, problems);
  ForgetSpeed(1);
  sim::VirtualDriveAt(1).ClearLog();

  uint32_t after = 0;
  auto measure = [&after](DaemonEvent&) { return after = sim::VirtualDriveAt(1).CurrentReadSpeed(), false; };
  switch (event) {
    case Event::Start: break;
    case Event::DiscChange:
      g_steps.push_back([](DaemonEvent& e) {
        sim::Drive& d = sim::VirtualDriveAt(1);
        ForgetSpeed(1);
        d.OpenTray(true);
        d.CloseTray();
        return e = DaemonEvent{DaemonEventKind::DiscChange, PathOf(1)}, true;
      });
      break;
    case Event::DriveAdded:
      g_present = 1;
      g_steps.push_back([](DaemonEvent& e) {
        g_present = 2;
        ForgetSpeed(1);
        return e = DaemonEvent{DaemonEventKind::DevicesChanged, ""}, true;
      });
      break;
    case Event::Resume:
      g_steps.push_back([](DaemonEvent& e) {
        ForgetSpeed(1);
        return e = DaemonEvent{DaemonEventKind::Resume, ""}, true;
      });
      break;
    case Event::ResumeWithoutBus:
      g_watching = WatchDiscs;
      g_steps.push_back([](DaemonEvent&) {
        ForgetSpeed(1);
        g_suspended += 60000;  // a minute asleep
        return false;
      });
      break;
  }
  // Long enough for a disc to spin up before the speed is looked at.
  for (int i = 0; i < 20; ++i) g_steps.push_back([](DaemonEvent&) { return false; });
  g_steps.push_back(measure);
  EXPECT_EQ(RunDaemon(ScriptedEvents, nullptr), 0);
  return {after, chosen};
}

TEST(LinuxDaemon, EveryProfileGetsItsChosenSpeedBackAfterEveryEvent) {
  const auto profiles = AllProfiles();
  ASSERT_GE(profiles.size(), 10u);
  for (const auto& name : profiles)
    for (Event event : {Event::Start, Event::DiscChange, Event::DriveAdded, Event::Resume, Event::ResumeWithoutBus}) {
      auto [after, chosen] = RunEvent(name, event);
      EXPECT_EQ(after, chosen) << name << ", " << EventNames[int(event)];
    }
  ClearDrives();
  sim::ClearVirtualDrives();
  InstallClock(nullptr);
}

// ---- The start, against the Windows program's ---------------------------

enum class StartKind { First, Later, Selected };
const char* const StartNames[] = {"first", "later", "selected"};
using DriveLogs = std::vector<std::vector<std::string>>;

// Every profile as a fresh drive, drive i at target i.
void FreshDrives(const std::vector<std::string>& profiles) {
  sim::ClearVirtualDrives();
  for (size_t i = 0; i < profiles.size(); ++i) {
    sim::Profile profile;
    std::string error;
    EXPECT_TRUE(sim::LoadNamedProfile(profiles[i], profile, error)) << error;
    sim::AddVirtualDrive(profile, DeviceAddress{0, uint32_t(i), 0, 0});
  }
  g_present = profiles.size();
}

// Each drive's commands with what went with them and what came back.
DriveLogs Commands() {
  DriveLogs logs;
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
    logs.emplace_back();
    for (const sim::LogEntry& e : sim::VirtualDriveAt(i).Log()) {
      if (e.Cdb.empty()) continue;
      auto hex = [](const std::vector<uint8_t>& bytes) {
        std::string out;
        for (uint8_t b : bytes) out += "0123456789abcdef"[b >> 4], out += "0123456789abcdef"[b & 15];
        return out;
      };
      logs.back().push_back(hex(e.Cdb) + " out " + hex(e.DataOut) + " status " + std::to_string(e.Status) + " in " +
                            hex(e.Answer));
    }
  }
  return logs;
}

// A first start, a later one and one with each list's slowest speed
// chosen, each on fresh drives, by the Windows program's run-once start or
// the daemon's start.
std::vector<DriveLogs> ThreeStarts(const std::vector<std::string>& profiles, bool linux) {
  std::vector<DriveLogs> logs;
  g_files.clear();
  for (StartKind kind : {StartKind::First, StartKind::Later, StartKind::Selected}) {
    std::vector<ConfigFile::Problem> problems;
    VirtualClock::Install(100000);
    FreshDrives(profiles);
    ConfigFile::Open("/etc/varnel/varnel.conf", MemoryFiles, problems);
    ProgramSettings::Current().ResetToDefaults();
    if (kind == StartKind::Selected) {
      DiscoverDrives();
      for (int i = 0; i < DriveCount; ++i) {
        for (SpeedRange* range : {&Drives[i].RangeCD, &Drives[i].RangeDVD})
          if (EntryCount(*range)) range->Selected = range->Entries[EntryCount(*range) - 1].Speed;
        SaveDriveSettings(Drives[i]);
      }
      ClearDrives();
      VirtualClock::Install(100000);
      FreshDrives(profiles);
    }
    if (linux) {
      InstallSgIoOps(&VirtualSgIo);
      SetSgIoDeviceList(nullptr);
      RegisterTransports({nullptr, nullptr}, {[] { return true; }, &SgIoTransport});
      ProgramSettings::Current().Load();
      EXPECT_EQ(RunDaemon(ScriptedEvents, nullptr), 0);
    } else {
      sim::UseVirtualTransports(false, true);  // the row that answers as SPTI does
      RunOnce();
    }
    logs.push_back(Commands());
    ClearDrives();
  }
  return logs;
}

TEST(LinuxDaemon, StartsSendEveryDriveWhatTheWindowsProgramSends) {
  const auto profiles = AllProfiles();
  const std::vector<DriveLogs> windows = ThreeStarts(profiles, false);
  const std::vector<DriveLogs> linux = ThreeStarts(profiles, true);
  for (size_t kind = 0; kind < windows.size(); ++kind)
    for (size_t i = 0; i < profiles.size(); ++i) {
      EXPECT_FALSE(windows[kind][i].empty());
      EXPECT_EQ(linux[kind][i], windows[kind][i]) << StartNames[kind] << " start, " << profiles[i];
    }
  sim::ClearVirtualDrives();
  InstallClock(nullptr);
}

TEST(SgIoRow, ReadsKeepToTheQueueLimitOfTheDrive) {
  VirtualClock::Install(100000);
  FreshDrives({"cd48-reader"});
  std::vector<ConfigFile::Problem> problems;
  ConfigFile::Open("/etc/varnel/varnel.conf", MemoryFiles, problems);
  InstallSgIoOps(&VirtualSgIo);
  SetSgIoDeviceList(nullptr);
  RegisterTransports({nullptr, nullptr}, {[] { return true; }, &SgIoTransport});
  g_queueKb = 16;
  DiscoverDrives();
  g_queueKb = 0;
  ASSERT_EQ(DriveCount, 1);
  sim::VirtualDriveAt(0).ClearLog();
  std::vector<uint8_t> buffer(MaxBlocksPerRead * SectorSize);
  EXPECT_TRUE(ReadSectors(Drives[0].Address, 100, MaxBlocksPerRead, buffer.data()));
  std::string blocks;
  for (const sim::LogEntry& e : sim::VirtualDriveAt(0).Log())
    if (!e.Cdb.empty() && e.Cdb[0] == OpRead10) blocks += std::to_string(e.Cdb[7] << 8 | e.Cdb[8]) + " ";
  EXPECT_EQ(blocks, "8 8 8 8 ");  // 16 KiB a command
  ClearDrives();
  sim::ClearVirtualDrives();
  InstallClock(nullptr);
}

}  // namespace
