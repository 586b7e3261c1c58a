#include "dialogs/program_settings.h"

#include <cstring>

#include "mmc/transport.h"
#include "registry/fixed_strings.h"
#include "system/system.h"

namespace {

using namespace SettingsId;

// A flag setting and the box that shows it.
struct FlagBox {
  uint16_t Id;
  int32_t ProgramSettings::*Field;
};
constexpr FlagBox InterfaceFlags[] = {{CloseOnRun, &ProgramSettings::CloseOnRun},
                                      {ShowUnknown, &ProgramSettings::ShowUnknown},
                                      {NumNames, &ProgramSettings::NumNames},
                                      {TopNames, &ProgramSettings::TopNames},
                                      {DeepMenu, &ProgramSettings::DeepMenu}};
constexpr FlagBox ShutdownFlags[] = {{DNEject, &ProgramSettings::DNEject},
                                     {DNClose, &ProgramSettings::DNClose},
                                     {DNMessage, &ProgramSettings::DNMessage}};
constexpr FlagBox IconAndCommandFlags[] = {{IconDisk, &ProgramSettings::IconDisk},
                                           {IconOpen, &ProgramSettings::IconOpen},
                                           {CmdOpen, &ProgramSettings::CmdOpen},
                                           {CmdExplore, &ProgramSettings::CmdExplore},
                                           {CmdAutorun, &ProgramSettings::CmdAutorun}};

// The language radios and the setting each stands for.
struct LanguageRadio {
  uint16_t Id;
  ProgramLanguage Language;
};
constexpr LanguageRadio LanguageRadios[] = {{LanguageAutoRadio, LanguageAutomatic},
                                            {LanguageRussianRadio, LanguageRussian},
                                            {LanguageEnglishRadio, LanguageEnglish}};

// The autorun boxes and the hive of the policy each one shows.
struct PolicyBox {
  uint16_t Id;
  RegKey Hive;
};
const PolicyBox PolicyBoxes[] = {{AutorunAllUsers, RegRoot::LocalMachine}, {AutorunCurrentUser, RegRoot::CurrentUser}};

constexpr unsigned WindowsXp = 0x10501;
constexpr unsigned Windows2000 = 0x10500;
// Shells before this reread the policy only in a new session.
constexpr unsigned LastShellWithoutPolicyReread = 4;
constexpr uint32_t MsPerSecond = 1000;

template <size_t N>
void ShowFlags(SettingsForm& form, const FlagBox (&boxes)[N], const ProgramSettings& settings) {
  for (const FlagBox& box : boxes) form.Check(box.Id) = settings.*box.Field != 0;
}

template <size_t N>
void WriteFlags(const SettingsForm& form, const FlagBox (&boxes)[N], ProgramSettings& settings) {
  for (const FlagBox& box : boxes) settings.*box.Field = form.IsChecked(box.Id) ? 1 : 0;
}

// The number of the first checked radio of a group; false when none is.
bool CheckedNumber(const SettingsForm& form, uint16_t first, uint16_t last, uint32_t& number) {
  for (uint16_t id = first; id <= last; ++id) {
    if (!form.IsChecked(id)) continue;
    number = form.Value[id - SettingsId::First];
    return true;
  }
  return false;
}

void CopyText(char* to, size_t size, const char* from) {
  std::strncpy(to, from, size - 1);
  to[size - 1] = '\0';
}

}  // namespace

SettingsForm::SettingsForm() : Checked{}, Value{}, LockData{}, SavePath{} {
  for (bool& enabled : Enabled) enabled = true;
  for (StringId& note : Note) note = NoString;
}

void ApplyStartupRule(SettingsForm& form) {
  const bool autostart = form.IsChecked(Autostart);
  form.Enable(ExitAfterStart) = autostart && !form.IsChecked(HideIcon);
  form.Enable(HideIcon) = autostart && !form.IsChecked(ExitAfterStart);
}

void ApplyAudioRule(SettingsForm& form, unsigned windowsVersion) {
  form.Enable(AudioAutoplay) =
      windowsVersion < WindowsXp &&
      (windowsVersion != Windows2000 || (form.IsChecked(AutorunAllUsers) && form.IsChecked(AutorunCurrentUser)));
}

void ApplyTimerRule(SettingsForm& form) {
  for (uint16_t id = AutocloseFirst; id <= AutocloseLast; ++id) form.Enable(id) = form.IsChecked(TimerEnable);
}

void ApplyFormRules(SettingsForm& form, unsigned windowsVersion) {
  ApplyStartupRule(form);
  ApplyAudioRule(form, windowsVersion);
  ApplyTimerRule(form);
}

