// varnel for Linux: the command line and the daemon over the system's calls.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "linux/cli.h"

int main(int argc, char** argv) {
  const CliSystem system = {std::getenv("VARNEL_CONFIG"),
                            std::getenv("XDG_CONFIG_HOME"),
                            std::getenv("HOME"),
                            geteuid() == 0,
                            std::getenv("VARNEL_LINUX_DEVICES"),
                            isatty(STDERR_FILENO) == 1,
                            stdout,
                            stderr,
                            &SystemSgIoOps(),
                            &SystemConfigFileOps(),
                            &SystemDaemonEventOps()};
  return RunCommandLine(argc, argv, system);
}
