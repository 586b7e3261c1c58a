// The drive settings dialog: copies the portable form (drive_settings.h) to
// and from its controls, and edits its two speed lists, which live in the
// list views until OK. Speed discovery runs from it behind a modeless
// progress window, whose callback keeps the program's messages flowing
// between the method's device commands.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "common/format_text.h"
#include "compat/compat.h"
#include "dialogs/descriptions.h"
#include "dialogs/dialogs.h"
#include "dialogs/drive_settings.h"
#include "dlgengine/dialog_win32.h"
#include "resources/product.h"
#include "settings/settings_record.h"

namespace {

using namespace DriveId;

// The dialog's userData.
struct DriveDialogData {
  DriveRecord* drive;
  char* lockData;
};

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

// An edit's text; one longer than the buffer is too large for any speed and
// reads as a huge number.
struct EditText {
  char Text[32];
};
EditText EditTextOf(HWND dialog, int id) {
  EditText text{};
  if (GetWindowTextLengthA(GetDlgItem(dialog, id)) >= static_cast<int>(sizeof text.Text))
    lstrcpyA(text.Text, "4294967295");
  else
    GetDlgItemTextA(dialog, id, text.Text, sizeof text.Text);
  return text;
}

uint32_t EditNumber(HWND dialog, int id) { return ParseEditNumber(EditTextOf(dialog, id).Text); }

void SetEditNumber(HWND dialog, int id, uint32_t value) { SetDlgItemInt(dialog, id, value, FALSE); }

// ---- The two list views ----------------------------------------------------

HWND ListOf(HWND dialog, bool dvd) { return GetDlgItem(dialog, dvd ? DvdList : CdList); }
bool DvdListChosen(HWND dialog) { return Checked(dialog, DvdListRadio); }
uint32_t UnitOf(bool dvd) { return dvd ? SpeedUnitDVD : SpeedUnitCD; }

uint32_t ItemCount(HWND list) { return static_cast<uint32_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)); }

uint32_t ItemParameter(HWND list, uint32_t index) {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = static_cast<int>(index);
  SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<uint32_t>(item.lParam);
}

int FirstSelected(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

void InsertEntry(HWND list, uint32_t position, const SpeedEntry& entry, uint32_t unit) {
  char speed[8], command[8];
  FormatText(speed, sizeof speed, "%lu", static_cast<unsigned long>(ListColumnNumber(entry.Speed, unit)));
  FormatText(command, sizeof command, "%lu", static_cast<unsigned long>(ListColumnNumber(entry.Command, unit)));
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM;
  item.iItem = static_cast<int>(position);
  item.pszText = speed;
  item.lParam = static_cast<LPARAM>(PackSpeedEntry(entry));
  const int index = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (index < 0) return;
  LVITEMA second{};
  second.iSubItem = 1;
  second.pszText = command;
  SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&second));
}

void ReadList(HWND list, SpeedRange& range) {
  uint32_t count = ItemCount(list);
  if (count > MaxSpeedEntries) count = MaxSpeedEntries;
  range.Count = count;
  for (uint32_t i = 0; i < count; ++i) range.Entries[i] = UnpackSpeedEntry(ItemParameter(list, i));
}

void ShowList(HWND list, const SpeedRange& range, uint32_t unit) {
  SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
  const uint32_t count = range.Count < MaxSpeedEntries ? range.Count : MaxSpeedEntries;
  for (uint32_t i = 0; i < count; ++i) InsertEntry(list, i, range.Entries[i], unit);
}

void EmptySpeedEdits(HWND dialog) {
  for (int id : {SpeedTimesEdit, CommandTimesEdit, SpeedKbEdit, CommandKbEdit}) SetDlgItemTextA(dialog, id, "");
}

// Shows the list of the checked list radio, hides the other one.
void ShowChosenList(HWND dialog) {
  const bool dvd = DvdListChosen(dialog);
  ShowWindow(ListOf(dialog, !dvd), SW_HIDE);
  ShowWindow(ListOf(dialog, dvd), SW_SHOW);
  EmptySpeedEdits(dialog);
}

// A click on "Удалить", "Удалить все" or "Добавить" acts on the list shown.
HWND ShownList(HWND dialog) { return ListOf(dialog, DvdListChosen(dialog)); }

int32_t ChosenDvdMethod(HWND dialog) {
  for (const MethodChoice& radio : MethodChoices)
    if (Checked(dialog, radio.Id)) return radio.Method;
  return DvdMethodNone;
}

