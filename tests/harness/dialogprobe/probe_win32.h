// Looks at an open engine dialog from inside its process: lists its
// controls and checks the layout (every laid-out control inside its
// container, no two overlapping, every text inside its rectangle). Used by
// the Wine tests and by the dialogprobe program that takes screenshots.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dlgengine/dlgengine.h"

struct ProbedControl {
  uint16_t id;
  uint16_t parentId;
  KindCode kind;
  std::string className;
  std::string text;  // UTF-8
  RECT rect;         // in the dialog's client coordinates
  bool visible, enabled;
  int checked;       // BM_GETCHECK for buttons, -1 otherwise
  bool laidOut;      // reachable from the dialog through containers
};

// The topmost visible engine dialog of a thread, or null.
HWND FindEngineDialog(DWORD threadId);
std::vector<ProbedControl> ProbeControls(HWND dialog);
std::string FormatControls(const std::vector<ProbedControl>& controls);
// What is wrong with the layout; empty when nothing is.
std::vector<std::string> CheckLayout(HWND dialog);
// The dialog's window rectangle and client size.
RECT WindowRectOf(HWND dialog);
SIZE ClientSizeOf(HWND dialog);
// A key as the user would press it: to the control with the focus.
void PressKey(HWND dialog, UINT virtualKey);
std::string ToUtf8(const std::u16string& text);
std::u16string WindowText(HWND window);
