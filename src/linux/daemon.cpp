#include "linux/daemon.h"

#include <vector>

#include "clock/clock.h"
#include "drive/drive.h"
#include "linux/config_file.h"
#include "linux/sg_io.h"
#include "mmc/commands.h"
#include "mmc/opcodes.h"
#include "settings/settings_record.h"

namespace {

constexpr uint32_t ResumeGapMs = 1000;  // suspended time that counts as a sleep, not clock jitter
constexpr uint32_t MinimumTimerMs = DaemonTickMs;
constexpr uint32_t TestUnitReadyLength = 6;  // its CDB's bytes

void LogLine(FILE* log, const char* what, const std::string& detail = "") {
  if (!log) return;
  std::fprintf(log, "varnel: %s%s\n", what, detail.c_str());
  std::fflush(log);
}

std::string DriveText(const DriveRecord& drive) {
  const char* path = SgIoDevicePath(drive.Address);
  return std::string(path ? path : "?") + " (" + drive.FullName + ")";
}

void ReportProblems(FILE* log, const std::vector<ConfigFile::Problem>& problems) {
  for (const auto& problem : problems)
    LogLine(log, "", ConfigFile::Path() + ":" + std::to_string(problem.Line) + ": " + problem.What +
                         " (its default applies)");
}

void ForgetEventSupport();

void Discover(FILE* log) {
  DiscoverDrives();
  ForgetEventSupport();  // the drives are new records, maybe new drives
  for (int i = 0; i < DriveCount; ++i) {
    const DriveRecord& drive = Drives[i];
    LogLine(log, "drive ", DriveText(drive) + (drive.Ignore ? ", not managed" : ""));
  }
  if (DriveCount == 0) LogLine(log, "no optical drive found");
}

// A drive that cannot tell its media events is asked TEST UNIT READY: a
// UNIT ATTENTION then says the medium changed. Sent once, without the
// executor's retry, which would take the attention away.
bool UnitAttentionSeen(const DeviceAddress& address) {
  ScsiRequest request{};
  request.Address = address;
  request.CdbLength = TestUnitReadyLength;
  request.Cdb[0] = OpTestUnitReady;
  request.SenseLength = SenseWanted;
  (void)ExecuteCommandOnce(request);
  return request.SenseKey == SenseUnitAttention;
}

// Per drive: whether it answers GET EVENT STATUS NOTIFICATION (asked once).
enum class EventSupport { Unknown, Answers, Refuses };

struct Poller {
  std::vector<EventSupport> Support;

  // True when the drive reports a new disc since the last poll.
  bool DiscArrived(int index, FILE* log) {
    if (Support.size() != size_t(DriveCount)) Support.assign(size_t(DriveCount), EventSupport::Unknown);
    DriveRecord& drive = Drives[index];
    if (Support[index] != EventSupport::Refuses) {
      MediaEvent event = MediaEvent::None;
      if (GetMediaEvent(drive.Address, event)) {
        Support[index] = EventSupport::Answers;
        return event == MediaEvent::NewMedia || event == MediaEvent::Changed;
      }
      if (Support[index] == EventSupport::Unknown) {
        Support[index] = EventSupport::Refuses;
        LogLine(log, "", DriveText(drive) + " has no media events: polled with TEST UNIT READY");
      }
    }
    return UnitAttentionSeen(drive.Address);
  }
};
Poller g_poller;

void ForgetEventSupport() { g_poller.Support.clear(); }

void TimedRestores(uint32_t slot) {
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    // Periods below the tick are none the settings offer: off.
    if (drive.Ignore || drive.Timer < int32_t(MinimumTimerMs)) continue;
    if (slot % (uint32_t(drive.Timer) / DaemonTickMs) != 0) continue;
    int32_t forceRead = drive.ForceRead;
    drive.ForceRead = 0;  // a timed restore must not spin a disc up for reading
    RestoreSpeed(drive);
    drive.ForceRead = forceRead;
  }
}

void RelockDrives() {
  for (int i = 0; i < DriveCount; ++i)
    if (!Drives[i].Ignore && Drives[i].Lock) PreventAllowRemoval(Drives[i].Address, true);
}