// Every control that OK or a discovery reads into the form.
void ReadForm(HWND dialog, DriveSettingsForm& form) {
  form = {};
  for (const DriveFormBox& box : DriveFormBoxes) form.*box.Field = Checked(dialog, box.Id);
  for (int k = 0; k < RestoreBoxCount; ++k) form.RestoreOn[k] = Checked(dialog, RestoreBoxFirst + k);
  form.TimerChoice = -1;
  for (int k = 0; k < TimerChoiceCount; ++k)
    if (Checked(dialog, TimerRadioFirst + k)) form.TimerChoice = k;
  WideGetDlgItemText(dialog, ShortNameEdit, form.ShortName, ShortNameLength + 1);
  for (int k = 0; k < HotKeyCount; ++k) {
    form.HotKeyField[k] = static_cast<uint32_t>(SendDlgItemMessageA(dialog, HotKeyFieldFirst + k, HKM_GETHOTKEY, 0, 0));
    form.WinKey[k] = Checked(dialog, WinKeyBoxFirst + k);
  }
  ReadList(ListOf(dialog, false), form.CD);
  ReadList(ListOf(dialog, true), form.DVD);
  form.DvdListChosen = DvdListChosen(dialog);
  form.DvdListEnabled = IsWindowEnabled(GetDlgItem(dialog, DvdListRadio)) != FALSE;
  form.DvdMethod = ChosenDvdMethod(dialog);
}

// The form's two lists, the list radio and the list it chooses; the speed
// edits are emptied.
void ShowSpeedLists(HWND dialog, const DriveSettingsForm& form) {
  ShowList(ListOf(dialog, false), form.CD, SpeedUnitCD);
  ShowList(ListOf(dialog, true), form.DVD, SpeedUnitDVD);
  Check(dialog, CdListRadio, !form.DvdListChosen);
  Check(dialog, DvdListRadio, form.DvdListChosen);
  EnableWindow(GetDlgItem(dialog, DvdListRadio), form.DvdListEnabled);
  ShowChosenList(dialog);
}

DriveRecord* DriveOfSettingsDialog(HWND dialog) {
  DriveDialogData* data = UserDataOf<DriveDialogData>(dialog);
  return data != nullptr ? data->drive : nullptr;
}

void ShowForm(HWND dialog, const DriveSettingsForm& form) {
  for (const DriveFormBox& box : DriveFormBoxes) Check(dialog, box.Id, form.*box.Field);
  for (int k = 0; k < RestoreBoxCount; ++k) Check(dialog, RestoreBoxFirst + k, form.RestoreOn[k]);
  for (int k = 0; k < TimerChoiceCount; ++k) {
    Check(dialog, TimerRadioFirst + k, form.TimerChoice == k);
    EnableWindow(GetDlgItem(dialog, TimerRadioFirst + k), form.TimerEnabled);
  }
  SendDlgItemMessageA(dialog, ShortNameEdit, EM_LIMITTEXT, ShortNameLength, 0);
  WideSetDlgItemText(dialog, ShortNameEdit, form.ShortName);
  for (int k = 0; k < HotKeyCount; ++k) {
    SendDlgItemMessageA(dialog, HotKeyFieldFirst + k, HKM_SETHOTKEY, form.HotKeyField[k], 0);
    Check(dialog, WinKeyBoxFirst + k, form.WinKey[k]);
  }
  ShowSpeedLists(dialog, form);
  for (const MethodChoice& radio : MethodChoices) {
    Check(dialog, radio.Id, form.DvdMethod == radio.Method);
    EnableWindow(GetDlgItem(dialog, radio.Id), form.MethodEnabled);
  }
}

// ---- Speed discovery ----------------------------------------------------------

constexpr uint32_t ProgressWindowStyle = WS_VISIBLE | WS_CAPTION;
constexpr uint32_t MessageOkCancelInformation = MessageOkCancel | MB_ICONINFORMATION;

// Called by the method between device commands: shows how far it is, lets
// every waiting message of the thread run (the tray icon, the main window's
// timers, the Cancel click), and says whether to go on.
struct ProgressWindow {
  HWND Window;
  bool Measuring;  // shows the time left at the end of the bar
};

