// The hand-editing rules of the drive settings dialog's speed lists.
#include <gtest/gtest.h>

#include "dialogs/drive_settings.h"

namespace {

TEST(SpeedListAddition, OneEntryPer176StepHighestFirstAtMost128) {
  // CD list 48x 40x 8x (8x stored as the drive reported it: 1411).
  const uint32_t cd[] = {8467, 7056, 1411};
  SpeedListAddition plan = PlanSpeedListAddition(cd, 3, 1408, 1408);
  EXPECT_FALSE(plan.Refused);
  EXPECT_EQ(plan.Replaced, 2) << "1408 / 176 = 1411 / 176 = 8";
  EXPECT_EQ(plan.Position, 2u);

  // DVD list: the step is still 176 kB/s, not the DVD unit.
  const uint32_t dvd[] = {5540, 2800, 1385};
  plan = PlanSpeedListAddition(dvd, 3, 2770, 2770);
  EXPECT_EQ(plan.Replaced, 1) << "2770 / 176 = 2800 / 176 = 15";
  plan = PlanSpeedListAddition(dvd, 3, 2900, 2900);
  EXPECT_EQ(plan.Replaced, -1);
  EXPECT_EQ(plan.Position, 1u) << "2900 goes above 2800, which stays";

  // Slowest and fastest ends, and an empty list.
  EXPECT_EQ(PlanSpeedListAddition(cd, 3, 176, 176).Position, 3u);
  EXPECT_EQ(PlanSpeedListAddition(cd, 3, 10000, 10000).Position, 0u);
  EXPECT_EQ(PlanSpeedListAddition(cd, 0, 176, 176).Position, 0u);

  // A 0 in either field and a full list are refused; huge values are clamped.
  EXPECT_TRUE(PlanSpeedListAddition(cd, 3, 0, 1408).Refused);
  EXPECT_TRUE(PlanSpeedListAddition(cd, 3, 1408, 0).Refused);
  uint32_t full[MaxSpeedEntries];
  for (uint32_t i = 0; i < MaxSpeedEntries; ++i) full[i] = 65000 - 176 * i;
  EXPECT_TRUE(PlanSpeedListAddition(full, MaxSpeedEntries, 1408, 1408).Refused);
  EXPECT_TRUE(PlanSpeedListAddition(full, MaxSpeedEntries + 5, 1408, 1408).Refused);
  plan = PlanSpeedListAddition(cd, 3, 4000000000u, 70000);
  EXPECT_EQ(plan.Entry.Speed, 0xFFFFu);
  EXPECT_EQ(plan.Entry.Command, 0xFFFFu);
  EXPECT_EQ(plan.Position, 0u);
}

TEST(SpeedListUnits, EditsAndColumnsConvertWithoutWrapping) {
  EXPECT_EQ(KilobytesOfMultiple(8, SpeedUnitCD), 1408u) << "8 typed in the CD list's speed field";
  EXPECT_EQ(UnitMultiple(1411, SpeedUnitCD), 8u);
  EXPECT_EQ(ListColumnNumber(1400, SpeedUnitCD), 8u) << "1400 kB/s is 7.95x: rounded, not cut";
  EXPECT_EQ(UnitMultiple(5540, SpeedUnitDVD), 4u);
  EXPECT_EQ(UnitMultiple(4294967295u, SpeedUnitCD), 24403223u) << "no wrap of ten times the value";
  EXPECT_EQ(KilobytesOfMultiple(4000000000u, SpeedUnitDVD), 4294967295u) << "saturates";
  EXPECT_EQ(ListColumnNumber(0xFFFF, SpeedUnitCD), 372u) << "65535 kB/s is 372x";
  EXPECT_EQ(ListColumnNumber(176 * 1003, SpeedUnitCD), 3u) << "columns show the multiple modulo 1000";

  // The item parameter keeps the command high and the speed low.
  const SpeedEntry entry = UnpackSpeedEntry(PackSpeedEntry({1411, 1408}));
  EXPECT_EQ(entry.Speed, 1411u);
  EXPECT_EQ(entry.Command, 1408u);

  // Bad texts read 0 (then "Добавить" does nothing), huge ones saturate.
  EXPECT_EQ(ParseEditNumber("1408"), 1408u);
  EXPECT_EQ(ParseEditNumber(" 12 "), 12u);
  for (const char* bad : {"", " ", "-5", "abc", "12x", "1 2", "+3"}) EXPECT_EQ(ParseEditNumber(bad), 0u) << bad;
  EXPECT_EQ(ParseEditNumber("99999999999999999999"), 4294967295u);
}

}  // namespace
