// The drive model: one record per optical drive, its capabilities and speed
// lists, the setting, restoring and stepping of speeds, speed discovery and
// measurement, and per-drive storage in the registry.
//
// Every operation takes the drive's record; the process-wide array holds at
// most 16 of them. Operations that talk to the drive run under the record's
// busy guard: a call made while the record is busy (from a message dispatched
// during a long command) does nothing.
#pragma once
#include <cstdint>
#include <string>

#include "mmc/transport.h"

struct CapabilitiesPage;

// Speeds are kB/s (1000 bytes per second) as drives report them.
constexpr uint32_t SpeedUnitCD = 176;    // 1x for CD media
constexpr uint32_t SpeedUnitDVD = 1385;  // 1x for DVD media
constexpr uint32_t SpeedMaximum = 0xFFFF;  // asks a drive for its fastest speed

constexpr int MaxDrives = 16;
constexpr int MaxSpeedEntries = 128;
constexpr int HotKeyCount = 7;  // eject, close, maximum, faster, selected, slower, minimum
// Letters of a short name (the user's or the one made from the model's name).
constexpr int ShortNameLength = 10;

// The events on which a drive's selected speed is set again (EventMask bits).
enum RestoreEvent : uint32_t {
  EventStart = 0x01,        // program start and every rediscovery
  EventDiscChange = 0x02,   // a disc arrived
  EventWake = 0x08,         // resume from suspend
  EventTrayClosed = 0x10,   // the program closed the tray
};
// A drive seen for the first time restores on start, disc change and wake.
constexpr int32_t DefaultEventMask = EventStart | EventDiscChange | EventWake;

struct SpeedEntry {
  uint32_t Speed;    // the speed the drive reports (or that was measured)
  uint32_t Command;  // the value to send to get that speed
};

// A speed list, fastest first, each Speed at most once.
struct SpeedRange {
  int32_t Valid;      // built while a disc was in the drive
  uint32_t Count;     // 0..MaxSpeedEntries
  uint32_t Selected;  // the user's chosen speed, 0 = none
  SpeedEntry Entries[MaxSpeedEntries];
};

// The entries a list really holds: a stored count is never trusted past the
// array, whatever it says.
[[nodiscard]] constexpr uint32_t EntryCount(const SpeedRange& range) {
  return range.Count < uint32_t(MaxSpeedEntries) ? range.Count : uint32_t(MaxSpeedEntries);
}

// Which of the two lists the medium in the drive selects. A zeroed record
// uses the CD list.
enum RangeKind : int32_t { RangeKindCD = 0, RangeKindDVD = 1 };

// How a speed reaches a drive with a DVD inside. DVDMethodPrefered holds the
// user's choice (None: automatic), DVDMethodDetected what speed discovery
// found to work (None: not determined); both are stored numbers.
enum DvdMethod : int32_t { DvdMethodNone = 0, DvdMethodCdSpeed = 1, DvdMethodStreaming = 2 };

// Settling states of the medium type byte and the values of interest.
constexpr int32_t MediumNoDisc = 0x70;
constexpr int32_t MediumDoorOpen = 0x71;
constexpr int32_t AudioPlaying = 0x11;
constexpr int32_t AudioPaused = 0x12;

