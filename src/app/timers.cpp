#include "app/timers.h"

#include "app/app.h"
#include "app/disc_actions.h"
#include "app/restore_events.h"
#include "clock/clock.h"
#include "drive/drive.h"
#include "mmc/commands.h"
#include "settings/program_settings.h"

namespace {

const WindowOps* g_window = nullptr;
bool g_mainTimerRuns = false;

bool StartTimer(unsigned id, uint32_t periodMs) {
  return g_window && g_window->StartTimer && g_window->StartTimer(id, periodMs);
}
void StopTimer(unsigned id) {
  if (g_window && g_window->StopTimer) g_window->StopTimer(id);
}

int IndexOf(const DriveRecord& drive) { return int(&drive - Drives); }

// The timed restore sets the speed only: reading from the disc every period
// would keep it spinning.
void TimedRestore(DriveRecord& drive) {
  int32_t forceRead = drive.ForceRead;
  drive.ForceRead = 0;
  RestoreSpeed(drive);
  drive.ForceRead = forceRead;
}

}  // namespace

void InstallWindowOps(const WindowOps* row) { g_window = row; }

void RefreshCdVolumesNow() {
  if (g_window && g_window->RefreshCdVolumes) g_window->RefreshCdVolumes();
}

void ReRegisterHotkeysNow() {
  if (g_window && g_window->ReRegisterHotkeys) g_window->ReRegisterHotkeys();
}

void SetMainTimer(bool on) {
  if (g_mainTimerRuns) StopTimer(MainTimerId);
  g_mainTimerRuns = on && StartTimer(MainTimerId, TimerPeriodMs);
}

bool MainTimerRuns() { return g_mainTimerRuns; }

uint32_t TimedRestorePeriod(int32_t timerMs) {
  return timerMs >= int32_t(TimerPeriodMs) ? uint32_t(timerMs) : 0;
}

void TimerTick() {
  const ProgramSettings& settings = ProgramSettings::Current();
  uint32_t now = ClockTickCount();
  uint32_t slot = now / TimerPeriodMs;
  int pending = 0;
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    if (drive.Ignore) continue;
    if (slot % RefreshEverySlots == 0) {
      // Some systems release a lock behind the program's back.
      if (drive.Lock) PreventAllowRemoval(drive.Address, true);
      RefreshStatus(drive);
    }
    uint32_t period = TimedRestorePeriod(drive.Timer);
    if (period != 0 && slot % (period / TimerPeriodMs) == 0) TimedRestore(drive);
    // A negative delay is no delay the settings dialog offers: off.
    if (settings.TimerAutoclose > 0 && IsTrayOpen(drive)) {
      // Signed, so that a tray seen open before the tick count wrapped, or a
      // TrayOpenSince of 0, closes at once instead of in 49 days.
      int32_t remaining = int32_t(drive.TrayOpenSince + uint32_t(settings.TimerAutoclose) - now);
      if (remaining > 0) {
        if (remaining < AutocloseWarningMs) pending++;
      } else {
        EjectOrClose(drive, TrayMove::Close);
      }
    }
  }
  Shell().Blink = pending > 0 ? int(slot & 1) : 0;
}

void AfterTrayClosed(DriveRecord& drive) {
  if (!(drive.EventMask & EventTrayClosed) || drive.Active().Selected == 0) return;
  if (drive.Ready) {
    RestoreSpeed(drive);
    return;
  }
  // The disc needs a few seconds before it reads: look again every tick.
  drive.PollCount = MaxPollTicks;
  StartTimer(PollTimerId(IndexOf(drive)), TimerPeriodMs);
}

void DrivePollTick(int driveIndex) {
  DriveRecord* drive = DriveAt(driveIndex);
  // A record that expects no poll (the list was rebuilt while its timer ran)
  // only stops the timer.
  if (!drive || drive->PollCount <= 0) {
    StopPollTimer(driveIndex);
    return;
  }
  RefreshStatus(*drive);
  if (drive->Ready) {
    RestoreSpeed(*drive);
    drive->PollCount = 0;
  } else {
    drive->PollCount--;
  }
  if (drive->PollCount <= 0) StopPollTimer(driveIndex);
}

void StopPollTimer(int driveIndex) { StopTimer(PollTimerId(driveIndex)); }
