// The settings file: the program key's tree (program settings, each model's
// capabilities and speed lists, each drive's settings) kept as text, behind
// a row of the registry operations table, so that the settings record and
// the drive store read and write it as they read and write the registry.
//
//   # comment
//   TimerEnable = 1                      a number (REG_DWORD), decimal or 0x..
//   [KAMIRO   CD-ROM CR-4880   1.05]     a sub-key of the program key
//   SpeedRangeCD = hex:40,1b,00,00,...   bytes (REG_BINARY)
//   Data = "text"                        text (REG_SZ), \" and \\ escaped
//
// The keys live in memory (the in-memory registry); whenever the last open
// key is closed after a change, the whole file is written anew: a new file
// beside it, then renamed over it, so it is never found half written. Only
// the program key's tree is kept; other keys last as long as the process.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry_ops.h"

// The file system calls behind it (config_file_linux.cpp).
struct ConfigFileOps {
  // The whole file; false with missing set when there is none, false alone
  // when it cannot be read.
  bool (*Read)(const char* path, std::string& text, bool& missing);
  // Writes text to a new file beside path, flushes it, and renames it over
  // path (making the folder first); false when any step failed, and then
  // path is as it was.
  bool (*Replace)(const char* path, const std::string& text);
  // What changes when the file is replaced (time and size); 0 when missing.
  uint64_t (*Stamp)(const char* path);
};
const ConfigFileOps& SystemConfigFileOps();

namespace ConfigFile {
extern const RegistryOps Row;

// A line that did not parse: its number and why. Its value keeps its default.
struct Problem {
  uint32_t Line;
  std::string What;
};

// Forgets every key, loads the file into memory and installs the row.
// False when the file exists but cannot be read (nothing is then written to
// it, so that a file the process may not read is not replaced by defaults).
bool Open(const std::string& path, const ConfigFileOps& ops, std::vector<Problem>& problems);
// Loads the text anew if the file changed since it was read or written
// here; true when it did.
bool ReloadIfChanged(std::vector<Problem>& problems);
// The text of the program key's tree as it is in memory.
[[nodiscard]] std::string Render();
// Adds the keys and values of a text to the in-memory registry.
void Parse(const std::string& text, std::vector<Problem>& problems);
// False when the last write failed (the file keeps its former content).
[[nodiscard]] bool LastWriteSucceeded();
[[nodiscard]] const std::string& Path();
}  // namespace ConfigFile
