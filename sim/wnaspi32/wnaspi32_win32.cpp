// The virtual drives behind the ASPI for Win32 interface, so that the
// unchanged program reaches them under Wine through its real ASPI transport.
// Configuration comes from the environment (see README.md). Commands are
// answered SS_PENDING and completed from the layer's answering thread after
// the drive's delay, as a real layer answers from its interrupt path; the
// caller waits on its event or watches SRB_Status. SRB_BufLen stays as the
// caller sent it, as real layers leave it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/byte_order.h"
#include "sim/model/virtual_drives.h"
#include "transport/aspi_srb.h"

namespace {
constexpr int Never = -1;

CRITICAL_SECTION g_lock;  // the model is not thread-safe: one command at a time
bool g_started = false;
bool g_ready = false;      // the configuration was read without error
uint32_t g_adapters = 0;
std::vector<int> g_delays; // per drive, milliseconds or Never
sim::ControlFileReader g_control;
// The options of VARNEL_SIM_ASPI_PENDING and VARNEL_SIM_ASPI_BUFLEN: how
// real layers behave, or the tidier way some layers answer.
bool g_pendingWithoutEvent = true;  // "always"; "event": only requests with an event wait
bool g_reportTransferred = false;   // "transferred": SRB_BufLen becomes the bytes moved

class Locked {
 public:
  Locked() { EnterCriticalSection(&g_lock); }
  ~Locked() { LeaveCriticalSection(&g_lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

std::string Environment(const char* name) {
  const char* value = getenv(name);
  return value ? value : "";
}

std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size() && !text.empty()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    parts.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return parts;
}

void Complain(const std::string& what) { fprintf(stderr, "wnaspi32 (virtual drives): %s\n", what.c_str()); }

// Reads the configuration once, on the first call of any entry point.
void Start() {
  if (g_started) return;
  g_started = true;
  std::string error;
  if (!sim::SetUpFromEnvironment(error)) return Complain(error);
  g_control = sim::ControlFileReader(Environment("VARNEL_SIM_CONTROL"));
  std::string pending = Environment("VARNEL_SIM_ASPI_PENDING"), bufLen = Environment("VARNEL_SIM_ASPI_BUFLEN");
  if (pending != "" && pending != "always" && pending != "event")
    return Complain("VARNEL_SIM_ASPI_PENDING: expected always or event, not " + pending);
  if (bufLen != "" && bufLen != "sent" && bufLen != "transferred")
    return Complain("VARNEL_SIM_ASPI_BUFLEN: expected sent or transferred, not " + bufLen);
  g_pendingWithoutEvent = pending != "event";
  g_reportTransferred = bufLen == "transferred";
  for (const std::string& delay : SplitCommas(Environment("VARNEL_SIM_DELAYS")))
    g_delays.push_back(delay == "never" ? Never : atoi(delay.c_str()));
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i)
    if (sim::VirtualDriveAddress(i).HaId + 1 > g_adapters) g_adapters = sim::VirtualDriveAddress(i).HaId + 1;
  g_ready = true;
}

int DriveIndex(uint32_t adapter, uint32_t target, uint32_t lun) {
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i) {
    const DeviceAddress& at = sim::VirtualDriveAddress(i);
    if (at.HaId == adapter && at.Target == target && at.Lun == lun) return int(i);
  }
  return -1;
}

uint32_t AdapterInquiry(SRB_HAInquiry& srb) {
  if (srb.SRB_HaId >= g_adapters) return srb.SRB_Status = SS_INVALID_HA;
  srb.HA_Count = uint8_t(g_adapters);
  srb.HA_SCSI_ID = 7;
  memcpy(srb.HA_ManagerId, "ASPI for WIN32  ", 16);
  memcpy(srb.HA_Identifier, "VARNEL VIRTUAL  ", 16);
  uint32_t highest = 0;
  for (size_t i = 0; i < sim::VirtualDriveCount(); ++i)
    if (sim::VirtualDriveAddress(i).HaId == srb.SRB_HaId && sim::VirtualDriveAddress(i).Target > highest)
      highest = sim::VirtualDriveAddress(i).Target;
  srb.HA_Unique[3] = highest < 8 ? 8 : 16;
  // The buffer alignment mask and the largest transfer; 0 where the drives'
  // profiles state no adapter, as layers that do not tell leave them.
  sim::AdapterSpec adapter = sim::VirtualHostAdapter(srb.SRB_HaId);
  put_le16(srb.HA_Unique + HaUniqueAlignmentMask, uint16_t(adapter.AlignmentMask));
  put_le32(srb.HA_Unique + HaUniqueMaxTransfer, adapter.MaxTransfer);
  return srb.SRB_Status = SS_COMP;
}

uint32_t DeviceType(SRB_GDEVBlock& srb) {
  if (srb.SRB_HaId >= g_adapters) return srb.SRB_Status = SS_INVALID_HA;
  if (DriveIndex(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun) < 0) return srb.SRB_Status = SS_NO_DEVICE;
  srb.SRB_DeviceType = DTYPE_CDROM;
  return srb.SRB_Status = SS_COMP;
}

// Runs the block's command on its drive and writes the answer into the
// block; SRB_Status last, as the caller may be polling it.
void RunCommand(SRB_ExecSCSICmd& srb, int index) {
  g_control.ApplyNewLines(Complain);
  ScsiRequest request{};
  request.Address = sim::VirtualDriveAddress(size_t(index));
  request.CdbLength = srb.SRB_CDBLen;
  memcpy(request.Cdb, srb.CDBByte, sizeof request.Cdb);
  request.SenseLength = srb.SRB_SenseLen;
  request.DataLength = srb.SRB_BufLen;
  request.DataBuffer = srb.SRB_BufPointer;
  request.DataOut = (srb.SRB_Flags & SRB_DIR_OUT) ? 1 : 0;
  ExecuteOnce(sim::VirtualTransport(2), request);
  srb.SRB_HaStat = uint8_t(request.AdapterStatus < 0 ? 0 : request.AdapterStatus);
  srb.SRB_TargStat = uint8_t(request.ScsiStatus < 0 ? 0 : request.ScsiStatus);
  size_t sense = srb.SRB_SenseLen < sizeof srb.SenseArea ? srb.SRB_SenseLen : sizeof srb.SenseArea;
  memcpy(srb.SenseArea, request.SenseData, sense);
  if (g_reportTransferred) srb.SRB_BufLen = request.DataLength;
  MemoryBarrier();
  srb.SRB_Status = uint8_t(request.RequestStatus < 0 ? SS_ERR : request.RequestStatus);
}

// Pending requests, answered by one thread in the order they fall due, as a
// real layer answers from its adapter's interrupt path. (A thread for each
// request would put the cost of starting threads into every measurement of
// the program's own time.)
struct LateAnswer {
  SRB_ExecSCSICmd* Srb;
  int Index;
  DWORD Due;     // tick count
  HANDLE Event;  // null when the caller watches SRB_Status instead
};
std::vector<LateAnswer> g_late;   // under g_lock
HANDLE g_lateQueued = nullptr;    // set when a request joins the queue
bool g_answerThreadFailed = false;

DWORD WINAPI AnswerLater(void*) {
  for (;;) {
    LateAnswer answer{};
    bool due = false;
    DWORD wait = INFINITE;
    {
      Locked lock;
      const DWORD now = GetTickCount();
      auto next = g_late.end();
      for (auto it = g_late.begin(); it != g_late.end(); ++it)
        if (next == g_late.end() || int32_t(it->Due - next->Due) < 0) next = it;
      if (next != g_late.end()) {
        int32_t left = int32_t(next->Due - now);
        if (left <= 0) {
          answer = *next;
          g_late.erase(next);
          due = true;
          RunCommand(*answer.Srb, answer.Index);  // a polling caller may release the block after this
        } else {
          wait = DWORD(left);
        }
      }
    }
    if (due) {
      if (answer.Event) SetEvent(answer.Event);  // the last touch for a waiting caller
      continue;
    }
    WaitForSingleObject(g_lateQueued, wait);
  }
}

// Starts the answering thread once; the library is pinned, since the thread
// runs its code until the process ends. False when it cannot run.
bool AnswerThreadRunning() {
  if (g_lateQueued) return true;
  if (g_answerThreadFailed) return false;
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                     reinterpret_cast<LPCSTR>(&AnswerLater), &self);
  HANDLE queued = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  HANDLE thread = queued ? CreateThread(nullptr, 0, AnswerLater, nullptr, 0, nullptr) : nullptr;
  if (!thread) {
    if (queued) CloseHandle(queued);
    g_answerThreadFailed = true;
    return false;
  }
  CloseHandle(thread);
  g_lateQueued = queued;
  return true;
}

