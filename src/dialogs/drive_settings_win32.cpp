// The drive settings dialog: the user's settings of one drive, its two speed
// lists with discovery and hand editing, the DVD method, and its hot keys.
// Controls are copied into the DriveRecord only by OK; until then the lists
// live in the two list views.
#include <windows.h>
#include <commctrl.h>

#include <initializer_list>

#include "common/format_text.h"
#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "dialogs/drive_settings.h"
#include "dialogs/drive_settings_win32.h"
#include "dlgengine/dialog_win32.h"
#include "resources/product.h"
#include "settings/settings_record.h"

namespace {

// The dialog's userData.
struct DriveDialogData {
  DriveRecord* drive;
  char* lockData;
};

enum DriveDialogControl : uint16_t {
  NameLabel = 102,
  IgnoreBox = 103,
  EventBoxFirst = 110,  // 110..113: start, disc change, wake, tray close
  IgnoreSpeedBox = 114,
  OnlyWithDiskBox = 115,
  WhenAudioBox = 116,
  TimerRadioFirst = 123,  // 123..131, one per TimerChoices entry
  FastButton = 135,
  FullButton = 136,
  MeasureButton = 137,
  MethodAutoRadio = 140,
  MethodDvdRadio = 141,
  MethodCdRadio = 142,
  DeleteButton = 163,
  DeleteAllButton = 164,
  AddButton = 165,
  HotKeyFieldFirst = 182,  // 182..188, one per HotKeys slot
  WinKeyBoxFirst = 196,    // 196..202
  ForceReadBox = 211,
  ShortMenuBox = 212,
  LockBox = 213,
  ShortNameEdit = 217,
};

// The EventMask bit of each restore box 110..113 (0x04 and 0x20 have no box).
constexpr int32_t EventBits[4] = {0x01, 0x02, 0x08, 0x10};
// The Windows key rides in the modifier byte of a stored hot key.
constexpr uint32_t WinKeyFlag = 0x1000;
constexpr int ShortNameLength = 10;

DriveDialogData* DataOf(HWND dialog) {
  DialogState* state = DialogStateOf(dialog);
  return state != nullptr ? static_cast<DriveDialogData*>(state->userData) : nullptr;
}

bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
void Check(HWND dialog, int id, bool on) { CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED); }

uint32_t EditNumber(HWND dialog, int id) {
  char text[32] = "";
  // A text longer than the buffer is too large for any speed: read it as huge.
  if (GetWindowTextLengthA(GetDlgItem(dialog, id)) >= static_cast<int>(sizeof text)) return UINT32_MAX;
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return ParseEditNumber(text);
}

void SetEditNumber(HWND dialog, int id, uint32_t value) {
  char text[16];
  FormatText(text, sizeof text, "%lu", static_cast<unsigned long>(value));
  SetDlgItemTextA(dialog, id, text);
}

// ---- The two list views ----------------------------------------------------

HWND ListOf(HWND dialog, bool dvd) { return GetDlgItem(dialog, dvd ? DvdListId : CdListId); }
bool DvdListChosen(HWND dialog) { return Checked(dialog, DvdListRadioId); }
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

