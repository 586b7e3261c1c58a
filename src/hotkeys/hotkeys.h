// System-wide hotkeys: each drive may store up to seven key combinations
// (eject, close, maximum, faster, selected, slower, minimum speed) in its
// HotKeys words. This half decides, portably, what is registered with which
// identifier and which drive command a pressed hotkey posts; the Windows half
// (hotkeys_win32.h) only makes the registration calls.
#pragma once
#include <cstdint>
#include <vector>

#include "drive/drive.h"

// A stored hotkey word: the hotkey control's value (virtual key in bits 0-7,
// its modifier byte in bits 8-15) with the program's own Windows-key bit.
// 0 means no hotkey; the other bits (the control's extended-key flag) are
// ignored.
enum HotkeyWordBit : uint32_t {
  HotkeyWordShift = 0x0100,
  HotkeyWordCtrl = 0x0200,
  HotkeyWordAlt = 0x0400,
  HotkeyWordWin = 0x1000,
};
constexpr uint32_t HotkeyWordKeyMask = 0xFF;

// The modifier flags RegisterHotKey takes (MOD_ALT, MOD_CONTROL, MOD_SHIFT,
// MOD_WIN): not the control's order, hence the decoding.
enum HotkeyModifier : unsigned {
  HotkeyModAlt = 0x1,
  HotkeyModCtrl = 0x2,
  HotkeyModShift = 0x4,
  HotkeyModWin = 0x8,
};

// One combination as the system wants it. A word without a virtual key (only
// modifier bits, or the Windows-key box ticked over an empty field) decodes
// to VirtualKey 0 and is not registered: it would take the modifiers alone.
struct HotkeyKeys {
  unsigned Modifiers;   // HotkeyModifier bits
  unsigned VirtualKey;  // 0: no hotkey
};
[[nodiscard]] HotkeyKeys DecodeHotkeyWord(uint32_t word);

// The identifier registered for a drive's slot: slot in the high byte, drive
// index in the low byte.
[[nodiscard]] constexpr unsigned HotkeyId(unsigned slot, unsigned driveIndex) {
  return (slot & 0xFF) << 8 | (driveIndex & 0xFF);
}
// Every identifier the program may have registered, whatever the drive list
// holds now: a list that shrank (or was cleared) must not leave the hotkeys
// of its former drives behind.
constexpr unsigned HotkeyIdCount = unsigned(MaxDrives) * HotKeyCount;
[[nodiscard]] constexpr unsigned HotkeyIdAt(unsigned n) { return HotkeyId(n / unsigned(MaxDrives), n % unsigned(MaxDrives)); }

struct HotkeyRegistration {
  unsigned Id;
  HotkeyKeys Keys;
};
// The hotkeys the first count drives ask for, drive by drive, slot by slot.
// Ignored drives ask for none.
[[nodiscard]] std::vector<HotkeyRegistration> PlanHotkeys(const DriveRecord* drives, int count);

// The drive command a WM_HOTKEY with this identifier posts, or 0 when the
// identifier is none of the program's (the system's own are negative, so
// their slot byte is out of range).
[[nodiscard]] unsigned HotkeyToCommand(uintptr_t id);
