// Counts the device commands and the virtual time the drive model's
// operations take against virtual drives, prints them as a table and checks
// the targets: a later start's discovery sends no speed command, a refresh
// of a settled drive sends at most 5 commands, and the fast discovery makes
// at most M/176 + 4 passes; the timer tick sends nothing outside its 5-second
// slot and no more than a settled refresh per drive inside it. Exits with 1
// when a target is missed.
//
//   drive_bench [--short]     --short leaves out the full and measuring runs
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/dispatch.h"
#include "app/restore_events.h"
#include "app/timers.h"
#include "app/window_ops.h"
#include "commands/command_ids.h"
#include "clock/clock.h"
#include "drive/drive.h"
#include "registry/registry.h"
#include "settings/settings_record.h"
#include "sim/model/virtual_drives.h"

namespace {

struct Count {
  size_t commands = 0, speedCommands = 0;
};

Count Commands() {
  Count c;
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
    for (const sim::LogEntry& e : sim::VirtualDriveAt(i).Log()) {
      if (!e.Control.empty()) continue;
      c.commands++;
      if (!e.Cdb.empty() && (e.Cdb[0] == 0xBB || e.Cdb[0] == 0xB6)) c.speedCommands++;
    }
  }
  return c;
}

void ClearLogs() {
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) sim::VirtualDriveAt(i).ClearLog();
}

bool g_allMet = true;

// What a row checks: its text, and whether the target was met; a row
// without a target leaves `checked` false.
struct Check {
  bool checked = false, met = true;
};

// Runs one operation and prints its row with the note its target returns.
void Row(const char* what, const std::function<void()>& run,
         const std::function<std::string(const Count&, Check&)>& target = nullptr) {
  ClearLogs();
  uint32_t start = VirtualClock::Elapsed();
  run();
  uint32_t ms = VirtualClock::Elapsed() - start;
  Count c = Commands();
  std::string note;
  if (target) {
    Check check;
    note = target(c, check);
    if (check.checked) note += check.met ? "  ok" : "  MISSED";
    g_allMet = g_allMet && check.met;
  }
  std::printf("| %-44s | %8zu | %6zu | %9.1f | %s\n", what, c.commands, c.speedCommands, ms / 1000.0, note.c_str());
}

sim::Profile Named(const char* name) {
  sim::Profile p;
  std::string error;
  if (!sim::LoadNamedProfile(name, p, error)) {
    std::fprintf(stderr, "profile %s: %s\n", name, error.c_str());
    std::exit(2);
  }
  return p;
}

// A fresh world: one drive set, an empty registry, settings at defaults.
void World(std::initializer_list<sim::Profile> profiles) {
  VirtualClock::Install(100000);
  MemoryRegistry::Reset();
  ProgramSettings::Current().ResetToDefaults();
  sim::ClearVirtualDrives();
  uint32_t n = 0;
  for (const sim::Profile& p : profiles) sim::AddVirtualDrive(p, DeviceAddress{0, n, 0, int32_t('D' + n)}), ++n;
  sim::UseVirtualTransports(true, false);
  SelectTransport(0);
  DiscoverDrives();
}

std::function<std::string(const Count&, Check&)> AtMost(size_t limit) {
  return [limit](const Count& c, Check& check) {
    check = {true, c.commands <= limit};
    return "commands <= " + std::to_string(limit);
  };
}

// Passes of a fast discovery: one progress call per pass, then the closing one.
int g_progressCalls = 0;
int CountPasses(int phase, int total, int done, int, int, void*) {
  if (phase || total || done) g_progressCalls++;
  return 1;
}

void Enumerate(const char* what, DriveRecord& d, SpeedMethod method, uint32_t maximum) {
  g_progressCalls = 0;
  Row(what, [&] { EnumerateSpeeds(d, method, CountPasses, nullptr); },
      [&](const Count&, Check& check) {
        std::string s = std::to_string(d.Active().Count) + " entries";
        if (method != SpeedMethod::Fast) return s;
        int passes = g_progressCalls - 1;
        int limit = int(maximum / 176 + 4);
        check = {true, passes <= limit};
        return s + ", " + std::to_string(passes) + " passes <= " + std::to_string(limit);
      });
}

}  // namespace

