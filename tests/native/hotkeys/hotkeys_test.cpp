#include <gtest/gtest.h>

#include <set>

#include "commands/command_ids.h"
#include "hotkeys/hotkeys.h"

namespace {

DriveRecord DriveWith(uint32_t slot, uint32_t word) {
  DriveRecord drive{};
  drive.HotKeys[slot] = word;
  return drive;
}

// Ctrl+Alt+E for drive 1's eject, pressed for real, is journey 4 of tests/e2e/journeys_test.sh.

TEST(Hotkeys, WordsDecodeToTheSystemsModifiersWithTheProgramsWindowsKeyBit) {
  // The control's Shift (0x01) and Alt (0x04) sit the other way round in
  // the system's flags; the control's extended-key flag and the bits above
  // the Windows-key bit change nothing.
  EXPECT_EQ(DecodeHotkeyWord(0x0170).Modifiers, unsigned(HotkeyModShift));
  EXPECT_EQ(DecodeHotkeyWord(0x0470).Modifiers, unsigned(HotkeyModAlt));
  EXPECT_EQ(DecodeHotkeyWord(0x1041).Modifiers, unsigned(HotkeyModWin));
  HotkeyKeys all = DecodeHotkeyWord(0xFFFF1F21);
  EXPECT_EQ(all.Modifiers, unsigned(HotkeyModShift | HotkeyModCtrl | HotkeyModAlt | HotkeyModWin));
  EXPECT_EQ(all.VirtualKey, 0x21u);
  EXPECT_EQ(DecodeHotkeyWord(0x0800 | 0x2D).Modifiers, 0u);
}

TEST(Hotkeys, EachSlotPostsItsDriveActionAndForeignIdentifiersNothing) {
  const DriveAction slots[HotKeyCount] = {DA_EJECT,          DA_CLOSE,  DA_MAX_SPEED, DA_FASTER,
                                          DA_SELECTED_SPEED, DA_SLOWER, DA_MIN_SPEED};
  for (unsigned slot = 0; slot < HotKeyCount; ++slot)
    EXPECT_EQ(HotkeyToCommand(HotkeyId(slot, 15)), DriveCommand(15, slots[slot])) << slot;
  EXPECT_EQ(HotkeyToCommand(HotkeyId(0, 1)), 0x8011u);
  EXPECT_EQ(HotkeyToCommand(HotkeyId(2, 3)), 0x8033u);
  // Identifiers that are not the program's post nothing.
  EXPECT_EQ(HotkeyToCommand(HotkeyId(7, 0)), 0u);
  EXPECT_EQ(HotkeyToCommand(0xFF01), 0u);
  // The system's own hotkeys (print screen) carry negative identifiers.
  EXPECT_EQ(HotkeyToCommand(uintptr_t(-1)), 0u);
  EXPECT_EQ(HotkeyToCommand(uintptr_t(-2)), 0u);
}

TEST(Hotkeys, IgnoredDrivesAndWordsWithoutAKeyRegisterNothing) {
  DriveRecord drives[3] = {DriveWith(0, 0x0645), DriveWith(6, 0x0621), DriveWith(1, 0x0643)};
  drives[0].Ignore = 1;
  drives[1].HotKeys[2] = 0x0600;  // modifiers only
  drives[1].HotKeys[3] = 0x1000;  // the Windows-key box over an empty field
  auto plan = PlanHotkeys(drives, 3);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].Id, HotkeyId(6, 1));
  EXPECT_EQ(plan[1].Id, HotkeyId(1, 2));
  EXPECT_TRUE(PlanHotkeys(drives, 0).empty());
}

TEST(Hotkeys, UnregisteringCoversEveryIdentifierAFullDriveListCanRegister) {
  // After a list shrinks or is cleared, the former drives' hotkeys must go too,
  // so the set to unregister does not depend on the current count.
  DriveRecord drives[MaxDrives]{};
  for (DriveRecord& drive : drives)
    for (uint32_t& word : drive.HotKeys) word = 0x0641;
  auto plan = PlanHotkeys(drives, MaxDrives);
  ASSERT_EQ(plan.size(), HotkeyIdCount);
  std::set<unsigned> unregistered;
  for (unsigned n = 0; n < HotkeyIdCount; ++n) unregistered.insert(HotkeyIdAt(n));
  EXPECT_EQ(unregistered.size(), HotkeyIdCount);
  for (const HotkeyRegistration& hotkey : plan) EXPECT_TRUE(unregistered.count(hotkey.Id)) << hotkey.Id;
}

}  // namespace
