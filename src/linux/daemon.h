// The daemon: discovers the drives, sets their chosen speeds at start and
// sets them again on the events each drive's EventMask asks for (a disc, a
// drive plugged in, resume, its own period), as the tray program does.
// The system tells the events through DaemonEventOps (udev and logind in
// events_linux.cpp); without them it polls the drives itself.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

enum class DaemonEventKind : int32_t { DiscChange, DevicesChanged, Resume, Stop };

struct DaemonEvent {
  DaemonEventKind Kind;
  std::string Device;  // the device file of a DiscChange
};

// Which events the system will tell (the rest the daemon finds itself).
enum DaemonWatch : uint32_t { WatchDiscs = 0x01, WatchResume = 0x02 };

struct DaemonEventOps {
  // Starts listening; returns the DaemonWatch bits of the sources that run.
  uint32_t (*Start)();
  // Waits at most timeoutMs for one event; false when none came.
  bool (*Wait)(uint32_t timeoutMs, DaemonEvent& event);
  // Milliseconds the machine has spent suspended since it booted.
  uint64_t (*SuspendedMs)();
  void (*Stop)();
};
const DaemonEventOps& SystemDaemonEventOps();

// How often the drives are asked for a disc change when no event source
// tells it, and how often locked drives are locked again.
constexpr uint32_t DrivePollMs = 5000;
// The daemon's tick: timed restores are counted in it.
constexpr uint32_t DaemonTickMs = 500;

// Runs until a Stop event. Settings come from the installed registry row
// (the settings file); log gets one line per decision worth knowing.
// Returns the process's exit code.
int RunDaemon(const DaemonEventOps& events, FILE* log);

// Sets the speed of one drive again for an event, as the tray program does
// for the drives an event concerns: re-lock, refresh, restore when its
// EventMask asks for the event.
void RestoreDrive(int index, uint32_t events);