int main(int argc, char** argv) {
  bool shortMode = argc > 1 && std::strcmp(argv[1], "--short") == 0;
  std::printf("| %-44s | %8s | %6s | %9s | %s\n", "operation", "commands", "speed", "virtual s", "target");
  std::printf("|%s|%s|%s|%s|%s\n", std::string(46, '-').c_str(), std::string(10, '-').c_str(),
              std::string(8, '-').c_str(), std::string(11, '-').c_str(), "------");

  // Refresh.
  World({Named("cd48-reader"), Named("dvdrom16-streaming")});
  Row("RefreshStatus, settled data CD", [] { RefreshStatus(Drives[0]); }, AtMost(5));
  Row("RefreshStatus, settled DVD", [] { RefreshStatus(Drives[1]); }, AtMost(5));
  sim::Drive& dvd = sim::VirtualDriveAt(1);
  sim::MediumSpec disc{};
  sim::LookupMedium("dvd-rom", disc);
  dvd.RemoveDisc();
  dvd.InsertDisc(disc);
  Row("RefreshStatus, DVD spinning up (3 s)", [] { RefreshStatus(Drives[1]); });

  // Restore.
  DriveRecord& cd = Drives[0];
  cd.RangeCD.Selected = 2822;
  SetSpeed(cd, 0xFFFF);
  Row("RestoreSpeed, ForceRead 1", [&] { RestoreSpeed(cd); });
  SetSpeed(cd, 0xFFFF);
  cd.ForceRead = 0;
  Row("RestoreSpeed, ForceRead 0", [&] { RestoreSpeed(cd); });

  // Discovery of four drives.
  World({});
  for (const char* name : {"cd48-reader", "dvdrom16-streaming", "cdrw52-writer", "dvdrw16-roundup"}) {
    uint32_t n = uint32_t(sim::VirtualDriveCount());
    sim::AddVirtualDrive(Named(name), DeviceAddress{0, n, 0, int32_t('D' + n)});
  }
  Row("DiscoverDrives, 4 drives, first start", [] { DiscoverDrives(); });
  Row("DiscoverDrives, 4 drives, later start", [] { DiscoverDrives(); },
      [](const Count& c, Check& check) {
        check = {true, c.speedCommands == 0};
        return std::string("no speed command");
      });

  // Speed discovery.
  World({Named("cd48-reader"), Named("dvdrom16-streaming")});
  Enumerate("Fast, 48x CD drive", Drives[0], SpeedMethod::Fast, uint32_t(Drives[0].MaxSpeed));
  Enumerate("Fast, 16x DVD drive", Drives[1], SpeedMethod::Fast, uint32_t(Drives[1].MaxDVDSpeed));
  if (!shortMode) {
    Enumerate("Full, 48x CD drive", Drives[0], SpeedMethod::Full, 0);
    Enumerate("Full, 16x DVD drive", Drives[1], SpeedMethod::Full, 0);
    World({Named("cd48-reader"), Named("dvdrom16-streaming")});
    Enumerate("Measure, 48x CD drive", Drives[0], SpeedMethod::Measure, 0);
    Enumerate("Measure, 16x DVD drive", Drives[1], SpeedMethod::Measure, 0);
  }

  // The tray at work: four settled drives under the main timer.
  World({Named("cd48-reader"), Named("dvdrom16-streaming"), Named("cdrw52-writer"), Named("dvdrw16-roundup")});
  for (int i = 0; i < DriveCount; ++i) RefreshStatus(Drives[i]);
  auto toSlot = [](uint32_t offset) {
    uint32_t slotMs = RefreshEverySlots * TimerPeriodMs;
    VirtualClock::Advance(slotMs - ClockTickCount() % slotMs + offset);
  };
  toSlot(TimerPeriodMs);
  Row("TimerTick, 4 settled drives, other slots", [] { TimerTick(); }, AtMost(0));
  toSlot(0);
  Row("TimerTick, 4 settled drives, 5-second slot", [] { TimerTick(); }, AtMost(4 * 5));
  for (int i = 0; i < DriveCount; ++i) Drives[i].ForceRead = 0;
  Row("DA_SET_SPEED, menu pick on the CD drive", [] { RunDriveCommand(DriveCommand(0, DA_SET_SPEED, 2)); });
  Drives[1].RangeDVD.Selected = 5540;
  SetSpeed(Drives[1], SpeedMaximum);
  Row("Disc arrival in E: (4 drives, restores 1)", [] { RestoreForEvent(EventDiscChange, 1u << ('E' - 'A')); });

  ClearDrives();
  sim::ClearVirtualDrives();
  InstallClock(nullptr);
  std::printf("%s\n", g_allMet ? "all targets met" : "a target was missed");
  return g_allMet ? 0 : 1;
}
