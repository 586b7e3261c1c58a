// The seam between the shell's portable decisions and the main window: the
// operations only the window can carry out, its timer ids, and forwarders
// that do nothing while no row is installed. The window procedure installs
// its row at creation; tests install recording rows.
#pragma once
#include <cstdint>
#include <utility>

#include "resources/string_ids.h"

struct ProgramSettings;

constexpr unsigned MainTimerId = 1;
constexpr uint32_t TimerPeriodMs = 500;

// A drive's poll timer; a drive's index in the list decides it.
constexpr unsigned PollTimerId(int driveIndex) { return unsigned(driveIndex) + 2; }
// The drive index a poll timer id stands for (any other id gives an index
// that names no drive).
constexpr unsigned PollTimerDriveIndex(unsigned timerId) { return timerId - PollTimerId(0); }

// What the shell's decisions ask of the main window. A null entry does
// nothing (an asking one answers "no").
struct WindowOps {
  bool (*StartTimer)(unsigned id, uint32_t periodMs) = nullptr;  // restarts a running one
  void (*StopTimer)(unsigned id) = nullptr;
  // Makes the system and the shell look at every CD volume again, so that a
  // disc moved by the program is noticed at once.
  void (*RefreshCdVolumes)() = nullptr;
  // Registers the drives' hotkeys again after their settings changed.
  void (*ReRegisterHotkeys)() = nullptr;
  // The two tray menus and their pictures, made once; destroyed at the end.
  bool (*CreateMainMenu)() = nullptr;
  bool (*CreateDriveMenu)() = nullptr;
  void (*DestroyMenus)() = nullptr;
  void (*UnregisterHotkeys)() = nullptr;
  // A start-up failure's message box (string-table text, no owner).
  void (*ShowStartupFailure)(StringId text) = nullptr;
  // The tray icon: tip and picture recomputed; added; deleted.
  void (*RefreshTray)() = nullptr;
  void (*AddTrayIcon)() = nullptr;
  void (*DeleteTrayIcon)() = nullptr;
  // The windows the fixed commands open; each returns when it closes.
  void (*ShowMainMenu)() = nullptr;
  void (*ShowDriveMenu)() = nullptr;
  void (*ShowInformation)() = nullptr;
  void (*ShowAbout)() = nullptr;
  void (*ShowHelp)() = nullptr;
  // The program settings dialog on the live record: true after OK.
  bool (*EditProgramSettings)(ProgramSettings& settings) = nullptr;
  // A question with OK and Cancel: true for OK.
  bool (*Confirm)(StringId question) = nullptr;
  // A notice with OK only.
  void (*Notify)(StringId notice) = nullptr;
  // Brings the program's open modal dialog to the front.
  void (*BringDialogUp)() = nullptr;
  // Posts a command to the window, to run from its message loop.
  void (*PostCommand)(unsigned command) = nullptr;
  // Ends the program: the window is destroyed and the teardown runs.
  void (*Close)() = nullptr;
  // Every text from now on in the language the settings just loaded ask
  // for: true when that changed the language.
  bool (*SelectLanguage)() = nullptr;
};
// The row in use; null uninstalls it (timers then never run).
void InstallWindowOps(const WindowOps* row);
[[nodiscard]] const WindowOps* InstalledWindowOps();

// Calls an entry of the installed row; without a row or the entry nothing
// happens and the answer is false.
template <auto Entry, class... Args>
auto CallWindow(Args&&... args) {
  const WindowOps* row = InstalledWindowOps();
  using Result = decltype((row->*Entry)(std::forward<Args>(args)...));
  if (!row || !(row->*Entry)) return Result();
  return (row->*Entry)(std::forward<Args>(args)...);
}

inline bool StartTimerNow(unsigned id, uint32_t periodMs) { return CallWindow<&WindowOps::StartTimer>(id, periodMs); }
inline void StopTimerNow(unsigned id) { CallWindow<&WindowOps::StopTimer>(id); }
inline void RefreshCdVolumesNow() { CallWindow<&WindowOps::RefreshCdVolumes>(); }
inline void ReRegisterHotkeysNow() { CallWindow<&WindowOps::ReRegisterHotkeys>(); }
inline void RefreshTrayNow() { CallWindow<&WindowOps::RefreshTray>(); }
