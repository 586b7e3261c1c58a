// The drive array: discovery, naming and the per-model instance numbers.
#include <cctype>
#include <cstring>

#include "drive/drive.h"

DriveRecord Drives[MaxDrives];
int DriveCount = 0;
void (*BusyCallback)(int busy) = nullptr;

DriveRecord* DriveAt(int index) { return index >= 0 && index < DriveCount ? &Drives[index] : nullptr; }

const char16_t* DisplayName(const DriveRecord& drive) {
  return drive.ShortName[0] ? drive.ShortName : drive.AutoShortName;
}

void ClearDrives() {
  DriveCount = 0;
  std::memset(static_cast<void*>(Drives), 0, sizeof Drives);
}
