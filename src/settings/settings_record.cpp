#include "settings/settings_record.h"

#include <cstring>
#include <type_traits>

#include "registry/registry.h"

static_assert(std::is_standard_layout_v<ProgramSettings> && std::is_trivially_copyable_v<ProgramSettings>);

namespace {

struct IntField {
  const char* Name;
  int32_t ProgramSettings::*Field;
};

// Registry names and fields, in the order the values are read and written.
constexpr IntField IntFields[ProgramSettings::IntCount] = {
    {"ApiPrefered", &ProgramSettings::ApiPrefered},   {"NumNames", &ProgramSettings::NumNames},
    {"EjectSingle", &ProgramSettings::EjectSingle},   {"ShowUnknown", &ProgramSettings::ShowUnknown},
    {"ForceRefresh", &ProgramSettings::ForceRefresh}, {"DNEject", &ProgramSettings::DNEject},
    {"DNClose", &ProgramSettings::DNClose},           {"DNMessage", &ProgramSettings::DNMessage},
    {"DNTimer", &ProgramSettings::DNTimer},           {"DeepMenu", &ProgramSettings::DeepMenu},
    {"TopNames", &ProgramSettings::TopNames},         {"CloseOnRun", &ProgramSettings::CloseOnRun},
    {"IconDisk", &ProgramSettings::IconDisk},         {"IconOpen", &ProgramSettings::IconOpen},
    {"CmdOpen", &ProgramSettings::CmdOpen},           {"CmdExplore", &ProgramSettings::CmdExplore},
    {"CmdAutorun", &ProgramSettings::CmdAutorun},     {"TimerAutoclose", &ProgramSettings::TimerAutoclose},
    {"TimerEnable", &ProgramSettings::TimerEnable},   {"Language", &ProgramSettings::Language},
};

constexpr char LockKey[] = "Lock";
constexpr char LockValue[] = "Data";
constexpr char SavePathValue[] = "SavePath";

// The table for one record, as the generic walkers take it.
void BindIntTable(ProgramSettings& settings, IntTableEntry (&entries)[ProgramSettings::IntCount]) {
  for (size_t i = 0; i < ProgramSettings::IntCount; ++i) entries[i] = {IntFields[i].Name, &(settings.*IntFields[i].Field)};
}

}  // namespace

ProgramSettings& ProgramSettings::Current() {
  static ProgramSettings settings;
  return settings;
}

void ProgramSettings::ResetToDefaults() {
  *this = ProgramSettings{};
  NumNames = 1;
  EjectSingle = 1;
  DNTimer = 5;
  IconDisk = 1;
  CmdExplore = 1;
  CmdAutorun = 1;
}

void ProgramSettings::Load() {
  ResetToDefaults();
  OwnedRegKey key(OpenProgramKey());
  if (!key) return;
  IntTableEntry entries[IntCount];
  BindIntTable(*this, entries);
  ReadDwordTable(key.Get(), entries, IntCount);
  if (Language != LanguageRussian && Language != LanguageEnglish) Language = LanguageAutomatic;
  // A missing value or "Lock" key leaves the default.
  OwnedRegKey lock(OpenSubkey(key.Get(), LockKey));
  ReadString(lock.Get(), LockValue, LockData, sizeof LockData);
  ReadString(key.Get(), SavePathValue, SavePath, sizeof SavePath);
}

void ProgramSettings::Save() {
  // A field filled to its last byte (a caller that forgot the terminator)
  // is cut rather than written with whatever follows it in memory.
  LockData[sizeof LockData - 1] = '\0';
  SavePath[sizeof SavePath - 1] = '\0';
  OwnedRegKey key(CreateProgramKey());
  if (!key) return;
  IntTableEntry entries[IntCount];
  BindIntTable(*this, entries);
  WriteDwordTable(key.Get(), entries, IntCount);
  OwnedRegKey lock(CreateSubkey(key.Get(), LockKey));
  WriteString(lock.Get(), LockValue, LockData);  // nothing is written without the key
  WriteString(key.Get(), SavePathValue, SavePath);
}
