// Speed list operations shared by discovery, stepping and restoring.
#include "common/format_text.h"
#include "drive/drive.h"

uint32_t UnitMultiple(uint32_t kilobytes, uint32_t unit) {
  if (unit == 0) return 0;
  // In 64 bits: ten times a large speed must not wrap.
  return static_cast<uint32_t>((uint64_t{kilobytes} * 10 / unit + 5) / 10);
}

std::string SpeedText(const char* prefix, uint32_t speed, bool dvdList) {
  const uint32_t unit = dvdList ? SpeedUnitDVD : SpeedUnitCD;
  char text[16];
  FormatText(text, sizeof text, "%s%d%c", prefix, int(UnitMultiple(speed, unit) % 1000), dvdList ? 'X' : 'x');
  return text;
}

void AddEntry(SpeedRange& range, uint32_t speed, uint32_t command, ProgressCallback progress, void* context) {
  // The notice goes out for every pair found, also for one rejected below.
  if (progress) progress(0, 0, 0, int(speed), int(command), context);
  // A list read from outside may carry any count; never write past the array.
  if (range.Count >= MaxSpeedEntries) return;
  // A speed of 0 is a drive that reported nothing: no speed to offer.
  if (speed == 0) return;
  // From the slowest towards the fastest: the new pair goes right after the
  // first faster entry, or first when none is faster.
  uint32_t place = 0;
  for (uint32_t i = range.Count; i-- > 0;) {
    if (range.Entries[i].Speed == speed) return;
    if (range.Entries[i].Speed > speed) {
      place = i + 1;
      break;
    }
  }
  for (uint32_t i = range.Count; i > place; --i) range.Entries[i] = range.Entries[i - 1];
  range.Entries[place] = {speed, command};
  range.Count++;
}

int FindEntryNear(const SpeedRange& range, uint32_t speed, uint32_t tolerance) {
  uint32_t count = EntryCount(range);
  for (uint32_t i = count; i-- > 0;) {
    int64_t difference = int64_t(range.Entries[i].Speed) - int64_t(speed);
    if (difference >= -int64_t(tolerance) && difference <= int64_t(tolerance)) return int(i);
  }
  return -1;
}

uint32_t CommandForSpeed(const SpeedRange& range, uint32_t speed) {
  for (uint32_t i = 0; i < EntryCount(range); ++i)
    if (range.Entries[i].Speed == speed) return range.Entries[i].Command;
  return speed;
}