uint32_t ExecuteCommand(SRB_ExecSCSICmd& srb) {
  if (srb.SRB_HaId >= g_adapters) return srb.SRB_Status = SS_INVALID_HA;
  int index = DriveIndex(srb.SRB_HaId, srb.SRB_Target, srb.SRB_Lun);
  if (index < 0) return srb.SRB_Status = SS_NO_DEVICE;
  if (srb.SRB_CDBLen > 16 || (srb.SRB_BufLen && !srb.SRB_BufPointer)) return srb.SRB_Status = SS_INVALID_SRB;
  // The adapter's limits are checked when the request is handed in, as
  // layers check them: the refusal comes back at once, never pending.
  switch (sim::AdmitToVirtualDrive(size_t(index), sim::VirtualHostAdapter(srb.SRB_HaId), srb.CDBByte, srb.SRB_CDBLen,
                                   uint32_t(uintptr_t(srb.SRB_BufPointer)), srb.SRB_BufLen, 0)) {
    case sim::AdapterVerdict::TooLong: return srb.SRB_Status = SS_BUFFER_TO_BIG;
    case sim::AdapterVerdict::Misaligned: return srb.SRB_Status = SS_BUFFER_ALIGN;
    case sim::AdapterVerdict::Accepted: break;
  }
  bool notify = (srb.SRB_Flags & SRB_EVENT_NOTIFY) && srb.SRB_PostProc;
  if (!notify && !g_pendingWithoutEvent) {
    RunCommand(srb, index);
    return srb.SRB_Status;
  }
  int delay = size_t(index) < g_delays.size() ? g_delays[size_t(index)] : 0;
  srb.SRB_Status = SS_PENDING;
  if (delay == Never) return SS_PENDING;  // a drive that hangs: no answer ever comes
  if (!AnswerThreadRunning()) {
    RunCommand(srb, index);
    return srb.SRB_Status;
  }
  g_late.push_back({&srb, index, GetTickCount() + DWORD(delay), notify ? HANDLE(srb.SRB_PostProc) : nullptr});
  SetEvent(g_lateQueued);
  return SS_PENDING;
}
}  // namespace

