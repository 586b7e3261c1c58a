#include "hotkeys/hotkeys.h"

#include <iterator>

#include "commands/command_ids.h"

namespace {

// The drive action of each slot, in the order the words are stored.
constexpr DriveAction SlotActions[] = {
    DA_EJECT, DA_CLOSE, DA_MAX_SPEED, DA_FASTER, DA_SELECTED_SPEED, DA_SLOWER, DA_MIN_SPEED,
};
static_assert(std::size(SlotActions) == HotKeyCount);

}  // namespace

HotkeyKeys DecodeHotkeyWord(uint32_t word) {
  HotkeyKeys keys{0, word & HotkeyWordKeyMask};
  if (word & HotkeyWordAlt) keys.Modifiers |= HotkeyModAlt;
  if (word & HotkeyWordCtrl) keys.Modifiers |= HotkeyModCtrl;
  if (word & HotkeyWordShift) keys.Modifiers |= HotkeyModShift;
  if (word & HotkeyWordWin) keys.Modifiers |= HotkeyModWin;
  return keys;
}

std::vector<HotkeyRegistration> PlanHotkeys(const DriveRecord* drives, int count) {
  std::vector<HotkeyRegistration> plan;
  if (count > MaxDrives) count = MaxDrives;
  for (int i = 0; i < count; ++i) {
    if (drives[i].Ignore) continue;
    for (int slot = 0; slot < HotKeyCount; ++slot) {
      HotkeyKeys keys = DecodeHotkeyWord(drives[i].HotKeys[slot]);
      if (keys.VirtualKey == 0) continue;
      plan.push_back({HotkeyId(unsigned(slot), unsigned(i)), keys});
    }
  }
  return plan;
}

unsigned HotkeyToCommand(uintptr_t id) {
  unsigned slot = unsigned(id >> 8 & 0xFF);
  if (slot >= std::size(SlotActions)) return 0;
  return DriveCommand(unsigned(id & 0xF), SlotActions[slot]);
}
