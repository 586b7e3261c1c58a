#include "mmc/transport.h"

#include <cstring>
#include <new>

#include "clock/clock.h"

namespace {
bool NoDrive(DriveCursor&) { return false; }
TransportHandle NoOpen(ScsiRequest& request) {
  ClearRequestStatus(request);
  return nullptr;
}
bool NoSend(ScsiRequest& request, TransportHandle) {
  ClearRequestStatus(request);
  return false;
}
void NoClose(TransportHandle) {}
bool NoAdapter(TransportHandle, const DeviceAddress&, AdapterLimits&) { return false; }

TransportChoice g_aspi{nullptr, nullptr};
TransportChoice g_spti{nullptr, nullptr};
TransportChoice g_classDriver{nullptr, nullptr};
const Transport* g_current = &AbsentTransport;
AspiAvailability g_aspiStatus = AspiNotLoaded;
SptiAvailability g_sptiStatus = SptiNotProbed;

bool Available(const TransportChoice& choice) { return choice.Available && choice.Row && choice.Available(); }

constexpr int MaxAttempts = 3;
constexpr uint32_t NotReadyWaitMs = 500;

bool SameDrive(const DeviceAddress& a, const DeviceAddress& b) {
  return a.HaId == b.HaId && a.Target == b.Target && a.Lun == b.Lun && a.Letter == b.Letter;
}

// The drives of the open sessions, innermost last. Sessions are scoped, so
// the innermost is always the one that ends first.
struct HeldDrive {
  DeviceAddress Address;
  const Transport* Row;     // the row the session began on
  TransportHandle Handle;   // null until the first command opens it
};
constexpr int MaxSessions = 4;
HeldDrive g_held[MaxSessions];
int g_heldCount = 0;

HeldDrive* HeldFor(const DeviceAddress& address) {
  for (int i = g_heldCount - 1; i >= 0; --i)
    if (SameDrive(g_held[i].Address, address) && g_held[i].Row == g_current) return &g_held[i];
  return nullptr;
}

// The limits learned at discovery, one entry a drive.
struct KnownLimits {
  DeviceAddress Address;
  AdapterLimits Limits;
};
constexpr int MaxKnownDrives = 16;  // the drive array's bound
KnownLimits g_limits[MaxKnownDrives];
int g_limitCount = 0;

bool IsMaskOfLowBits(uint32_t mask) { return (mask & (mask + 1)) == 0; }

// Sends on an open handle what the drive's adapter accepts: a longer
// transfer is refused as the system would refuse it, a buffer its mask does
// not accept travels in an aligned copy.
bool SendWithinLimits(const Transport& row, ScsiRequest& request, TransportHandle handle) {
  AdapterLimits limits = AdapterLimitsOf(request.Address);
  if (request.DataLength > limits.MaxTransfer) {
    ClearRequestStatus(request);
    request.SystemError = RefusedBeyondAdapter;
    return false;
  }
  auto address = reinterpret_cast<uintptr_t>(request.DataBuffer);
  if (!request.DataBuffer || !request.DataLength || (address & limits.AlignmentMask) == 0)
    return row.Send(request, handle);

  uint32_t length = request.DataLength;
  auto* block = new (std::nothrow) uint8_t[length + limits.AlignmentMask];
  if (!block) {
    ClearRequestStatus(request);
    request.SystemError = OutOfMemory;
    return false;
  }
  uintptr_t at = (reinterpret_cast<uintptr_t>(block) + limits.AlignmentMask) & ~uintptr_t(limits.AlignmentMask);
  auto* aligned = reinterpret_cast<uint8_t*>(at);
  void* callers = request.DataBuffer;
  if (request.DataOut) std::memcpy(aligned, callers, length);
  request.DataBuffer = aligned;
  bool sent = row.Send(request, handle);
  request.DataBuffer = callers;
  // A row's length is trusted only within what was asked for.
  if (request.DataLength > length) request.DataLength = length;
  if (!request.DataOut && request.DataLength) std::memcpy(callers, aligned, request.DataLength);
  delete[] block;
  return sent;
}

// One attempt: on the session's handle when a session holds the drive,
// else on a handle of its own.
bool SendOnce(ScsiRequest& request) {
  const Transport& row = *g_current;
  HeldDrive* held = HeldFor(request.Address);
  if (!held) {
    TransportHandle handle = row.Open(request);
    if (!handle) return false;
    bool sent = SendWithinLimits(row, request, handle);
    row.Close(handle);
    return sent;
  }
  if (!held->Handle) held->Handle = row.Open(request);
  if (!held->Handle) return false;
  return SendWithinLimits(row, request, held->Handle);
}
}  // namespace

