// A virtual drive's description: what it answers and how, as a real drive
// of its kind would. Profiles are JSON files in sim/profiles/.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

// How a drive answers a speed request that falls between its speeds.
enum class SpeedRule {
  Below,    // fastest supported speed at or below the request (most drives)
  Nearest,  // closest supported speed
  Up,       // slowest supported speed at or above the request
  Ignore,   // keeps running at its maximum
};

// What SET CD SPEED does while a DVD is in the drive.
enum class CdSpeedOnDvd { Apply, Ignore, Reject };

// What SET STREAMING does while a CD is in the drive: most drives that
// stream apply it to the CD; others keep it for the next DVD.
enum class StreamingOnCd { Apply, Ignore };

// What GET PERFORMANCE reports: the speed the last request set (most
// drives), or the nominal maximum whatever was asked.
enum class PerformanceReport { Current, Maximum };

// A disc: its medium-type byte, its GET CONFIGURATION profile and its size.
struct MediumSpec {
  std::string Name;       // "data-cd", "audio-cd", "dvd-rom", ...
  uint8_t MediumType;     // mode header byte 2
  uint16_t Profile;       // current profile once it is recognised
  uint32_t Blocks;        // number of 2048-byte blocks (last LBA + 1)
  bool Audio;             // audio tracks only: READ(10) fails
  bool Dvd;
};
// The catalogue of known discs; false for an unknown name.
bool LookupMedium(std::string_view name, MediumSpec& out);

// An injected failure: the next Count commands with Opcode (-1: any) fail or
// come back damaged, after the first After of them went through untouched.
// Count -1 keeps the fault for ever.
struct Fault {
  int Opcode = -1;
  int Count = 1;
  int SenseKey = -1;      // >= 0: CHECK CONDITION with this whole sense byte 2
  uint8_t Asc = 0, Ascq = 0;
  int SenseLength = -1;   // >= 0: return only this many sense bytes
  int ShortData = -1;     // >= 0: transfer only this many data bytes
  bool Garbage = false;   // fill the returned data with noise
  bool NoAnswer = false;  // the drive does not answer at all
  int After = 0;          // matching commands answered normally first
};

// The host adapter between the system and the drive, as the system states
// it (Windows' MaximumTransferLength and AlignmentMask, ASPI's HA_Unique):
// the longest data transfer of one request, and the address bits a data
// buffer must have clear. Not stated: nothing is refused for its size or
// place, as the virtual drives always did.
enum class AdapterVerdict { Accepted, TooLong, Misaligned };
struct AdapterSpec {
  bool Stated = false;
  uint32_t MaxTransfer = 0;    // bytes
  uint32_t AlignmentMask = 0;  // 2^n - 1: 0 any byte, 3 four-byte alignment
  // What the adapter makes of a request moving length bytes at buffer
  // (only the address's low bits count). A request without data passes.
  AdapterVerdict Judge(uint32_t buffer, uint32_t length) const;
};

struct Profile {
  std::string Name;
  std::string Description;
  // INQUIRY, padded with blanks to 8/16/4 characters as drives send them.
  std::string Vendor, Product, Revision;

  // MODE SENSE page 2A.
  int PageOffset = 8;              // 8: regular header; 16: with block descriptor; 0: no header
  bool PageSaveable = false;       // page byte 0 carries the PS bit (0xAA)
  bool ReportsMediumType = true;   // false: header byte 2 is always 0
  bool DvdMediumTypeZero = false;  // header byte 2 is 0 for DVDs: only the current profile tells
  int MediumTypeWhileSpinning = -1;  // >= 0: reported until the disc is ready
  bool NoSpeedWithoutDisc = false; // current read speed 0 with no disc or an open tray
  uint8_t PageLength = 0x14;
  uint8_t ReadCaps = 0, WriteCaps = 0, Byte4 = 0, Byte5 = 0, Byte7 = 0;
  uint8_t Mechanism = 0x29;        // byte 6 without the lock-state bit: tray, eject, lock
  uint16_t BufferKB = 128;
  uint16_t VolumeLevels = 256;

  // Speeds in kB/s, ascending. CD speeds are round(176.4 x N), DVD 1385 x N.
  // A CD speed counts raw 2352-byte sectors (75 a second at 1x), of which
  // 2048 bytes are data: 1x reads 153.6 kB/s of data. A DVD speed counts data.
  std::vector<uint32_t> CdSpeeds, DvdSpeeds, WriteSpeeds;
  SpeedRule Rule = SpeedRule::Below;
  CdSpeedOnDvd CdOnDvd = CdSpeedOnDvd::Apply;
  StreamingOnCd StreamingCd = StreamingOnCd::Apply;
  // Speeds that really read slower than they are reported: (reported,
  // measured), both in the unit of the speed lists.
  std::vector<std::pair<uint32_t, uint32_t>> Throughput;

  bool Streaming = false;          // SET STREAMING understood
  bool Performance = false;        // GET PERFORMANCE understood
  int PerformanceDescriptors = 1;  // zones it reports
  PerformanceReport PerformanceReports = PerformanceReport::Current;
  bool Configuration = true;       // GET CONFIGURATION understood
  // GET EVENT STATUS NOTIFICATION (media class, polled) understood; by
  // default as GET CONFIGURATION: the older drives without it lack both.
  std::optional<bool> EventStatus;
  std::vector<uint16_t> Profiles;  // profiles the drive can use
  bool SpeedNeedsMedium = false;   // speed commands refused (02/3A/00) with no disc
  bool RefusesZeroReadSize = false;  // SET STREAMING with a read size of 0 refused
  uint32_t FailedCommandMs = 1;    // time a command answered with CHECK CONDITION takes

  bool CanLoad = true;             // START STOP UNIT can close the tray
  uint32_t SpinUpMs = 1500;        // NOT READY for this long after a disc is loaded
  bool UnitAttention = true;       // UNIT ATTENTION after a medium change
  // The UNIT ATTENTION comes when the loaded disc is ready, after the NOT
  // READY answers of its spin-up (most drives); true: before them.
  bool AttentionBeforeSpinUp = false;
  bool ForgetsSpeed = false;       // back to the maximum speed when a disc is loaded

  AdapterSpec Adapter;

  // Start state.
  std::string Medium = "none";
  bool TrayOpen = false;
  std::vector<Fault> Faults;
};

// Parsers: false with a message in error for malformed input; nothing throws.
bool ParseProfile(std::string_view json, Profile& out, std::string& error);
bool LoadProfile(const std::string& path, Profile& out, std::string& error);
// Loads sim/profiles/<name>.json of the source tree.
bool LoadNamedProfile(const std::string& name, Profile& out, std::string& error);
bool ParseFault(std::string_view json, Fault& out, std::string& error);
// {"maxTransfer": bytes, "alignmentMask": 2^n - 1}, as in a profile.
bool ParseAdapter(std::string_view json, AdapterSpec& out, std::string& error);

// round(176.4 x n), the speed a drive reports for n-times CD speed.
uint32_t CdSpeedForFactor(uint32_t n);
// 1385 x n for DVD media.
uint32_t DvdSpeedForFactor(uint32_t n);

}  // namespace sim
