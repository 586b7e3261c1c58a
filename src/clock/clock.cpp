#include "clock/clock.h"

namespace {
const ClockOps* g_row = nullptr;

struct VirtualState {
  uint32_t start = 0, tick = 0, sleeps = 0, slept = 0;
  CalendarTime startTime{};
} g_virtual;

// Calendar arithmetic for the virtual row: only seconds and below move, which
// is all the program's timed decisions look at within one test.
CalendarTime VirtualNow() {
  CalendarTime t = g_virtual.startTime;
  uint64_t ms = uint64_t(t.Milliseconds) + uint64_t(t.Second) * 1000 + uint64_t(t.Minute) * 60000 +
                uint64_t(t.Hour) * 3600000 + (g_virtual.tick - g_virtual.start);
  t.Milliseconds = uint16_t(ms % 1000);
  t.Second = uint16_t(ms / 1000 % 60);
  t.Minute = uint16_t(ms / 60000 % 60);
  t.Hour = uint16_t(ms / 3600000 % 24);
  return t;
}

const ClockOps VirtualRow = {
    [] { return g_virtual.tick; },
    [](uint32_t ms) {
      g_virtual.tick += ms;
      g_virtual.sleeps++;
      g_virtual.slept += ms;
    },
    VirtualNow,
};
}  // namespace

const ClockOps& Clock() { return g_row ? *g_row : SystemClockRow; }
void InstallClock(const ClockOps* row) { g_row = row; }

namespace VirtualClock {
void Install(uint32_t startTick, CalendarTime start) {
  g_virtual = {startTick, startTick, 0, 0, start};
  InstallClock(&VirtualRow);
}
void Advance(uint32_t milliseconds) { g_virtual.tick += milliseconds; }
uint32_t Elapsed() { return g_virtual.tick - g_virtual.start; }
uint32_t SleepCount() { return g_virtual.sleeps; }
uint32_t SleptTotal() { return g_virtual.slept; }
}  // namespace VirtualClock
