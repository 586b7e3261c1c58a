// The main timer's work: the periodic refresh and re-lock, the per-drive
// timed restore, and the automatic close of open trays with its warning
// blink. The window timers themselves are reached through the window seam
// (window_ops.h).
#pragma once
#include <cstdint>

constexpr uint32_t RefreshEverySlots = 10;   // the drive state is read about every 5 seconds
constexpr int32_t AutocloseWarningMs = 3000; // the error icon blinks this long before a close

// Stops the main timer, then starts it again when on. Whether it runs is
// remembered only when starting succeeded.
void SetMainTimer(bool on);
[[nodiscard]] bool MainTimerRuns();

// The period of a drive's timed restore: a stored Timer below one tick (or
// negative) would make the period test divide by zero, so it counts as off.
[[nodiscard]] uint32_t TimedRestorePeriod(int32_t timerMs);

// ID_TIMER_TICK, every 500 ms while the main timer runs.
void TimerTick();
