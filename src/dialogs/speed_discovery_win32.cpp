// Speed discovery from the drive settings dialog behind a modeless progress
// window, whose callback keeps the program's messages flowing between the
// method's device commands. What a run does with the lists is portable
// (RunDiscoveryOnForm, PrepareMeasurement).
#include <windows.h>
#include <commctrl.h>

#include "dialogs/descriptions.h"
#include "dialogs/dialogs.h"
#include "dialogs/drive_settings_win32.h"

namespace {

constexpr uint32_t ProgressWindowStyle = WS_VISIBLE | WS_CAPTION;
constexpr uint32_t MessageOkCancelInformation = MessageOkCancel | MB_ICONINFORMATION;

// Called by the method between device commands: shows how far it is, lets
// every waiting message of the thread run (the tray icon, the main window's
// timers, the Cancel click), and says whether to go on.
int DiscoveryProgress(int phase, int total, int done, int, int, void* context) {
  HWND window = static_cast<HWND>(context);
  if (phase != 0 || total != 0 || done != 0) {
    SendDlgItemMessageA(window, ProgressBarId, PBM_SETRANGE, 0, MAKELPARAM(phase, total));
    SendDlgItemMessageA(window, ProgressBarId, PBM_SETPOS, static_cast<WPARAM>(done), 0);
  }
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The program is ending: leave the request for the message loop that
      // waits for it, and stop the method.
      PostQuitMessage(static_cast<int>(message.wParam));
      return 0;
    }
    DispatchMessageA(&message);
  }
  UpdateWindow(window);
  return IsWindowEnabled(GetDlgItem(window, DialogCancel)) ? 1 : 0;
}

// OK means a disc was inserted: look again. Cancel, Esc or the close box give up.
bool AskForDataDisc(void* settingsDialog) {
  return ShowMessage(static_cast<HWND>(settingsDialog), StrInsertDataCd, MessageOkCancelInformation) != DialogCancel;
}

}  // namespace

namespace ProgressHandlers {

intptr_t NameLabel(HWND window, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const DriveRecord* drive = static_cast<const DriveRecord*>(reinterpret_cast<const DialogState*>(lParam)->userData);
  SetDlgItemTextA(window, id, drive->FullName);
  return TRUE;
}

// The request to stop is the Cancel button's enabled state: the callback
// reads it at the method's next step.
intptr_t CancelButton(HWND window, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  EnableWindow(GetDlgItem(window, id), FALSE);
  return TRUE;
}

}  // namespace ProgressHandlers

void RunSpeedDiscovery(DialogWindow settingsDialog, StringId title, SpeedMethod method) {
  DriveRecord* drive = DriveOfSettingsDialog(settingsDialog);
  if (drive == nullptr) return;
  DriveSettingsForm form;
  ReadDriveSettingsForm(settingsDialog, form);
  HWND progress = CreateModelessDialog(settingsDialog, nullptr, title, ProgressWindowStyle, 0, ProgressDescription,
                                       ProgressEntries, drive);
  EnableWindow(settingsDialog, FALSE);
  const bool noSpeeds = RunDiscoveryOnForm(form, *drive, method, DiscoveryProgress, progress);
  EnableWindow(settingsDialog, TRUE);
  if (progress != nullptr) DestroyWindow(progress);
  ShowSpeedLists(settingsDialog, form);
  if (noSpeeds) ShowMessage(settingsDialog, StrNoSpeedsFound, 0);
}

void StartMeasurement(DialogWindow settingsDialog) {
  DriveRecord* drive = DriveOfSettingsDialog(settingsDialog);
  if (drive != nullptr && PrepareMeasurement(*drive, AskForDataDisc, settingsDialog))
    RunSpeedDiscovery(settingsDialog, StrSpeedMeasurement, SpeedMethod::Measure);
}
