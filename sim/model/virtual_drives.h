// The set of virtual drives a process sees, and the Transport rows that
// carry commands to them. Native tests build a set, register the rows with
// RegisterTransports and run the program's own command code against them;
// the ASPI front end under Wine serves the same set.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "mmc/transport.h"
#include "sim/model/virtual_drive.h"

namespace sim {

// Empties the set (open handles stay valid but reach no drive).
void ClearVirtualDrives();
// Adds a drive at an address; returns it. Drives are enumerated in the
// order they were added.
Drive& AddVirtualDrive(const Profile& profile, const DeviceAddress& address);
size_t VirtualDriveCount();
Drive& VirtualDriveAt(size_t index);
const DeviceAddress& VirtualDriveAddress(size_t index);
// Runs one command on the drive at index and appends it to the log file.
CommandOutcome ExecuteOnVirtualDrive(size_t index, const uint8_t* cdb, uint32_t cdbLength, uint8_t* data,
                                     uint32_t dataLength, bool dataOut, uint32_t handle);
// The host adapter at haId as ASPI states it: the tightest limits of the
// drives on it that state any (the smallest largest transfer, every
// alignment bit any of them needs); not stated when none does.
AdapterSpec VirtualHostAdapter(uint32_t haId);
// Puts a request for the drive at index before the adapter's judgement:
// a refused request is written to the command log and never reaches the
// drive. buffer: the data buffer's address (its low bits are what count).
AdapterVerdict AdmitToVirtualDrive(size_t index, const AdapterSpec& adapter, const uint8_t* cdb, uint32_t cdbLength,
                                   uint32_t buffer, uint32_t dataLength, uint32_t handle);
// The drive a request's address names, or null.
Drive* FindVirtualDrive(const DeviceAddress& address);

// Builds the set from a set-up file:
// {"drives":[{"profile":"cd48-reader" or a path, "haId":0, "target":1,
//   "lun":0, "letter":"E", "medium":"data-cd", "trayOpen":false,
//   "adapter":{"maxTransfer":65536,"alignmentMask":3}}],
//  "log":"path of the command log"}
// A profile without "/" or ".json" is looked up in sim/profiles/, relative
// paths against the set-up file's folder. Replaces the current set.
bool LoadSetup(const std::string& path, std::string& error);
bool ParseSetup(std::string_view json, const std::string& baseFolder, std::string& error);

// Applies one control line to the drive it names ("drive": index, default
// 0), e.g. {"drive":1,"action":"open"}. Empty lines and lines starting with
// '#' are accepted and do nothing.
bool ApplyControlLine(std::string_view line, std::string& error);

// Builds the set as the front ends are told to: VARNEL_SIM_SETUP names a
// set-up file, else VARNEL_SIM_PROFILES lists profiles, one drive each at
// adapter 0, targets 0, 1, 2, ...; VARNEL_SIM_LOG overrides the log.
bool SetUpFromEnvironment(std::string& error);

// Follows a control file: lines appended since the last call are applied;
// a line still being written waits for its end, a file emptied starts over.
class ControlFileReader {
 public:
  explicit ControlFileReader(std::string path = "") : path_(std::move(path)) {}
  void ApplyNewLines(const std::function<void(const std::string&)>& complain);

 private:
  std::string path_;
  long applied_ = 0;  // bytes already applied
};

// Every command and control action is appended to this file as one JSON
// line with a "drive" field, as it happens. Empty path: no file.
bool SetLogFile(const std::string& path);

// The Transport rows. TransportId 1 answers like SPTI (sense only when asked
// for, at most 16 bytes); TransportId 2 like ASPI (a 14-byte sense area).
// Open hands out a handle that Send and Close use; a drive that does not
// answer cannot be opened. QueryAdapter answers what the drive's profile or
// set-up states of its adapter (ASPI: its host adapter's), and a request
// beyond it is refused as the system refuses it (SPTI: error 87; ASPI:
// SS_BUFFER_TO_BIG, SS_BUFFER_ALIGN) without reaching the drive.
const Transport& VirtualTransport(int transportId);
size_t OpenHandleCount();

// Registers the two virtual rows with the given availability, installs the
// ASPI one, and sets the two status codes as the real probes would. With
// classDriverAvailable the class-driver row is the third candidate, over the
// fake class driver of Windows 8 (class_driver_fake.h).
void UseVirtualTransports(bool aspiAvailable = true, bool sptiAvailable = true, bool classDriverAvailable = false);

}  // namespace sim
