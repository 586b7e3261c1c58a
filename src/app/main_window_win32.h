// The hidden main window: class, creation and teardown, and the messages it
// turns into commands (main_window.h runs them).
#pragma once
#include <windows.h>

#include "resources/string_ids.h"

inline constexpr const char* MainWindowClass = "Varnel";

[[nodiscard]] bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the window; its WM_CREATE runs the creation procedure. Null on failure.
[[nodiscard]] HWND CreateMainWindow(HINSTANCE instance);

// Every text from now on in the language the loaded settings ask for. True
// when that changed the language.
bool SelectLanguageOfSettings();

// A start-up failure: string-table text id, error icon, task-modal, no owner.
void ShowStartupFailure(StringId text);
