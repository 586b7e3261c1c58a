// The command line of the Linux edition: list, set, discover, eject,
// close, lock, unlock, status and daemon, in the habits of Linux tools:
// --help, --json for scripts, messages on stderr, exit codes 0 done,
// 1 failed, 2 wrong call.
#pragma once
#include <cstdio>
#include <string>

#include "linux/config_file.h"
#include "linux/daemon.h"
#include "linux/sg_io.h"

enum ExitCode : int { ExitDone = 0, ExitFailed = 1, ExitWrongCall = 2 };

// What main gathers from the system for the command line.
struct CliSystem {
  const char* ConfigVariable;  // VARNEL_CONFIG, or null
  const char* XdgConfigHome;   // or null
  const char* Home;            // or null
  bool Root;                   // run by root (and so by the service)
  const char* DeviceList;      // VARNEL_LINUX_DEVICES, or null: /dev/sr*
  bool ProgressTerminal;       // stderr is a terminal: progress lines go there
  FILE* Out;
  FILE* Err;
  const SgIoOps* Devices;
  const ConfigFileOps* Files;
  const DaemonEventOps* Events;
};

// The settings file of root and the service. In a folder of its own: the
// file is replaced by renaming a new one over it, and the hardened service
// may write that folder only, not the whole of /etc.
constexpr char ServiceConfigPath[] = "/etc/varnel/varnel.conf";

// The settings file: --config, else VARNEL_CONFIG, else ServiceConfigPath
// for root, else $XDG_CONFIG_HOME/varnel/varnel.conf (~/.config when unset).
[[nodiscard]] std::string ChooseConfigPath(const char* option, const CliSystem& system);

int RunCommandLine(int argc, const char* const* argv, const CliSystem& system);
