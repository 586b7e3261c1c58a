// Moving drive trays on the user's, the timer's or the session's behalf, the
// eject password in front of an eject, and the poll that restores the speed
// once a disc closed in by the program reads.
#pragma once

#include "drive/drive.h"

constexpr int MaxPollTicks = 30;  // 15 seconds of polling

// DA_EJECT, DA_CLOSE and the automatic close: the volume refresh around the
// move when ForceRefresh is set, the move, a refresh of the drive, and after
// a close the tray-close restore.
void EjectOrClose(DriveRecord& drive, TrayMove move);

// Asks the user for the password whose hash is given; true when it matched.
// The window installs the password dialog; without a check installed a
// protected drive keeps its disc.
using PasswordCheck = bool (*)(const char* hash);
void InstallEjectPasswordCheck(PasswordCheck check);
// True when no password is stored, or the installed check accepts it.
[[nodiscard]] bool PasswordPermits(const char* hash);

// A drive is protected when it is locked and a password is stored.
[[nodiscard]] bool IsEjectProtected(const DriveRecord& drive);

// Whether the user may eject this drive now: a protected drive asks for the
// password each time; an unprotected drive always may.
[[nodiscard]] bool EjectPermitted(const DriveRecord& drive);

// Closes every tray that can be closed, of every drive not ignored: at start
// with CloseOnRun and at the end of the session. Only the move: no password,
// no volume refresh, no restore.
void CloseAllTrays();

// After the program itself closed the drive's tray (state refreshed): with
// the tray-close event, restore now if a disc is ready, else poll for it.
void AfterTrayClosed(DriveRecord& drive);
// DA_POLL for the drive at index.
void DrivePollTick(int driveIndex);
// Stops the poll timer of a drive index that no longer names a polled drive.
void StopPollTimer(int driveIndex);
