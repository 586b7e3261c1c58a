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

// Characters of the tooltip, terminator included: the shells of Windows 9x
// and NT 4 take 64, those of version 5 and later (Windows 2000, ME) 128.
constexpr int TrayTipLength = 64;
constexpr int TrayTipLongLength = 128;

struct TrayView {
  char16_t Tip[TrayTipLongLength];
  int DiscCount;      // managed drives with a readable disc
  int OpenTrayCount;  // managed drives with an open tray
};

// The tooltip and the counts. "Varnel 3.2" without drives; otherwise, for
// each managed drive while the budget of tipLength - 1 characters lasts,
// "NAME 8x(DATA) " ("NAME 48x " without a disc), NAME being its ShownName.
[[nodiscard]] TrayView BuildTrayView(const DriveRecord* drives, int count, int tipLength = TrayTipLength);

// Drive access works only when neither status says "not run" or "damaged"
// and at least one transport reports itself working.
[[nodiscard]] bool TransportError(AspiAvailability aspiStatus, SptiAvailability sptiStatus,
                                  TransportKind installed = TransportSpti);

// The picture the tray shows for the drives in memory, the shell's state
// and the settings: the first rule that applies of busy, transport error, no
// drives, blink before an automatic close, an open tray (with IconOpen), a
// disc (with IconDisk), else normal.
[[nodiscard]] TrayPicture ShownTrayPicture(const DriveRecord* drives, int count);
// The tooltip length the shell of that major version takes.
[[nodiscard]] int TrayTipLengthFor(unsigned shellVersion);
