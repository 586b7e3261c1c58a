// The countdown dialogs shown at the end of the Windows session.
#include <windows.h>

#include "compat/compat.h"
#include "dialogs/countdown.h"
#include "dialogs/descriptions.h"
#include "dlgengine/dialog_win32.h"
#include "resources/product.h"
#include "resources/string_ids.h"

namespace {

constexpr UINT_PTR CountdownTimerId = 1;
constexpr UINT CountdownPeriodMs = 1000;

// Presses a button the way a click would: the command comes through the
// message queue, so the tick has returned before the dialog ends.
void PostPress(HWND dialog, uint16_t id) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void CALLBACK CountdownTimerTick(HWND dialog, UINT, UINT_PTR, DWORD) {
  const auto* request = UserDataOf<const CountdownRequest>(dialog);
  if (request == nullptr) return;
  const unsigned shown = GetDlgItemInt(dialog, CountdownCounterId, nullptr, FALSE);
  const CountdownTick tick = NextCountdownTick(shown, *request);
  if (tick.Shown != shown) SetDlgItemInt(dialog, CountdownCounterId, tick.Shown, FALSE);
  if (!tick.Counting) PostPress(dialog, tick.Press);
}

void EndCountdown(HWND dialog, INT_PTR result) {
  KillTimer(dialog, CountdownTimerId);
  EndDialog(dialog, result);
}

bool ReadVolumeLabel(const char16_t* root, char16_t* label, uint32_t size) {
  return WideGetVolumeLabel(root, label, size) != FALSE;
}

// The disc dialog's userData: the request first, as every countdown has it,
// then the drives to list.
struct DiscCountdownData {
  CountdownRequest Request;
  uint32_t DriveMask;
};

int RunCountdown(HWND mainWindow, StringId title, const ControlDesc* description, uint32_t entries, void* userData) {
  // The session is ending and the user works elsewhere: bring the program
  // forward so that its reminder shows on top.
  if (mainWindow != nullptr) SetForegroundWindow(mainWindow);
  return RunModalDialog(mainWindow, ProductTitle, title, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW, description, entries,
                        userData) == DialogOk
             ? DialogOk
             : 0;
}

}  // namespace

namespace CountdownHandlers {

// On Cancel: starts the count, and ends the dialog with 0.
intptr_t CancelButton(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    const auto* request = UserDataAtStart<const CountdownRequest>(lParam);
    SetDlgItemInt(dialog, CountdownCounterId, CountdownStart(request->Seconds), FALSE);
    SetTimer(dialog, CountdownTimerId, CountdownPeriodMs, CountdownTimerTick);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  EndCountdown(dialog, 0);
  return TRUE;
}

intptr_t ActionButton(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  EndCountdown(dialog, DialogOk);
  return TRUE;
}

intptr_t DriveList(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const auto* data = UserDataAtStart<const DiscCountdownData>(lParam);
  static char16_t list[DriveListCapacity];  // one dialog at a time, on the one thread
  BuildCountdownDriveList(data->DriveMask, ReadVolumeLabel, list);
  WideSetDlgItemText(dialog, id, list);
  return TRUE;
}

}  // namespace CountdownHandlers

int ShowDiscInsertedCountdown(DialogWindow mainWindow, int seconds, uint32_t driveMask, int (*discsGone)()) {
  DiscCountdownData data{{seconds, CountdownCancelId, discsGone}, driveMask};
  return RunCountdown(mainWindow, StrDiscInserted, DiscInsertedDescription, DiscInsertedEntries, &data);
}

int ShowTrayOpenCountdown(DialogWindow mainWindow, int seconds, bool closeAtZero, int (*traysClosed)()) {
  CountdownRequest request{seconds, closeAtZero ? CountdownActionId : CountdownCancelId, traysClosed};
  return RunCountdown(mainWindow, StrTrayOpen, TrayOpenDescription, TrayOpenEntries, &request);
}
