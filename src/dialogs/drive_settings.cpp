// The drive settings dialog's portable half: the form a record shows, what
// OK writes back, and the discovery and measurement runs started from it.
#include "dialogs/drive_settings.h"

#include "common/format_text.h"
#include "hotkeys/hotkeys.h"

const RestoreEvent RestoreBoxEvents[RestoreBoxCount] = {EventStart, EventDiscChange, EventWake, EventTrayClosed};

const int32_t TimerChoices[TimerChoiceCount] = {0, 5000, 15000, 30000, 60000, 300000, 900000, 1800000, 3600000};

const MethodChoice MethodChoices[3] = {{DriveId::MethodAutoRadio, DvdMethodNone},
                                     {DriveId::MethodDvdRadio, DvdMethodStreaming},
                                     {DriveId::MethodCdRadio, DvdMethodCdSpeed}};

const DriveFormBox DriveFormBoxes[DriveFormBoxCount] = {
    {DriveId::IgnoreBox, &DriveSettingsForm::Ignore},           {DriveId::IgnoreSpeedBox, &DriveSettingsForm::IgnoreSpeed},
    {DriveId::OnlyWithDiskBox, &DriveSettingsForm::OnlyWithDisk}, {DriveId::WhenAudioBox, &DriveSettingsForm::WhenAudio},
    {DriveId::ForceReadBox, &DriveSettingsForm::ForceRead},     {DriveId::ShortMenuBox, &DriveSettingsForm::ShortMenu},
    {DriveId::LockBox, &DriveSettingsForm::Lock},
};

namespace {

// What the hot key control holds: the virtual key and the modifier byte.
constexpr uint32_t HotkeyControlBits = 0xFFFF;

// The shown lists into the record: at most MaxSpeedEntries entries; an empty
// list keeps Valid as it was, and Selected is the menu's business.
void TakeShownList(const SpeedRange& shown, SpeedRange& range) {
  const uint32_t count = shown.Count < MaxSpeedEntries ? shown.Count : MaxSpeedEntries;
  range.Count = count;
  for (uint32_t i = 0; i < count; ++i) range.Entries[i] = shown.Entries[i];
  if (count != 0) range.Valid = 1;
}

// The list radio follows the medium in the drive; the DVD radio needs a DVD drive.
void ChooseListOfMedium(DriveSettingsForm& form, const DriveRecord& drive) {
  form.DvdListChosen = drive.DvdActive();
  form.DvdListEnabled = drive.DVD != 0;
}

}  // namespace

void FillDriveSettingsForm(DriveSettingsForm& form, const DriveRecord& drive, bool mainTimerRuns) {
  form = {};
  form.Ignore = drive.Ignore != 0;
  for (int k = 0; k < RestoreBoxCount; ++k) form.RestoreOn[k] = (uint32_t(drive.EventMask) & RestoreBoxEvents[k]) != 0;
  form.IgnoreSpeed = drive.IgnoreSpeed != 0;
  form.OnlyWithDisk = drive.OnlyWithDisk != 0;
  form.WhenAudio = drive.WhenAudio != 0;
  form.TimerChoice = -1;
  for (int k = 0; k < TimerChoiceCount; ++k)
    if (drive.Timer == TimerChoices[k]) form.TimerChoice = k;
  form.TimerEnabled = mainTimerRuns;
  form.ForceRead = drive.ForceRead != 0;
  form.ShortMenu = drive.ShortMenu != 0;
  form.Lock = drive.Lock != 0;
  for (int i = 0; i < ShortNameLength && drive.ShortName[i] != u'\0'; ++i) form.ShortName[i] = drive.ShortName[i];
  for (int k = 0; k < HotKeyCount; ++k) {
    form.HotKeyField[k] = drive.HotKeys[k] & ~uint32_t(HotkeyWordWin) & HotkeyControlBits;
    form.WinKey[k] = (drive.HotKeys[k] & HotkeyWordWin) != 0;
  }
  form.CD = drive.RangeCD;
  form.DVD = drive.RangeDVD;
  ChooseListOfMedium(form, drive);
  form.DvdMethod = drive.DVDMethodPrefered;
  form.MethodEnabled = drive.DVD != 0;
}