void EmptySpeedEdits(HWND dialog) {
  for (int id : {SpeedTimesEditId, CommandTimesEditId, SpeedKbEditId, CommandKbEditId}) SetDlgItemTextA(dialog, id, "");
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

intptr_t ListHandler(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t lParam) {
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
    if (id != CdListId) return TRUE;
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, CdListId), &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    MoveWindow(GetDlgItem(dialog, DvdListId), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    return TRUE;
  }
  if (message != WM_NOTIFY) return FALSE;
  const NMHDR* notice = reinterpret_cast<const NMHDR*>(lParam);
  if (notice->code != LVN_ITEMCHANGED && notice->code != NM_SETFOCUS) return FALSE;
  const uint32_t unit = UnitOf(id == DvdListId);
  HWND list = GetDlgItem(dialog, id);
  const int selected = FirstSelected(list);
  if (selected >= 0) {
    const SpeedEntry entry = UnpackSpeedEntry(ItemParameter(list, static_cast<uint32_t>(selected)));
    SetEditNumber(dialog, SpeedTimesEditId, UnitMultiple(entry.Speed, unit));
    SetEditNumber(dialog, CommandTimesEditId, UnitMultiple(entry.Command, unit));
    SetEditNumber(dialog, SpeedKbEditId, entry.Speed);
    SetEditNumber(dialog, CommandKbEditId, entry.Command);
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
  const uint32_t unit = UnitOf(DvdListChosen(dialog));
  const uint32_t value = EditNumber(dialog, id);
  switch (id) {
    case SpeedTimesEditId: SetEditNumber(dialog, SpeedKbEditId, KilobytesOfMultiple(value, unit)); break;
    case CommandTimesEditId: SetEditNumber(dialog, CommandKbEditId, KilobytesOfMultiple(value, unit)); break;
    case SpeedKbEditId: SetEditNumber(dialog, SpeedTimesEditId, UnitMultiple(value, unit)); break;
    case CommandKbEditId: SetEditNumber(dialog, CommandTimesEditId, UnitMultiple(value, unit)); break;
    default: break;
  }
  return TRUE;
}

intptr_t AddButtonHandler(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  const bool dvd = DvdListChosen(dialog);
  HWND list = ListOf(dialog, dvd);
  uint32_t speeds[MaxSpeedEntries];
  uint32_t count = ItemCount(list);
  if (count > MaxSpeedEntries) count = MaxSpeedEntries;  // then the addition is refused
  for (uint32_t i = 0; i < count; ++i) speeds[i] = UnpackSpeedEntry(ItemParameter(list, i)).Speed;
  const SpeedListAddition plan =
      PlanSpeedListAddition(speeds, ItemCount(list), EditNumber(dialog, SpeedKbEditId), EditNumber(dialog, CommandKbEditId));
  if (plan.Refused) return TRUE;
  if (plan.Replaced >= 0) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(plan.Replaced), 0);
  InsertEntry(list, plan.Position, plan.Entry, UnitOf(dvd));
  LVITEMA state{};
  state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  state.state = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageA(list, LVM_SETITEMSTATE, plan.Position, reinterpret_cast<LPARAM>(&state));
  SendMessageA(list, LVM_ENSUREVISIBLE, plan.Position, FALSE);
  return TRUE;
}

intptr_t DeleteButtonHandler(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  HWND list = ShownList(dialog);
  const int selected = FirstSelected(list);
  if (selected >= 0) SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(selected), 0);
  return TRUE;
}

intptr_t DeleteAllButtonHandler(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  if (message != WM_COMMAND) return FALSE;
  SendMessageA(ShownList(dialog), LVM_DELETEALLITEMS, 0, 0);
  return TRUE;
}

// ---- Discovery, DVD method, lock -------------------------------------------

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
  for (int radio : {MethodAutoRadio, MethodDvdRadio, MethodCdRadio}) Check(dialog, radio, radio == id);
  const DriveDialogData* data = DataOf(dialog);
  if (data != nullptr && data->drive->DvdActive()) RunSpeedDiscovery(dialog, StrFastProbing, SpeedMethod::Fast);
  return TRUE;
}

