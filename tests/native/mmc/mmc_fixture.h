// Commands against virtual drives in virtual time, with a tap that keeps a
// copy of every request as it reaches the transport.
#pragma once
#include <gtest/gtest.h>

#include <vector>

#include "clock/clock.h"
#include "mmc/commands.h"
#include "sim/model/virtual_drives.h"

class MmcFixture : public ::testing::Test {
 public:
  static constexpr DeviceAddress kAddress{0, 1, 0, 'E'};

  // Loads the named profile into a single drive at kAddress and installs the
  // virtual SPTI-like row behind the tap.
  sim::Drive& UseDrive(const char* profileName, int transportId = 1, const DeviceAddress& at = kAddress) {
    VirtualClock::Install(1000);
    sim::ClearVirtualDrives();
    sim::Profile profile;
    std::string error;
    EXPECT_TRUE(sim::LoadNamedProfile(profileName, profile, error)) << error;
    profile.FailedCommandMs = 0;  // the clock then counts only the executor's own waits
    sim::Drive& drive = sim::AddVirtualDrive(profile, at);
    inner_ = &sim::VirtualTransport(transportId);
    tap_ = *inner_;
    tap_.Send = [](ScsiRequest& r, TransportHandle h) {
      Seen().push_back(r);
      return Inner()->Send(r, h);
    };
    Seen().clear();
    Inner() = inner_;
    RegisterTransports({[] { return true; }, &tap_}, {nullptr, nullptr});
    return drive;
  }

 protected:

  void TearDown() override {
    RegisterTransports({nullptr, nullptr}, {nullptr, nullptr});
    sim::ClearVirtualDrives();
    InstallClock(nullptr);
  }

  static std::vector<ScsiRequest>& Seen() {
    static std::vector<ScsiRequest> seen;
    return seen;
  }
  static const Transport*& Inner() {
    static const Transport* inner = nullptr;
    return inner;
  }

  const Transport* inner_ = nullptr;
  Transport tap_{};
};
