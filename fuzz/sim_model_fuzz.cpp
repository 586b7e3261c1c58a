// Drives every profile's model with arbitrary commands and control lines,
// and the profile parser with arbitrary text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "mmc/opcodes.h"
#include "sim/model/virtual_drive.h"

namespace {
const char* const kProfiles[] = {"cd48-reader",   "cdrw52-writer", "dvdrom16-streaming", "dvdrw16-roundup",
                                 "slot24-combo",  "cd32-noheader", "cd52-fixed",         "cdrw40-fullrange",
                                 "dvdrw20-profileonly"};
const char* const kControls[] = {
    R"({"action":"insert","medium":"data-cd"})", R"({"action":"insert","medium":"dvd-rom"})",
    R"({"action":"insert","medium":"audio-cd"})", R"({"action":"insert","medium":"dvd+r-dl"})",
    R"({"action":"remove"})", R"({"action":"open"})",
    R"({"action":"open","force":true})", R"({"action":"close"})", R"({"action":"play"})",
    R"({"action":"pause"})", R"({"action":"stop"})", R"({"action":"unitAttention"})",
    R"({"action":"spinUp","ms":700})", R"({"action":"powerReset"})",
    R"({"action":"fault","fault":{"opcode":"any","garbage":true,"shortData":3}})",
    R"({"action":"fault","fault":{"opcode":"0x28","senseKey":3,"asc":17,"after":2}})",
};

std::vector<sim::Profile>& Profiles() {
  static std::vector<sim::Profile> profiles = [] {
    std::vector<sim::Profile> all;
    for (const char* name : kProfiles) {
      sim::Profile p;
      std::string error;
      if (!sim::LoadNamedProfile(name, p, error)) __builtin_trap();
      all.push_back(p);
    }
    return all;
  }();
  return profiles;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool ready = (VirtualClock::Install(), true);
  (void)ready;
  if (size < 2) return 0;
  // Text mode: the profile parser and control lines must refuse calmly.
  if (data[0] == 0xFF) {
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    sim::Profile p;
    std::string error;
    sim::ParseProfile(text, p, error);
    sim::Drive drive(Profiles()[0]);
    drive.ApplyControl(text, error);
    return 0;
  }
  sim::Drive drive(Profiles()[data[0] % Profiles().size()]);
  size_t at = 1;
  while (at + 2 <= size) {
    uint8_t kind = data[at++];
    if (kind < 0x20) {
      std::string error;
      drive.ApplyControl(kControls[kind % (sizeof kControls / sizeof *kControls)], error);
      VirtualClock::Advance(kind * 100u);
      continue;
    }
    // One command: CDB length, buffer length and direction, then CDB bytes;
    // the buffer is exactly as long as claimed so any overrun shows.
    uint32_t cdbLength = data[at++] % 17;
    uint32_t bufferLength = (at < size ? data[at++] : 0) * 3u;
    bool dataOut = kind & 1;
    uint8_t cdb[16] = {};
    for (uint32_t i = 0; i < cdbLength && at < size; ++i) cdb[i] = data[at++];
    // Most of the time, one of the twelve commands the model knows.
    static const uint8_t kOpcodes[] = {OpInquiry,       OpModeSense10,  OpSetCdSpeed,         OpStartStopUnit,
                                       OpTestUnitReady, OpReadCapacity, OpRead10,             OpPreventAllowRemoval,
                                       OpReadSubChannel, OpGetConfiguration, OpSetStreaming, OpGetPerformance};
    if (cdbLength && (kind & 2)) cdb[0] = kOpcodes[kind % sizeof kOpcodes];
    std::unique_ptr<uint8_t[]> buffer(new uint8_t[bufferLength ? bufferLength : 1]);
    for (uint32_t i = 0; i < bufferLength; ++i) buffer[i] = at + i < size ? data[at + i] : 0;
    sim::CommandOutcome out = drive.Execute(cdb, cdbLength, bufferLength ? buffer.get() : nullptr, bufferLength,
                                            dataOut);
    if (out.Transferred > bufferLength || out.SenseLength > sim::kFixedSenseLength) __builtin_trap();
    if (drive.Log().size() > 64) drive.ClearLog();
  }
  return 0;
}
