// One virtual drive of a named profile behind the virtual SPTI-like row, in
// virtual time.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "clock/clock.h"
#include "mmc/commands.h"
#include "sim/model/virtual_drives.h"

class SimFixture : public ::testing::Test {
 public:
  static constexpr DeviceAddress kAddress{1, 0, 0, 'F'};

  static sim::Profile NamedProfile(const std::string& profileName) {
    sim::Profile profile;
    std::string error;
    EXPECT_TRUE(sim::LoadNamedProfile(profileName, profile, error)) << error;
    return profile;
  }

  sim::Drive& UseProfile(const sim::Profile& profile) {
    VirtualClock::Install(5000);
    sim::ClearVirtualDrives();
    sim::UseVirtualTransports(false, true);
    SelectTransport(0);
    return sim::AddVirtualDrive(profile, kAddress);
  }

  sim::Drive& UseDrive(const std::string& profileName, const char* medium = nullptr) {
    sim::Profile profile = NamedProfile(profileName);
    if (medium) profile.Medium = medium;
    return UseProfile(profile);
  }

  // Lets a spin-up finish and takes the unit attention that follows a change.
  void Settle() {
    VirtualClock::Advance(60000);
    TestUnitReady(kAddress);
  }

  uint32_t ReportedSpeed() {
    CapabilitiesPage page;
    EXPECT_TRUE(ModeSenseCapabilities(kAddress, page));
    return page.CurrentReadSpeed;
  }

  void TearDown() override {
    RegisterTransports({nullptr, nullptr}, {nullptr, nullptr});
    sim::ClearVirtualDrives();
    InstallClock(nullptr);
  }
};
