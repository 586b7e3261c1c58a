// The about box: version, author and two links that open in the shell.
#include <windows.h>
#include <shellapi.h>

#include "compat/compat.h"
#include "dialogs/dialogs.h"

namespace {

intptr_t VersionLabel(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_INITDIALOG) WideSetDlgItemText(dialog, id, u"3.2");
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

const ControlDesc AboutDescription[] = {
    {&Kind::HGroup, 101, nullptr, 0, 0, nullptr},
    {&Kind::Icon, 102, u"IconApp", 0, 101, nullptr},
    {&Kind::Spacer, 103, nullptr, 0, 101, nullptr},
    {&Kind::VBox, 104, nullptr, 0, 101, nullptr},
    {&Kind::HBox, 105, nullptr, 0, 104, nullptr},
    {&Kind::Label, 106, nullptr, 104, 105, nullptr},  // "Varnel версия "
    {&Kind::Label, 107, nullptr, 0, 105, VersionLabel},
    {&Kind::Label, 110, u" ", 0, 104, nullptr},
    {&Kind::Label, 112, nullptr, 106, 104, nullptr},  // author line
    {&Kind::Label, 111, u" ", 0, 104, nullptr},
    {&Kind::Label, 114, nullptr, 108, 104, LinkLabel},  // web address
    {&Kind::Label, 113, nullptr, 107, 104, LinkLabel},  // mail address
    {&Kind::HGroup, 115, nullptr, 0, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, 1, 115, nullptr},
};

constexpr uint32_t StrAbout = 7;

}  // namespace

intptr_t ShowAboutDialog(DialogWindow owner) {
  return RunModalDialog(owner, VarnelWideTitle, StrAbout, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                        AboutDescription, sizeof AboutDescription / sizeof AboutDescription[0], nullptr);
}
