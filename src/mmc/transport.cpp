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
const Transport* g_current = &AbsentTransport;
int g_aspiStatus = 0;
int g_sptiStatus = 0;

bool Available(const TransportChoice& choice) { return choice.Available && choice.Row && choice.Available(); }

constexpr int kSenseNotReady = 2;
constexpr int kSenseUnitAttention = 6;
constexpr int kAttempts = 3;
constexpr uint32_t kNotReadyWaitMs = 500;
}  // namespace

const Transport AbsentTransport = {2, NoExecute, NoDrive, NoDrive, NoOpen, NoSend, NoClose};

void RegisterTransports(TransportChoice aspi, TransportChoice spti) {
  g_aspi = aspi;
  g_spti = spti;
  g_current = aspi.Row ? aspi.Row : &AbsentTransport;
}

int SelectTransport(int apiPrefered) {
  // Both checks run every time: each one refreshes its status code.
  bool aspi = Available(g_aspi);
  bool spti = Available(g_spti);
  if (aspi && (!spti || apiPrefered == 2))
    g_current = g_aspi.Row;
  else
    g_current = g_spti.Row ? g_spti.Row : &AbsentTransport;
  return g_current->TransportId;
}

const Transport& CurrentTransport() { return *g_current; }
int TransportId() { return g_current->TransportId; }

int AspiStatus() { return g_aspiStatus; }
int SptiStatus() { return g_sptiStatus; }
void SetAspiStatus(int status) { g_aspiStatus = status; }
void SetSptiStatus(int status) { g_sptiStatus = status; }

bool ExecuteCommand(ScsiRequest& request) {
  // A failed attempt overwrites lengths and status fields; every retry must
  // go out exactly as the caller built it.
  const ScsiRequest asBuilt = request;
  for (int attempt = 1;; ++attempt) {
    if (g_current->Execute(request)) return true;
    if (attempt == kAttempts) return false;
    if (request.SenseKey == kSenseNotReady)
      ClockSleep(kNotReadyWaitMs);  // give a spinning-up disc time
    else if (request.SenseKey != kSenseUnitAttention)
      return false;
    request = asBuilt;
  }
}
