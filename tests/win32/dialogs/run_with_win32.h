// Opens a dialog and acts on it from inside its own modal loop: a thread
// timer waits for the engine dialog to appear and hands it to the action,
// which looks at it and ends it (a key, a click, a close).
#pragma once
#include <windows.h>

#include <functional>
#include <utility>

#include "tests/harness/dialogprobe/probe_win32.h"

namespace dialog_test {

inline std::function<void(HWND)>& PendingAction() {
  static std::function<void(HWND)> action;
  return action;
}

inline void CALLBACK ActOnDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND dialog = FindEngineDialog(GetCurrentThreadId());
  if (dialog == nullptr) return;
  KillTimer(nullptr, timer);
  std::function<void(HWND)> action = std::move(PendingAction());
  PendingAction() = nullptr;
  if (action) action(dialog);
}

// A dialog that the action did not end is ended after 20 s, so that a
// failing test fails instead of hanging.
inline void CALLBACK Watchdog(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  if (HWND dialog = FindEngineDialog(GetCurrentThreadId())) {
    ADD_FAILURE() << "the dialog was still open after 20 s";
    EndDialog(dialog, -99);
  }
}

template <typename Open>
auto RunWith(std::function<void(HWND)> action, Open open) {
  PendingAction() = std::move(action);
  SetTimer(nullptr, 0, 20, ActOnDialog);
  UINT_PTR watchdog = SetTimer(nullptr, 0, 20000, Watchdog);
  auto result = open();
  KillTimer(nullptr, watchdog);
  return result;
}

inline void ExpectCleanLayout(HWND dialog) {
  for (const std::string& problem : CheckLayout(dialog, HiddenControls::Reported)) ADD_FAILURE() << problem;
}

}  // namespace dialog_test
