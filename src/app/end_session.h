// The end of the Windows session: discs left in drives are ejected (or the
// user is reminded of them while the session end is being asked), and trays
// left open are closed (or the user is reminded of them) when it ends.
//
// The decisions are portable; the reminders are dialogs reached through
// EndSessionReminders, which the window procedure fills with the countdown
// dialogs (tests fill it with a user's answers).
#pragma once
#include <cstdint>

// Bit 31 of a candidate mask: some drive qualifies, with or without a letter.
constexpr uint32_t AnyDriveBit = 0x80000000u;

// Refreshes every managed drive, then takes every drive that is not
// ignored, holds a ready disc and is not protected by the eject password:
// ejects it when asked to, and adds its letter's bit (bit 0 = A) and
// AnyDriveBit to the result. 0: no such drive. Without eject it is the test
// whether any disc is left.
uint32_t EjectAllDiscs(bool eject);
// No managed drive that can close its tray has it open (each is refreshed
// first).
[[nodiscard]] bool AllTraysClosed();

// The countdown reminders' polls: non-zero once the reminder has nothing
// left to remind of.
int NoDiscLeft();
int NoTrayOpen();

struct EndSessionReminders {
  // "Вставлен диск!" for the drives of driveMask: 1 when the user chose
  // to eject.
  int (*DiscInserted)(int seconds, uint32_t driveMask);
  // "Лоток открыт!": 1 when the trays are to be closed.
  int (*TrayOpen)(int seconds, bool closeAtZero);
};

// WM_QUERYENDSESSION: ejects at once with DNEject; otherwise, with
// DNMessage, reminds of the discs left and ejects when the user says so.
void QueryEndSession(const EndSessionReminders& reminders);
// WM_ENDSESSION: with DNMessage, reminds of open trays and closes them when
// the reminder says so; otherwise, with DNClose, gives the user DNTimer
// seconds to close them and then closes them.
void EndSession(const EndSessionReminders& reminders);
