// The main window's timers and what their ticks do: the periodic refresh and
// re-lock, the per-drive timed restore, the automatic close of open trays with
// its warning blink, and the poll of a drive whose tray the program closed.
//
// The decisions are portable; the window timers themselves are reached
// through WindowOps, which the window procedure installs (tests install a
// recording row).
#pragma once
#include <cstdint>

struct DriveRecord;

constexpr unsigned MainTimerId = 1;
constexpr uint32_t TimerPeriodMs = 500;
constexpr int MaxPollTicks = 30;             // 15 seconds of polling
constexpr uint32_t RefreshEverySlots = 10;   // the drive state is read about every 5 seconds
constexpr int32_t AutocloseWarningMs = 3000; // the error icon blinks this long before a close

// A drive's poll timer; a drive's index in the list decides it.
constexpr unsigned PollTimerId(int driveIndex) { return unsigned(driveIndex) + 2; }

// What the shell's decisions ask of the main window.
struct WindowOps {
  bool (*StartTimer)(unsigned id, uint32_t periodMs);  // restarts a running one
  void (*StopTimer)(unsigned id);
  // Makes the system and the shell look at every CD volume again, so that a
  // disc moved by the program is noticed at once.
  void (*RefreshCdVolumes)();
  // Registers the drives' hotkeys again after their settings changed.
  void (*ReRegisterHotkeys)();
};
// The row in use; null uninstalls it (timers then never run).
void InstallWindowOps(const WindowOps* row);
void RefreshCdVolumesNow();
void ReRegisterHotkeysNow();

// Stops timer 1, then starts it again when on. Whether it runs is remembered
// only when starting succeeded.
void SetMainTimer(bool on);
[[nodiscard]] bool MainTimerRuns();

// The period of a drive's timed restore: a stored Timer below one tick (or
// negative) would make the period test divide by zero, so it counts as off.
[[nodiscard]] uint32_t TimedRestorePeriod(int32_t timerMs);

// ID_TIMER_TICK, every 500 ms while the main timer runs.
void TimerTick();
// After the program itself closed the drive's tray (state refreshed): restore
// now if a disc is ready, else poll for it.
void AfterTrayClosed(DriveRecord& drive);
// DA_POLL for the drive at index.
void DrivePollTick(int driveIndex);
// Stops the poll timer of a drive index that no longer names a polled drive.
void StopPollTimer(int driveIndex);
