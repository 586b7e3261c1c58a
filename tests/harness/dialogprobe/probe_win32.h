// Looks at an open engine dialog from inside its process: lists its
// controls and checks its layout (tests/harness/layout). Used by the Wine
// tests and by the dialogprobe program that takes screenshots.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dlgengine/dlgengine.h"
#include "tests/harness/layout/layout_check.h"

// The topmost visible engine dialog of a thread, or null.
HWND FindEngineDialog(DWORD threadId);
// The dialog as the layout check sees it (tests/harness/layout).
ShownDialog ShownDialogOf(HWND dialog);
// What is wrong with the layout as shown; empty when nothing is.
std::vector<std::string> CheckLayout(HWND dialog, HiddenControls hidden = HiddenControls::Allowed);
// The dialog's window rectangle and client size.
RECT WindowRectOf(HWND dialog);
SIZE ClientSizeOf(HWND dialog);
// A key as the user would press it: to the control with the focus.
void PressKey(HWND dialog, UINT virtualKey);
std::string ToUtf8(const std::u16string& text);
std::u16string WindowText(HWND window);
