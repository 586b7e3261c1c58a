// The ASPI row: the wnaspi32.dll layer of Windows 95/98/ME. Every decision
// (whether the layer is usable, the scan of adapters and targets, the
// letters the configuration manager gave them, the request block, sense and
// lengths, the wait for a pending request and the requests given up on, the
// adapter's limits) is made here over the layer's calls; aspi_win32.cpp
// only loads the layer, and native tests install a layer of their own.
#pragma once
#include <cstdint>

#include "mmc/transport.h"

using AspiEvent = void*;

// The layer's entry points and the system's events. A null entry point is
// one the layer does not export.
struct AspiOps {
  uint32_t (*SupportInfo)();                          // GetASPI32SupportInfo
  uint32_t (*Send)(void* block);                      // SendASPI32Command
  int (*Translate)(uint32_t* path, uint32_t* node);   // TranslateASPI32Address
  AspiEvent (*MakeEvent)();                           // auto-reset, not signalled; null when none can be made
  bool (*WaitEvent)(AspiEvent event, uint32_t milliseconds);  // true when signalled in time
  void (*CloseEvent)(AspiEvent event);
};

// Starts the row over a loaded layer (null: the layer could not be loaded)
// and asks it for support info: AspiStatus AspiNotInstalled, AspiDamaged or
// AspiUsable. True when usable.
bool StartAspi(const AspiOps* ops);

// ASPI, TransportAspi.
extern const Transport AspiTransport;

constexpr uint32_t AspiDefaultWaitMs = 30000;
// How long a request may stay SS_PENDING before it is reported as failed.
// Tests shorten it; the program keeps the default.
void SetAspiWaitLimit(uint32_t milliseconds);

// Requests given up on while the layer may still complete them. Their
// blocks, events and data buffers stay allocated until the layer has
// signalled completion; one sent without an event is never released.
uint32_t AspiParkedRequestCount();
