// When the selected speeds are set again: on events, for the drives whose
// event mask asks for them.
#pragma once
#include <cstdint>

enum RestoreEvent : uint32_t {
  EventStart = 0x01,        // program start and every rediscovery
  EventDiscChange = 0x02,   // a disc arrived
  EventWake = 0x08,         // resume from suspend
  EventTrayClosed = 0x10,   // the program closed the tray
};

// Re-locks locked drives, refreshes every managed drive and restores the speed
// of those whose EventMask shares a bit with events, limited to the volumes in
// unitMask (bit 0 = A; 0 = all; a drive without a letter always qualifies).
void RestoreForEvent(uint32_t events, uint32_t unitMask);
