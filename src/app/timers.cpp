#include "app/timers.h"

#include "app/app.h"
#include "app/tray_moves.h"
#include "app/window_ops.h"
#include "clock/clock.h"
#include "drive/drive.h"
#include "mmc/commands.h"
#include "settings/settings_record.h"

namespace {

bool g_mainTimerRuns = false;

// The timed restore sets the speed only: reading from the disc every period
// would keep it spinning.
void TimedRestore(DriveRecord& drive) {
  int32_t forceRead = drive.ForceRead;
  drive.ForceRead = 0;
  RestoreSpeed(drive);
  drive.ForceRead = forceRead;
}

}  // namespace

void SetMainTimer(bool on) {
  if (g_mainTimerRuns) StopTimerNow(MainTimerId);
  g_mainTimerRuns = on && StartTimerNow(MainTimerId, TimerPeriodMs);
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
    DriveSession session(drive.Address);  // one open a drive a tick, however many commands it takes
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