int DiscoveryProgress(int phase, int total, int done, int, int, void* context) {
  const ProgressWindow& progress = *static_cast<const ProgressWindow*>(context);
  HWND window = progress.Window;
  if (phase != 0 || total != 0 || done != 0) {
    SendDlgItemMessageA(window, ProgressBarId, PBM_SETRANGE, 0, MAKELPARAM(phase, total));
    SendDlgItemMessageA(window, ProgressBarId, PBM_SETPOS, static_cast<WPARAM>(done), 0);
    if (progress.Measuring) {
      char left[8];
      MeasurementTimeLeft(total, done, left);
      SetDlgItemTextA(window, ProgressEndLabelId, left);
    }
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

// ---- Handlers ------------------------------------------------------------------

namespace DriveSettingsHandlers {

intptr_t List(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    // Right-aligned numbers need the list view of comctl32 4.70 or later,
    // which is the one that exports DllGetVersion.
    if (GetProcAddress(GetModuleHandleA("comctl32.dll"), "DllGetVersion") != nullptr) {
      for (int column = 0; column < 2; ++column) {
        LVCOLUMNA format{};
        format.mask = LVCF_FMT;
        format.fmt = LVCFMT_RIGHT;
        SendMessageA(GetDlgItem(dialog, id), LVM_SETCOLUMNA, column, reinterpret_cast<LPARAM>(&format));
      }
    }
    return TRUE;
  }
  if (message == WM_SIZE) {
    // The DVD list is no box's child: it lies exactly over the CD list.
    if (id != CdList) return TRUE;
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, CdList), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(GetDlgItem(dialog, DvdList), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    return TRUE;
  }
  if (message != WM_NOTIFY) return FALSE;
  const NMHDR* notice = reinterpret_cast<const NMHDR*>(lParam);
  if (notice->code != LVN_ITEMCHANGED && notice->code != NM_SETFOCUS) return FALSE;
  const uint32_t unit = UnitOf(id == DvdList);
  HWND list = GetDlgItem(dialog, id);
  const int selected = FirstSelected(list);
  if (selected >= 0) {
    const SpeedEntry entry = UnpackSpeedEntry(ItemParameter(list, static_cast<uint32_t>(selected)));
    SetEditNumber(dialog, SpeedTimesEdit, UnitMultiple(entry.Speed, unit));
    SetEditNumber(dialog, CommandTimesEdit, UnitMultiple(entry.Command, unit));
    SetEditNumber(dialog, SpeedKbEdit, entry.Speed);
    SetEditNumber(dialog, CommandKbEdit, entry.Command);
  }
  return TRUE;
}

intptr_t ListRadio(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  ShowChosenList(dialog);
  return TRUE;
}

// The upper row holds multiples of the unit, the lower row kB/s; only the
// edit being typed in writes its partner, so the written one does not write
// back.
intptr_t SpeedEdit(HWND dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message != WM_COMMAND || HIWORD(wParam) != EN_CHANGE) return FALSE;
  if (GetFocus() != GetDlgItem(dialog, id)) return TRUE;
  const SpeedEditEcho echo = EchoSpeedEdit(id, EditNumber(dialog, id), UnitOf(DvdListChosen(dialog)));
  if (echo.Partner != 0) SetEditNumber(dialog, echo.Partner, echo.Value);
  return TRUE;
}

intptr_t AddButton(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  const bool dvd = DvdListChosen(dialog);
  HWND list = ListOf(dialog, dvd);
  SpeedRange shown;
  ReadList(list, shown);  // at most 128: then the addition is refused
  const SpeedListAddition plan =
      PlanSpeedListAddition(shown, EditTextOf(dialog, SpeedKbEdit).Text, EditTextOf(dialog, CommandKbEdit).Text);
  if (plan.Refusal == AdditionRefusal::BadValue) ShowMessage(dialog, StrSpeedOutOfRange, 0);
  if (plan.Refusal != AdditionRefusal::None) return TRUE;
  if (plan.Replaced >= 0) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(plan.Replaced), 0);
  InsertEntry(list, plan.Position, plan.Entry, UnitOf(dvd));
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, plan.Position, reinterpret_cast<LPARAM>(&state));
  SendMessageA(list, LVM_ENSUREVISIBLE, plan.Position, FALSE);
  return TRUE;
}

intptr_t DeleteButton(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  HWND list = ShownList(dialog);
  const int selected = FirstSelected(list);
  if (selected >= 0) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(selected), 0);
  return TRUE;
}

