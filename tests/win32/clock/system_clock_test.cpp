#include <gtest/gtest.h>

#include "clock/clock.h"

TEST(SystemClock, SleepWaitsAndCalendarTimeIsPlausible) {
  uint32_t before = ClockTickCount();
  ClockSleep(100);
  // The tick count may be as coarse as 16 ms.
  EXPECT_GE(ClockTickCount() - before, 60u);
  CalendarTime now = ClockNow();
  EXPECT_GE(now.Year, 2000);
  EXPECT_GE(now.Month, 1);
  EXPECT_LE(now.Month, 12);
}
