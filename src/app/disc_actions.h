// Moving one drive's tray on the user's or the timer's behalf.
#pragma once

struct DriveRecord;

enum class TrayMove { Close, Eject };

// DA_EJECT, DA_CLOSE and the automatic close: the volume refresh around the
// move when ForceRefresh is set, the move, a refresh of the drive, and after
// a close the tray-close restore.
void EjectOrClose(DriveRecord& drive, TrayMove move);

// Whether the owner of a protected drive (Lock set and a password stored) has
// allowed the eject. The password question is not asked yet, so such a drive
// keeps its disc; an unprotected drive always may eject.
[[nodiscard]] bool EjectPermitted(const DriveRecord& drive);

// Closes every tray that can be closed, of every drive that is not ignored:
// the move only (no password, volume refresh or tray-close restore).
void CloseAllTrays();
