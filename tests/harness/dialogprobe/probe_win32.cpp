#include "tests/harness/dialogprobe/probe_win32.h"

#include "dlgengine/dialog_win32.h"
#include "tests/harness/layout/shown_dialog_win32.h"

namespace {

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  char cls[16];
  // A wide dialog answers with its procedure to the W query, an ANSI one
  // (Windows 98) to the A query; the other gets a conversion thunk.
  const LONG_PTR proc = reinterpret_cast<LONG_PTR>(GenericDialogProc);
  if (IsWindowVisible(window) && GetClassNameA(window, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 &&
      (GetWindowLongPtrW(window, DWLP_DLGPROC) == proc || GetWindowLongPtrA(window, DWLP_DLGPROC) == proc)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text.c_str()),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text.c_str()), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string WindowText(HWND window) {
  int n = GetWindowTextLengthW(window);
  std::u16string text(static_cast<size_t>(n) + 1, u'\0');
  GetWindowTextW(window, reinterpret_cast<WCHAR*>(text.data()), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

HWND FindEngineDialog(DWORD threadId) {
  HWND found = nullptr;
  EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

ShownDialog ShownDialogOf(HWND dialog) {
  DialogState* state = DialogStateOf(dialog);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0));
  return ShownDialogOf(dialog, state != nullptr ? state->controls : nullptr, state != nullptr ? state->count : 0, font);
}

std::vector<std::string> CheckLayout(HWND dialog, HiddenControls hidden) {
  if (DialogStateOf(dialog) == nullptr) return {"not an engine dialog"};
  return FindLayoutProblems(ShownDialogOf(dialog), hidden);
}

RECT WindowRectOf(HWND dialog) {
  RECT r{};
  GetWindowRect(dialog, &r);
  return r;
}

SIZE ClientSizeOf(HWND dialog) {
  RECT r{};
  GetClientRect(dialog, &r);
  return {r.right, r.bottom};
}

void PressKey(HWND dialog, UINT virtualKey) {
  HWND target = GetFocus();
  if (target == nullptr) target = dialog;
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}
