// When the selected speeds are set again: on events, for the drives whose
// event mask asks for them.
#pragma once
#include <cstdint>

#include "drive/drive.h"  // RestoreEvent

// Re-locks locked drives, refreshes every managed drive and restores the speed
// of those whose EventMask shares a bit with events, limited to the volumes in
// unitMask (bit 0 = A; 0 = all; a drive without a letter always qualifies).
void RestoreForEvent(uint32_t events, uint32_t unitMask);