struct DriveRecord {
  char FullName[32];            // "vendor product revision" or "<unknown>"
  char16_t AutoShortName[12];   // first run of letters of FullName, at most 10
  int32_t Instance;             // 0 for the first drive of its FullName, then 1, 2...
  // Capabilities, probed once per model and stored under its FullName.
  int32_t CanGetSpeed;          // reports a read speed (CD list)
  int32_t CanSetSpeed;          // accepts SET CD SPEED (CD list)
  int32_t MaxSpeed;             // kB/s (CD list)
  int32_t CanEject;
  int32_t CanClose;
  int32_t Writer;               // the media it writes (WritesMedia bits, mmc/commands.h)
  int32_t CanSenseMedium;
  int32_t DVD;                  // the DVD media it reads (ReadsDvdMedia bits); non-zero = DVD drive
  int32_t CanGetCDSpeed;        // reports a read speed with a DVD inside
  int32_t CanSetCDSpeed;        // accepts SET CD SPEED with a DVD inside
  int32_t MaxCDSpeed;
  int32_t CanGetDVDSpeed;       // GET PERFORMANCE answers
  int32_t CanSetDVDSpeed;       // SET STREAMING accepted
  int32_t MaxDVDSpeed;
  int32_t DVDMethodDetected;    // a DvdMethod
  SpeedRange RangeCD;
  SpeedRange RangeDVD;
  // The user's settings for this drive.
  int32_t Ignore;
  int32_t EventMask;
  int32_t OnlyWithDisk;
  int32_t WhenAudio;
  int32_t IgnoreSpeed;
  int32_t ShortMenu;
  int32_t ForceRead;
  int32_t Lock;
  int32_t Timer;                // milliseconds, 0 = off
  int32_t DVDMethodPrefered;    // a DvdMethod
  uint32_t HotKeys[HotKeyCount];
  char16_t ShortName[ShortNameLength + 1];  // chosen by the user, empty = none
  DeviceAddress Address;
  // Live state, as fresh as the last RefreshStatus.
  uint32_t CurrentSpeed;
  uint32_t CurrentWriteSpeed;
  int32_t Ready;
  int32_t TrayClosed;
  int32_t MediumType;
  int32_t Busy;
  int32_t PollCount;
  int32_t AudioStatus;          // 0x11 playing, 0x12 paused, 0 not asked, -1 failed
  uint32_t TrayOpenSince;       // tick count, 0 while the tray is not open
  RangeKind ActiveRange;

  // The list the medium selects. Kept as a kind rather than a pointer so that
  // copies of a record stay correct.
  SpeedRange& Active() { return ActiveRange == RangeKindDVD ? RangeDVD : RangeCD; }
  const SpeedRange& Active() const { return ActiveRange == RangeKindDVD ? RangeDVD : RangeCD; }
  bool DvdActive() const { return ActiveRange == RangeKindDVD; }
};

// ---- The drive array ----------------------------------------------------

// The drives in enumeration order; only the first DriveCount are in use.
// The storage is fixed, so a record stays addressable while an operation on
// it dispatches messages, even if a rediscovery runs meanwhile.
extern DriveRecord Drives[MaxDrives];
extern int DriveCount;

// The record at index, or null when the index is not below DriveCount.
[[nodiscard]] DriveRecord* DriveAt(int index);

// Called with 1 when a guarded drive operation begins and 0 when it ends.
extern void (*BusyCallback)(int busy);

// ShortName when set, otherwise AutoShortName.
[[nodiscard]] const char16_t* DisplayName(const DriveRecord& drive);

// What tells two drives of one model apart: " (E:)", or the adapter and
// target (" (0:1)") for a drive without a letter.
constexpr int AddressSuffixLength = 8;
void AddressSuffix(const DriveRecord& drive, char (&out)[AddressSuffixLength + 1]);
// The short name the tray and the drive menu show for drives[index]: its
// DisplayName, with the AddressSuffix where another managed drive would show
// the same name. A short name the user chose is shown as it is.
constexpr int ShownNameLength = ShortNameLength + AddressSuffixLength;
void ShownName(const DriveRecord* drives, int count, int index, char16_t (&out)[ShownNameLength + 1]);

void ClearDrives();

enum class DiscoveryOutcome { Done, Kept };
// Lets SelectTransport choose the transport again (with the ApiPrefered
// setting) and rebuilds the array from its enumeration. A request made while
// an operation on one of the drives runs (from a message dispatched during a
// long command) would change the array and the transport under that
// operation: it is kept instead (Kept), and DiscoveryDueCallback is told once
// when the last running operation has ended.
DiscoveryOutcome DiscoverDrives();
// A kept request waits to run.
[[nodiscard]] bool DiscoveryKept();
// Set by the shell. It is called from inside the ending operation, whose
// callers may still hold their record, so it must not rediscover there: the
// shell posts the request to itself and runs it from its message loop.
extern void (*DiscoveryDueCallback)();
// Called by the busy guard when an operation on a drive has ended.
void DriveOperationEnded();
// Names, loads (or probes and stores) and appends the drive at the cursor;
// a 17th drive, or one that cannot be named while ShowUnknown is 0, is left out.
void AddDrive(const DeviceAddress& cursor);
// INQUIRY into FullName and AutoShortName; true when the drive answered.
bool NameDrive(DriveRecord& drive);

// ---- Setting the speed ----------------------------------------------------

