// The portable half of the switchboard: what a drive command does, and which
// command an outside event (timer, device notice) posts. The window procedure
// (main_window_win32.cpp) posts these and runs them when they are dispatched.
#pragma once
#include <cstdint>

struct DriveRecord;

// The shell's side of the disc actions "Открыть", "Проводник" and
// "Автозапуск" and of a drive's settings item: Windows calls, installed by
// the window procedure (tests install a recording row). Without a row these
// commands do nothing.
struct DiscShellOps {
  void (*OpenRoot)(const DriveRecord& drive, const char* verb);  // "open" or "explore"
  bool (*RunAutorun)(const DriveRecord& drive);                   // false: nothing started
  // The drive settings dialog on the live record: DialogOk after OK.
  int (*DriveSettingsDialog)(DriveRecord& drive, char* lockData);
};
void InstallDiscShellOps(const DiscShellOps* row);

// Runs a drive command (bit 15 set). A command for a drive that has gone, or
// for an ignored drive with any action but its settings, does nothing; for the
// poll action it also stops that drive's poll timer. Actions 13-15 do nothing.
void RunDriveCommand(unsigned command);

// The command that a WM_TIMER with this id posts.
[[nodiscard]] unsigned TimerCommand(unsigned timerId);

// The fields of a volume notice (DEV_BROADCAST_VOLUME) that decide.
struct VolumeNotice {
  uint32_t DeviceType;  // 2 for a volume; other notices are not looked at
  uint32_t UnitMask;    // bit 0 = A
  uint16_t Flags;       // 1 = the medium changed, 2 = a network volume
};
enum DeviceEvent : uint32_t { DeviceArrival = 0x8000, DeviceRemoveComplete = 0x8004 };

// The command a WM_DEVICECHANGE posts, 0 for none; ID_MEDIA_ARRIVED carries
// the unit mask as its argument. A new volume reloads only when one of its
// letters is a CD-ROM (a memory stick does not).
struct PostedCommand {
  unsigned Command;
  uint32_t Argument;
};
[[nodiscard]] PostedCommand DeviceChangeCommand(uint32_t event, const VolumeNotice& volume,
                                                bool (*isCdRomLetter)(char letter));
