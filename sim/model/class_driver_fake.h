// A stand-in for the Windows CD-ROM class driver over the virtual drives:
// each request is checked as the class driver checks it (record sizes,
// request types, what this Windows offers) and reaches the drive as the CDB
// the class driver would send, so the command log shows what the drive got.
#pragma once
#include <cstddef>

#include "mmc/class_driver.h"

namespace sim {

// The Windows the fake belongs to: GET PERFORMANCE came with Windows 8.
enum class VirtualWindows { Vista, Windows8 };

// The fake's calls. Drives are opened by their letter.
const ClassDriverOps& VirtualClassDriver(VirtualWindows windows);
// Forgets the lock counts, as a new Windows session would.
void ResetVirtualClassDriver();
// Handles opened and not yet closed.
size_t VirtualClassDriverHandles();

}  // namespace sim
