// The busy guard every drive operation that talks to the drive runs under.
#pragma once
#include "drive/drive.h"

// A discovery asked for while a drive works is kept (true) rather than run;
// false clears any kept request, and the discovery runs now.
[[nodiscard]] bool KeepDiscoveryWhileBusy();

// Enters the guard unless the record is busy already (a nested call from a
// message dispatched during a long command); such a call must do nothing.
class BusyGuard {
 public:
  explicit BusyGuard(DriveRecord& drive) : drive_(drive), entered_(!drive.Busy) {
    if (!entered_) return;
    drive_.Busy = 1;
    if (BusyCallback) BusyCallback(1);
  }
  ~BusyGuard() { Leave(); }
  BusyGuard(const BusyGuard&) = delete;
  BusyGuard& operator=(const BusyGuard&) = delete;

  bool Entered() const { return entered_; }

  // Leaves early, for work that must run after the guard (it may take the
  // guard itself).
  void Leave() {
    if (!entered_) return;
    entered_ = false;
    drive_.Busy = 0;
    if (BusyCallback) BusyCallback(0);
    DriveOperationEnded();
  }

 private:
  DriveRecord& drive_;
  bool entered_;
};
