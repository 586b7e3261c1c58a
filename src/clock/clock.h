// The clock seam: every wait and every time reading of the program goes
// through this table, so that tests can run retries, polls and timed
// restores in virtual time.
#pragma once
#include <cstdint>

struct CalendarTime {  // the fields of a SYSTEMTIME, local time
  uint16_t Year, Month, DayOfWeek, Day, Hour, Minute, Second, Milliseconds;
};

struct ClockOps {
  uint32_t (*TickCount)();            // milliseconds, wraps like GetTickCount
  void (*Sleep)(uint32_t milliseconds);
  CalendarTime (*Now)();
};

// The row in use; the system row until another is installed.
const ClockOps& Clock();
// Installs a row (null puts the system row back).
void InstallClock(const ClockOps* row);

inline uint32_t ClockTickCount() { return Clock().TickCount(); }
inline void ClockSleep(uint32_t milliseconds) { Clock().Sleep(milliseconds); }
inline CalendarTime ClockNow() { return Clock().Now(); }

// Virtual time: Sleep advances the clock at once. Tests install it, set the
// start, and read how long the code under test waited.
namespace VirtualClock {
void Install(uint32_t startTick = 0, CalendarTime start = {2026, 1, 4, 1, 12, 0, 0, 0});
void Advance(uint32_t milliseconds);
uint32_t Elapsed();      // milliseconds since Install
uint32_t SleepCount();   // number of Sleep calls since Install
uint32_t SleptTotal();   // milliseconds spent in Sleep since Install
}  // namespace VirtualClock

// The system row of this platform.
extern const ClockOps SystemClockRow;
