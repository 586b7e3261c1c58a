// Stores a settings record whose every integer differs (field i holds
// 1000 + i; the language English, 1033), a password hash and an export path, through the real registry,
// so that the end-to-end test can read them back with Wine's reg tool.
#include <cstring>

#include "settings/settings_record.h"

int main() {
  ProgramSettings& settings = ProgramSettings::Current();
  settings.ResetToDefaults();
  int32_t* fields[] = {&settings.ApiPrefered, &settings.NumNames,   &settings.EjectSingle,    &settings.ShowUnknown,
                       &settings.ForceRefresh, &settings.DNEject,   &settings.DNClose,        &settings.DNMessage,
                       &settings.DNTimer,      &settings.DeepMenu,  &settings.TopNames,       &settings.CloseOnRun,
                       &settings.IconDisk,     &settings.IconOpen,  &settings.CmdOpen,        &settings.CmdExplore,
                       &settings.CmdAutorun,   &settings.TimerAutoclose, &settings.TimerEnable};
  for (int i = 0; i < 19; ++i) *fields[i] = 1000 + i;
  settings.Language = LanguageEnglish;
  std::strcpy(settings.LockData, "$1$salt$hash");
  std::strcpy(settings.SavePath, "C:\\varnel.reg");
  settings.Save();
  return 0;
}
