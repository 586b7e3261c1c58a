// The host stands in for Windows with the standard library's clocks.
#include <chrono>
#include <ctime>
#include <thread>

#include "clock/clock.h"

const ClockOps SystemClockRow = {
    [] {
      auto now = std::chrono::steady_clock::now().time_since_epoch();
      return uint32_t(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    },
    [](uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); },
    [] {
      auto now = std::chrono::system_clock::now();
      std::time_t secs = std::chrono::system_clock::to_time_t(now);
      std::tm local{};
      localtime_r(&secs, &local);
      auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
      return CalendarTime{uint16_t(local.tm_year + 1900), uint16_t(local.tm_mon + 1), uint16_t(local.tm_wday),
                          uint16_t(local.tm_mday),        uint16_t(local.tm_hour),    uint16_t(local.tm_min),
                          uint16_t(local.tm_sec),         uint16_t(ms)};
    },
};
