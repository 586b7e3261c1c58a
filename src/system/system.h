// The system settings the program changes outside its own key (start with
// Windows, disc autorun policy, audio-CD autoplay), the one system value it
// reads (the hung-application time), and the program key as a whole: its
// export through the registry editor and its removal.
//
// Everything here is portable and reaches the registry through the registry
// seam. What only Windows can do (the executable's path, the platform family,
// the policy broadcast, starting the registry editor) goes through the small
// table below, so native tests can watch it.
#pragma once
#include <cstdint>
#include <string>

#include "registry/registry_ops.h"

struct SystemOps {
  // The executable's full path (GetModuleFileNameA); empty when unknown.
  std::string (*ModulePath)();
  // True on the NT family, where the policy value is a REG_DWORD.
  bool (*IsNt)();
  // Tells every top-level window that the policies changed; waits for them.
  void (*BroadcastPolicyChange)();
  // Starts "regedit.exe" hidden with these parameters, without waiting.
  void (*StartRegistryEditor)(const char* parameters);
};
// The row in use: the platform's own until another is installed.
const SystemOps& System();
// Installs a row (null puts the platform's own row back).
void InstallSystemOps(const SystemOps* row);
// The platform's own row: Windows calls in the win32 tree; on the host, the
// test program's own path and an NT-family answer, with neither windows to
// tell nor a registry editor to start.
const SystemOps& SystemRow();

// ---- Start with Windows (the current user's Run key) -----------------------

// Writes "<executable path>[ <argument>]" as the value valueName and removes
// the values of earlier versions. Nothing when the path is unknown.
void SetAutostart(const char* valueName, const char* argument);
void RemoveAutostart(const char* valueName);
// True when the value starts with this executable's path and, if an argument is
// given, ends with it (both compared without regard to case).
[[nodiscard]] bool IsAutostart(const char* valueName, const char* argument);

// ---- Disc autorun policy ("NoDriveTypeAutoRun", bit 0x20 = CD-ROM) ---------

// The value's starting point when it does not exist: the system's default.
constexpr uint32_t DefaultNoDriveTypeAutoRun = 0x95;
constexpr uint32_t NoAutorunCdRom = 0x20;

// False only when the hive's value reads and has the CD-ROM bit set.
[[nodiscard]] bool IsDiscAutorunOn(RegKey hive);
// True when the policy key can be created or opened for writing; a key made
// only to find that out is deleted again.
[[nodiscard]] bool CanWritePolicy(RegKey hive);
// Clears (on) or sets (off) the CD-ROM bit; true when the value was written.
bool SetDiscAutorun(RegKey hive, bool on);
// On: the machine's value is deleted; off: its CD-ROM bit is set.
bool SetDiscAutorunAllUsers(bool on);
bool SetDiscAutorunCurrentUser(bool on);

// ---- Audio-CD autoplay (default verb of HKCR\AudioCD\shell) -----------------

[[nodiscard]] bool IsAudioAutoplayOn();
// Writes "play" (on) or an empty verb into the existing key; it is never
// created. True on success.
bool SetAudioAutoplay(bool on);

// ---- Other ----------------------------------------------------------------

constexpr uint32_t DefaultHungAppTimeoutMs = 20000;
// "HungAppTimeout" in milliseconds; the default when missing or not a number.
uint32_t GetHungAppTimeout();
// The executable's full path; empty when it cannot be had.
std::string GetModulePath();

// ---- The program key as a whole --------------------------------------------

// The registry editor's parameters for exporting the program key to path.
std::string ExportParameters(const char* path);
// Starts the registry editor on the export; does not wait, reports nothing.
void ExportSettings(const char* path);
// The export after a saved change and at exit: only when a path is set.
void ExportSettingsWhenSet(const char* savePath);
// Deletes the product key with all it holds, then the maker key if it is
// left empty.
void DeleteSettingsTree();
// True when the key is gone; deletes the leaves first where the system refuses
// to delete a key that has sub-keys.
bool DeleteKeyTree(RegKey hive, const char* path);
// True when the key opens and has no sub-keys.
[[nodiscard]] bool HasNoSubkeys(RegKey hive, const char* path);

// "Очистить конфигурацию" once asked and confirmed: the settings tree goes,
// the start value is removed, disc autorun is switched back on for all
// users and for the current user, and audio CDs play by themselves again.
// False when a system setting is still not back afterwards (a standard
// user may not change the machine's policy or the audio verb).
[[nodiscard]] bool RemoveProgramData();