intptr_t DeleteAllButton(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  SendMessageA(ShownList(dialog), LVM_DELETEALLITEMS, 0, 0);
  return TRUE;
}

intptr_t DiscoveryButton(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  if (id == FastButton) RunSpeedDiscovery(dialog, StrFastProbing, SpeedMethod::Fast);
  else if (id == FullButton) RunSpeedDiscovery(dialog, StrFullProbing, SpeedMethod::Full);
  else StartMeasurement(dialog);
  return TRUE;
}

// The method radios are not automatic: a change reruns the fast discovery
// when the DVD list is the active one, so that it matches the new method.
intptr_t MethodRadio(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageA(dialog, id, BM_SETSTYLE, BS_RADIOBUTTON, FALSE);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  if (Checked(dialog, id)) return TRUE;  // the chosen method again: nothing to do
  for (const MethodChoice& radio : MethodChoices) Check(dialog, radio.Id, radio.Id == id);
  const DriveDialogData* data = UserDataOf<DriveDialogData>(dialog);
  if (data != nullptr && data->drive->DvdActive()) RunSpeedDiscovery(dialog, StrFastProbing, SpeedMethod::Fast);
  return TRUE;
}

// Switching the lock on never asks; switching it off asks for the eject
// password when one is set, and a wrong one leaves the drive locked.
intptr_t LockBoxClick(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageA(dialog, id, BM_SETSTYLE, BS_CHECKBOX, FALSE);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const DriveDialogData* data = UserDataOf<DriveDialogData>(dialog);
  if (data == nullptr) return TRUE;
  const bool on = Checked(dialog, id);
  if (!on || data->lockData[0] == '\0' ||
      AskPassword(dialog, data->lockData, PasswordVerifyMode, PasswordLimit) == DialogOk)
    Check(dialog, id, !on);
  return TRUE;
}

intptr_t OkButton(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  DriveDialogData* data = UserDataOf<DriveDialogData>(dialog);
  if (data == nullptr) return FALSE;
  DriveSettingsForm form;
  if (message == WM_INITDIALOG) {
    SetDlgItemTextA(dialog, NameLabel, data->drive->FullName);
    FillDriveSettingsForm(form, *data->drive, ProgramSettings::Current().TimerEnable != 0);
    ShowForm(dialog, form);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  ReadForm(dialog, form);
  ApplyDriveSettingsForm(form, *data->drive);
  EndDialog(dialog, DialogOk);
  return TRUE;
}

}  // namespace DriveSettingsHandlers

int ShowDriveSettingsDialog(DialogWindow parent, DriveRecord* drive, char* lockData) {
  DriveDialogData data{drive, lockData};
  return RunModalDialog(parent, ProductTitle, StrDriveSettings, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                        DriveSettingsDescription, DriveSettingsEntries, &data) == DialogOk
             ? DialogOk
             : 0;
}

namespace ProgressHandlers {

intptr_t NameLabel(HWND window, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message != WM_INITDIALOG) return FALSE;
  const DriveRecord* drive = UserDataAtStart<const DriveRecord>(lParam);
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
  ReadForm(settingsDialog, form);
  HWND progress = CreateModelessDialog(settingsDialog, nullptr, title, ProgressWindowStyle, 0, ProgressDescription,
                                       ProgressEntries, drive);
  EnableWindow(settingsDialog, FALSE);
  ProgressWindow context{progress, method == SpeedMethod::Measure};
  const DiscoveryNotice notice = RunDiscoveryOnForm(form, *drive, method, DiscoveryProgress, &context);
  EnableWindow(settingsDialog, TRUE);
  if (progress != nullptr) DestroyWindow(progress);
  ShowSpeedLists(settingsDialog, form);
  if (notice == DiscoveryFoundNoSpeeds) ShowMessage(settingsDialog, StrNoSpeedsFound, 0);
  if (notice == DiscoveryNeedsAdministrator) ShowMessage(settingsDialog, StrProbingNeedsAdministrator, 0);
  if (notice == DiscoveryDiscRemoved) ShowMessage(settingsDialog, StrDiscRemovedDuringMeasurement, 0);
}

void StartMeasurement(DialogWindow settingsDialog) {
  DriveRecord* drive = DriveOfSettingsDialog(settingsDialog);
  if (drive != nullptr && PrepareMeasurement(*drive, AskForDataDisc, settingsDialog))
    RunSpeedDiscovery(settingsDialog, StrSpeedMeasurement, SpeedMethod::Measure);
}
