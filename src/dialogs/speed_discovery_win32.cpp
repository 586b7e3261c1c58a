// Speed discovery from the drive settings dialog: a modeless progress window
// with the drive's name, a progress bar and Cancel, whose callback keeps the
// program's messages flowing between the method's device commands.
#include <windows.h>
#include <commctrl.h>

#include "dialogs/dialogs.h"
#include "dialogs/drive_settings.h"
#include "dialogs/drive_settings_win32.h"

namespace {

constexpr uint16_t ProgressNameLabel = 102;
constexpr uint16_t ProgressBarId = 105;
constexpr uint32_t ProgressWindowStyle = WS_VISIBLE | WS_CAPTION;
constexpr uint32_t MessageOkCancelInformation = MessageOkCancel | MB_ICONINFORMATION;

intptr_t NameLabelHandler(HWND window, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const DriveRecord* drive = static_cast<const DriveRecord*>(reinterpret_cast<const DialogState*>(lParam)->userData);
  SetDlgItemTextA(window, id, drive->FullName);
  return TRUE;
}

// The request to stop is the Cancel button's enabled state: the callback
// reads it at the method's next step.
intptr_t CancelHandler(HWND window, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  EnableWindow(GetDlgItem(window, id), FALSE);
  return TRUE;
}

const ControlDesc ProgressDescription[] = {
    {&Kind::VGroup, 101, nullptr, NoString, 0, nullptr},
    {&Kind::CentredLabel, ProgressNameLabel, nullptr, NoString, 101, NameLabelHandler},
    {&Kind::ProgressBar, ProgressBarId, nullptr, NoString, 101, nullptr},
    {&Kind::HBox, 106, u"6", NoString, 101, nullptr},
    {&Kind::Label, 103, u"0", NoString, 106, nullptr},
    {&Kind::HBox, 107, u"6", NoString, 106, nullptr},  // pushes "100%" to the right
    {&Kind::Label, 104, u"100%", NoString, 106, nullptr},
    {&Kind::HGroup, 108, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, IDCANCEL, nullptr, StrCancel, 108, CancelHandler},
};
constexpr uint32_t ProgressEntries = sizeof ProgressDescription / sizeof ProgressDescription[0];

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
  return IsWindowEnabled(GetDlgItem(window, IDCANCEL)) ? 1 : 0;
}

// A disc a measurement can read: a data CD, a DVD-ROM or recordable DVD, or
// a drive that reports no medium type but is ready.
bool MeasurableMedium(const DriveRecord& drive) {
  switch (drive.MediumType) {
    case 0x01: case 0x11:                        // data CD
    case 0x40: case 0x41: case 0x43: case 0x61:  // DVD media
      return true;
    case 0:
      return drive.Ready != 0;
    default:
      return false;
  }
}

}  // namespace

void RunSpeedDiscovery(DialogWindow settingsDialog, StringId title, SpeedMethod method) {
  DriveRecord* drive = DriveOfSettingsDialog(settingsDialog);
  if (drive == nullptr) return;
  // The record keeps its lists and method until OK; the method starts from
  // what the dialog shows.
  const SpeedRange savedCD = drive->RangeCD;
  const SpeedRange savedDVD = drive->RangeDVD;
  const int32_t savedMethod = drive->DVDMethodPrefered;
  ReadSpeedLists(settingsDialog, *drive);
  drive->DVDMethodPrefered = ChosenDvdMethod(settingsDialog);

  HWND progress = CreateModelessDialog(settingsDialog, nullptr, title, ProgressWindowStyle, 0, ProgressDescription,
                                       ProgressEntries, drive);
  EnableWindow(settingsDialog, FALSE);
  EnumerateSpeeds(*drive, method, DiscoveryProgress, progress);
  EnableWindow(settingsDialog, TRUE);
  if (progress != nullptr) DestroyWindow(progress);

  FillSpeedLists(settingsDialog, *drive);
  if (drive->Active().Count <= 1 && drive->Ready == 0) ShowMessage(settingsDialog, StrNoSpeedsFound, 0);
  drive->RangeCD = savedCD;
  drive->RangeDVD = savedDVD;
  drive->DVDMethodPrefered = savedMethod;
  ChooseListOfMedium(settingsDialog, *drive);
}

void StartMeasurement(DialogWindow settingsDialog) {
  DriveRecord* drive = DriveOfSettingsDialog(settingsDialog);
  if (drive == nullptr) return;
  for (;;) {
    MoveTray(*drive, TrayMove::Close);
    RefreshStatus(*drive);
    if (MeasurableMedium(*drive)) {
      RunSpeedDiscovery(settingsDialog, StrSpeedMeasurement, SpeedMethod::Measure);
      return;
    }
    // OK means a disc was inserted: look again. Cancel, Esc or the close box give up.
    if (ShowMessage(settingsDialog, StrInsertDataCd, MessageOkCancelInformation) == 2) return;
  }
}