extern "C" {
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) InitializeCriticalSection(&g_lock);
  return TRUE;
}

DWORD __cdecl GetASPI32SupportInfo() {
  Locked lock;
  Start();
  if (!g_ready) return 0xE4 << 8;  // SS_FAILED_INIT: the configuration is wrong
  if (g_adapters == 0) return SS_NO_ADAPTERS << 8;
  return SS_COMP << 8 | g_adapters;
}

DWORD __cdecl SendASPI32Command(void* block) {
  if (!block) return SS_INVALID_SRB;
  Locked lock;
  Start();
  auto& header = *static_cast<SRB_Header*>(block);
  if (!g_ready) return header.SRB_Status = SS_NO_ADAPTERS;
  switch (header.SRB_Cmd) {
    case SC_HA_INQUIRY: return AdapterInquiry(*static_cast<SRB_HAInquiry*>(block));
    case SC_GET_DEV_TYPE: return DeviceType(*static_cast<SRB_GDEVBlock*>(block));
    case SC_EXEC_SCSI_CMD: return ExecuteCommand(*static_cast<SRB_ExecSCSICmd*>(block));
    default: return header.SRB_Status = SS_INVALID_CMD;
  }
}

// Device nodes are 0x7E570000 | adapter << 8 | target, so that a test can
// give a virtual drive its letter through the configuration manager's keys.
BOOL __cdecl TranslateASPI32Address(DWORD* path, DWORD* node) {
  if (!path || !node) return FALSE;
  Locked lock;
  Start();
  uint32_t adapter = *path >> 16 & 0xFF, target = *path >> 8 & 0xFF, lun = *path & 0xFF;
  if (DriveIndex(adapter, target, lun) < 0) return FALSE;
  *node = 0x7E570000 | adapter << 8 | target;
  return TRUE;
}
}
