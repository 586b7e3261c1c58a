// What the busy guard tells the shell: the busy notices, and a discovery
// kept while a drive worked, announced once the last operation has ended.
#include "drive/busy_guard.h"

void (*BusyCallback)(int busy) = nullptr;
void (*DiscoveryDueCallback)() = nullptr;

namespace {
bool g_discoveryKept = false;
bool g_discoveryAnnounced = false;  // DiscoveryDueCallback told for the kept request

bool AnyDriveBusy() {
  for (int i = 0; i < DriveCount; ++i)
    if (Drives[i].Busy) return true;
  return false;
}
}  // namespace

bool DiscoveryKept() { return g_discoveryKept; }

bool KeepDiscoveryWhileBusy() {
  // Also a request the shell posted after an announcement may find a drive
  // at work again: it is announced anew when that drive is free.
  g_discoveryKept = AnyDriveBusy();
  g_discoveryAnnounced = false;
  return g_discoveryKept;
}

void DriveOperationEnded() {
  if (!g_discoveryKept || g_discoveryAnnounced || AnyDriveBusy()) return;
  g_discoveryAnnounced = true;
  if (DiscoveryDueCallback) DiscoveryDueCallback();
}
