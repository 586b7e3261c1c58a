// The password dialog: checks the eject password (verify mode) or takes a
// new one twice and stores its hash (new-password mode).
#include <windows.h>

#include <cstdlib>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dlgengine/dialog_win32.h"
#include "password/password.h"
#include "resources/product.h"

namespace {

// The dialog's userData.
struct PasswordRequest {
  char* hash;      // the stored hash (verify mode only reads it)
  uint32_t mode;   // PasswordVerifyMode, or the size of the buffer for a new hash
  uint32_t limit;  // longest password + 1
};

constexpr uint16_t ConfirmLabelId = 104;
constexpr uint16_t PasswordEditId = 107;
constexpr uint16_t ConfirmEditId = 108;
constexpr WPARAM PasswordChar = '*';

const PasswordRequest* RequestAtStart(intptr_t lParam) {
  return static_cast<const PasswordRequest*>(reinterpret_cast<const DialogState*>(lParam)->userData);
}

const PasswordRequest* RequestOf(DialogWindow dialog) {
  const DialogState* state = DialogStateOf(dialog);
  return state != nullptr ? static_cast<const PasswordRequest*>(state->userData) : nullptr;
}

// An edit's whole text as a new block from malloc; null when memory runs out.
char16_t* ReadText(DialogWindow dialog, uint16_t id) {
  const int length = WideGetWindowTextLength(GetDlgItem(dialog, id));
  const size_t units = static_cast<size_t>(length > 0 ? length : 0) + 1;
  char16_t* text = static_cast<char16_t*>(std::malloc(units * sizeof(char16_t)));
  if (text == nullptr) return nullptr;
  text[0] = u'\0';
  WideGetDlgItemText(dialog, id, text, static_cast<int>(units));
  return text;
}

bool SameText(const char16_t* a, const char16_t* b) {
  while (*a != u'\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

// What is hashed is the password's ANSI bytes (code page 1251 on a Russian
// Windows): the same bytes on both families, and what another "$1$" tool
// is given. Null when memory runs out; `lossy` when a character has no form
// in the code page and would have become the default character.
char* AnsiBytes(const char16_t* text, bool& lossy) {
  const int size = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return nullptr;
  char* bytes = static_cast<char*>(std::malloc(static_cast<size_t>(size)));
  if (bytes == nullptr) return nullptr;
  BOOL usedDefault = FALSE;
  if (WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, bytes, size, nullptr, &usedDefault) <= 0) {
    std::free(bytes);
    return nullptr;
  }
  lossy = usedDefault != FALSE;
  return bytes;
}

intptr_t PasswordEdit(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    const PasswordRequest* request = RequestAtStart(lParam);
    SendDlgItemMessageA(dialog, id, EM_LIMITTEXT, request->limit > 1 ? request->limit - 1 : 1, 0);
    SendDlgItemMessageA(dialog, id, EM_SETPASSWORDCHAR, PasswordChar, 0);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != EN_CHANGE) return FALSE;
  const PasswordRequest* request = RequestOf(dialog);
  if (request == nullptr || request->mode == PasswordVerifyMode) return TRUE;
  // New password: OK only while both fields agree.
  char16_t* password = ReadText(dialog, PasswordEditId);
  char16_t* confirmation = ReadText(dialog, ConfirmEditId);
  if (password != nullptr && confirmation != nullptr)
    EnableWindow(GetDlgItem(dialog, IDOK), SameText(password, confirmation));
  std::free(password);
  std::free(confirmation);
  return FALSE;
}

// Ends the dialog with 1 when the password fits the request; otherwise
// beeps and leaves it open for another try.
void Confirm(DialogWindow dialog, const PasswordRequest& request, const char16_t* password,
             const char16_t* confirmation) {
  bool lossy = false;
  if (request.mode == PasswordVerifyMode) {
    char* bytes = AnsiBytes(password, lossy);
    const bool match = bytes != nullptr && PasswordMatches(bytes, request.hash);
    std::free(bytes);
    if (match) {
      EndDialog(dialog, 1);
      return;
    }
    WideSetDlgItemText(dialog, PasswordEditId, u"");
    MessageBeep(0);
    return;
  }
  if (!SameText(password, confirmation)) {
    MessageBeep(0);
    return;
  }
  // A password the code page cannot hold is refused: its lost letters would
  // all hash as the same default character.
  char* bytes = AnsiBytes(password, lossy);
  const bool stored = bytes != nullptr && !lossy && StoreNewPassword(bytes, request.hash, request.mode);
  std::free(bytes);
  if (stored)
    EndDialog(dialog, 1);
  else
    MessageBeep(0);
}

intptr_t OkButton(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    // Verify mode hides the confirmation; its row stays empty in the layout.
    if (RequestAtStart(lParam)->mode == PasswordVerifyMode) {
      ShowWindow(GetDlgItem(dialog, ConfirmLabelId), SW_HIDE);
      ShowWindow(GetDlgItem(dialog, ConfirmEditId), SW_HIDE);
    }
    SetFocus(GetDlgItem(dialog, PasswordEditId));
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const PasswordRequest* request = RequestOf(dialog);
  char16_t* password = ReadText(dialog, PasswordEditId);
  char16_t* confirmation = ReadText(dialog, ConfirmEditId);
  // Without memory for the texts the dialog simply stays open.
  if (request != nullptr && password != nullptr && confirmation != nullptr)
    Confirm(dialog, *request, password, confirmation);
  std::free(password);
  std::free(confirmation);
  return TRUE;
}

const ControlDesc PasswordDescription[] = {
    {&Kind::HGroup, 101, nullptr, NoString, 0, nullptr},
    {&Kind::VBox, 102, u"7", NoString, 101, nullptr},
    {&Kind::Label, 103, nullptr, StrPassword, 102, nullptr},
    {&Kind::Label, ConfirmLabelId, nullptr, StrConfirmPassword, 102, nullptr},
    {&Kind::Spacer, 105, nullptr, NoString, 101, nullptr},
    {&Kind::VBox, 106, nullptr, NoString, 101, nullptr},
    {&Kind::TextEdit, PasswordEditId, nullptr, NoString, 106, PasswordEdit},
    {&Kind::TextEdit, ConfirmEditId, nullptr, NoString, 106, PasswordEdit},
    {&Kind::HGroup, 109, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, StrOk, 109, OkButton},
    {&Kind::Spacer, 110, nullptr, NoString, 109, nullptr},
    {&Kind::Button, IDCANCEL, nullptr, StrCancel, 109, nullptr},
};
constexpr uint32_t PasswordEntries = sizeof PasswordDescription / sizeof PasswordDescription[0];

int RunPasswordDialog(DialogWindow parent, const char16_t* titlePrefix, uint32_t style, uint32_t exStyle,
                      PasswordRequest request) {
  const StringId title = request.mode == PasswordVerifyMode ? StrEnterPassword : StrNewPassword;
  // Cancel, Esc, and a dialog that could not be made all leave things as they were.
  return RunModalDialog(parent, titlePrefix, title, style, exStyle, PasswordDescription, PasswordEntries,
                        &request) == 1
             ? 1
             : 0;
}

}  // namespace

int AskPassword(DialogWindow parent, char* hash, uint32_t mode, uint32_t limit) {
  if (mode == PasswordVerifyMode && hash[0] == '\0') return 1;
  return RunPasswordDialog(parent, nullptr, WS_CAPTION, 0, {hash, mode, limit});
}

int VerifyPassword(DialogWindow mainWindow, const char* hash, uint32_t limit) {
  if (hash[0] == '\0') return 1;
  if (mainWindow != nullptr) SetForegroundWindow(mainWindow);
  // Verify mode never writes the hash.
  return RunPasswordDialog(mainWindow, ProductTitle, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                           {const_cast<char*>(hash), PasswordVerifyMode, limit});
}
