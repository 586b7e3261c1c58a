// One virtual drive of a named profile behind the virtual ASPI-like row, in
// virtual time: the drive fixture (virtual_drives_fixture.h) with a single
// drive at a fixed address, for the model's own tests.
#pragma once
#include <string>

#include "mmc/commands.h"
#include "tests/native/drive/virtual_drives_fixture.h"

class SimFixture : public VirtualDrives {
 public:
  static constexpr DeviceAddress kAddress{1, 0, 0, 'F'};

  sim::Drive& UseProfile(const sim::Profile& profile) {
    VirtualClock::Install(5000);
    sim::ClearVirtualDrives();
    sim::UseVirtualTransports(false, true);
    SelectTransport(0);
    return sim::AddVirtualDrive(profile, kAddress);
  }

  sim::Drive& UseDrive(const std::string& profileName, const char* medium = nullptr) {
    sim::Profile profile = Profile(profileName.c_str());
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
    VirtualDrives::TearDown();
  }
};