// Switching the lock on never asks; switching it off asks for the eject
// password when one is set, and a wrong one leaves the drive locked.
intptr_t LockBoxHandler(HWND dialog, uint16_t id, uint32_t message, uintptr_t, intptr_t) {
  if (message == WM_INITDIALOG) {
    SendDlgItemMessageA(dialog, id, BM_SETSTYLE, BS_CHECKBOX, FALSE);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const DriveDialogData* data = DataOf(dialog);
  if (data == nullptr) return TRUE;
  const bool on = Checked(dialog, id);
  if (!on || data->lockData[0] == '\0' ||
      AskPassword(dialog, data->lockData, PasswordVerifyMode, PasswordLimit) == 1)
    Check(dialog, id, !on);
  return TRUE;
}

// ---- Start and OK -------------------------------------------------------------

void Initialise(HWND dialog, const DriveDialogData& data) {
  const DriveRecord& drive = *data.drive;
  SetDlgItemTextA(dialog, NameLabel, drive.FullName);
  Check(dialog, IgnoreBox, drive.Ignore != 0);
  for (int k = 0; k < 4; ++k) Check(dialog, EventBoxFirst + k, (drive.EventMask & EventBits[k]) != 0);
  Check(dialog, IgnoreSpeedBox, drive.IgnoreSpeed != 0);
  Check(dialog, OnlyWithDiskBox, drive.OnlyWithDisk != 0);
  Check(dialog, WhenAudioBox, drive.WhenAudio != 0);
  // The per-drive restore timer runs on the program's main timer.
  const bool timerRuns = ProgramSettings::Current().TimerEnable != 0;
  for (int k = 0; k < TimerChoiceCount; ++k) {
    Check(dialog, TimerRadioFirst + k, drive.Timer == TimerChoices[k]);
    EnableWindow(GetDlgItem(dialog, TimerRadioFirst + k), timerRuns);
  }
  Check(dialog, ForceReadBox, drive.ForceRead != 0);
  Check(dialog, ShortMenuBox, drive.ShortMenu != 0);
  Check(dialog, LockBox, drive.Lock != 0);
  SendDlgItemMessageA(dialog, ShortNameEdit, EM_LIMITTEXT, ShortNameLength, 0);
  WideSetDlgItemText(dialog, ShortNameEdit, drive.ShortName);
  FillSpeedLists(dialog, drive);
  for (int k = 0; k < HotKeyCount; ++k) {
    SendDlgItemMessageA(dialog, HotKeyFieldFirst + k, HKM_SETHOTKEY, drive.HotKeys[k] & ~WinKeyFlag & 0xFFFF, 0);
    Check(dialog, WinKeyBoxFirst + k, (drive.HotKeys[k] & WinKeyFlag) != 0);
  }
  ChooseListOfMedium(dialog, drive);
  Check(dialog, MethodAutoRadio, drive.DVDMethodPrefered == DvdMethodNone);
  Check(dialog, MethodDvdRadio, drive.DVDMethodPrefered == DvdMethodStreaming);
  Check(dialog, MethodCdRadio, drive.DVDMethodPrefered == DvdMethodCdSpeed);
  for (int radio : {MethodAutoRadio, MethodDvdRadio, MethodCdRadio})
    EnableWindow(GetDlgItem(dialog, radio), drive.DVD != 0);
}

void Apply(HWND dialog, DriveRecord& drive) {
  drive.Ignore = Checked(dialog, IgnoreBox);
  drive.EventMask = 0;
  for (int k = 0; k < 4; ++k)
    if (Checked(dialog, EventBoxFirst + k)) drive.EventMask |= EventBits[k];
  drive.IgnoreSpeed = Checked(dialog, IgnoreSpeedBox);
  drive.OnlyWithDisk = Checked(dialog, OnlyWithDiskBox);
  drive.WhenAudio = Checked(dialog, WhenAudioBox);
  for (int k = 0; k < TimerChoiceCount; ++k)
    if (Checked(dialog, TimerRadioFirst + k)) drive.Timer = TimerChoices[k];
  drive.ForceRead = Checked(dialog, ForceReadBox);
  drive.ShortMenu = Checked(dialog, ShortMenuBox);
  drive.Lock = Checked(dialog, LockBox);
  char16_t name[ShortNameLength + 1] = u"";
  WideGetDlgItemText(dialog, ShortNameEdit, name, ShortNameLength + 1);
  for (int i = 0; i <= ShortNameLength; ++i) drive.ShortName[i] = name[i];
  ReadSpeedLists(dialog, drive);
  for (int k = 0; k < HotKeyCount; ++k) {
    uint32_t key = static_cast<uint32_t>(SendDlgItemMessageA(dialog, HotKeyFieldFirst + k, HKM_GETHOTKEY, 0, 0)) & 0xFFFF;
    if (Checked(dialog, WinKeyBoxFirst + k)) key |= WinKeyFlag;
    drive.HotKeys[k] = key;
  }
  const int32_t method = ChosenDvdMethod(dialog);
  // A DVD list found with another method must be found again.
  if (method != drive.DVDMethodPrefered && !drive.DvdActive()) drive.RangeDVD.Valid = 0;
  drive.DVDMethodPrefered = method;
}

intptr_t OkButton(HWND dialog, uint16_t, uint32_t message, uintptr_t, intptr_t) {
  DriveDialogData* data = DataOf(dialog);
  if (data == nullptr) return FALSE;
  if (message == WM_INITDIALOG) {
    Initialise(dialog, *data);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  Apply(dialog, *data->drive);
  EndDialog(dialog, 1);
  return TRUE;
}

// Entries with a literal text, and entries with a string-table text.
#define WITH_TEXT(kind, id, text, parent) {&Kind::kind, id, text, NoString, parent, nullptr}
#define WITH_STRING(kind, id, textId, parent, handler) {&Kind::kind, id, nullptr, textId, parent, handler}

const ControlDesc DriveSettingsDescription[] = {
    WITH_TEXT(HBox, 101, nullptr, 0),
    WITH_STRING(CentredLabel, NameLabel, NoString, 101, nullptr),
    WITH_STRING(CheckBox, IgnoreBox, StrDoNotManageDrive, 101, nullptr),
    WITH_TEXT(HBox, 104, nullptr, 0),
    WITH_TEXT(VBox, 105, nullptr, 104),
    WITH_STRING(VGroup, 107, StrRestoreSpeed, 105, nullptr),
    WITH_STRING(CheckBox, 110, StrOnProgramStart, 107, nullptr),
    WITH_STRING(CheckBox, 111, StrOnDiscChange, 107, nullptr),
    WITH_STRING(CheckBox, 112, StrOnWake, 107, nullptr),
    WITH_STRING(CheckBox, 113, StrOnTrayClose, 107, nullptr),
    WITH_STRING(CheckBox, IgnoreSpeedBox, StrWhateverCurrentSpeed, 107, nullptr),
    WITH_STRING(CheckBox, OnlyWithDiskBox, StrOnlyWithDisc, 107, nullptr),
    WITH_STRING(CheckBox, WhenAudioBox, StrWhileAudioPlays, 107, nullptr),
    WITH_STRING(HGroup, 117, StrOnTimer, 107, nullptr),
    WITH_TEXT(VBox, 118, u"6", 117),
    WITH_TEXT(VBox, 119, nullptr, 117),
    WITH_STRING(FirstRadioButton, 123, StrPeriodNever, 119, nullptr),
    WITH_TEXT(HBox, 120, nullptr, 119),
    WITH_TEXT(VBox, 121, nullptr, 120),
    WITH_STRING(RadioButton, 124, StrPeriod5Seconds, 121, nullptr),
    WITH_STRING(RadioButton, 125, StrPeriod15Seconds, 121, nullptr),
    WITH_STRING(RadioButton, 126, StrPeriod30Seconds, 121, nullptr),
    WITH_STRING(RadioButton, 127, StrPeriod1Minute, 121, nullptr),
    WITH_TEXT(VBox, 122, nullptr, 120),
    WITH_STRING(RadioButton, 128, StrPeriod5Minutes, 122, nullptr),
    WITH_STRING(RadioButton, 129, StrPeriod15Minutes, 122, nullptr),
    WITH_STRING(RadioButton, 130, StrPeriod30Minutes, 122, nullptr),
    WITH_STRING(RadioButton, 131, StrPeriod1Hour, 122, nullptr),
    WITH_STRING(CheckBox, ForceReadBox, StrReadAfterSetting, 107, nullptr),
    WITH_STRING(VGroup, 210, StrServiceGroup, 105, nullptr),
    WITH_STRING(CheckBox, ShortMenuBox, StrGroupSpeedMenu, 210, nullptr),
    WITH_STRING(CheckBox, LockBox, StrLockWhenClosed, 210, LockBoxHandler),
    WITH_TEXT(HBox, 214, nullptr, 210),
    WITH_STRING(Label, 216, StrShortName, 214, nullptr),
    WITH_STRING(Spacer, 215, NoString, 214, nullptr),
    WITH_STRING(TextEdit, ShortNameEdit, NoString, 214, nullptr),
    WITH_TEXT(VBox, 106, nullptr, 104),
    WITH_TEXT(HBox, 132, nullptr, 106),
    WITH_TEXT(VBox, 133, nullptr, 132),
    WITH_STRING(VGroup, 134, StrSpeedProbing, 133, nullptr),
    WITH_STRING(Button, FastButton, StrFast, 134, DiscoveryButton),
    WITH_STRING(Button, FullButton, StrFull, 134, DiscoveryButton),
    WITH_STRING(Button, MeasureButton, StrMeasure, 134, DiscoveryButton),
    WITH_STRING(HGroup, 138, StrDvdSpeed, 133, nullptr),
    WITH_STRING(FirstRadioButton, MethodAutoRadio, StrAuto, 138, MethodRadio),
    WITH_TEXT(VBox, 139, u"7", 138),
    {&Kind::RadioButton, MethodDvdRadio, u"DVD", NoString, 139, MethodRadio},
    {&Kind::RadioButton, MethodCdRadio, u"CD", NoString, 139, MethodRadio},
    WITH_STRING(HGroup, 143, StrSpeedList, 132, nullptr),
    WITH_TEXT(VBox, 144, nullptr, 143),
    WITH_STRING(ListView, CdListId, StrSpeedListColumns, 144, ListHandler),
    WITH_STRING(ListView, DvdListId, StrSpeedListColumns, CdListId, ListHandler),
    WITH_TEXT(HBox, 147, nullptr, 144),
    WITH_TEXT(VBox, 148, nullptr, 147),
    WITH_STRING(RightEdit, SpeedTimesEditId, NoString, 148, SpeedEdit),
    WITH_STRING(RightEdit, SpeedKbEditId, NoString, 148, SpeedEdit),
    WITH_TEXT(VBox, 149, nullptr, 147),
    WITH_STRING(RightEdit, CommandTimesEditId, NoString, 149, SpeedEdit),
    WITH_STRING(RightEdit, CommandKbEditId, NoString, 149, SpeedEdit),
    WITH_STRING(Spacer, 150, NoString, 147, nullptr),
    WITH_TEXT(VBox, 151, u"7", 147),
    WITH_STRING(Label, 154, StrTimesSuffix, 151, nullptr),
    WITH_STRING(Label, 157, StrKilobytesPerSecond, 151, nullptr),
    WITH_STRING(Spacer, 158, NoString, 143, nullptr),
    WITH_TEXT(VBox, 159, u"7", 143),
    WITH_TEXT(HBox, 160, u"6", 159),
    {&Kind::FirstRadioButton, CdListRadioId, u"CD", NoString, 160, ListRadio},
    {&Kind::RadioButton, DvdListRadioId, u"DVD", NoString, 160, ListRadio},
    WITH_STRING(Button, DeleteButton, StrDelete, 159, DeleteButtonHandler),
    WITH_STRING(Button, DeleteAllButton, StrDeleteAll, 159, DeleteAllButtonHandler),
    WITH_STRING(Button, AddButton, StrAdd, 159, AddButtonHandler),
    WITH_STRING(HGroup, 166, StrHotkeys, 106, nullptr),
    WITH_TEXT(VBox, 167, u"7", 166),
    WITH_STRING(Label, 175, StrHotkeyEject, 167, nullptr),
    WITH_STRING(Label, 176, StrHotkeyClose, 167, nullptr),
    WITH_STRING(Label, 177, StrHotkeyMaxSpeed, 167, nullptr),
    WITH_STRING(Label, 178, StrHotkeyFaster, 167, nullptr),
    WITH_STRING(Label, 179, StrHotkeySelectedSpeed, 167, nullptr),
    WITH_STRING(Label, 180, StrHotkeySlower, 167, nullptr),
    WITH_STRING(Label, 181, StrHotkeyMinSpeed, 167, nullptr),
    WITH_STRING(Spacer, 168, NoString, 166, nullptr),
    WITH_TEXT(VBox, 169, u"7", 166),
    WITH_STRING(Spacer, 170, NoString, 166, nullptr),
    WITH_TEXT(VBox, 171, u"7", 166),
    WITH_STRING(Spacer, 172, NoString, 166, nullptr),
    WITH_TEXT(VBox, 173, u"7", 166),
    WITH_TEXT(VBox, 174, u"7", 166),
    // Field and Windows-key box of a row follow each other, so that Tab goes
    // from a combination to its Windows key and on to the next row.
    WITH_STRING(HotKeyField, 182, NoString, 169, nullptr), WITH_STRING(CheckBox, 196, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 183, NoString, 169, nullptr), WITH_STRING(CheckBox, 197, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 184, NoString, 169, nullptr), WITH_STRING(CheckBox, 198, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 185, NoString, 169, nullptr), WITH_STRING(CheckBox, 199, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 186, NoString, 169, nullptr), WITH_STRING(CheckBox, 200, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 187, NoString, 169, nullptr), WITH_STRING(CheckBox, 201, NoString, 173, nullptr),
    WITH_STRING(HotKeyField, 188, NoString, 169, nullptr), WITH_STRING(CheckBox, 202, NoString, 173, nullptr),
    WITH_TEXT(Label, 189, u"+", 171), WITH_TEXT(Label, 190, u"+", 171), WITH_TEXT(Label, 191, u"+", 171), WITH_TEXT(Label, 192, u"+", 171),
    WITH_TEXT(Label, 193, u"+", 171), WITH_TEXT(Label, 194, u"+", 171), WITH_TEXT(Label, 195, u"+", 171),
    WITH_TEXT(SmallIcon, 203, u"IconWinLogo", 174), WITH_TEXT(SmallIcon, 204, u"IconWinLogo", 174),
    WITH_TEXT(SmallIcon, 205, u"IconWinLogo", 174), WITH_TEXT(SmallIcon, 206, u"IconWinLogo", 174),
    WITH_TEXT(SmallIcon, 207, u"IconWinLogo", 174), WITH_TEXT(SmallIcon, 208, u"IconWinLogo", 174),
    WITH_TEXT(SmallIcon, 209, u"IconWinLogo", 174),
    WITH_TEXT(HGroup, 218, nullptr, 0),
    WITH_STRING(DefaultButton, IDOK, StrOk, 218, OkButton),
    WITH_STRING(Button, IDCANCEL, StrCancel, 218, nullptr),
};
#undef WITH_TEXT
#undef WITH_STRING
constexpr uint32_t DriveSettingsEntries = sizeof DriveSettingsDescription / sizeof DriveSettingsDescription[0];
static_assert(DriveSettingsEntries == 118, "the drive settings dialog has 118 entries");

}  // namespace

void FillSpeedLists(HWND dialog, const DriveRecord& drive) {
  for (bool dvd : {false, true}) {
    HWND list = ListOf(dialog, dvd);
    const SpeedRange& range = dvd ? drive.RangeDVD : drive.RangeCD;
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    const uint32_t count = range.Count < MaxSpeedEntries ? range.Count : MaxSpeedEntries;
    for (uint32_t i = 0; i < count; ++i) InsertEntry(list, i, range.Entries[i], UnitOf(dvd));
  }
}

void ReadSpeedLists(HWND dialog, DriveRecord& drive) {
  for (bool dvd : {false, true}) {
    HWND list = ListOf(dialog, dvd);
    SpeedRange& range = dvd ? drive.RangeDVD : drive.RangeCD;
    uint32_t count = ItemCount(list);
    if (count > MaxSpeedEntries) count = MaxSpeedEntries;
    range.Count = count;
    for (uint32_t i = 0; i < count; ++i) range.Entries[i] = UnpackSpeedEntry(ItemParameter(list, i));
    // An empty list keeps Valid as it was; Selected is the menu's business.
    if (count != 0) range.Valid = 1;
  }
}

void ChooseListOfMedium(HWND dialog, const DriveRecord& drive) {
  Check(dialog, CdListRadioId, !drive.DvdActive());
  Check(dialog, DvdListRadioId, drive.DvdActive());
  EnableWindow(GetDlgItem(dialog, DvdListRadioId), drive.DVD != 0);
  ShowChosenList(dialog);
}

int32_t ChosenDvdMethod(HWND dialog) {
  if (Checked(dialog, MethodDvdRadio)) return DvdMethodStreaming;
  if (Checked(dialog, MethodCdRadio)) return DvdMethodCdSpeed;
  return DvdMethodNone;
}

DriveRecord* DriveOfSettingsDialog(HWND dialog) {
  DriveDialogData* data = DataOf(dialog);
  return data != nullptr ? data->drive : nullptr;
}

int ShowDriveSettingsDialog(DialogWindow parent, DriveRecord* drive, char* lockData) {
  DriveDialogData data{drive, lockData};
  return RunModalDialog(parent, ProductTitle, StrDriveSettings, WS_CAPTION | WS_SYSMENU, WS_EX_APPWINDOW,
                        DriveSettingsDescription, DriveSettingsEntries, &data) == 1
             ? 1
             : 0;
}
