// The countdown's ticks and the drive list of "Вставлен диск!".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialogs/countdown.h"

namespace {

std::vector<std::string> RunTicks(CountdownRequest request) {
  std::vector<std::string> seen{std::to_string(CountdownStart(request.Seconds))};
  unsigned shown = CountdownStart(request.Seconds);
  for (int guard = 0; guard < 100; ++guard) {
    CountdownTick tick = NextCountdownTick(shown, request);
    shown = tick.Shown;
    if (!tick.Counting) {
      seen.push_back(std::to_string(shown) + " press " + std::to_string(tick.Press));
      return seen;
    }
    seen.push_back(std::to_string(shown));
  }
  return seen;
}

int polls = 0;
int PollAfterTwo() { return ++polls >= 2; }
int NeverDone() { return ++polls, 0; }

TEST(Countdown, CountsDownToZeroAndPressesTheZeroButtonOnTheTickAfter) {
  EXPECT_EQ(RunTicks({3, CountdownCancelId, nullptr}),
            (std::vector<std::string>{"3", "2", "1", "0", "0 press 2"}));
  polls = 0;
  EXPECT_EQ(RunTicks({1, CountdownActionId, NeverDone}), (std::vector<std::string>{"1", "0", "0 press 1"}));
  EXPECT_EQ(polls, 1) << "the last tick does not ask the poll";
  // A poll that reports the reason gone ends the dialog as Cancel, even when
  // the zero button would have been the action.
  polls = 0;
  EXPECT_EQ(RunTicks({5, CountdownActionId, PollAfterTwo}), (std::vector<std::string>{"5", "4", "3 press 2"}));
  // A stored negative delay is no endless count.
  EXPECT_EQ(RunTicks({-1, CountdownActionId, nullptr}), (std::vector<std::string>{"0", "0 press 1"}));
}

// Labels of the volumes: D: DATA, F: a Russian label, H: one that fills the
// whole buffer without a terminator; E: cannot be read.
bool ReadLabel(const char16_t* root, char16_t* label, uint32_t size) {
  switch (root[0]) {
    case u'D': std::char_traits<char16_t>::copy(label, u"DATA", 5); return true;
    case u'F': std::char_traits<char16_t>::copy(label, u"Диск 1", 7); return true;
    case u'H': std::char_traits<char16_t>::assign(label, size, u'x'); return true;
    default: return false;
  }
}

TEST(Countdown, TheDriveListHasOneLineForEachReadableVolume) {
  std::u16string list(DriveListCapacity, u'?');
  const uint32_t mask = 1u << 3 | 1u << 4 | 1u << 5 | 0x80000000u;
  size_t length = BuildCountdownDriveList(mask, ReadLabel, list.data());
  EXPECT_EQ(list.substr(0, length + 1), std::u16string(u"D: \"DATA\"\nF: \"Диск 1\"\n") + u'\0');
  EXPECT_EQ(BuildCountdownDriveList(0x80000000u, ReadLabel, list.data()), 0u) << "bit 31 is no letter";
  EXPECT_EQ(list[0], u'\0');
  // Every letter with the longest label fits the capacity.
  length = BuildCountdownDriveList(0x03FFFFFFu, [](const char16_t*, char16_t* label, uint32_t size) {
    return ReadLabel(u"H", label, size);
  }, list.data());
  EXPECT_EQ(length, DriveListCapacity - 1);
  EXPECT_EQ(list.substr(0, 5), u"A: \"x");
}

}  // namespace
