// Drive records made by hand, for the tests of what the program shows of its
// drives where no drive needs to answer (menus, their pictures).
#pragma once
#include <cstdio>
#include <initializer_list>

#include "drive/drive.h"

// A drive with a disc in and its tray closed, whose active list (CD or DVD)
// holds the given speeds, in units of that list, fastest first.
inline DriveRecord Drive(const char* fullName, const char16_t* shortName, char letter,
                         std::initializer_list<unsigned> speeds, RangeKind kind = RangeKindCD) {
  DriveRecord d{};
  std::snprintf(d.FullName, sizeof d.FullName, "%s", fullName);
  for (int i = 0; shortName[i] != 0 && i < ShortNameLength; ++i) d.ShortName[i] = shortName[i];
  d.Address.Letter = letter;
  d.ActiveRange = kind;
  d.Ready = 1;
  d.TrayClosed = 1;
  const uint32_t unit = kind == RangeKindDVD ? SpeedUnitDVD : SpeedUnitCD;
  for (unsigned x : speeds) {
    SpeedEntry& e = d.Active().Entries[d.Active().Count++];
    e.Speed = e.Command = x * unit;
  }
  return d;
}
