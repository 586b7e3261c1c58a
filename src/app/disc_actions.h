// Moving one drive's tray on the user's or the timer's behalf.
#pragma once

struct DriveRecord;

enum class TrayMove { Close, Eject };

// DA_EJECT, DA_CLOSE and the automatic close: the volume refresh around the
// move when ForceRefresh is set, the move, a refresh of the drive, and after
// a close the tray-close restore.
void EjectOrClose(DriveRecord& drive, TrayMove move);

// Asks the user for the password whose hash is given; true when it matched.
// The window installs the password dialog; without a check installed a
// protected drive keeps its disc.
using PasswordCheck = bool (*)(const char* hash);
void InstallEjectPasswordCheck(PasswordCheck check);

// A drive is protected when it is locked and a password is stored.
[[nodiscard]] bool IsEjectProtected(const DriveRecord& drive);

// Whether the user may eject this drive now: a protected drive asks for the
// password each time; an unprotected drive always may.
[[nodiscard]] bool EjectPermitted(const DriveRecord& drive);

// Closes every tray that can be closed, of every drive not ignored: at start
// with CloseOnRun and at the end of the session. Only the move: no password,
// no volume refresh, no restore.
void CloseAllTrays();
