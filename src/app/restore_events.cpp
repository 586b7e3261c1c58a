#include "app/restore_events.h"

#include "drive/drive.h"
#include "mmc/commands.h"

void RestoreForEvent(uint32_t events, uint32_t unitMask) {
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    if (drive.Ignore) continue;
    DriveSession session(drive.Address);  // the lock, the refresh and the restore on one handle
    // A lock does not survive every event (a bus reset after wake clears it).
    if (drive.Lock) PreventAllowRemoval(drive.Address, true);
    int32_t letter = drive.Address.Letter;
    uint32_t letterBit = letter >= 'A' && letter <= 'Z' ? 1u << (letter - 'A') : 0;
    RefreshStatus(drive);
    bool wanted = (uint32_t(drive.EventMask) & events) != 0;
    bool inMask = unitMask == 0 || letterBit == 0 || (unitMask & letterBit) != 0;
    if (wanted && inMask) RestoreSpeed(drive);
  }
}
