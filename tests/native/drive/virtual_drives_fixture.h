// Virtual drives on the program's own transport seam, the in-memory registry
// and virtual time: the world the drive model's tests run in.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "drive/drive.h"
#include "registry/registry.h"
#include "settings/settings_record.h"
#include "sim/model/virtual_drives.h"

// A disc from the virtual drives' list, for a drive to take in.
inline sim::MediumSpec Medium(const char* name) {
  sim::MediumSpec m{};
  EXPECT_TRUE(sim::LookupMedium(name, m)) << name;
  return m;
}

class VirtualDrives : public ::testing::Test {
 protected:
  void SetUp() override {
    VirtualClock::Install(100000);
    MemoryRegistry::Reset();
    ProgramSettings::Current().ResetToDefaults();
    sim::ClearVirtualDrives();
    sim::UseVirtualTransports(true, false);
    SelectTransport(0);
    ClearDrives();
    BusyCallback = nullptr;
    DiscoveryDueCallback = nullptr;
  }
  void TearDown() override {
    ClearDrives();
    sim::ClearVirtualDrives();
    BusyCallback = nullptr;
    DiscoveryDueCallback = nullptr;
    InstallClock(nullptr);
  }

  static sim::Profile Profile(const char* name) {
    sim::Profile p;
    std::string error;
    EXPECT_TRUE(sim::LoadNamedProfile(name, p, error)) << error;
    return p;
  }
  static sim::Profile ParsedProfile(const std::string& json) {
    sim::Profile p;
    std::string error;
    EXPECT_TRUE(sim::ParseProfile(json, p, error)) << error;
    return p;
  }
  // Drives get targets 0, 1, 2... and letters D, E, F...
  sim::Drive& Add(const sim::Profile& profile) {
    uint32_t n = uint32_t(sim::VirtualDriveCount());
    return sim::AddVirtualDrive(profile, DeviceAddress{0, n, 0, int32_t('D' + n)});
  }
  sim::Drive& Add(const char* name) { return Add(Profile(name)); }

  // Discovers the drives and forgets what discovery sent.
  void Discover() {
    DiscoverDrives();
    ClearLogs();
  }
  static void ClearLogs() {
    for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) sim::VirtualDriveAt(i).ClearLog();
  }

  // The commands a drive received, as CDBs.
  static std::vector<std::vector<uint8_t>> Cdbs(const sim::Drive& drive) {
    std::vector<std::vector<uint8_t>> cdbs;
    for (const sim::LogEntry& e : drive.Log())
      if (e.Control.empty()) cdbs.push_back(e.Cdb);
    return cdbs;
  }
  static std::vector<uint8_t> Opcodes(const sim::Drive& drive) {
    std::vector<uint8_t> ops;
    for (const auto& cdb : Cdbs(drive)) ops.push_back(cdb.empty() ? 0xFF : cdb[0]);
    return ops;
  }
  static size_t CountOf(const sim::Drive& drive, uint8_t opcode) {
    size_t n = 0;
    for (uint8_t op : Opcodes(drive)) n += op == opcode;
    return n;
  }
  // The read speeds sent with SET CD SPEED (0xBB) or SET STREAMING (0xB6), in order.
  static std::vector<uint32_t> SpeedsSent(const sim::Drive& drive, uint8_t opcode) {
    std::vector<uint32_t> speeds;
    for (const sim::LogEntry& e : drive.Log()) {
      if (!e.Control.empty() || e.Cdb.empty() || e.Cdb[0] != opcode) continue;
      if (opcode == 0xBB) speeds.push_back(uint32_t(e.Cdb[2]) << 8 | e.Cdb[3]);
      if (opcode == 0xB6 && e.DataOut.size() >= 16)
        speeds.push_back(uint32_t(e.DataOut[12]) << 24 | uint32_t(e.DataOut[13]) << 16 |
                         uint32_t(e.DataOut[14]) << 8 | e.DataOut[15]);
    }
    return speeds;
  }

  static std::vector<uint32_t> Speeds(const SpeedRange& range) {
    std::vector<uint32_t> s;
    for (uint32_t i = 0; i < range.Count; ++i) s.push_back(range.Entries[i].Speed);
    return s;
  }
  static std::vector<uint32_t> Commands(const SpeedRange& range) {
    std::vector<uint32_t> c;
    for (uint32_t i = 0; i < range.Count; ++i) c.push_back(range.Entries[i].Command);
    return c;
  }
};

// A firmware quirk layered over the virtual drives: every answer passes
// through the virtual transport and is then edited, as a drive with that
// quirk would have answered.
struct QuirkTransport {
  static inline void (*Edit)(ScsiRequest& request) = nullptr;
  static inline Transport Row{};

  static bool Send(ScsiRequest& request, TransportHandle handle) {
    bool ok = sim::VirtualTransport(2).Send(request, handle);
    if (ok && Edit) Edit(request);
    return ok;
  }
  static void Install(void (*edit)(ScsiRequest& request)) {
    Edit = edit;
    Row = sim::VirtualTransport(2);
    Row.Send = Send;
    RegisterTransports({[] { return true; }, &Row}, {[] { return false; }, &Row});
    SelectTransport(0);
  }
};
