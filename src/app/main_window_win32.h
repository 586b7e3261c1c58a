// The hidden main window: class, creation, reload, teardown, and the run-once
// mode that applies the saved settings without a window.
#pragma once
#include <windows.h>

#include "resources/string_ids.h"

inline constexpr const char* kMainWindowClass = "Varnel";

[[nodiscard]] bool RegisterMainWindowClass(HINSTANCE instance);
// Creates the window; its WM_CREATE runs the creation procedure. Null on failure.
[[nodiscard]] HWND CreateMainWindow(HINSTANCE instance);

// Settings, transport and (with discover) the drives, then everything that
// depends on them. Called at creation and by the commands that change them.
void Reload(bool discover);

// Every text from now on in the language the loaded settings ask for. True
// when that changed the language.
bool SelectLanguageOfSettings();

// "/exit": apply the saved settings to the drives once and end.
void RunOnce();

// A start-up failure: string-table text id, error icon, task-modal, no owner.
void ShowStartupFailure(StringId text);
