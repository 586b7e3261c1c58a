// Inside the ASPI transport: the wait limit for pending requests and the
// requests the layer may still write to.
#pragma once
#include <cstdint>

constexpr uint32_t AspiDefaultWaitMs = 30000;

// How long a request may stay SS_PENDING before it is reported as failed.
// Tests shorten it; the program keeps the default.
void SetAspiWaitLimit(uint32_t milliseconds);

// Makes the event a request waits on (CreateEventA: auto-reset, not
// signalled). Tests install one that fails, as a system out of handles
// would; null puts the system's back.
using AspiEventMaker = void* (*)();
void InstallAspiEventMaker(AspiEventMaker maker);

// Requests given up on while the layer may still complete them. Their
// blocks, events and data buffers stay allocated until the layer has
// signalled completion; one sent without an event is never released.
uint32_t AspiParkedRequestCount();
