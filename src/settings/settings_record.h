// The program-wide settings record: twenty integers stored under the
// program key as REG_DWORD values of the same names, the eject password's
// hash in the sub-key "Lock" (value "Data") and the export path "SavePath".
#pragma once
#include <cstddef>
#include <cstdint>

// `Language`: the Windows language id of the table to show, or 0 to follow
// the user's interface language. Any other stored number reads as 0.
enum ProgramLanguage : int32_t { LanguageAutomatic = 0, LanguageRussian = 1049, LanguageEnglish = 1033 };

struct ProgramSettings {
  // Integers in the order of the value table; a flag is 0 = off, else on.
  int32_t ApiPrefered;     // a TransportPreference (mmc/transport.h)
  int32_t NumNames;        // drives shown by their short names
  int32_t EjectSingle;     // one eject/close item per drive
  int32_t ShowUnknown;     // keep unidentified drives
  int32_t ForceRefresh;    // re-read volume information around eject/close
  int32_t DNEject;         // eject discs at the end of the session
  int32_t DNClose;         // close trays at the end of the session
  int32_t DNMessage;       // remind with a countdown instead of acting silently
  int32_t DNTimer;         // seconds of delay for the end-of-session actions
  int32_t DeepMenu;        // one sub-menu per drive
  int32_t TopNames;        // drive name at the top of its menu section
  int32_t CloseOnRun;      // close all trays at start
  int32_t IconDisk;        // green icon while a drive holds a disc
  int32_t IconOpen;        // red icon while a tray is open
  int32_t CmdOpen;         // menu item "open" per drive
  int32_t CmdExplore;      // menu item "explore" per drive
  int32_t CmdAutorun;      // menu item "autorun" per drive
  int32_t TimerAutoclose;  // milliseconds until an open tray is closed, 0 = never
  int32_t TimerEnable;     // run the main timer
  int32_t Language;        // a ProgramLanguage: the string table to show
  char LockData[35];       // password hash, zero-terminated; empty = no password
  char SavePath[260];      // export file, zero-terminated; empty = no export

  static constexpr size_t IntCount = 20;

  // The process-wide record.
  static ProgramSettings& Current();

  // Clears the record, then sets the non-zero defaults; both texts empty.
  void ResetToDefaults();
  // Defaults, then whatever the registry holds. A missing key, a missing or
  // unreadable value, or a text too long for its field keeps the default.
  void Load();
  // Writes the whole record; nothing when the program key cannot be created.
  void Save();
};
