// The settings file's system calls: read it, replace it atomically, stat it.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "linux/config_file.h"

namespace {

bool ReadFile(const char* path, std::string& text, bool& missing) {
  text.clear();
  int fd = open(path, O_RDONLY | O_CLOEXEC);
  missing = fd < 0 && errno == ENOENT;
  if (fd < 0) return false;
  char buffer[4096];
  ssize_t got;
  while ((got = read(fd, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
    if (got > 0) text.append(buffer, size_t(got));
  close(fd);
  return got == 0;
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t put = write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += size_t(put);
  }
  return true;
}

// The folder of a user's file may not exist yet ($XDG_CONFIG_HOME/varnel).
void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0755);
}

// A writer killed before its rename leaves its new file behind, named by
// its process id: gone once that process is gone.
void RemoveLeftovers(const std::string& folder, const std::string& prefix) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    long pid = std::strtol(entry->d_name + prefix.size(), &end, 10);
    if (*end == 0 && pid > 0 && kill(pid_t(pid), 0) != 0 && errno == ESRCH)
      unlink((folder + "/" + entry->d_name).c_str());
  }
  closedir(dir);
}

bool ReplaceFile(const char* path, const std::string& text) {
  std::string target = path;
  MakeFolders(target);
  size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : target.substr(0, slash);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  RemoveLeftovers(folder, name + ".new.");
  std::string fresh = target + ".new." + std::to_string(getpid());
  int fd = open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  // On disk before the rename, or a crash could leave an empty file behind
  // the new name.
  bool written = WriteAll(fd, text) && fsync(fd) == 0;
  written = close(fd) == 0 && written;
  if (!written || rename(fresh.c_str(), path) != 0) {
    unlink(fresh.c_str());
    return false;
  }
  int folderFd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);  // the rename itself
    close(folderFd);
  }
  return true;
}

uint64_t FileStamp(const char* path) {
  struct stat file;
  if (stat(path, &file) != 0) return 0;
  return uint64_t(file.st_mtim.tv_sec) * 1000000000u + uint64_t(file.st_mtim.tv_nsec) + uint64_t(file.st_size) +
         uint64_t(file.st_ino);
}

const ConfigFileOps SystemOps = {ReadFile, ReplaceFile, FileStamp};

}  // namespace

const ConfigFileOps& SystemConfigFileOps() { return SystemOps; }
