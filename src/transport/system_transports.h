// The device transports of Windows: SPTI (the NT storage drivers'
// pass-through on "\\.\X:") and ASPI (the wnaspi32.dll layer of Windows 9x).
// Both are rows of the command layer's Transport table.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

// Registers the ASPI and SPTI rows as SelectTransport's two candidates. The
// program calls this once at start-up, before its first SelectTransport.
void RegisterSystemTransports();

// SPTI, TransportSpti.
extern const Transport SptiTransport;
// Decides whether SPTI can be used: sets SptiStatus (SptiNotNt,
// SptiAccessDenied when no optical drive opens, else SptiUsable) and the
// access mask used to open drives.
bool SptiProbe();
// GENERIC_READ | GENERIC_WRITE above major version 4, GENERIC_READ otherwise.
[[nodiscard]] uint32_t SptiAccessMask();
// The last probe found optical drives and could open none, at least one of
// them for want of rights (ERROR_ACCESS_DENIED).
[[nodiscard]] bool SptiRefusedForRights();

// The class-driver row (mmc/class_driver.h), TransportClassDriver: usable on
// Windows Vista and later once SPTI was refused for want of rights. Installs
// the row's system calls.
bool ClassDriverProbe();

// ASPI, TransportAspi.
extern const Transport AspiTransport;
// Loads wnaspi32.dll once (it stays loaded), looks its entry points up again
// and asks it for support info: AspiStatus AspiNotInstalled, AspiDamaged or
// AspiUsable.
bool AspiLoad();
// A string of the layer's version resource ("ProductName", "FileVersion",
// ...), or null. The text belongs to the transport and stays valid until the
// next AspiLoad.
[[nodiscard]] const char* AspiVersionString(const char* name);
