// The program's message box: one string-table text beside the program icon,
// OK or OK and Cancel.
#include <windows.h>

#include <cstring>

#include "dialogs/descriptions.h"
#include "dialogs/dialogs.h"
#include "resources/product.h"

namespace MessageBoxHandlers {

intptr_t EndWithId(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  EndDialog(dialog, id);
  return TRUE;
}

}  // namespace MessageBoxHandlers

int ShowMessage(DialogWindow owner, StringId textId, uint32_t flags) {
  // A copy per call: the text differs from one message to the next, and a
  // message may open while another is shown.
  ControlDesc copy[MessageBoxEntries];
  std::memcpy(copy, MessageBoxDescription, sizeof copy);
  for (uint32_t i = 0; i < MessageBoxEntries; ++i)
    if (copy[i].id == MessageTextId) copy[i].textId = textId;

  const uint32_t buttons = flags & 0x0F;
  MessageBeep(buttons);
  const uint32_t count = buttons == MessageOkCancel ? MessageBoxEntries : MessageBoxEntries - 1;
  const uint32_t exStyle = (flags & MessageTaskbar) != 0 ? WS_EX_APPWINDOW : 0;
  return static_cast<int>(
      RunModalDialog(owner, ProductTitle, NoString, WS_CAPTION | WS_SYSMENU, exStyle, copy, count, nullptr));
}
