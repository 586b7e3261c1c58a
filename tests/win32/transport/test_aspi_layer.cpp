// A scripted ASPI layer for the transport's bad-input tests, built as
// wnaspi32.dll in folders of its own. VARNEL_TEST_LAYER picks its behaviour:
//   broken  GetASPI32SupportInfo answers SS_ERR
//   empty   SS_NO_ADAPTERS, with a stray adapter count
//   scan    three adapters: 0 targets (two CD-ROMs at 0:2 and 0:7), 32
//           targets (CD-ROMs at 1:3 and 1:15), and one whose inquiry stays
//           SS_PENDING for ever
//   late    every command answers SS_PENDING and completes after
//           VARNEL_TEST_LAYER_DELAY ms from a thread of its own (-1: never)
// TestLayerStateOf() tells the tests what the layer saw.
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "transport/aspi_srb.h"
#include "win32/transport/test_aspi_layer.h"


namespace {
TestLayerState g_state;

bool ModeIs(const char* mode) {
  const char* value = getenv("VARNEL_TEST_LAYER");
  return value && strcmp(value, mode) == 0;
}

DWORD WINAPI AnswerLate(void* parameter) {
  auto* srb = static_cast<SRB_ExecSCSICmd*>(parameter);
  const char* delay = getenv("VARNEL_TEST_LAYER_DELAY");
  int ms = delay ? atoi(delay) : 0;
  if (ms < 0) return 0;
  Sleep(DWORD(ms));
  // Whatever the caller did meanwhile, the block, its buffer and its event
  // must still be there.
  memset(srb->SRB_BufPointer, 0x5A, srb->SRB_BufLen);
  srb->SRB_HaStat = 0;
  srb->SRB_TargStat = 0;
  srb->SRB_Status = SS_COMP;
  InterlockedIncrement(&g_state.Completed);
  if (srb->SRB_Flags & SRB_EVENT_NOTIFY) {
    if (!SetEvent(srb->SRB_PostProc)) InterlockedIncrement(&g_state.SignalFailures);
  }
  return 0;
}

DWORD Inquiry(SRB_HAInquiry& srb) {
  switch (srb.SRB_HaId) {
    case 0: srb.HA_Unique[3] = 0; break;
    case 1: srb.HA_Unique[3] = 32; break;
    default: return SS_PENDING;  // and never completes
  }
  srb.HA_Count = 3;
  return srb.SRB_Status = SS_COMP;
}

DWORD DeviceType(SRB_GDEVBlock& srb) {
  if (srb.SRB_HaId > 2) return srb.SRB_Status = SS_INVALID_HA;
  InterlockedIncrement(&g_state.DeviceQueries[srb.SRB_HaId]);
  int at = srb.SRB_HaId << 8 | srb.SRB_Target;
  bool cdrom = at == 0x002 || at == 0x007 || at == 0x103 || at == 0x10F;
  if (!cdrom && srb.SRB_Target != 5) return srb.SRB_Status = SS_NO_DEVICE;
  srb.SRB_DeviceType = cdrom ? DTYPE_CDROM : 0;  // a hard disk at target 5
  return srb.SRB_Status = SS_COMP;
}
}  // namespace

extern "C" {
DWORD __cdecl GetASPI32SupportInfo() {
  if (ModeIs("broken")) return SS_ERR << 8 | 1;
  if (ModeIs("empty")) return SS_NO_ADAPTERS << 8 | 7;
  return SS_COMP << 8 | 3;
}

DWORD __cdecl SendASPI32Command(void* block) {
  auto* header = static_cast<SRB_Header*>(block);
  if (ModeIs("late")) {
    if (header->SRB_Cmd != SC_EXEC_SCSI_CMD) return header->SRB_Status = SS_INVALID_CMD;
    g_state.LastFlags = header->SRB_Flags;
    g_state.LastBuffer = static_cast<SRB_ExecSCSICmd*>(block)->SRB_BufPointer;
    header->SRB_Status = SS_PENDING;
    HANDLE thread = CreateThread(nullptr, 0, AnswerLate, block, 0, nullptr);
    if (thread) CloseHandle(thread);
    return SS_PENDING;
  }
  switch (header->SRB_Cmd) {
    case SC_HA_INQUIRY: return Inquiry(*static_cast<SRB_HAInquiry*>(block));
    case SC_GET_DEV_TYPE: return DeviceType(*static_cast<SRB_GDEVBlock*>(block));
    default: return header->SRB_Status = SS_INVALID_CMD;
  }
}

// Device nodes 0x7E570000 | adapter << 8 | target, so that a test can give
// the devices letters through the configuration manager's keys.
BOOL __cdecl TranslateASPI32Address(DWORD* path, DWORD* node) {
  if (!path || !node) return FALSE;
  *node = 0x7E570000 | (*path >> 8 & 0xFF00) | (*path >> 8 & 0xFF);
  return TRUE;
}

TestLayerState* __cdecl TestLayerStateOf() { return &g_state; }
}
