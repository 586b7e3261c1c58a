// Operation codes of the SCSI/MMC commands the program sends and the virtual
// drives answer. One list, so that a command and its model cannot disagree.
#pragma once
#include <cstdint>

enum MmcOpcode : uint8_t {
  OpTestUnitReady = 0x00,
  OpInquiry = 0x12,
  OpStartStopUnit = 0x1B,
  OpPreventAllowRemoval = 0x1E,
  OpReadCapacity = 0x25,
  OpRead10 = 0x28,
  OpReadSubChannel = 0x42,
  OpGetEventStatus = 0x4A,  // GET EVENT STATUS NOTIFICATION
  OpGetConfiguration = 0x46,
  OpModeSense10 = 0x5A,
  OpGetPerformance = 0xAC,
  OpSetStreaming = 0xB6,
  OpSetCdSpeed = 0xBB,
};
