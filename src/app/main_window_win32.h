// The hidden main window: class, creation and teardown, and the messages it
// turns into commands (main_window.h runs them).
#pragma once
#include <windows.h>

#include "resources/string_ids.h"

inline constexpr const char* kMainWindowClass = "Varnel";

[[nodiscard]] bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the window; its WM_CREATE runs the creation procedure. Null on failure.
[[nodiscard]] HWND CreateMainWindow(HINSTANCE instance);

// A start-up failure: string-table text id, error icon, task-modal, no owner.
void ShowStartupFailure(StringId text);
