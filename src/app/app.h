// The application shell: process-wide shell state and the start-up
// decisions that do not need Windows (the command numbers are in commands/).
#pragma once
#include <cstdint>

#include "commands/command_ids.h"

// What the command line asks for.
enum class StartMode { Normal, RunOnce, Hidden };

// The command line after the program name: leading blanks and tabs skipped,
// the program name quoted or not.
const char* SkipProgramName(const char* commandLine);

// "/exit" runs once, "/hide" starts without icon; only the whole remaining
// command line counts, in any case. Anything else starts normally.
StartMode ParseStartMode(const char* arguments);

// The command a second copy sends to the running one.
inline unsigned HandOverCommand(StartMode mode) { return mode == StartMode::Hidden ? ID_HIDE_ICON : ID_SHOW_ICON; }

// Icon style: XP-style pictures need shell 6 or later and more than 256 colours.
enum IconStyle { IconStyle16Colour = 0, IconStyleXP = 1 };
inline IconStyle ChooseIconStyle(unsigned shellMajorVersion, int bitsPerPixel) {
  return shellMajorVersion > 5 && bitsPerPixel > 8 ? IconStyleXP : IconStyle16Colour;
}

// Process-wide shell state; lives from start to exit.
struct ShellState {
  void* MainWindow;         // HWND of the hidden window
  int Hidden;               // the tray icon is not shown
  int BusyCount;            // drive operations in progress
  int Blink;                // an automatic tray close is near
  unsigned TaskbarMessage;  // "TaskbarCreated"
  IconStyle Style;
};
ShellState& Shell();