// A hand-edited file or a `varnel set` of root: the drives take its settings.
void ReloadSettings(FILE* log) {
  std::vector<ConfigFile::Problem> problems;
  if (!ConfigFile::ReloadIfChanged(problems)) return;
  LogLine(log, "settings read again from ", ConfigFile::Path());
  ReportProblems(log, problems);
  ProgramSettings::Current().Load();
  for (int i = 0; i < DriveCount; ++i) LoadDriveSettings(Drives[i]);
}

void Handle(const DaemonEvent& event, FILE* log) {
  switch (event.Kind) {
    case DaemonEventKind::DiscChange: {
      int device = SgIoDeviceIndex(event.Device.c_str());
      for (int i = 0; i < DriveCount; ++i)
        if (int(Drives[i].Address.Target) == device) {
          LogLine(log, "disc in ", DriveText(Drives[i]));
          RestoreDrive(i, EventDiscChange);
        }
      break;
    }
    case DaemonEventKind::DevicesChanged:
      LogLine(log, "drives changed: looking for them again");
      Discover(log);
      for (int i = 0; i < DriveCount; ++i) RestoreDrive(i, EventStart);
      break;
    case DaemonEventKind::Resume:
      LogLine(log, "resumed from sleep");
      for (int i = 0; i < DriveCount; ++i) RestoreDrive(i, EventWake);
      break;
    case DaemonEventKind::Stop: break;
  }
}

}  // namespace

void RestoreDrive(int index, uint32_t events) {
  DriveRecord* drive = DriveAt(index);
  if (!drive || drive->Ignore) return;
  DriveSession session(drive->Address);  // the lock, the refresh and the restore on one open
  // A lock does not survive every event (a bus reset after resume clears it).
  if (drive->Lock) PreventAllowRemoval(drive->Address, true);
  RefreshStatus(*drive);
  if (uint32_t(drive->EventMask) & events) RestoreSpeed(*drive);
}

int RunDaemon(const DaemonEventOps& events, FILE* log) {
  LogLine(log, "settings from ", ConfigFile::Path());
  Discover(log);
  for (int i = 0; i < DriveCount; ++i) RestoreDrive(i, EventStart);

  const uint32_t watching = events.Start();
  if (!(watching & WatchDiscs)) LogLine(log, "no udev: each drive is asked for disc changes every 5 s");
  if (!(watching & WatchResume)) LogLine(log, "no system bus: a resume is seen from the time the machine slept");
  uint64_t suspended = events.SuspendedMs();
  uint32_t lastPoll = ClockTickCount();
  uint32_t lastTick = lastPoll;
  for (;;) {
    DaemonEvent event{DaemonEventKind::Stop, ""};
    bool got = events.Wait(DaemonTickMs, event);
    if (got && event.Kind == DaemonEventKind::Stop) break;
    ReloadSettings(log);
    if (got) Handle(event, log);

    uint64_t nowSuspended = events.SuspendedMs();
    if (!(watching & WatchResume) && nowSuspended > suspended + ResumeGapMs)
      Handle(DaemonEvent{DaemonEventKind::Resume, ""}, log);
    suspended = nowSuspended;

    uint32_t now = ClockTickCount();
    if (now - lastTick >= DaemonTickMs) {
      lastTick = now;
      TimedRestores(now / DaemonTickMs);
    }
    if (now - lastPoll < DrivePollMs) continue;
    lastPoll = now;
    RelockDrives();
    if (watching & WatchDiscs) continue;
    if (SgIoDeviceSetChanged()) {
      Handle(DaemonEvent{DaemonEventKind::DevicesChanged, ""}, log);
      continue;
    }
    for (int i = 0; i < DriveCount; ++i)
      if (!Drives[i].Ignore && g_poller.DiscArrived(i, log)) {
        LogLine(log, "disc in ", DriveText(Drives[i]));
        RestoreDrive(i, EventDiscChange);
      }
  }
  events.Stop();
  LogLine(log, "stopped");
  return 0;
}
