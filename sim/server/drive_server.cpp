// The virtual drives as a process of their own, as a real drive's firmware
// runs outside the program: the set is built from the same environment as
// the ASPI layer's (VARNEL_SIM_SETUP or VARNEL_SIM_PROFILES, VARNEL_SIM_LOG,
// VARNEL_SIM_CONTROL, VARNEL_SIM_DELAYS), keeps its state (speed, disc, tray,
// lock) for as long as the server runs, and answers the bridge's requests
// on a Unix socket.
// SIGTERM, SIGINT or SIGHUP end it; the socket file goes with it.
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <string>
#include <vector>

#include "sim/model/virtual_drives.h"
#include "sim/server/drive_protocol.h"

namespace {
const char* g_socketPath = nullptr;
sim::ControlFileReader g_control;
// Per drive: milliseconds before the drive answers, or kNever.
constexpr int kNever = -1;
std::vector<int> g_delays;

// A client that stops sending or reading in the middle of a request does
// not hold the drives for longer than this.
constexpr int kClientTimeoutSeconds = 2;

void Complain(const std::string& what) { fprintf(stderr, "varnel-drive-server: %s\n", what.c_str()); }

bool ReadAll(int fd, void* buffer, size_t length) {
  auto* at = static_cast<uint8_t*>(buffer);
  while (length > 0) {
    ssize_t got = read(fd, at, length);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    length -= size_t(got);
  }
  return true;
}

bool WriteAll(int fd, const void* buffer, size_t length) {
  const auto* at = static_cast<const uint8_t*>(buffer);
  while (length > 0) {
    ssize_t put = send(fd, at, length, MSG_NOSIGNAL);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    length -= size_t(put);
  }
  return true;
}

void Serve(int client) {
  timeval timeout{kClientTimeoutSeconds, 0};
  setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  DriveRequest request{};
  if (!ReadAll(client, &request, sizeof request)) return;
  DriveReply reply{};
  reply.Magic = DRIVE_PROTOCOL_MAGIC;
  bool dataOut = request.Direction == DriveDataOut;
  if (request.Magic != DRIVE_PROTOCOL_MAGIC || request.CdbLength == 0 || request.CdbLength > sizeof request.Cdb ||
      request.Direction > DriveDataOut || request.DataLength > DRIVE_PROTOCOL_MAX_DATA ||
      (request.Direction == DriveDataNone && request.DataLength != 0)) {
    reply.Result = DriveBadRequest;
    WriteAll(client, &reply, sizeof reply);
    return;
  }
  std::vector<uint8_t> data(request.DataLength);
  if (dataOut && !ReadAll(client, data.data(), data.size())) return;
  g_control.ApplyNewLines(Complain);
  if (request.Drive >= sim::VirtualDriveCount()) {
    reply.Result = DriveNoSuchDrive;
    WriteAll(client, &reply, sizeof reply);
    return;
  }
  // A pass-through the drive's adapter cannot carry is refused before the
  // drive sees it, as Windows refuses it.
  if (sim::AdmitToVirtualDrive(request.Drive, sim::VirtualDriveAt(request.Drive).profile().Adapter, request.Cdb,
                               request.CdbLength, request.BufferAddress, request.DataLength,
                               request.Handle) != sim::AdapterVerdict::Accepted) {
    reply.Result = DriveBeyondAdapter;
    WriteAll(client, &reply, sizeof reply);
    return;
  }
  int delay = request.Drive < g_delays.size() ? g_delays[request.Drive] : 0;
  if (delay == kNever) {
    reply.Result = DriveNoAnswer;
    WriteAll(client, &reply, sizeof reply);
    return;
  }
  if (delay > 0) usleep(useconds_t(delay) * 1000);
  sim::CommandOutcome out = sim::ExecuteOnVirtualDrive(request.Drive, request.Cdb, request.CdbLength, data.data(),
                                                       request.DataLength, dataOut, request.Handle);
  reply.Result = out.Answered ? DriveAnswered : DriveNoAnswer;
  reply.Status = out.Status;
  reply.SenseLength = out.SenseLength;
  memcpy(reply.Sense, out.Sense, sizeof reply.Sense);
  reply.Transferred = out.Transferred <= request.DataLength ? out.Transferred : request.DataLength;
  if (!WriteAll(client, &reply, sizeof reply)) return;
  if (request.Direction == DriveDataIn) WriteAll(client, data.data(), reply.Transferred);
}

// Ends the server at once, even in the middle of a command (a drive that
// never answers holds the model for the host's whole wait): the drives'
// state lives only in memory and the command log is flushed line by line.
void Stop(int) {
  unlink(g_socketPath);
  _exit(0);
}

// Binds under a temporary name and renames when listening, so that the
// socket's path appears only once it accepts connections.
int Listen(const std::string& path) {
  std::string building = path + ".new";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (building.size() >= sizeof address.sun_path) {
    Complain("socket path too long: " + path);
    return -1;
  }
  strcpy(address.sun_path, building.c_str());
  int server = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  unlink(building.c_str());
  if (server < 0 || bind(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(server, 16) != 0 || rename(building.c_str(), path.c_str()) != 0) {
    Complain("cannot listen on " + path + ": " + strerror(errno));
    if (server >= 0) close(server);
    return -1;
  }
  return server;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: varnel-drive-server SOCKET\n(drives from VARNEL_SIM_SETUP or VARNEL_SIM_PROFILES)\n");
    return 2;
  }
  std::string error;
  if (!sim::SetUpFromEnvironment(error)) {
    Complain(error);
    return 1;
  }
  // VARNEL_SIM_DELAYS as for the ASPI layer: per drive, ms or "never".
  if (const char* delays = getenv("VARNEL_SIM_DELAYS")) {
    std::string list = delays;
    for (size_t start = 0; !list.empty() && start <= list.size();) {
      size_t comma = std::min(list.find(',', start), list.size());
      std::string item = list.substr(start, comma - start);
      g_delays.push_back(item == "never" ? kNever : atoi(item.c_str()));
      start = comma + 1;
    }
  }
  const char* control = getenv("VARNEL_SIM_CONTROL");
  g_control = sim::ControlFileReader(control ? control : "");
  g_socketPath = argv[1];
  int server = Listen(g_socketPath);
  if (server < 0) return 1;
  struct sigaction stop {};
  stop.sa_handler = Stop;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &stop, nullptr);
  for (;;) {
    int client = accept4(server, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Serve(client);
    close(client);
  }
}
