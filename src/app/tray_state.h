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
  TrayPictureCount
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
[[nodiscard]] bool TransportError(AspiAvailability aspiStatus, SptiAvailability sptiStatus,
                                  TransportKind installed = TransportSpti);

// The picture the tray shows for the drives in memory, the shell's state
// and the settings: the first rule that applies of busy, transport error, no
// drives, blink before an automatic close, an open tray (with IconOpen), a
// disc (with IconDisk), else normal.
[[nodiscard]] TrayPicture ShownTrayPicture(const DriveRecord* drives, int count);
