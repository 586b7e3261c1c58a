// The program's message box: one string-table text beside the program icon,
// OK or OK and Cancel.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "dialogs/dialogs.h"
#include "resources/product.h"

namespace {

intptr_t EndWithId(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  EndDialog(dialog, id);
  return TRUE;
}

constexpr uint16_t MessageTextId = 104;

// Cancel comes last, so that leaving out the last entry gives OK only.
const ControlDesc MessageBoxDescription[] = {
    {&Kind::HGroup, 101, nullptr, NoString, 0, nullptr},
    {&Kind::Icon, 102, u"IconApp", NoString, 101, nullptr},
    {&Kind::Spacer, 103, nullptr, NoString, 101, nullptr},
    {&Kind::Label, MessageTextId, nullptr, NoString, 101, nullptr},
    {&Kind::HGroup, 105, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, StrOk, 105, EndWithId},
    {&Kind::Button, IDCANCEL, nullptr, StrCancel, 105, EndWithId},
};
constexpr uint32_t MessageBoxEntries = sizeof MessageBoxDescription / sizeof MessageBoxDescription[0];

}  // namespace

int ShowMessage(DialogWindow owner, StringId textId, uint32_t flags) {
  // A copy per call: the text differs from one message to the next, and a
  // message may open while another is shown.
  ControlDesc* copy = static_cast<ControlDesc*>(std::malloc(sizeof MessageBoxDescription));
  if (copy == nullptr) return IDCANCEL;
  std::memcpy(copy, MessageBoxDescription, sizeof MessageBoxDescription);
  for (uint32_t i = 0; i < MessageBoxEntries; ++i)
    if (copy[i].id == MessageTextId) copy[i].textId = textId;

  const uint32_t buttons = flags & 0x0F;
  MessageBeep(buttons);
  const uint32_t count = buttons == MessageOkCancel ? MessageBoxEntries : MessageBoxEntries - 1;
  const uint32_t exStyle = (flags & MessageTaskbar) != 0 ? WS_EX_APPWINDOW : 0;
  intptr_t result = RunModalDialog(owner, ProductTitle, NoString, WS_CAPTION | WS_SYSMENU, exStyle, copy, count, nullptr);
  std::free(copy);
  return static_cast<int>(result);
}