void FillSettingsForm(SettingsForm& form, const ProgramSettings& settings, const SettingsFacts& facts) {
  const uint32_t hungSeconds = GetHungAppTimeout() / MsPerSecond;

  form.Check(Autostart) = IsAutostart(FixedStrings::RunValue, nullptr);
  form.Check(ExitAfterStart) = IsAutostart(FixedStrings::RunValue, "/exit");
  form.Check(HideIcon) = IsAutostart(FixedStrings::RunValue, "/hide");
  ApplyStartupRule(form);

  ShowFlags(form, InterfaceFlags, settings);
  form.Check(SeparateEjectClose) = settings.EjectSingle == 0;

  for (const PolicyBox& box : PolicyBoxes) {
    form.Check(box.Id) = IsDiscAutorunOn(box.Hive);
    form.Enable(box.Id) = CanWritePolicy(box.Hive);
    // A standard user on Windows NT to 11 may not change the machine's
    // policy (nor, where it is locked, the user's own): say why the box is
    // grey rather than leave them guessing.
    if (!form.Enable(box.Id)) form.NoteOf(box.Id) = StrAdminRightsNeeded;
  }
  form.Check(AudioAutoplay) = IsAudioAutoplayOn();
  ApplyAudioRule(form, facts.WindowsVersion);

  form.Check(ForceRefresh) = settings.ForceRefresh != 0;
  form.Check(TimerEnable) = settings.TimerEnable != 0;
  for (uint16_t id = AutocloseFirst; id <= AutocloseLast; ++id)
    form.Check(id) = int64_t(form.Number(id)) * MsPerSecond == settings.TimerAutoclose;
  ApplyTimerRule(form);

  form.Check(ApiAspi) = facts.TransportId == TransportAspi;
  form.Enable(ApiAspi) = facts.AspiStatus == AspiUsable;
  form.Check(ApiSpti) = facts.TransportId == TransportSpti;
  form.Enable(ApiSpti) = facts.SptiStatus == SptiUsable;
  // The class-driver row is what is left when SPTI is refused, never a choice.
  form.Check(ApiClassDriver) = facts.TransportId == TransportClassDriver;
  form.Enable(ApiClassDriver) = false;

  ShowFlags(form, ShutdownFlags, settings);
  // A delay longer than Windows waits for a program at shutdown would be cut off.
  for (uint16_t id = DelayFirst; id <= DelayLast; ++id) {
    form.Check(id) = int64_t(form.Number(id)) == settings.DNTimer;
    form.Enable(id) = hungSeconds >= form.Number(id);
  }

  CopyText(form.LockData, sizeof form.LockData, settings.LockData);
  form.Check(PasswordBox) = form.LockData[0] != '\0';
  CopyText(form.SavePath, sizeof form.SavePath, settings.SavePath);
  form.Check(ExportBox) = form.SavePath[0] != '\0';

  ShowFlags(form, IconAndCommandFlags, settings);
  for (const LanguageRadio& radio : LanguageRadios) form.Check(radio.Id) = settings.Language == radio.Language;
}

bool ApplySettingsForm(const SettingsForm& form, ProgramSettings& settings, unsigned shellVersion) {
  const int oldMachine = IsDiscAutorunOn(RegRoot::LocalMachine);
  const int oldUser = IsDiscAutorunOn(RegRoot::CurrentUser);

  if (form.IsChecked(Autostart)) {
    const char* suffix = form.IsChecked(HideIcon) ? "/hide" : form.IsChecked(ExitAfterStart) ? "/exit" : nullptr;
    SetAutostart(FixedStrings::RunValue, suffix);
  } else {
    RemoveAutostart(FixedStrings::RunValue);
  }

  WriteFlags(form, InterfaceFlags, settings);
  settings.EjectSingle = form.IsChecked(SeparateEjectClose) ? 0 : 1;

  // Applied as shown, changed or not and enabled or not.
  SetDiscAutorunAllUsers(form.IsChecked(AutorunAllUsers));
  SetDiscAutorunCurrentUser(form.IsChecked(AutorunCurrentUser));
  SetAudioAutoplay(form.IsChecked(AudioAutoplay));

  settings.ForceRefresh = form.IsChecked(ForceRefresh) ? 1 : 0;
  settings.TimerEnable = form.IsChecked(TimerEnable) ? 1 : 0;
  uint32_t seconds = 0;
  if (CheckedNumber(form, AutocloseFirst, AutocloseLast, seconds)) settings.TimerAutoclose = int32_t(seconds * MsPerSecond);

  if (form.IsChecked(ApiAspi)) settings.ApiPrefered = PreferAspi;
  if (form.IsChecked(ApiSpti)) settings.ApiPrefered = PreferSpti;

  const bool policyChanged =
      oldMachine != IsDiscAutorunOn(RegRoot::LocalMachine) || oldUser != IsDiscAutorunOn(RegRoot::CurrentUser);

  WriteFlags(form, ShutdownFlags, settings);
  if (CheckedNumber(form, DelayFirst, DelayLast, seconds)) settings.DNTimer = int32_t(seconds);

  CopyText(settings.LockData, sizeof settings.LockData, form.LockData);
  CopyText(settings.SavePath, sizeof settings.SavePath, form.SavePath);

  WriteFlags(form, IconAndCommandFlags, settings);
  for (const LanguageRadio& radio : LanguageRadios)
    if (form.IsChecked(radio.Id)) settings.Language = radio.Language;
  return policyChanged && shellVersion <= LastShellWithoutPolicyReread;
}
