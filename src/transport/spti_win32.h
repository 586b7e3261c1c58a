// Inside the SPTI transport: the pass-through buffer and the system calls it
// goes through, which tests replace to play sharing violations, failed
// ioctls and drives that answer CHECK CONDITION.
#pragma once
#include <windows.h>
#include <ntddscsi.h>

#include <cstddef>
#include <cstdint>

// One pass-through call: the header, then the sense area it points at.
struct SptiBuffer {
  SCSI_PASS_THROUGH_DIRECT Header;
  uint8_t Sense[16];
};
static_assert(sizeof(SCSI_PASS_THROUGH_DIRECT) == 44, "pass-through header is 44 bytes on 32-bit Windows");
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataTransferLength) == 12);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, TimeOutValue) == 16);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, DataBuffer) == 20);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset) == 24);
static_assert(offsetof(SCSI_PASS_THROUGH_DIRECT, Cdb) == 28);
static_assert(sizeof(SptiBuffer) == 60 && offsetof(SptiBuffer, Sense) == 44);

constexpr DWORD SptiIoctl = 0x4D014;  // IOCTL_SCSI_PASS_THROUGH_DIRECT
static_assert(IOCTL_SCSI_PASS_THROUGH_DIRECT == SptiIoctl);
constexpr ULONG SptiTimeoutSeconds = 30;
constexpr DWORD SptiSharingAttempts = 3;
constexpr DWORD SptiSharingWaitMs = 150;

struct SptiSystemCalls {
  HANDLE(WINAPI* CreateFileA)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
  BOOL(WINAPI* DeviceIoControl)(HANDLE, DWORD, LPVOID, DWORD, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
  BOOL(WINAPI* CloseHandle)(HANDLE);
  UINT(WINAPI* GetDriveTypeA)(LPCSTR);
};

// Installs replacements (null puts the system's calls back).
void InstallSptiSystemCalls(const SptiSystemCalls* calls);
