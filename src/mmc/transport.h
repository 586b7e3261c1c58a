// The command record and the transport seam. Every command to a drive is one
// ScsiRequest carried by the installed Transport row: SPTI, ASPI or the
// CD-ROM class driver's requests under Windows (src/transport), the virtual
// drives in native tests. A sequence of commands to one drive runs on one
// open handle (DriveSession), and no command exceeds what the drive's
// adapter accepts (AdapterLimits).
#pragma once
#include <cstdint>

#include "clock/clock.h"

struct DeviceAddress {
  uint32_t HaId;    // host adapter (ASPI) / path id (SPTI, always 0)
  uint32_t Target;  // target id
  uint32_t Lun;     // logical unit
  int32_t Letter;   // drive letter as its ASCII code, 0 when none is known
};

// One command, built on the caller's stack and zeroed before use.
struct ScsiRequest {
  DeviceAddress Address;
  uint32_t CdbLength;      // 6, 10 or 12
  uint8_t Cdb[16];         // bytes past CdbLength are 0
  uint32_t SenseLength;    // in: sense bytes wanted (16 or 0); out: returned
  uint8_t SenseData[16];   // out
  uint32_t DataLength;     // in: bytes to transfer; out: bytes transferred
  void* DataBuffer;        // none when DataLength is 0
  int32_t DataOut;         // 0 = from the device (or no data), 1 = to the device
  int32_t SystemError;     // out: operating-system error, -1 if none
  int32_t RequestStatus;   // out: ASPI request status, -1 if none
  int32_t AdapterStatus;   // out: ASPI host adapter status, -1 if none
  int32_t ScsiStatus;      // out: SCSI status byte, -1 if none
  int32_t SenseKey;        // out: whole sense byte 2, -1 if no sense came back
};

// What a transport does before it sends: the five status fields read "none".
inline void ClearRequestStatus(ScsiRequest& request) {
  request.SystemError = request.RequestStatus = request.AdapterStatus = -1;
  request.ScsiStatus = request.SenseKey = -1;
}

// Sense keys the program acts on: a disc not ready yet is waited for, a
// reported change is simply retried.
constexpr int32_t SenseNotReady = 2;
constexpr int32_t SenseUnitAttention = 6;

// The sense key of returned sense data: the whole byte 2, or -1 when fewer
// than 3 bytes came back. A choice of ours, not a repair: taking byte 2 of
// the zeroed sense area would give 0 (NO SENSE), and the executor and TEST
// UNIT READY treat 0 and -1 alike (no retry, "other failure"); -1 just says
// that no key arrived.
inline int32_t SenseKeyOf(const uint8_t* sense, uint32_t returnedLength) {
  return returnedLength >= 3 ? sense[2] : -1;
}

// Every row's one way of handing the drive's sense to the request: at most
// 16 bytes copied, the rest zeroed, SenseLength and SenseKey set from what
// came (length 0: no sense, SenseKey -1).
void CompleteSense(ScsiRequest& request, const uint8_t* sense, uint32_t length);

// What the adapter between the program and a drive accepts: the longest
// transfer in bytes and the mask a data buffer's address must clear (3: on a
// 4-byte boundary). Systems refuse a pass-through beyond either.
struct AdapterLimits {
  uint32_t MaxTransfer;
  uint32_t AlignmentMask;
};
// What the program keeps to without an answer, and never exceeds: one
// READ(10) of 32 blocks.
constexpr AdapterLimits DefaultAdapterLimits = {64 * 1024, 3};
// An adapter's answer made usable: a longest transfer above 64 KiB is cut to
// it, and a nonsense answer (a transfer of 0, a mask of all ones or wider
// than a page) gives the defaults. answered false: the defaults.
[[nodiscard]] AdapterLimits SettleAdapterLimits(bool answered, AdapterLimits asked);

// Where an enumeration stands; each transport keeps its own position in
// Position and reports the drive found in Address.
struct DriveCursor {
  uint32_t Position[4];
  DeviceAddress Address;
};

using TransportHandle = void*;

// Which transport a row is; the information and settings dialogs show it.
// The class-driver row (class_driver.h) serves a standard user of Windows
// Vista and later, whom SPTI refuses; the SG_IO row is the Linux edition's
// (src/linux/sg_io.h).
enum TransportKind : int32_t { TransportSpti = 1, TransportAspi = 2, TransportClassDriver = 3, TransportSgIo = 4 };

// The stored ApiPrefered setting: the transport the user prefers.
enum TransportPreference : int32_t { PreferNoTransport = 0, PreferSpti = 1, PreferAspi = 2 };

// What the availability checks found, kept by the transports and shown by
// the information dialog, the tray icon and the settings dialog.
enum AspiAvailability : int32_t {
  AspiNotLoaded = 0,     // the load step has not run yet
  AspiNotInstalled = 1,  // wnaspi32.dll cannot be loaded
  AspiDamaged = 2,       // an entry point is missing or the layer answers an error
  AspiUsable = 3,
};
enum SptiAvailability : int32_t {
  SptiNotProbed = 0,
  SptiNotNt = 1,         // not the NT family (or the version query failed)
  SptiNoDrives = 2,      // has a text, but the probe counts "no drive" as usable
  SptiAccessDenied = 3,  // no optical drive could be opened
  SptiUsable = 4,
};