const Transport AbsentTransport = {TransportAspi, NoDrive, NoDrive, NoOpen, NoSend, NoClose, NoAdapter};

void CompleteSense(ScsiRequest& request, const uint8_t* sense, uint32_t length) {
  uint32_t given = length < sizeof request.SenseData ? length : uint32_t(sizeof request.SenseData);
  std::memset(request.SenseData, 0, sizeof request.SenseData);
  if (given) std::memcpy(request.SenseData, sense, given);
  request.SenseLength = given;
  request.SenseKey = SenseKeyOf(request.SenseData, given);
}

AdapterLimits SettleAdapterLimits(bool answered, AdapterLimits asked) {
  constexpr uint32_t PageMask = 4095;  // no adapter asks for more than a page boundary
  if (!answered || asked.MaxTransfer == 0 || asked.AlignmentMask > PageMask || !IsMaskOfLowBits(asked.AlignmentMask))
    return DefaultAdapterLimits;
  if (asked.MaxTransfer > DefaultAdapterLimits.MaxTransfer) asked.MaxTransfer = DefaultAdapterLimits.MaxTransfer;
  return asked;
}

bool ExecuteOnce(const Transport& row, ScsiRequest& request) {
  TransportHandle handle = row.Open(request);
  if (!handle) return false;
  bool sent = row.Send(request, handle);
  row.Close(handle);
  return sent;
}

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
    if (SendOnce(request)) return true;
    if (attempt == MaxAttempts) return false;
    if (request.SenseKey == SenseNotReady)
      ClockSleep(NotReadyWaitMs);  // give a spinning-up disc time
    else if (request.SenseKey != SenseUnitAttention)
      return false;
    request = asBuilt;
  }
}

bool ExecuteCommandOnce(ScsiRequest& request) { return SendOnce(request); }

DriveSession::DriveSession(const DeviceAddress& address) : owner_(!HeldFor(address) && g_heldCount < MaxSessions) {
  if (owner_) g_held[g_heldCount++] = HeldDrive{address, g_current, nullptr};
}

DriveSession::~DriveSession() {
  if (!owner_) return;
  HeldDrive& held = g_held[--g_heldCount];
  if (held.Handle) held.Row->Close(held.Handle);
}

AdapterLimits LearnAdapterLimits(const DeviceAddress& address) {
  AdapterLimits asked{0, 0};
  bool answered = false;
  {
    DriveSession session(address);
    HeldDrive* held = HeldFor(address);
    ScsiRequest opener{};
    opener.Address = address;
    if (held && !held->Handle) held->Handle = g_current->Open(opener);
    if (held && held->Handle) answered = g_current->QueryAdapter(held->Handle, address, asked);
  }
  AdapterLimits limits = SettleAdapterLimits(answered, asked);
  for (int i = 0; i < g_limitCount; ++i)
    if (SameDrive(g_limits[i].Address, address)) {
      g_limits[i].Limits = limits;
      return limits;
    }
  if (g_limitCount < MaxKnownDrives) g_limits[g_limitCount++] = KnownLimits{address, limits};
  return limits;
}

AdapterLimits AdapterLimitsOf(const DeviceAddress& address) {
  for (int i = 0; i < g_limitCount; ++i)
    if (SameDrive(g_limits[i].Address, address)) return g_limits[i].Limits;
  return DefaultAdapterLimits;
}

void ForgetAdapterLimits() { g_limitCount = 0; }
