// What the scripted ASPI layer saw, read by the tests through its export
// TestLayerStateOf.
#pragma once
#include <windows.h>

#include <cstdint>

struct TestLayerState {
  LONG DeviceQueries[3];  // SC_GET_DEV_TYPE per adapter
  LONG Completed;         // late answers written
  LONG SignalFailures;    // SetEvent refused: the event was gone
  uint8_t LastFlags;      // SRB_Flags of the last SC_EXEC_SCSI_CMD
  uint8_t* LastBuffer;    // and its SRB_BufPointer
};
using TestLayerStateOfFn = TestLayerState*(__cdecl*)();
