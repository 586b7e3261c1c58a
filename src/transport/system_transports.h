// The device transports of Windows, rows of the command layer's Transport
// table: SPTI (the NT storage drivers' pass-through on "\\.\X:", spti_row.h),
// ASPI (the wnaspi32.dll layer of Windows 9x, aspi_row.h) and the CD-ROM
// class driver's own requests (mmc/class_driver.h) for a standard user of
// Windows Vista and later. This header is the Windows side's: the calls
// each row goes through.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

// Installs the system's calls under the three rows and registers them as
// SelectTransport's candidates. The program calls this once at start-up,
// before its first SelectTransport.
void RegisterSystemTransports();

// The system's calls under the SPTI row.
void InstallSystemSptiOps();

// The class-driver row, TransportClassDriver: usable on Windows Vista and
// later once SPTI was refused for want of rights. Installs the row's system
// calls.
bool ClassDriverProbe();

// Loads wnaspi32.dll once (it stays loaded), looks its entry points up again
// and starts the ASPI row over them (AspiStatus AspiNotInstalled,
// AspiDamaged or AspiUsable).
bool AspiLoad();
// A string of the layer's version resource ("ProductName", "FileVersion",
// ...), or null. The text belongs to the transport and stays valid until the
// next AspiLoad.
[[nodiscard]] const char* AspiVersionString(const char* name);
