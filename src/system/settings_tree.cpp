#include <string>
#include <string_view>

#include "registry/registry.h"
#include "system/system.h"

namespace {
constexpr char HiveName[] = "HKEY_CURRENT_USER";
// RegEnumKeyExA's buffer; a longer name ends the deletion of its parent.
constexpr uint32_t KeyNameBytes = 260;
}  // namespace

std::string ExportParameters(const char* path) {
  std::string parameters = "/ea \"";
  parameters.append(path ? path : "").append("\" \"").append(HiveName).append("\\");
  parameters.append(FixedStrings::ProgramKey).append("\"");
  return parameters;
}

void ExportSettings(const char* path) { System().StartRegistryEditor(ExportParameters(path).c_str()); }

void ExportSettingsWhenSet(const char* savePath) {
  if (savePath && *savePath) ExportSettings(savePath);
}

bool HasNoSubkeys(RegKey hive, const char* path) {
  OwnedRegKey key(OpenSubkey(hive, path));
  if (!key) return false;
  uint32_t subKeys = 0;
  if (Registry().QueryInfoKey(key.Get(), &subKeys, nullptr) != RegError::Success) return false;
  return subKeys == 0;
}

bool DeleteKeyTree(RegKey hive, const char* path) {
  // Windows 95/98/ME delete the whole tree at once; NT refuses a key that
  // still has sub-keys.
  if (Registry().DeleteKey(hive, path) == RegError::Success) return true;
  RegKey key;
  if (Registry().OpenKey(hive, path, RegAccess::AllAccess, &key) != RegError::Success) return false;
  {
    OwnedRegKey owned(key);
    // Always index 0: every deletion renumbers the sub-keys behind it.
    for (;;) {
      char name[KeyNameBytes];
      uint32_t size = sizeof name;
      if (Registry().EnumKey(key, 0, name, &size) != RegError::Success) break;
      if (!DeleteKeyTree(key, name)) break;
    }
  }
  return Registry().DeleteKey(hive, path) == RegError::Success;
}

void DeleteSettingsTree() {
  std::string product(ParentKeyPath(FixedStrings::ProgramKey));
  if (product.empty()) return;
  DeleteKeyTree(RegRoot::CurrentUser, product.c_str());
  std::string maker(ParentKeyPath(product));
  if (!maker.empty() && HasNoSubkeys(RegRoot::CurrentUser, maker.c_str()))
    Registry().DeleteKey(RegRoot::CurrentUser, maker.c_str());
}

bool RemoveProgramData() {
  DeleteSettingsTree();
  RemoveAutostart(FixedStrings::RunValue);
  SetDiscAutorunAllUsers(true);
  SetDiscAutorunCurrentUser(true);
  SetAudioAutoplay(true);
  // Judged by what the settings read now, not by the writes: a value that
  // was never there needs no deleting.
  return IsDiscAutorunOn(RegRoot::LocalMachine) && IsDiscAutorunOn(RegRoot::CurrentUser) && IsAudioAutoplayOn();
}
