// The ASPI for Win32 request blocks and codes, as the layer (wnaspi32.dll)
// and its callers share them: 32-bit layouts, byte-packed. Natively the
// pointers are wider and the blocks only carry the same fields to a test's
// layer.
#pragma once
#include <cstddef>
#include <cstdint>

enum AspiCommand : uint8_t {
  SC_HA_INQUIRY = 0,
  SC_GET_DEV_TYPE = 1,
  SC_EXEC_SCSI_CMD = 2,
};

enum AspiStatusCode : uint8_t {
  SS_PENDING = 0x00,
  SS_COMP = 0x01,
  SS_ABORTED = 0x02,
  SS_ERR = 0x04,
  SS_INVALID_CMD = 0x80,
  SS_INVALID_HA = 0x81,
  SS_NO_DEVICE = 0x82,
  SS_INVALID_SRB = 0xE0,
  SS_BUFFER_ALIGN = 0xE1,   // the buffer breaks the adapter's alignment mask
  SS_BUFFER_TO_BIG = 0xE6,  // longer than the adapter's largest transfer
  SS_NO_ADAPTERS = 0xE8,
};

constexpr uint8_t SRB_DIR_IN = 0x08;
constexpr uint8_t SRB_DIR_OUT = 0x10;
constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;
constexpr uint8_t DTYPE_CDROM = 5;
constexpr uint8_t AspiSenseLength = 14;

#pragma pack(push, 1)
struct SRB_Header {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
};

struct SRB_HAInquiry {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t HA_Count;
  uint8_t HA_SCSI_ID;
  char HA_ManagerId[16];
  char HA_Identifier[16];
  uint8_t HA_Unique[16];  // bytes 0-1 buffer alignment mask, 3 number of targets, 4-7 longest transfer
  uint16_t HA_Rsvd1;
};

// Twelve bytes are defined; layers of old wrote a little further, so the
// block carries four more.
struct SRB_GDEVBlock {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint8_t SRB_DeviceType;
  uint8_t SRB_Rsvd1;
  uint8_t SRB_Rsvd2[4];
};

struct SRB_ExecSCSICmd {
  uint8_t SRB_Cmd;
  uint8_t SRB_Status;  // the layer may write it from its own thread
  uint8_t SRB_HaId;
  uint8_t SRB_Flags;
  uint32_t SRB_Hdr_Rsvd;
  uint8_t SRB_Target;
  uint8_t SRB_Lun;
  uint16_t SRB_Rsvd1;
  uint32_t SRB_BufLen;
  uint8_t* SRB_BufPointer;
  uint8_t SRB_SenseLen;
  uint8_t SRB_CDBLen;
  uint8_t SRB_HaStat;
  uint8_t SRB_TargStat;
  void* SRB_PostProc;  // the event handle with SRB_EVENT_NOTIFY
  uint8_t SRB_Rsvd2[20];
  uint8_t CDBByte[16];
  uint8_t SenseArea[16];
};
#pragma pack(pop)

// Where the host adapter inquiry states its limits.
constexpr size_t HaUniqueAlignmentMask = 0, HaUniqueTargets = 3, HaUniqueMaxTransfer = 4;

#if UINTPTR_MAX == 0xFFFFFFFF
static_assert(sizeof(SRB_Header) == 8);
static_assert(sizeof(SRB_HAInquiry) == 60 && offsetof(SRB_HAInquiry, HA_Unique) + 3 == 45);
static_assert(sizeof(SRB_GDEVBlock) == 16 && offsetof(SRB_GDEVBlock, SRB_Target) == 8 &&
              offsetof(SRB_GDEVBlock, SRB_DeviceType) == 10);
static_assert(sizeof(SRB_ExecSCSICmd) == 80);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_Target) == 8 && offsetof(SRB_ExecSCSICmd, SRB_Lun) == 9);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_BufLen) == 12 && offsetof(SRB_ExecSCSICmd, SRB_BufPointer) == 16);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_SenseLen) == 20 && offsetof(SRB_ExecSCSICmd, SRB_CDBLen) == 21);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_HaStat) == 22 && offsetof(SRB_ExecSCSICmd, SRB_TargStat) == 23);
static_assert(offsetof(SRB_ExecSCSICmd, SRB_PostProc) == 24 && offsetof(SRB_ExecSCSICmd, CDBByte) == 48);
static_assert(offsetof(SRB_ExecSCSICmd, SenseArea) == 64);

#endif

#if defined(_WIN32)
// The entry points, all __cdecl.
using GetASPI32SupportInfoFn = uint32_t(__cdecl*)();
using SendASPI32CommandFn = uint32_t(__cdecl*)(void* srb);
using TranslateASPI32AddressFn = int(__cdecl*)(uint32_t* path, uint32_t* deviceNode);
#endif
