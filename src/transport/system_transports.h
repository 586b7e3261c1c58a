// The device transports of Windows: SPTI (the NT storage drivers'
// pass-through on "\\.\X:") and ASPI (the wnaspi32.dll layer of Windows 9x).
// Both are rows of the command layer's Transport table.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

// Registers the ASPI and SPTI rows as SelectTransport's two candidates. The
// program calls this once at start-up, before its first SelectTransport.
void RegisterSystemTransports();

// SPTI, TransportId 1.
extern const Transport SptiTransport;
// Decides whether SPTI can be used: sets SptiStatus (1 not NT, 3 no optical
// drive opens, 4 usable) and the access mask used to open drives.
bool SptiProbe();
// GENERIC_READ | GENERIC_WRITE above major version 4, GENERIC_READ otherwise.
uint32_t SptiAccessMask();

// ASPI, TransportId 2.
extern const Transport AspiTransport;
// Loads wnaspi32.dll once (it stays loaded), looks its entry points up again
// and asks it for support info: AspiStatus 1 no library, 2 broken, 3 usable.
bool AspiLoad();
// A string of the layer's version resource ("ProductName", "FileVersion",
// ...), or null. The text belongs to the transport and stays valid until the
// next AspiLoad.
const char* AspiVersionString(const char* name);
