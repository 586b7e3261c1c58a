#include <gtest/gtest.h>

#include <vector>

#include "drive/drive.h"

static bool operator==(const SpeedEntry& a, const SpeedEntry& b) { return a.Speed == b.Speed && a.Command == b.Command; }

namespace {

std::vector<SpeedEntry> EntriesOf(const SpeedRange& range) {
  return std::vector<SpeedEntry>(range.Entries, range.Entries + range.Count);
}

struct Notices {
  std::vector<SpeedEntry> seen;
  static int Record(int phase, int total, int done, int speed, int command, void* context) {
    EXPECT_EQ(phase | total | done, 0);
    static_cast<Notices*>(context)->seen.push_back({uint32_t(speed), uint32_t(command)});
    return 0;  // ignored for notices
  }
};

TEST(AddEntry, KeepsFastestFirstWithoutDuplicatesAndNotifiesEveryPair) {
  SpeedRange range{};
  Notices notices;
  for (auto [speed, command] : {std::pair{1408u, 1408u}, {7040u, 7000u}, {176u, 176u}, {1408u, 1500u},
                                {4224u, 4224u}, {0u, 100u}})
    AddEntry(range, speed, command, Notices::Record, &notices);
  std::vector<SpeedEntry> expected{{7040, 7000}, {4224, 4224}, {1408, 1408}, {176, 176}};
  EXPECT_EQ(EntriesOf(range), expected);
  EXPECT_EQ(notices.seen.size(), 6u);  // the duplicate and the 0 were announced too
}

TEST(AddEntry, DropsEntriesPastTheCapAndComparesUnsigned) {
  SpeedRange range{};
  for (uint32_t s = 1; s <= 200; ++s) AddEntry(range, s * 100, s, nullptr, nullptr);
  ASSERT_EQ(range.Count, 128u);
  EXPECT_EQ(range.Entries[0].Speed, 12800u);
  EXPECT_EQ(range.Entries[127].Speed, 100u);

  SpeedRange wide{};
  AddEntry(wide, 0x7FFFFFFFu, 1, nullptr, nullptr);
  AddEntry(wide, 0x80000001u, 2, nullptr, nullptr);  // negative if compared signed
  AddEntry(wide, 5, 3, nullptr, nullptr);
  EXPECT_EQ(wide.Entries[0].Speed, 0x80000001u);
  EXPECT_EQ(wide.Entries[2].Speed, 5u);

  SpeedRange corrupt{};
  corrupt.Count = 5000;  // a count no list can hold
  AddEntry(corrupt, 176, 176, nullptr, nullptr);
  EXPECT_EQ(corrupt.Count, 5000u);
  EXPECT_EQ(FindEntryNear(corrupt, 0, 0), 127);  // looks only inside the array
  EXPECT_EQ(CommandForSpeed(corrupt, 9), 9u);
  SpeedRange shortened{};
  shortened.Entries[0] = {2822, 77};  // left behind past the count
  EXPECT_EQ(CommandForSpeed(shortened, 2822), 2822u);
}

TEST(FindEntryNear, FirstMatchFromTheSlowestWithinTolerance) {
  SpeedRange range{};
  for (uint32_t s : {7040u, 6800u, 3520u, 1408u}) AddEntry(range, s, s, nullptr, nullptr);
  struct Case {
    uint32_t speed, tolerance;
    int index;
  } cases[] = {
      {6900, 352, 1},  // both 7040 and 6800 are near: the slower wins
      {7392, 352, 0},  // exactly the tolerance above 7040
      {7393, 352, -1}, {1056, 352, 3}, {1055, 352, -1}, {0, 1408, 3}, {3520, 0, 2},
  };
  for (const Case& c : cases) EXPECT_EQ(FindEntryNear(range, c.speed, c.tolerance), c.index) << c.speed;
}

TEST(MediumClasses, DvdProfilesIncludeDoubleLayerDiscs) {
  std::vector<int> dvdProfiles;
  for (int v = -1; v < 0x100; ++v)
    if (IsDvdProfile(v)) dvdProfiles.push_back(v);
  EXPECT_EQ(dvdProfiles, (std::vector<int>{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x1A, 0x1B, 0x2A, 0x2B}));
}

}  // namespace
