// The program's small dialogs: the message box, the about box and the
// information window, all built with the dialog engine.
#pragma once
#include <cstdint>

#include "dlgengine/dlgengine.h"
#include "resources/string_ids.h"

struct DriveRecord;

// The program's only message box: string `textId` beside the program icon.
// flags & 0xF == 1 gives OK and Cancel, anything else OK only; the same four
// bits go to MessageBeep. 0x2000 gives the window a taskbar button (for
// messages without an owner). Returns 1 for OK, 2 for Cancel (also Esc and
// the close box when Cancel is shown), 0 when an OK-only box is closed
// otherwise, 2 when memory runs out.
int ShowMessage(DialogWindow owner, StringId textId, uint32_t flags);
constexpr uint32_t MessageOkCancel = 0x1;
constexpr uint32_t MessageTaskbar = 0x2000;

intptr_t ShowAboutDialog(DialogWindow owner);

// The resizable information window: transport state and every drive.
intptr_t ShowInfoDialog(DialogWindow owner, const DriveRecord* drives, int count);

// What the information text says about the transports.
struct TransportFacts {
  int sptiStatus;
  int aspiStatus;
  int transportId;
  // A value of the ASPI library's version resource, or null.
  const char* (*aspiVersion)(const char* key);
};

// The information text, lines ending in CR LF, as a new block from malloc
// (the caller frees it); null when memory runs out. It grows as needed.
[[nodiscard]] char16_t* BuildInfoText(const TransportFacts& facts, const DriveRecord* drives, int count);
