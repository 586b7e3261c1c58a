#include <windows.h>

#include "clock/clock.h"

const ClockOps SystemClockRow = {
    [] { return uint32_t(GetTickCount()); },
    [](uint32_t ms) { Sleep(ms); },
    [] {
      SYSTEMTIME st;
      GetLocalTime(&st);
      return CalendarTime{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    },
};
