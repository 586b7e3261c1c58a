#include "app/tray_state.h"

#include "app/app.h"
#include "compat/wide_text.h"
#include "drive/drive.h"
#include "resources/product.h"
#include "settings/settings_record.h"

namespace {
const char16_t* StatusWord(const DriveRecord& drive) {
  if (drive.MediumType == MediumDoorOpen) return u"OPEN";
  if (!drive.Ready) return u"";
  if (drive.AudioStatus == AudioPlaying) return u"PLAY";
  if (drive.AudioStatus == AudioPaused) return u"PAUSE";
  if (IsAudioMedium(drive.MediumType)) return u"AUDIO";
  if (drive.DvdActive()) return u"DVD";
  return u"DATA";
}
}  // namespace

TrayView BuildTrayView(const DriveRecord* drives, int count, int tipLength) {
  TrayView view{};
  if (count <= 0) {
    AppendWide(view.Tip, ProductTitle);
    return view;
  }
  // name + 6 covers " ", up to three digits and the unit; word + 3 covers
  // "(", ") ", and 1 the blank after a drive without a word: so the tip never
  // outgrows tipLength - 1 characters.
  int budget = (tipLength < TrayTipLongLength ? tipLength : TrayTipLongLength) - 1;
  char16_t* p = view.Tip;
  for (int i = 0; i < count; ++i) {
    const DriveRecord& drive = drives[i];
    if (drive.Ignore) continue;
    if (drive.Ready) view.DiscCount++;
    if (IsTrayOpen(drive)) view.OpenTrayCount++;
    char16_t name[ShownNameLength + 1];
    ShownName(drives, count, i, name);
    budget -= int(WideLength(name)) + 6;
    if (budget < 0) continue;  // and nothing for later drives: the budget stays spent
    p = AppendWide(p, name);
    p = AppendWide(p, u" ");
    if (drive.DvdActive()) {
      p = AppendDecimal(p, UnitMultiple(drive.CurrentSpeed, SpeedUnitDVD) % 100);
      p = AppendWide(p, u"X");
    } else {
      p = AppendDecimal(p, UnitMultiple(drive.CurrentSpeed, SpeedUnitCD) % 1000);
      p = AppendWide(p, u"x");
    }
    const char16_t* word = StatusWord(drive);
    const int wordLength = int(WideLength(word));
    budget -= wordLength != 0 ? wordLength + 3 : 1;
    if (budget < 0) continue;
    if (wordLength == 0) {
      p = AppendWide(p, u" ");
      continue;
    }
    p = AppendWide(p, u"(");
    p = AppendWide(p, word);
    p = AppendWide(p, u") ");
  }
  return view;
}

int TrayTipLengthFor(unsigned shellVersion) { return shellVersion >= 5 ? TrayTipLongLength : TrayTipLength; }

bool TransportError(AspiAvailability aspiStatus, SptiAvailability sptiStatus, TransportKind installed) {
  // SPTI refused a standard user of Vista and later; the class-driver row
  // installed in its place reaches the drives.
  bool works = aspiStatus != AspiNotLoaded && aspiStatus != AspiDamaged && sptiStatus != SptiNotProbed &&
               (aspiStatus == AspiUsable || sptiStatus == SptiUsable || installed == TransportClassDriver);
  return !works;
}

TrayPicture ShownTrayPicture(const DriveRecord* drives, int count) {
  const ShellState& shell = Shell();
  const ProgramSettings& settings = ProgramSettings::Current();
  const TrayView view = BuildTrayView(drives, count);
  if (shell.BusyCount > 0) return TrayBusy;
  if (TransportError(AspiStatus(), SptiStatus(), TransportId())) return TrayError;
  if (count == 0) return TrayNoDrives;
  if (shell.Blink) return TrayError;
  if (view.OpenTrayCount > 0 && settings.IconOpen) return TrayOpen;
  if (view.DiscCount > 0 && settings.IconDisk) return TrayDisc;
  return TrayNormal;
}
