#include "transport/aspi_row.h"

#include <cstring>
#include <new>

#include "clock/clock.h"
#include "common/byte_order.h"
#include "common/format_text.h"
#include "registry/registry.h"
#include "transport/aspi_srb.h"

namespace {
const AspiOps* g_ops = nullptr;
bool g_usable = false;  // the layer said it works: nothing is sent through a damaged one
uint32_t g_adapterCount = 0;
uint32_t g_waitLimit = AspiDefaultWaitMs;

constexpr uint8_t StatusCheckCondition = 0x02;
constexpr uintptr_t PageMask = 4095;  // every data buffer starts on a page: any adapter's mask accepts it
constexpr uint32_t PollMs = 10;

// One request block with what the layer may write while it is pending: the
// block, its event and the data buffer. It lives on the heap, never on the
// caller's stack, so that a request given up on can outlive the call.
struct AspiCall {
  union {
    SRB_ExecSCSICmd Exec;
    SRB_HAInquiry Inquiry;
    SRB_GDEVBlock Device;
  } Block;
  AspiEvent Event;
  uint8_t* Allocation;  // the data buffer's block
  uint8_t* Data;    // within it, on a page boundary
  AspiCall* NextParked;
};

AspiCall* g_parked = nullptr;

AspiCall* NewCall(uint32_t dataLength) {
  auto* call = new (std::nothrow) AspiCall;
  if (!call) return nullptr;
  std::memset(call, 0, sizeof *call);
  if (dataLength) {
    call->Allocation = new (std::nothrow) uint8_t[dataLength + PageMask]();
    if (!call->Allocation) {
      delete call;
      return nullptr;
    }
    call->Data = reinterpret_cast<uint8_t*>((reinterpret_cast<uintptr_t>(call->Allocation) + PageMask) & ~PageMask);
  }
  return call;
}

void CloseEvent(AspiCall* call) {
  if (call->Event) g_ops->CloseEvent(call->Event);
  call->Event = nullptr;
}

void FreeCall(AspiCall* call) {
  CloseEvent(call);
  delete[] call->Allocation;
  delete call;
}

// Each device keeps one call between commands, with a data buffer that holds
// the largest transfer the program asks for (READ(10) of 32 blocks), so that
// measuring through ASPI allocates nothing per command. A call given up on is
// parked with its buffer, and the device gets a new one at its next command.
constexpr uint32_t DeviceBufferBytes = 64 * 1024;
constexpr size_t KeptDeviceCalls = 16;  // one per drive the program can hold

struct DeviceCall {
  uint32_t HaId, Target, Lun;
  AspiCall* Call;  // null: none kept (yet, or since it was parked)
};
DeviceCall g_deviceCalls[KeptDeviceCalls];
size_t g_deviceCallCount = 0;

// The call a request to this device runs in: the device's kept one, or a
// call of its own for a transfer larger than the kept buffer or a device past
// the table. Null when memory runs out.
AspiCall* TakeCall(const DeviceAddress& address, uint32_t dataLength, DeviceCall*& slot) {
  slot = nullptr;
  if (dataLength > DeviceBufferBytes) return NewCall(dataLength);
  for (size_t i = 0; i < g_deviceCallCount && !slot; ++i) {
    DeviceCall& kept = g_deviceCalls[i];
    if (kept.HaId == address.HaId && kept.Target == address.Target && kept.Lun == address.Lun) slot = &kept;
  }
  if (!slot && g_deviceCallCount < KeptDeviceCalls) {
    slot = &g_deviceCalls[g_deviceCallCount++];
    *slot = DeviceCall{address.HaId, address.Target, address.Lun, nullptr};
  }
  if (!slot) return NewCall(dataLength);
  if (!slot->Call) slot->Call = NewCall(DeviceBufferBytes);
  AspiCall* call = slot->Call;
  if (call) std::memset(&call->Block, 0, sizeof call->Block);  // its event was closed after the last command
  return call;
}

// After the layer has finished with a call: a device's kept call stays for
// its next command, any other is freed.
void ReturnCall(AspiCall* call, DeviceCall* slot) {
  if (slot) {
    CloseEvent(call);
    return;
  }
  FreeCall(call);
}

void Park(AspiCall* call) {
  call->NextParked = g_parked;
  g_parked = call;
}

// A layer signals the event as its last act on a request, so a parked call
// whose event is set can go. Calls without an event stay parked for good.
void ReclaimParkedCalls() {
  AspiCall** link = &g_parked;
  while (AspiCall* call = *link) {
    if (call->Event && g_ops->WaitEvent(call->Event, 0)) {
      *link = call->NextParked;
      FreeCall(call);
    } else {
      link = &call->NextParked;
    }
  }
}

// Waits for a request the layer answered SS_PENDING. True when it completed.
bool WaitForCompletion(AspiCall& call, const volatile uint8_t& status) {
  if (call.Event) return g_ops->WaitEvent(call.Event, g_waitLimit);
  // No event could be made: watch the status byte leave SS_PENDING.
  uint32_t start = ClockTickCount();
  while (status == SS_PENDING) {
    if (ClockTickCount() - start >= g_waitLimit) return false;
    ClockSleep(PollMs);
  }
  return true;
}

bool Sendable() { return g_usable && g_ops->Send; }

// Sends an adapter inquiry or device-type block, which layers answer at
// once. A layer that answers SS_PENDING anyway keeps the block: it is parked
// and `call` is cleared.
uint32_t SendScanBlock(AspiCall*& call) {
  if (!Sendable()) return SS_ERR;
  uint32_t answer = g_ops->Send(&call->Block);
  if (answer == SS_PENDING) {
    Park(call);
    call = nullptr;
  }
  return answer;
}

// The host adapter inquiry of one adapter, or false.
bool InquireAdapter(uint32_t adapter, uint8_t (&unique)[16]) {
  AspiCall* inquiry = NewCall(0);
  if (!inquiry) return false;
  inquiry->Block.Inquiry.SRB_Cmd = SC_HA_INQUIRY;
  inquiry->Block.Inquiry.SRB_HaId = uint8_t(adapter);
  bool answered = SendScanBlock(inquiry) == SS_COMP;
  if (answered) std::memcpy(unique, inquiry->Block.Inquiry.HA_Unique, sizeof unique);
  if (inquiry) FreeCall(inquiry);
  return answered;
}

bool AspiSend(ScsiRequest& request, TransportHandle) {
  ClearRequestStatus(request);
  if (!Sendable()) return false;
  ReclaimParkedCalls();
  // The layer transfers through a buffer of the call, not the caller's: a
  // request answered after we gave up must not write into a stack that has
  // moved on.
  DeviceCall* slot = nullptr;
  AspiCall* call = TakeCall(request.Address, request.DataLength, slot);
  if (!call) {
    request.SystemError = OutOfMemory;
    return false;
  }
  SRB_ExecSCSICmd& srb = call->Block.Exec;
  srb.SRB_Cmd = SC_EXEC_SCSI_CMD;
  srb.SRB_HaId = uint8_t(request.Address.HaId);
  if (request.DataLength) srb.SRB_Flags = request.DataOut ? SRB_DIR_OUT : SRB_DIR_IN;
  srb.SRB_Target = uint8_t(request.Address.Target);
  srb.SRB_Lun = uint8_t(request.Address.Lun);
  srb.SRB_BufLen = request.DataLength;
  srb.SRB_BufPointer = call->Data;
  // A layer may report the whole length for a shorter answer: the part the
  // device did not write must read as zeros, not as the last command's data.
  if (request.DataLength && request.DataOut && request.DataBuffer)
    std::memcpy(call->Data, request.DataBuffer, request.DataLength);
  else if (request.DataLength)
    std::memset(call->Data, 0, request.DataLength);
  srb.SRB_SenseLen = AspiSenseLength;
  srb.SRB_CDBLen = uint8_t(request.CdbLength);
  std::memcpy(srb.CDBByte, request.Cdb, sizeof srb.CDBByte);
  call->Event = g_ops->MakeEvent ? g_ops->MakeEvent() : nullptr;
  if (call->Event) {
    srb.SRB_Flags |= SRB_EVENT_NOTIFY;
    srb.SRB_PostProc = call->Event;
  }

  uint32_t outcome = g_ops->Send(&srb);
  if (outcome == SS_PENDING) {
    if (!WaitForCompletion(*call, srb.SRB_Status)) {
      if (slot) slot->Call = nullptr;  // the parked call keeps its buffer
      Park(call);
      request.RequestStatus = SS_PENDING;
      request.DataLength = 0;
      CompleteSense(request, nullptr, 0);
      return false;
    }
    outcome = srb.SRB_Status;
  }

  request.RequestStatus = srb.SRB_Status;
  request.AdapterStatus = srb.SRB_HaStat;
  request.ScsiStatus = srb.SRB_TargStat;
  // The sense area holds the drive's sense only with CHECK CONDITION.
  CompleteSense(request, srb.SenseArea, srb.SRB_TargStat == StatusCheckCondition ? AspiSenseLength : 0);
  // The layer's length is trusted only within what was asked for.
  uint32_t transferred = srb.SRB_BufLen < request.DataLength ? srb.SRB_BufLen : request.DataLength;
  if (transferred && !request.DataOut && request.DataBuffer) std::memcpy(request.DataBuffer, call->Data, transferred);
  request.DataLength = transferred;
  ReturnCall(call, slot);
  return outcome == SS_COMP;
}

// The drive letter the Windows 9x configuration manager gave a device, or 0.
int32_t LetterOf(uint32_t adapter, uint32_t target, uint32_t lun) {
  if (!g_ops || !g_ops->Translate) return 0;
  uint32_t path = adapter << 16 | target << 8 | lun;
  uint32_t node = 0;
  if (!g_ops->Translate(&path, &node) || node == 0) return 0;
  char nodeKey[40];
  FormatText(nodeKey, sizeof nodeKey, "Config Manager\\Enum\\%08X", unsigned(node));
  OwnedRegKey dynamic(OpenSubkey(RegRoot::DynData, nodeKey));
  if (!dynamic) return 0;
  // "Enum\" and the hardware key, whose stored value need not end in a zero.
  constexpr size_t Prefix = 5, PathLimit = 260;
  char hardwareKey[Prefix + PathLimit] = "Enum\\";
  if (!ReadString(dynamic.Get(), "HardWareKey", hardwareKey + Prefix, PathLimit)) return 0;
  OwnedRegKey device(OpenSubkey(RegRoot::LocalMachine, hardwareKey));
  uint8_t value[2] = {};
  if (!device || ReadValue(device.Get(), "CurrentDriveLetterAssignment", value, sizeof value) == 0) return 0;
  char letter = char(value[0]);
  if (letter >= 'a' && letter <= 'z') letter = char(letter - 'a' + 'A');
  return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

// The first CD-ROM at or after (adapter, target); targets of later adapters
// start again at 0.
bool ScanFrom(uint32_t adapter, uint32_t target, DriveCursor& cursor) {
  for (; adapter < g_adapterCount; ++adapter, target = 0) {
    uint8_t unique[16] = {};
    if (!InquireAdapter(adapter, unique)) continue;
    // Adapters that do not say how many targets they have get the SCSI-1
    // eight; wide adapters are looked at up to 16.
    uint32_t targets = unique[HaUniqueTargets];
    if (targets == 0) targets = 8;
    if (targets > 16) targets = 16;
    for (; target < targets; ++target) {
      AspiCall* device = NewCall(0);
      if (!device) return false;
      device->Block.Device.SRB_Cmd = SC_GET_DEV_TYPE;
      device->Block.Device.SRB_HaId = uint8_t(adapter);
      device->Block.Device.SRB_Target = uint8_t(target);
      bool cdrom = SendScanBlock(device) == SS_COMP && device->Block.Device.SRB_DeviceType == DTYPE_CDROM;
      if (device) FreeCall(device);
      if (cdrom) {
        cursor.Position[0] = adapter;
        cursor.Position[1] = target;
        cursor.Address = DeviceAddress{adapter, target, 0, LetterOf(adapter, target, 0)};
        return true;
      }
    }
  }
  return false;
}

bool AspiFirstDrive(DriveCursor& cursor) { return ScanFrom(0, 0, cursor); }
bool AspiNextDrive(DriveCursor& cursor) { return ScanFrom(cursor.Position[0], cursor.Position[1] + 1, cursor); }

// ASPI has no handles; the row hands out a token so that sequences run as
// on the other rows.
TransportHandle AspiOpen(ScsiRequest& request) {
  static int token;
  if (Sendable()) return &token;
  ClearRequestStatus(request);
  return nullptr;
}
void AspiClose(TransportHandle) {}

// The host adapter inquiry states the buffer alignment mask and the longest
// transfer of the drive's adapter.
bool AspiQueryAdapter(TransportHandle, const DeviceAddress& address, AdapterLimits& limits) {
  uint8_t unique[16] = {};
  if (!InquireAdapter(address.HaId, unique)) return false;
  limits.AlignmentMask = get_le16(unique + HaUniqueAlignmentMask);
  limits.MaxTransfer = get_le32(unique + HaUniqueMaxTransfer);
  return true;
}
}  // namespace

const Transport AspiTransport = {TransportAspi, AspiFirstDrive, AspiNextDrive,   AspiOpen,
                                 AspiSend,      AspiClose,      AspiQueryAdapter};

bool StartAspi(const AspiOps* ops) {
  g_ops = ops;
  g_usable = false;
  g_adapterCount = 0;
  if (!ops) {
    SetAspiStatus(AspiNotInstalled);
    return false;
  }
  if (!ops->SupportInfo || !ops->Send) {
    SetAspiStatus(AspiDamaged);
    return false;
  }
  uint32_t info = ops->SupportInfo();
  uint32_t status = info >> 8 & 0xFF;
  if (status == SS_COMP) g_adapterCount = info & 0xFF;
  g_usable = status == SS_COMP || status == SS_NO_ADAPTERS;
  SetAspiStatus(g_usable ? AspiUsable : AspiDamaged);
  return g_usable;
}

void SetAspiWaitLimit(uint32_t milliseconds) { g_waitLimit = milliseconds; }

uint32_t AspiParkedRequestCount() {
  if (!g_ops) return 0;
  ReclaimParkedCalls();
  uint32_t count = 0;
  for (AspiCall* call = g_parked; call; call = call->NextParked) ++count;
  return count;
}
