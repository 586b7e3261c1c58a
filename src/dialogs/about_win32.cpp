// The about box: version, author and two links that open in the shell.
#include <windows.h>
#include <shellapi.h>

#include "compat/compat.h"
#include "dialogs/descriptions.h"
#include "dialogs/dialogs.h"
#include "resources/product.h"

namespace AboutHandlers {

intptr_t VersionLabel(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_INITDIALOG) WideSetDlgItemText(dialog, id, ProductVersion);
  return FALSE;
}

// A label whose text is an address: blue, and opened when clicked.
intptr_t LinkLabel(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == WM_COMMAND && HIWORD(wParam) == STN_CLICKED) {
    char address[256];
    if (GetDlgItemTextA(dialog, id, address, sizeof address) > 0)
      ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
    return TRUE;
  }
  if (message == WM_CTLCOLORSTATIC) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    return reinterpret_cast<intptr_t>(GetSysColorBrush(COLOR_BTNFACE));
  }
  return FALSE;
}

}  // namespace AboutHandlers

intptr_t ShowAboutDialog(DialogWindow owner) {
  return RunModalDialog(owner, ProductTitle, StrAbout, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                        AboutDescription, AboutEntries, nullptr);
}
