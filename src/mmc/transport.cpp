#include "mmc/transport.h"

#include "clock/clock.h"

namespace {
bool NoExecute(ScsiRequest& request) {
  ClearRequestStatus(request);
  return false;
}
bool NoDrive(DriveCursor&) { return false; }
TransportHandle NoOpen(const ScsiRequest&) { return nullptr; }
bool NoSend(ScsiRequest& request, TransportHandle) { return NoExecute(request); }
void NoClose(TransportHandle) {}

TransportChoice g_aspi{nullptr, nullptr};
TransportChoice g_spti{nullptr, nullptr};
TransportChoice g_classDriver{nullptr, nullptr};
const Transport* g_current = &AbsentTransport;
AspiAvailability g_aspiStatus = AspiNotLoaded;
SptiAvailability g_sptiStatus = SptiNotProbed;

bool Available(const TransportChoice& choice) { return choice.Available && choice.Row && choice.Available(); }

constexpr int MaxAttempts = 3;
constexpr uint32_t NotReadyWaitMs = 500;
}  // namespace

const Transport AbsentTransport = {TransportAspi, NoExecute, NoDrive, NoDrive, NoOpen, NoSend, NoClose};

void RegisterTransports(TransportChoice aspi, TransportChoice spti, TransportChoice classDriver) {
  g_aspi = aspi;
  g_spti = spti;
  g_classDriver = classDriver;
  g_current = aspi.Row ? aspi.Row : &AbsentTransport;
}

TransportKind SelectTransport(int32_t apiPrefered) {
  // Both checks run every time: each one refreshes its status code.
  bool aspi = Available(g_aspi);
  bool spti = Available(g_spti);
  if (aspi && (!spti || apiPrefered == PreferAspi))
    g_current = g_aspi.Row;
  else if (!spti && Available(g_classDriver))  // asked only when SPTI is refused
    g_current = g_classDriver.Row;
  else
    g_current = g_spti.Row ? g_spti.Row : &AbsentTransport;
  return g_current->TransportId;
}

const Transport& CurrentTransport() { return *g_current; }
TransportKind TransportId() { return g_current->TransportId; }

AspiAvailability AspiStatus() { return g_aspiStatus; }
SptiAvailability SptiStatus() { return g_sptiStatus; }
void SetAspiStatus(AspiAvailability status) { g_aspiStatus = status; }
void SetSptiStatus(SptiAvailability status) { g_sptiStatus = status; }

bool ExecuteCommand(ScsiRequest& request) {
  // A failed attempt overwrites lengths and status fields; every retry must
  // go out exactly as the caller built it.
  const ScsiRequest asBuilt = request;
  for (int attempt = 1;; ++attempt) {
    if (g_current->Execute(request)) return true;
    if (attempt == MaxAttempts) return false;
    if (request.SenseKey == SenseNotReady)
      ClockSleep(NotReadyWaitMs);  // give a spinning-up disc time
    else if (request.SenseKey != SenseUnitAttention)
      return false;
    request = asBuilt;
  }
}
