// The password dialog: checks the eject password (verify mode) or takes a
// new one twice and stores its hash (new-password mode). What OK allows and
// does is decided portably (password_dialog.cpp); this half reads the fields and
// turns the password into the code page's bytes.
#include <windows.h>

#include <cstdlib>

#include "common/owner.h"
#include "compat/compat.h"
#include "dialogs/descriptions.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dialog_win32.h"
#include "resources/product.h"

namespace {

// The dialog's userData.
struct PasswordRequest {
  char* hash;         // the stored hash (verify mode only reads it), PasswordHashSize bytes
  PasswordMode mode;
  uint32_t limit;     // longest password + 1
};

constexpr WPARAM PasswordChar = '*';

// An edit's whole text; holds nothing when memory runs out.
OwnedBlock<char16_t> ReadText(DialogWindow dialog, uint16_t id) {
  const int length = WideGetWindowTextLength(GetDlgItem(dialog, id));
  const size_t units = static_cast<size_t>(length > 0 ? length : 0) + 1;
  OwnedBlock<char16_t> text(static_cast<char16_t*>(std::malloc(units * sizeof(char16_t))));
  if (!text) return text;
  text.Get()[0] = u'\0';
  WideGetDlgItemText(dialog, id, text.Get(), static_cast<int>(units));
  return text;
}

// What is hashed is the password's ANSI bytes (code page 1251 on a Russian
// Windows): the same bytes on both families, and what another "$1$" tool
// is given. Nothing when memory runs out; `lossy` when a character has no
// form in the code page and would have become the default character.
OwnedBlock<char> AnsiBytes(const char16_t* text, bool& lossy) {
  const int size = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return {};
  OwnedBlock<char> bytes(static_cast<char*>(std::malloc(static_cast<size_t>(size))));
  BOOL usedDefault = FALSE;
  if (!bytes ||
      WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, bytes.Get(), size, nullptr, &usedDefault) <= 0)
    return {};
  lossy = usedDefault != FALSE;
  return bytes;
}

int RunPasswordDialog(DialogWindow parent, const char16_t* titlePrefix, uint32_t style, uint32_t exStyle,
                      PasswordRequest request) {
  const StringId title = request.mode == PasswordVerifyMode ? StrEnterPassword : StrNewPassword;
  // Cancel, Esc, and a dialog that could not be made all leave things as they were.
  return RunModalDialog(parent, titlePrefix, title, style, exStyle, PasswordDescription, PasswordEntries,
                        &request) == DialogOk
             ? DialogOk
             : 0;
}

}  // namespace

namespace PasswordHandlers {

intptr_t PasswordEdit(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    const PasswordRequest* request = UserDataAtStart<const PasswordRequest>(lParam);
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, request->limit > 1 ? request->limit - 1 : 1, 0);
    SendDlgItemMessageA(dialog, id, EM_SETPASSWORDCHAR, PasswordChar, 0);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != EN_CHANGE) return FALSE;
  const PasswordRequest* request = UserDataOf<const PasswordRequest>(dialog);
  if (request == nullptr) return TRUE;
  const OwnedBlock<char16_t> password = ReadText(dialog, PasswordEditId);
  const OwnedBlock<char16_t> confirmation = ReadText(dialog, PasswordConfirmEditId);
  if (password && confirmation)
    EnableWindow(GetDlgItem(dialog, DialogOk), PasswordOkEnabled(request->mode, password.Get(), confirmation.Get()));
  return FALSE;
}

intptr_t OkButton(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    // Verify mode hides the confirmation; its row stays empty in the layout.
    if (UserDataAtStart<const PasswordRequest>(lParam)->mode == PasswordVerifyMode) {
      ShowWindow(GetDlgItem(dialog, PasswordConfirmLabelId), SW_HIDE);
      ShowWindow(GetDlgItem(dialog, PasswordConfirmEditId), SW_HIDE);
    }
    SetFocus(GetDlgItem(dialog, PasswordEditId));
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const PasswordRequest* request = UserDataOf<const PasswordRequest>(dialog);
  const OwnedBlock<char16_t> password = ReadText(dialog, PasswordEditId);
  const OwnedBlock<char16_t> confirmation = ReadText(dialog, PasswordConfirmEditId);
  // Without memory for the texts the dialog simply stays open.
  if (request != nullptr && password && confirmation) {
    bool lossy = false;
    const OwnedBlock<char> ansi = AnsiBytes(password.Get(), lossy);
    const PasswordVerdict verdict =
        JudgePassword(request->mode, request->hash, password.Get(), confirmation.Get(), ansi.Get(), lossy);
    if (verdict == PasswordVerdict::Accepted) {
      EndDialog(dialog, DialogOk);
    } else {
      if (verdict == PasswordVerdict::Wrong) WideSetDlgItemText(dialog, PasswordEditId, u"");
      MessageBeep(0);
    }
  }
  return TRUE;
}

}  // namespace PasswordHandlers

int AskPassword(DialogWindow parent, char* hash, PasswordMode mode, uint32_t limit) {
  if (mode == PasswordVerifyMode && hash[0] == '\0') return DialogOk;
  return RunPasswordDialog(parent, nullptr, WS_CAPTION, 0, {hash, mode, limit});
}

int VerifyPassword(DialogWindow mainWindow, const char* hash, uint32_t limit) {
  if (hash[0] == '\0') return DialogOk;
  if (mainWindow != nullptr) SetForegroundWindow(mainWindow);
  // Verify mode never writes the hash.
  return RunPasswordDialog(mainWindow, ProductTitle, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                           {const_cast<char*>(hash), PasswordVerifyMode, limit});
}
