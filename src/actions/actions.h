// Disc actions: open or explore a disc in the shell, start the disc's own
// autorun program, and locate and open the program's help file.
//
// The autorun file is read and its command chosen and split here, portably,
// so that a damaged or hostile AUTORUN.INF is refused in tested code; the
// Windows side only reads the file's first bytes and calls the shell.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include "compat/wide_text.h"

struct DriveRecord;

// The shell's path limit (MAX_PATH): a command or path that does not fit is
// refused rather than cut, since a cut path names some other file.
constexpr std::size_t ShellPathLimit = 260;
// AUTORUN.INF files are a few lines; only this many bytes are read.
constexpr std::size_t AutorunFileLimit = 64 * 1024;

// ---- Portable -------------------------------------------------------------

// The drive's letter in upper case, or 0 when its record holds none (or
// something that is not a letter A to Z).
[[nodiscard]] char DriveLetter(const DriveRecord& drive);
// "X:\" and "X:\AUTORUN.INF" for the letter X.
[[nodiscard]] std::string RootPath(char letter);
[[nodiscard]] std::string AutorunFilePath(char letter);

struct AutorunCommand {
  std::string Program;     // up to the first blank (quotes are not special)
  std::string Parameters;  // the rest after the blanks that follow it
};

enum class AutorunLookup {
  Found,
  NoCommand,  // no "AutoRun" section, or neither key holds any text
  TooLong,    // the chosen command does not fit ShellPathLimit
};

// Finds the command in the "AutoRun" section of an autorun file's text:
// "shellexecute" wins over "open". Section and key names are compared
// without regard to case, blanks around names and values are dropped and
// one pair of quotes around a whole value is removed, as the system's
// profile reader does. A NUL byte ends a line.
[[nodiscard]] AutorunLookup FindAutorunCommand(std::string_view text, AutorunCommand& command);

// The help file of the language in the folder of the executable at exePath:
// "varnel.chm" (Russian) or "varnel_en.chm" (English); false when the path
// has no folder or the result would not fit.
[[nodiscard]] bool HelpPathBeside(std::string_view exePath, TextLanguage language, std::string& helpPath);

// ---- Windows --------------------------------------------------------------

// Asks the shell for verb ("open" or "explore") on the drive's root; nothing
// for a drive without a letter. The shell's answer is not looked at.
void OpenRoot(const DriveRecord& drive, const char* verb);
// Starts the command of the drive's AUTORUN.INF with the drive as working
// folder; false when there is no letter, no usable command or the shell
// refused (the caller then opens the root instead).
[[nodiscard]] bool RunAutorun(const DriveRecord& drive);
// Whether the drive menu offers "Автозапуск": a letter, a readable data disc
// and an AUTORUN.INF in its root.
[[nodiscard]] bool HasAutorun(const DriveRecord& drive);
// The help file of the selected language beside the program, when it is there.
[[nodiscard]] bool HelpFilePath(std::string& path);
// Asks the shell to open the help file; nothing when there is none.
void ShowHelp();
