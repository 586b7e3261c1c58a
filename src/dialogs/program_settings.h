// The program settings dialog's portable half: what each control shows when
// the dialog opens, the rules that enable controls as others are clicked,
// and what OK writes into the settings record and the system. The Windows
// half (program_settings_win32.cpp) only copies this form to and from the
// controls.
#pragma once
#include <cstdint>

#include "resources/string_ids.h"
#include "settings/settings_record.h"

// The dialog's controls that carry a state, by id.
namespace SettingsId {
enum : uint16_t {
  Autostart = 104, ExitAfterStart = 105, HideIcon = 106, CloseOnRun = 107,
  TimerEnable = 109, AutocloseFirst = 112, AutocloseLast = 116,
  AutorunAllUsers = 118, AutorunCurrentUser = 119, AudioAutoplay = 120,
  ForceRefresh = 122, ExportBox = 123, PathHolder = 124, ApiAspi = 126, ApiSpti = 127,
  ShowUnknown = 129, NumNames = 130, SeparateEjectClose = 131, TopNames = 132, DeepMenu = 133,
  PasswordBox = 134, IconDisk = 135, IconOpen = 136, CmdOpen = 137, CmdExplore = 138, CmdAutorun = 139,
  HashHolder = 140, DNMessage = 142, DNEject = 143, DNClose = 144, DelayFirst = 147, DelayLast = 151,
  LanguageAutoRadio = 154, LanguageRussianRadio = 155, LanguageEnglishRadio = 156, ApiClassDriver = 158,
};
constexpr uint16_t First = 100;
constexpr uint16_t Last = 158;
}  // namespace SettingsId

// What the dialog needs to know about the machine besides the registry.
struct SettingsFacts {
  unsigned WindowsVersion;  // ((major << 8) | minor), + 0x10000 on NT
  unsigned ShellVersion;    // shell32's major version
  int32_t TransportId;      // the transport in use (TransportKind)
  int32_t AspiStatus;       // AspiAvailability
  int32_t SptiStatus;       // SptiAvailability
};

// The dialog's state: check mark, enabled state and, for radio buttons, the
// number their caption reads as ("Нет" reads as 0), per control id; and the
// two hidden texts. A control with a note shows it as a second line of its
// caption.
struct SettingsForm {
  static constexpr int Count = SettingsId::Last - SettingsId::First + 1;
  bool Checked[Count];
  bool Enabled[Count];
  uint32_t Value[Count];
  StringId Note[Count];
  char LockData[sizeof ProgramSettings::LockData];
  char SavePath[sizeof ProgramSettings::SavePath];

  // Every control enabled, unchecked, reading 0, without a note; both
  // texts empty.
  SettingsForm();
  bool& Check(uint16_t id) { return Checked[id - SettingsId::First]; }
  bool& Enable(uint16_t id) { return Enabled[id - SettingsId::First]; }
  uint32_t& Number(uint16_t id) { return Value[id - SettingsId::First]; }
  StringId& NoteOf(uint16_t id) { return Note[id - SettingsId::First]; }
  bool IsChecked(uint16_t id) const { return Checked[id - SettingsId::First]; }
};

// Fills the form from the settings, the system settings and the facts; the
// radio numbers must already be in the form. An autorun box whose policy key
// the user may not change is disabled and says that administrator rights
// are needed.
void FillSettingsForm(SettingsForm& form, const ProgramSettings& settings, const SettingsFacts& facts);
// "/exit" and "/hide" each need autostart and exclude each other.
void ApplyStartupRule(SettingsForm& form);
// The audio box: always on Windows 9x and NT 4, on Windows 2000 only while
// both autorun boxes are checked, never from XP on (the shell's autoplay
// takes over there).
void ApplyAudioRule(SettingsForm& form, unsigned windowsVersion);
// The automatic-close delays need the timer.
void ApplyTimerRule(SettingsForm& form);
// The three rules above, as a click on any box they read reruns them.
void ApplyFormRules(SettingsForm& form, unsigned windowsVersion);
// OK: writes the system settings and the record, in the dialog's order.
// True when the autorun policy changed on a shell that rereads it only with
// a new session (the user is then told so).
bool ApplySettingsForm(const SettingsForm& form, ProgramSettings& settings, unsigned shellVersion);
