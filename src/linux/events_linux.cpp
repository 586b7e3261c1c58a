// The daemon's events from the system: udev's block device notices (a disc,
// a drive plugged in or removed), logind's PrepareForSleep(false) on the
// system bus (resume), and SIGTERM/SIGINT (stop), waited for together.
#include <libudev.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <systemd/sd-bus.h>
#include <time.h>
#include <unistd.h>

#include <cstring>

#include "linux/daemon.h"

namespace {

udev* g_udev = nullptr;
udev_monitor* g_monitor = nullptr;
sd_bus* g_bus = nullptr;
int g_signals = -1;
bool g_resumed = false;

int OnPrepareForSleep(sd_bus_message* message, void*, sd_bus_error*) {
  int sleeping = 0;
  if (sd_bus_message_read(message, "b", &sleeping) >= 0 && !sleeping) g_resumed = true;
  return 0;
}

uint32_t StartWatching() {
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  g_signals = signalfd(-1, &stop, SFD_CLOEXEC | SFD_NONBLOCK);

  uint32_t watching = 0;
  // udev's daemon makes this file; without it (a container) no notice comes.
  if (access("/run/udev/control", F_OK) == 0 && (g_udev = udev_new())) {
    g_monitor = udev_monitor_new_from_netlink(g_udev, "udev");
    if (g_monitor && udev_monitor_filter_add_match_subsystem_devtype(g_monitor, "block", "disk") >= 0 &&
        udev_monitor_enable_receiving(g_monitor) >= 0)
      watching |= WatchDiscs;
  }
  if (sd_bus_open_system(&g_bus) >= 0 &&
      sd_bus_match_signal(g_bus, nullptr, "org.freedesktop.login1", "/org/freedesktop/login1",
                          "org.freedesktop.login1.Manager", "PrepareForSleep", OnPrepareForSleep, nullptr) >= 0)
    watching |= WatchResume;
  return watching;
}

// sr0, sr1...: the optical drives among the block devices.
bool IsOptical(udev_device* device) {
  const char* name = udev_device_get_sysname(device);
  return name && std::strncmp(name, "sr", 2) == 0;
}

bool ReadUdev(DaemonEvent& event) {
  udev_device* device = udev_monitor_receive_device(g_monitor);
  if (!device) return false;
  bool got = false;
  const char* action = udev_device_get_action(device);
  const char* node = udev_device_get_devnode(device);
  if (action && IsOptical(device)) {
    const char* media = udev_device_get_property_value(device, "DISK_MEDIA_CHANGE");
    if (std::strcmp(action, "change") == 0 && media && std::strcmp(media, "1") == 0 && node) {
      event = DaemonEvent{DaemonEventKind::DiscChange, node};
      got = true;
    } else if (std::strcmp(action, "add") == 0 || std::strcmp(action, "remove") == 0) {
      event = DaemonEvent{DaemonEventKind::DevicesChanged, ""};
      got = true;
    }
  }
  udev_device_unref(device);
  return got;
}

bool WaitForEvent(uint32_t timeoutMs, DaemonEvent& event) {
  pollfd fds[3] = {{g_signals, POLLIN, 0}, {g_monitor ? udev_monitor_get_fd(g_monitor) : -1, POLLIN, 0},
                   {g_bus ? sd_bus_get_fd(g_bus) : -1, POLLIN, 0}};
  if (g_bus) fds[2].events = short(sd_bus_get_events(g_bus));
  if (poll(fds, 3, int(timeoutMs)) <= 0) return false;
  if (fds[0].revents & POLLIN) {
    signalfd_siginfo info;
    if (read(g_signals, &info, sizeof info) > 0) {
      event = DaemonEvent{DaemonEventKind::Stop, ""};
      return true;
    }
  }
  if ((fds[1].revents & POLLIN) && ReadUdev(event)) return true;
  if (g_bus && fds[2].revents) {
    while (sd_bus_process(g_bus, nullptr) > 0) {}
    if (g_resumed) {
      g_resumed = false;
      event = DaemonEvent{DaemonEventKind::Resume, ""};
      return true;
    }
  }
  return false;
}

uint64_t Milliseconds(clockid_t clock) {
  timespec now{};
  clock_gettime(clock, &now);
  return uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
}

// CLOCK_BOOTTIME goes on during a suspend, CLOCK_MONOTONIC does not.
uint64_t Suspended() { return Milliseconds(CLOCK_BOOTTIME) - Milliseconds(CLOCK_MONOTONIC); }

void StopWatching() {
  if (g_monitor) udev_monitor_unref(g_monitor);
  if (g_udev) udev_unref(g_udev);
  if (g_bus) sd_bus_flush_close_unref(g_bus);
  if (g_signals >= 0) close(g_signals);
  g_monitor = nullptr;
  g_udev = nullptr;
  g_bus = nullptr;
  g_signals = -1;
}

const DaemonEventOps SystemOps = {StartWatching, WaitForEvent, Suspended, StopWatching};

}  // namespace

const DaemonEventOps& SystemDaemonEventOps() { return SystemOps; }