// One transport's operations, replaced as a whole by SelectTransport.
struct Transport {
  TransportKind TransportId;
  bool (*FirstDrive)(DriveCursor& cursor);
  bool (*NextDrive)(DriveCursor& cursor);
  // Opens the request's drive; null when it cannot, with the reason in the
  // request's status fields as a failed send would give it.
  TransportHandle (*Open)(ScsiRequest& request);
  bool (*Send)(ScsiRequest& request, TransportHandle handle);
  void (*Close)(TransportHandle handle);
  // Asks the system what the drive's adapter accepts; false when it does
  // not say. handle is open on the drive at address.
  bool (*QueryAdapter)(TransportHandle handle, const DeviceAddress& address, AdapterLimits& limits);
};

// A drive another program holds for a moment (a burner, a player) refuses
// to open with a sharing violation: rows try three times, 150 ms apart.
constexpr uint32_t SharingAttempts = 3;
constexpr uint32_t SharingWaitMs = 150;
constexpr uint32_t SystemErrorSharingViolation = 32;  // Windows' ERROR_SHARING_VIOLATION

// openOnce(error) gives a handle, or a null one with the system's error;
// it is called again while the error is a sharing violation.
template <class OpenOnce>
auto OpenPastSharing(OpenOnce openOnce, uint32_t& error) -> decltype(openOnce(error)) {
  for (uint32_t attempt = 1;; ++attempt) {
    error = 0;
    auto handle = openOnce(error);
    if (handle || error != SystemErrorSharingViolation || attempt == SharingAttempts) return handle;
    ClockSleep(SharingWaitMs);
  }
}

// One command on a handle of its own: Open, Send, Close.
bool ExecuteOnce(const Transport& row, ScsiRequest& request);

// A transport SelectTransport may choose: its availability check (which also
// sets that transport's status code) and its row.
struct TransportChoice {
  bool (*Available)();
  const Transport* Row;
};

// Registers the candidates. The Windows shell registers the SPTI and ASPI
// transports and the class-driver row at start-up; native tests register
// virtual-drive rows. The ASPI row becomes the current table until the first
// SelectTransport.
void RegisterTransports(TransportChoice aspi, TransportChoice spti, TransportChoice classDriver = {nullptr, nullptr});

// Runs the ASPI and SPTI availability checks and installs ASPI when it
// answers and SPTI does not or apiPrefered is PreferAspi. Otherwise SPTI,
// unless SPTI was refused and the class-driver row's check (which asks for
// Windows Vista or later and a refusal for want of rights) answers: then
// that row. apiPrefered is the stored setting and may hold any number.
// Returns the installed kind.
TransportKind SelectTransport(int32_t apiPrefered);

const Transport& CurrentTransport();
[[nodiscard]] TransportKind TransportId();

// The row installed while no transport is registered: an ASPI layer that is
// not loaded, whose every operation fails.
extern const Transport AbsentTransport;

[[nodiscard]] AspiAvailability AspiStatus();
[[nodiscard]] SptiAvailability SptiStatus();
void SetAspiStatus(AspiAvailability status);
void SetSptiStatus(SptiAvailability status);

// Runs a request with up to three attempts: waits 500 ms after NOT READY,
// retries at once after UNIT ATTENTION, and restores the whole request as the
// caller built it before each retry.
[[nodiscard]] bool ExecuteCommand(ScsiRequest& request);
// One attempt, as TEST UNIT READY wants it (NOT READY is its answer).
[[nodiscard]] bool ExecuteCommandOnce(ScsiRequest& request);

// A sequence of commands to one drive (a refresh, a restore, a discovery
// step, a tray move) on one open handle: every command to the session's
// drive goes through it, opened at the first command and closed when the
// session ends, so that no handle is held while the program idles (a
// burning program needs the drive to itself). Sessions nest; an inner one
// for the same drive shares the handle. A drive that cannot be opened is
// tried again at its next command.
class DriveSession {
 public:
  explicit DriveSession(const DeviceAddress& address);
  ~DriveSession();
  DriveSession(const DriveSession&) = delete;
  DriveSession& operator=(const DriveSession&) = delete;

 private:
  bool owner_;  // false when an enclosing session holds this drive already
};

// Asks the installed row for the limits of the drive at address (once per
// drive, at discovery), settles the answer and keeps it for the commands to
// that drive: a longer one is refused before it reaches the system, a
// buffer the mask does not accept goes through an aligned copy.
AdapterLimits LearnAdapterLimits(const DeviceAddress& address);
// The kept limits of a drive (DefaultAdapterLimits when none were learned).
[[nodiscard]] AdapterLimits AdapterLimitsOf(const DeviceAddress& address);
// Forgets every drive's limits (a new discovery learns them again).
void ForgetAdapterLimits();

// What a refused request reports in SystemError: the system's own answer to
// a pass-through beyond the adapter (ERROR_INVALID_PARAMETER).
constexpr int32_t RefusedBeyondAdapter = 87;
// What a request reports when the program ran out of memory for it
// (ERROR_NOT_ENOUGH_MEMORY).
constexpr int32_t OutOfMemory = 8;
