// What the tray icon shows: the tooltip listing every managed drive with its
// speed and disc state, and which of the six pictures applies. Computed from
// the records in memory only, since it runs after every command.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

struct DriveRecord;

enum TrayPicture : int {
  TrayNormal = 0,
  TrayOpen = 1,      // red: a tray is open
  TrayDisc = 2,      // green: a disc is inserted
  TrayNoDrives = 3,  // question mark
  TrayBusy = 4,      // hourglass
  TrayError = 5,     // error, and the blink before an automatic close
};

constexpr int TrayTipLength = 64;  // characters, terminator included

struct TrayView {
  char16_t Tip[TrayTipLength];
  int DiscCount;      // managed drives with a readable disc
  int OpenTrayCount;  // managed drives with an open tray
};

// The tooltip and the counts. "Varnel 3.2" without drives; otherwise, for
// each managed drive while the 63-character budget lasts, "NAME 8x(DATA) ".
[[nodiscard]] TrayView BuildTrayView(const DriveRecord* drives, int count);

// Drive access works only when neither status says "not run" or "damaged"
// and at least one transport reports itself working.
[[nodiscard]] bool TransportError(AspiAvailability aspiStatus, SptiAvailability sptiStatus);

struct TrayInputs {
  int BusyCount, DriveCount, Blink;
  bool TransportFailed;
  int OpenTrays, Discs;
  int IconOpen, IconDisk;  // settings
};
// The first rule that applies: busy, transport error, no drives, blink, an
// open tray (with IconOpen), a disc (with IconDisk), else normal.
[[nodiscard]] TrayPicture ChooseTrayPicture(const TrayInputs& in);
