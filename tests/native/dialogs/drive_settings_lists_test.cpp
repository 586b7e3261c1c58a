// The hand-editing rules of the drive settings dialog's speed lists.
#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

#include "dialogs/drive_settings.h"

namespace {

// A shown list of these speeds, each its own command.
SpeedRange List(std::initializer_list<uint32_t> speeds) {
  SpeedRange list{};
  for (uint32_t speed : speeds) list.Entries[list.Count++] = {speed, speed};
  return list;
}

TEST(SpeedListAddition, OneEntryPer176StepHighestFirstAtMost128) {
  // CD list 48x 40x 8x (8x stored as the drive reported it: 1411).
  const SpeedRange cd = List({8467, 7056, 1411});
  SpeedListAddition plan = PlanSpeedListAddition(cd, "1408", "1408");
  EXPECT_EQ(plan.Refusal, AdditionRefusal::None);
  EXPECT_EQ(plan.Replaced, 2) << "1408 / 176 = 1411 / 176 = 8";
  EXPECT_EQ(plan.Position, 2u);

  // DVD list: the step is still 176 kB/s, not the DVD unit.
  const SpeedRange dvd = List({5540, 2800, 1385});
  plan = PlanSpeedListAddition(dvd, "2770", "2770");
  EXPECT_EQ(plan.Replaced, 1) << "2770 / 176 = 2800 / 176 = 15";
  plan = PlanSpeedListAddition(dvd, "2900", "2900");
  EXPECT_EQ(plan.Replaced, -1);
  EXPECT_EQ(plan.Position, 1u) << "2900 goes above 2800, which stays";

  // Slowest and fastest ends, the largest value a list holds, and an empty list.
  EXPECT_EQ(PlanSpeedListAddition(cd, "176", "176").Position, 3u);
  plan = PlanSpeedListAddition(cd, "65535", "65535");
  EXPECT_EQ(plan.Position, 0u);
  EXPECT_EQ(plan.Entry.Speed, 65535u);
  EXPECT_EQ(PlanSpeedListAddition(List({}), "176", "176").Position, 0u);

  // An empty field and a full list add nothing and say nothing; a value that
  // is no speed a list can hold (a typed 999x is 175824 kB/s) is refused
  // with a word, never cut to fit.
  SpeedRange full{};
  for (uint32_t i = 0; i < MaxSpeedEntries; ++i) full.Entries[i] = {65000 - 176 * i, 65000 - 176 * i};
  full.Count = MaxSpeedEntries;
  struct Case {
    const SpeedRange& list;
    const char *speed, *command;
    AdditionRefusal refusal;
  } cases[] = {
      {cd, "", "1408", AdditionRefusal::Quietly},       {cd, "1408", " ", AdditionRefusal::Quietly},
      {full, "1408", "1408", AdditionRefusal::Quietly}, {cd, "0", "1408", AdditionRefusal::BadValue},
      {cd, "1408", "0", AdditionRefusal::BadValue},     {cd, "1a2b", "1408", AdditionRefusal::BadValue},
      {cd, "175824", "1408", AdditionRefusal::BadValue}, {cd, "1408", "65536", AdditionRefusal::BadValue},
      {cd, "4294967295", "1408", AdditionRefusal::BadValue},
  };
  for (const Case& c : cases)
    EXPECT_EQ(PlanSpeedListAddition(c.list, c.speed, c.command).Refusal, c.refusal) << c.speed << " " << c.command;
}

TEST(SpeedListUnits, EditsAndColumnsConvertWithoutWrapping) {
  // Typing in one row of edits writes the other.
  const SpeedEditEcho typed[] = {EchoSpeedEdit(DriveId::SpeedTimesEdit, 8, SpeedUnitCD),
                                 EchoSpeedEdit(DriveId::CommandKbEdit, 1400, SpeedUnitCD),
                                 EchoSpeedEdit(DriveId::CommandTimesEdit, 4, SpeedUnitDVD),
                                 EchoSpeedEdit(DriveId::SpeedKbEdit, 5540, SpeedUnitDVD)};
  const SpeedEditEcho written[] = {{DriveId::SpeedKbEdit, 1408}, {DriveId::CommandTimesEdit, 8},
                                   {DriveId::CommandKbEdit, 5540}, {DriveId::SpeedTimesEdit, 4}};
  for (int i = 0; i < 4; ++i)
    EXPECT_TRUE(typed[i].Partner == written[i].Partner && typed[i].Value == written[i].Value) << i;
  EXPECT_EQ(EchoSpeedEdit(DriveId::CdList, 8, SpeedUnitCD).Partner, 0);
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

  // A measurement's time left: one second per 176 of progress.
  const int total = 33264;  // 30 warm-up and 160 measured seconds, 176 each, and the first step
  for (auto [done, shown] : {std::pair<int, const char*>{176, "3:08"}, {33264 - 176 * 61, "1:01"}, {33264, "0:00"}}) {
    char text[8];
    MeasurementTimeLeft(total, done, text);
    EXPECT_STREQ(text, shown) << done;
  }

  // Bad texts read 0 (then "Добавить" does nothing), huge ones saturate.
  EXPECT_EQ(ParseEditNumber("1408"), 1408u);
  EXPECT_EQ(ParseEditNumber(" 12 "), 12u);
  for (const char* bad : {"", " ", "-5", "abc", "12x", "1 2", "+3"}) EXPECT_EQ(ParseEditNumber(bad), 0u) << bad;
  EXPECT_EQ(ParseEditNumber("99999999999999999999"), 4294967295u);
}

}  // namespace