void ApplyDriveSettingsForm(const DriveSettingsForm& form, DriveRecord& drive) {
  drive.Ignore = form.Ignore;
  drive.EventMask = 0;
  for (int k = 0; k < RestoreBoxCount; ++k)
    if (form.RestoreOn[k]) drive.EventMask |= int32_t(RestoreBoxEvents[k]);
  drive.IgnoreSpeed = form.IgnoreSpeed;
  drive.OnlyWithDisk = form.OnlyWithDisk;
  drive.WhenAudio = form.WhenAudio;
  if (form.TimerChoice >= 0 && form.TimerChoice < TimerChoiceCount) drive.Timer = TimerChoices[form.TimerChoice];
  drive.ForceRead = form.ForceRead;
  drive.ShortMenu = form.ShortMenu;
  drive.Lock = form.Lock;
  for (int i = 0; i <= ShortNameLength; ++i) drive.ShortName[i] = i < ShortNameLength ? form.ShortName[i] : u'\0';
  TakeShownList(form.CD, drive.RangeCD);
  TakeShownList(form.DVD, drive.RangeDVD);
  for (int k = 0; k < HotKeyCount; ++k)
    drive.HotKeys[k] = (form.HotKeyField[k] & HotkeyControlBits) | (form.WinKey[k] ? uint32_t(HotkeyWordWin) : 0);
  // A DVD list found with another method must be found again.
  if (form.DvdMethod != drive.DVDMethodPrefered && !drive.DvdActive()) drive.RangeDVD.Valid = 0;
  drive.DVDMethodPrefered = form.DvdMethod;
}

DiscoveryNotice RunDiscoveryOnForm(DriveSettingsForm& form, DriveRecord& drive, SpeedMethod method,
                                   ProgressCallback progress, void* context) {
  const SpeedRange savedCD = drive.RangeCD;
  const SpeedRange savedDVD = drive.RangeDVD;
  const int32_t savedMethod = drive.DVDMethodPrefered;
  TakeShownList(form.CD, drive.RangeCD);
  TakeShownList(form.DVD, drive.RangeDVD);
  drive.DVDMethodPrefered = form.DvdMethod;

  const EnumerationEnd end = EnumerateSpeeds(drive, method, progress, context);

  // Asking and reading back needs the drive's current speed, which the
  // class-driver row has only where Windows passes GET PERFORMANCE on: the
  // lists shown stay as they were.
  const bool readBack = drive.DvdActive() ? drive.CanGetDVDSpeed || drive.CanGetCDSpeed : drive.CanGetSpeed;
  DiscoveryNotice notice = NoDiscoveryNotice;
  if (end == EnumerationEnd::DiscRemoved) {
    notice = DiscoveryDiscRemoved;
  } else if (TransportId() == TransportClassDriver && method != SpeedMethod::Measure && drive.Ready && !readBack) {
    notice = DiscoveryNeedsAdministrator;
  } else {
    form.CD = drive.RangeCD;
    form.DVD = drive.RangeDVD;
    if (drive.Active().Count <= 1 && drive.Ready == 0) notice = DiscoveryFoundNoSpeeds;
  }
  drive.RangeCD = savedCD;
  drive.RangeDVD = savedDVD;
  drive.DVDMethodPrefered = savedMethod;
  ChooseListOfMedium(form, drive);
  return notice;
}

bool PrepareMeasurement(DriveRecord& drive, bool (*askForDisc)(void* context), void* context) {
  for (;;) {
    MoveTray(drive, TrayMove::Close);
    RefreshStatus(drive);
    // A drive that reports no medium type but is ready holds a disc too.
    if (IsDataMedium(drive.MediumType) || (drive.MediumType == 0 && drive.Ready != 0)) break;
    if (!askForDisc(context)) return false;
  }
  // A disc pushed in a moment ago still spins up: a measurement started now
  // would read nothing and find no speeds.
  if (drive.Ready == 0 && WaitUntilReady(drive)) RefreshStatus(drive);
  return true;
}

void MeasurementTimeLeft(int total, int done, char (&text)[8]) {
  // The measurement reports 176 per interval of one second.
  const unsigned seconds = done < total ? unsigned(total - done) / SpeedUnitCD : 0;
  FormatText(text, sizeof text, "%u:%02u", seconds / 60 % 100, seconds % 60);
}
