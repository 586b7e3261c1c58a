#include <gtest/gtest.h>

#include "clock/clock.h"

TEST(VirtualClock, SleepAdvancesTimeAtOnceAndIsCounted) {
  VirtualClock::Install(0xFFFFFF00u);
  ClockSleep(500);
  ClockSleep(500);
  EXPECT_EQ(ClockTickCount(), 0xFFFFFF00u + 1000u);  // wraps like GetTickCount
  EXPECT_EQ(VirtualClock::Elapsed(), 1000u);
  EXPECT_EQ(VirtualClock::SleepCount(), 2u);
  EXPECT_EQ(VirtualClock::SleptTotal(), 1000u);
  VirtualClock::Advance(61500);
  EXPECT_EQ(VirtualClock::SleptTotal(), 1000u);
  CalendarTime t = ClockNow();
  EXPECT_EQ(t.Hour, 12);
  EXPECT_EQ(t.Minute, 1);
  EXPECT_EQ(t.Second, 2);
  EXPECT_EQ(t.Milliseconds, 500);
  InstallClock(nullptr);
}
