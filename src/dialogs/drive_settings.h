// The drive settings dialog and the speed discovery runs started from it.
// Portable here: the dialog's controls, its form (what the controls show and
// how OK writes them into the record), the rules of its speed lists and
// edits, and the discovery and measurement runs on the lists the dialog
// shows. The dialog and its progress window (drive_settings_win32.cpp) only
// move values between the controls and the form.
#pragma once
#include <cstdint>

#include "dlgengine/dlgengine.h"
#include "drive/drive.h"
#include "resources/string_ids.h"

// The dialog's controls, by id; the boxes that only arrange others are named
// in the description (drive_settings_description.cpp).
namespace DriveId {
enum : uint16_t {
  NameLabel = 102,
  IgnoreBox = 103,
  RestoreBoxFirst = 110,  // 110..113, one per RestoreBoxEvents entry
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
  CdList = 145,
  DvdList = 146,  // lies over the CD list; one of the two is shown
  SpeedTimesEdit = 152,
  CommandTimesEdit = 153,
  SpeedKbEdit = 155,
  CommandKbEdit = 156,
  CdListRadio = 161,
  DvdListRadio = 162,
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
}  // namespace DriveId

// The restore boxes in their order: start, disc change, wake, tray close.
// EventMask bits without a box are dropped by OK.
constexpr int RestoreBoxCount = 4;
extern const RestoreEvent RestoreBoxEvents[RestoreBoxCount];

// The restore periods of the nine timer radios, in milliseconds.
constexpr int TimerChoiceCount = 9;
extern const int32_t TimerChoices[TimerChoiceCount];

// What the dialog's controls show. The speed lists hold what the list views
// show; Selected and Valid are the record's.
struct DriveSettingsForm {
  bool Ignore;
  bool RestoreOn[RestoreBoxCount];
  bool IgnoreSpeed;
  bool OnlyWithDisk;
  bool WhenAudio;
  int TimerChoice;  // index into TimerChoices, -1 when no radio is checked
  bool TimerEnabled;
  bool ForceRead;
  bool ShortMenu;
  bool Lock;
  char16_t ShortName[ShortNameLength + 1];
  uint32_t HotKeyField[HotKeyCount];  // the hot key control's word: key and modifier byte
  bool WinKey[HotKeyCount];
  SpeedRange CD;
  SpeedRange DVD;
  bool DvdListChosen;   // the list radio: the DVD list is shown
  bool DvdListEnabled;  // a DVD drive has a DVD list
  int32_t DvdMethod;    // the checked method radio, a DvdMethod
  bool MethodEnabled;   // the method radios need a DVD drive
};

// The method radios and the method each stands for.
struct MethodChoice {
  uint16_t Id;
  DvdMethod Method;
};
extern const MethodChoice MethodChoices[3];

// The check boxes that each show one flag of the form.
struct DriveFormBox {
  uint16_t Id;
  bool DriveSettingsForm::*Field;
};
constexpr int DriveFormBoxCount = 7;
extern const DriveFormBox DriveFormBoxes[DriveFormBoxCount];

// The form of a record. The timer radios are enabled only while the
// program's main timer runs: the per-drive timer runs on it.
void FillDriveSettingsForm(DriveSettingsForm& form, const DriveRecord& drive, bool mainTimerRuns);
// OK: every control into the record. A disabled timer radio keeps its choice;
// a DVD list found with another method must be found again.
void ApplyDriveSettingsForm(const DriveSettingsForm& form, DriveRecord& drive);

// What the user is told after a discovery run.
enum DiscoveryNotice {
  NoDiscoveryNotice,
  DiscoveryFoundNoSpeeds,       // at most one speed, and the drive not ready
  DiscoveryNeedsAdministrator,  // the class-driver row cannot read speeds back
  DiscoveryDiscRemoved,         // the disc left during a measurement: the lists stay
};

// A discovery method run from the dialog: it starts from the lists and the
// method the form shows, its results go back into the form's lists (and the
// list radio follows the medium), and the record keeps its own lists and
// method until OK. A run refused for want of rights, or a measurement whose
// disc was taken out, leaves the form's lists.
[[nodiscard]] DiscoveryNotice RunDiscoveryOnForm(DriveSettingsForm& form, DriveRecord& drive, SpeedMethod method,
                                                 ProgressCallback progress, void* context);

// What a measurement's progress window shows at the end of its bar: the time
// it has left, "m:ss" (each step of the progress is one timed second).
void MeasurementTimeLeft(int total, int done, char (&text)[8]);

// "Измерение": closes the tray and looks for a disc with data, asking the user
// (askForDisc, the "insert a data CD" prompt; false when the user gives up)
// until one is in. A disc just inserted spins up: the drive is then given
// the bounded spin-up wait before the first measured read. True when the
// measurement is to run.
[[nodiscard]] bool PrepareMeasurement(DriveRecord& drive, bool (*askForDisc)(void* context), void* context);

// ---- The speed lists' rules ----------------------------------------------------

// A list item's parameter: Command in the high 16 bits, Speed in the low 16.
[[nodiscard]] uint32_t PackSpeedEntry(const SpeedEntry& entry);
[[nodiscard]] SpeedEntry UnpackSpeedEntry(uint32_t parameter);

// What a list column shows: the multiple, modulo 1000.
[[nodiscard]] uint32_t ListColumnNumber(uint32_t kilobytes, uint32_t unit);
// The kB/s of a multiple of the unit, saturated rather than wrapped.
[[nodiscard]] uint32_t KilobytesOfMultiple(uint32_t multiple, uint32_t unit);

// Typing in one of the four speed edits writes its partner in the other
// row: the multiple of the unit above, its kB/s below (Partner 0: none).
struct SpeedEditEcho {
  uint16_t Partner;
  uint32_t Value;
};
[[nodiscard]] SpeedEditEcho EchoSpeedEdit(uint16_t edit, uint32_t value, uint32_t unit);

// An edit's text as an unsigned number: blanks around digits are allowed,
// anything else (a sign, letters, nothing) reads 0; too many digits saturate.
[[nodiscard]] uint32_t ParseEditNumber(const char* text);

// Why "Добавить" adds nothing.
enum class AdditionRefusal : uint8_t {
  None,
  Quietly,   // a field left empty, or a full list
  BadValue,  // not a whole number from 1 to 65535 kB/s, what a list holds: the user is told
};
// What "Добавить" does to a shown list, fastest first, with the texts of the
// speed and command fields (kB/s).
struct SpeedListAddition {
  AdditionRefusal Refusal;
  int32_t Replaced;   // the index of the entry in the same 176 kB/s step, -1 for none
  uint32_t Position;  // where the new entry goes (after the replaced one is removed)
  SpeedEntry Entry;
};
[[nodiscard]] SpeedListAddition PlanSpeedListAddition(const SpeedRange& list, const char* speedText,
                                                      const char* commandText);

// ---- Windows ----------------------------------------------------------------

// Edits one drive's settings in place. DialogOk after OK (every control
// copied into the record), 0 after Cancel or the close box (the record as it
// was).
// lockData is ProgramSettings::LockData: unchecking the lock box asks for
// that password when one is set.
int ShowDriveSettingsDialog(DialogWindow parent, DriveRecord* drive, char* lockData);

// Runs a discovery method on the drive of the open settings dialog behind a
// modeless progress window: the method starts from the lists the dialog
// shows, its results go back into the dialog's lists, and the record keeps
// its own lists until OK.
void RunSpeedDiscovery(DialogWindow settingsDialog, StringId title, SpeedMethod method);
// "Измерение": closes the tray and asks for a data disc until one is in the
// drive (then measures) or the user gives up.
void StartMeasurement(DialogWindow settingsDialog);