[[nodiscard]] bool IsCdMedium(int mediumType);
[[nodiscard]] bool IsDvdMedium(int mediumType);
[[nodiscard]] bool IsAudioMedium(int mediumType);
// A disc whose data a measurement can read: a data-only CD, CD-R or CD-RW, or a DVD.
[[nodiscard]] bool IsDataMedium(int mediumType);
[[nodiscard]] bool IsDvdProfile(int profile);  // a GET CONFIGURATION current profile

// Takes the speeds and medium type of a capabilities page and chooses the
// active list.
void ApplyCapabilitiesPage(DriveRecord& drive, const CapabilitiesPage& page);
// Updates the live state; builds the list of a medium class the first time a
// readable disc of that class is seen.
void RefreshStatus(DriveRecord& drive);
// Sends a command value with the method the medium calls for, reads samples
// when ForceRead is set, then refreshes.
void SetSpeed(DriveRecord& drive, uint32_t command);
// Sets the active list's selected speed when the drive's settings allow it.
void RestoreSpeed(DriveRecord& drive);
void SpeedFaster(DriveRecord& drive);
void SpeedSlower(DriveRecord& drive);
// The command that gets speed, or the speed itself when it is not listed.
[[nodiscard]] uint32_t CommandForSpeed(const SpeedRange& range, uint32_t speed);
enum class TrayMove { Close, Eject };
// Opens or closes the tray; re-locks when Lock is set.
void MoveTray(DriveRecord& drive, TrayMove move);
// From the state in memory.
[[nodiscard]] bool IsTrayOpen(const DriveRecord& drive);
// Refreshes the drive first, so it asks the drive itself.
[[nodiscard]] bool IsTrayClosedAfterRefresh(DriveRecord& drive);
// A disc just loaded spins up: waits, as long as a refresh waits for a
// settling medium, until the drive answers ready. False when it never did.
bool WaitUntilReady(DriveRecord& drive);

// ---- Speed discovery ------------------------------------------------------

enum class SpeedMethod : int32_t {
  Fast = 0,     // ask from the maximum down in steps of 1x CD
  Full = 1,     // ask every value from the maximum down to 1
  Measure = 2,  // time real reads at speeds from 28160 kB/s down
};

// Called with (0, 0, 0, speed, command) before a pair is added (the result is
// ignored) and with (phase, total, done, 0, 0) as a method goes on; returning
// 0 then asks the method to stop.
using ProgressCallback = int (*)(int phase, int total, int done, int speed, int command, void* context);

enum class EnumerationEnd {
  Done,         // the method ran, was stopped, or could not run
  DiscRemoved,  // the disc left during a measurement: it stopped there and the list is as before
};
// Rebuilds the active list with a method. progress may be null.
EnumerationEnd EnumerateSpeeds(DriveRecord& drive, SpeedMethod method, ProgressCallback progress, void* context);
// Fills the capability fields for the medium class in the drive.
void ProbeDrive(DriveRecord& drive);
// kB/s as a multiple of the unit (1x), rounded to the nearest integer; 0 for
// a unit of 0.
[[nodiscard]] uint32_t UnitMultiple(uint32_t kilobytes, uint32_t unit);
// "%s%d%c": the prefix, the speed in units of the list rounded and taken
// modulo 1000, then "X" for the DVD list and "x" for CD, as the tray and
// the command line show a speed.
[[nodiscard]] std::string SpeedText(const char* prefix, uint32_t speed, bool dvdList);
// Inserts a pair in speed order unless the speed is listed, is 0 or the list is full.
void AddEntry(SpeedRange& range, uint32_t speed, uint32_t command, ProgressCallback progress, void* context);
// Index of the slowest entry within tolerance of speed, or -1.
[[nodiscard]] int FindEntryNear(const SpeedRange& range, uint32_t speed, uint32_t tolerance);
// Reads near the end of the disc for durationMs and returns kB/s in the unit
// of the medium (1x CD = 176, 1x DVD = 1385), 0 when nothing could be read.
// A read whose sense says the disc left ends it at once with 0 and sets
// discLeft (if given).
uint32_t MeasureReadSpeed(const DeviceAddress& address, uint32_t lastBlock, uint32_t durationMs,
                          bool dvdMedium = false, bool* discLeft = nullptr);

// ---- Per-drive storage ----------------------------------------------------

// True only when the model's key exists and all 17 capability values were read.
[[nodiscard]] bool LoadCapabilities(DriveRecord& drive);
void SaveCapabilities(const DriveRecord& drive);
void LoadDriveSettings(DriveRecord& drive);
void SaveDriveSettings(const DriveRecord& drive);
