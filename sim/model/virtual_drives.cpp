#include "sim/model/virtual_drives.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include "sim/model/class_driver_fake.h"
#include "sim/model/json_fields.h"

namespace sim {

namespace {
struct Slot {
  DeviceAddress Address;
  std::unique_ptr<Drive> Model;
};
std::vector<Slot> g_drives;
std::FILE* g_log = nullptr;

struct OpenDevice {
  uint32_t Id;
  DeviceAddress Address;
};
size_t g_openHandles = 0;
uint32_t g_nextHandle = 1;

bool SameAddress(const DeviceAddress& a, const DeviceAddress& b) {
  return a.HaId == b.HaId && a.Target == b.Target && a.Lun == b.Lun && a.Letter == b.Letter;
}

int IndexOf(const DeviceAddress& address) {
  for (size_t i = 0; i < g_drives.size(); ++i)
    if (SameAddress(g_drives[i].Address, address)) return int(i);
  return -1;
}

void AppendLog(size_t index, const LogEntry& entry) {
  if (!g_log) return;
  std::string line = Drive::LogLine(entry);
  std::fprintf(g_log, "{\"drive\":%zu,%s\n", index, line.c_str() + 1);
  std::fflush(g_log);
}

// Windows error codes the SPTI row reports when it cannot reach a drive, or
// when the system refuses a pass-through beyond the drive's adapter.
constexpr int32_t kErrorFileNotFound = 2, kErrorInvalidParameter = 87, kErrorSemTimeout = 121;
// ASPI request and host adapter status values.
constexpr int32_t kSsComp = 0x01, kSsErr = 0x04, kSsNoDevice = 0x82, kHaSelectionTimeout = 0x11;
constexpr int32_t kSsBufferAlign = 0xE1, kSsBufferTooBig = 0xE6;
constexpr uint32_t kAspiSenseLength = 14;

// The adapter a row's system states for the drive at index: SPTI's is the
// drive's own, ASPI's the host adapter its drives share.
AdapterSpec RowAdapter(bool aspi, size_t index) {
  return aspi ? VirtualHostAdapter(g_drives[index].Address.HaId) : g_drives[index].Model->profile().Adapter;
}

bool Run(int transportId, ScsiRequest& request, const DeviceAddress& device, uint32_t handle) {
  ClearRequestStatus(request);
  bool aspi = transportId == 2;
  int index = IndexOf(device);
  if (index < 0) {
    if (aspi) request.RequestStatus = kSsNoDevice;
    else request.SystemError = kErrorFileNotFound;
    return false;
  }
  uint32_t length = request.DataBuffer ? request.DataLength : 0;
  AdapterVerdict verdict = AdmitToVirtualDrive(size_t(index), RowAdapter(aspi, size_t(index)), request.Cdb,
                                               request.CdbLength, uint32_t(uintptr_t(request.DataBuffer)), length,
                                               handle);
  if (verdict != AdapterVerdict::Accepted) {
    if (!aspi) request.SystemError = kErrorInvalidParameter;
    else request.RequestStatus = verdict == AdapterVerdict::TooLong ? kSsBufferTooBig : kSsBufferAlign;
    return false;
  }
  CommandOutcome out = ExecuteOnVirtualDrive(size_t(index), request.Cdb, request.CdbLength,
                                             static_cast<uint8_t*>(request.DataBuffer), length, request.DataOut != 0,
                                             handle);
  if (!out.Answered) {
    if (aspi) {
      request.RequestStatus = kSsErr;
      request.AdapterStatus = kHaSelectionTimeout;
    } else {
      request.SystemError = kErrorSemTimeout;
    }
    return false;
  }
  request.ScsiStatus = out.Status;
  request.DataLength = out.Transferred;
  // SPTI returns the sense bytes asked for (at most 16) and only with CHECK
  // CONDITION; an ASPI request block always carries a 14-byte sense area.
  uint32_t room = aspi ? kAspiSenseLength : std::min<uint32_t>(request.SenseLength, 16);
  uint32_t given = out.Status == kStatusCheckCondition ? std::min(room, out.SenseLength) : 0;
  CompleteSense(request, out.Sense, given);
  if (aspi) {
    request.RequestStatus = out.Status == kStatusGood ? kSsComp : kSsErr;
    request.AdapterStatus = 0;
  }
  return out.Status == kStatusGood;
}

bool FirstDrive(DriveCursor& cursor) {
  if (g_drives.empty()) return false;
  cursor.Position[0] = 0;
  cursor.Address = g_drives[0].Address;
  return true;
}

bool NextDrive(DriveCursor& cursor) {
  size_t next = size_t(cursor.Position[0]) + 1;
  if (next >= g_drives.size()) return false;
  cursor.Position[0] = uint32_t(next);
  cursor.Address = g_drives[next].Address;
  return true;
}

TransportHandle Open(ScsiRequest& request) {
  if (IndexOf(request.Address) < 0) {
    // As the system answers a letter or address with no drive behind it.
    ClearRequestStatus(request);
    request.SystemError = kErrorFileNotFound;
    return nullptr;
  }
  ++g_openHandles;
  return new OpenDevice{g_nextHandle++, request.Address};
}

void Close(TransportHandle handle) {
  if (!handle) return;
  delete static_cast<OpenDevice*>(handle);
  --g_openHandles;
}

template <int Id>
bool Send(ScsiRequest& request, TransportHandle handle) {
  if (!handle) {
    ClearRequestStatus(request);
    return false;
  }
  const OpenDevice& device = *static_cast<OpenDevice*>(handle);
  return Run(Id, request, device.Address, device.Id);
}

// What the drive's profile (or set-up) states of its adapter; nothing
// when it states none.
template <int Id>
bool QueryAdapter(TransportHandle, const DeviceAddress& address, AdapterLimits& limits) {
  int index = IndexOf(address);
  if (index < 0) return false;
  AdapterSpec adapter = RowAdapter(Id == 2, size_t(index));
  if (adapter.Stated) limits = {adapter.MaxTransfer, adapter.AlignmentMask};
  return adapter.Stated;
}

const Transport kSptiLike = {TransportSpti, FirstDrive, NextDrive, Open, Send<1>, Close, QueryAdapter<1>};
const Transport kAspiLike = {TransportAspi, FirstDrive, NextDrive, Open, Send<2>, Close, QueryAdapter<2>};

bool g_aspiAvailable = true, g_sptiAvailable = true;
bool AspiAvailable() {
  SetAspiStatus(g_aspiAvailable ? AspiUsable : AspiNotInstalled);
  return g_aspiAvailable;
}
bool SptiAvailable() {
  SetSptiStatus(g_sptiAvailable ? SptiUsable : SptiNotNt);
  return g_sptiAvailable;
}

bool ReadFile(const std::string& path, std::string& text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::ostringstream all;
  all << file.rdbuf();
  text = all.str();
  return true;
}

bool IsAbsolute(const std::string& path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\' || (path.size() > 1 && path[1] == ':'));
}

std::string Resolve(const std::string& baseFolder, const std::string& path) {
  if (IsAbsolute(path) || baseFolder.empty()) return path;
  return baseFolder + "/" + path;
}
}  // namespace

void ClearVirtualDrives() { g_drives.clear(); }

Drive& AddVirtualDrive(const Profile& profile, const DeviceAddress& address) {
  g_drives.push_back({address, std::make_unique<Drive>(profile)});
  return *g_drives.back().Model;
}

size_t VirtualDriveCount() { return g_drives.size(); }

CommandOutcome ExecuteOnVirtualDrive(size_t index, const uint8_t* cdb, uint32_t cdbLength, uint8_t* data,
                                     uint32_t dataLength, bool dataOut, uint32_t handle) {
  Drive& drive = *g_drives.at(index).Model;
  CommandOutcome out = drive.Execute(cdb, cdbLength, data, dataLength, dataOut, handle);
  AppendLog(index, drive.Log().back());
  return out;
}
AdapterSpec VirtualHostAdapter(uint32_t haId) {
  AdapterSpec tightest;
  for (const Slot& slot : g_drives) {
    const AdapterSpec& own = slot.Model->profile().Adapter;
    if (slot.Address.HaId != haId || !own.Stated) continue;
    tightest.MaxTransfer = tightest.Stated ? std::min(tightest.MaxTransfer, own.MaxTransfer) : own.MaxTransfer;
    tightest.AlignmentMask |= own.AlignmentMask;
    tightest.Stated = true;
  }
  return tightest;
}

AdapterVerdict AdmitToVirtualDrive(size_t index, const AdapterSpec& adapter, const uint8_t* cdb, uint32_t cdbLength,
                                   uint32_t buffer, uint32_t dataLength, uint32_t handle) {
  AdapterVerdict verdict = adapter.Judge(buffer, dataLength);
  if (verdict != AdapterVerdict::Accepted) {
    Drive& drive = *g_drives.at(index).Model;
    drive.LogRefused(cdb, cdbLength, handle, verdict, dataLength, buffer & adapter.AlignmentMask);
    AppendLog(index, drive.Log().back());
  }
  return verdict;
}

Drive& VirtualDriveAt(size_t index) { return *g_drives.at(index).Model; }
const DeviceAddress& VirtualDriveAddress(size_t index) { return g_drives.at(index).Address; }

Drive* FindVirtualDrive(const DeviceAddress& address) {
  int index = IndexOf(address);
  return index < 0 ? nullptr : g_drives[size_t(index)].Model.get();
}

bool ParseSetup(std::string_view json, const std::string& baseFolder, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error) || !CheckKeys(root, {"drives", "log"}, "set-up", error)) return false;
  auto drives = root.find("drives");
  if (drives == root.end() || !drives->is_array()) {
    error = "set-up: \"drives\" must be a list";
    return false;
  }
  std::vector<std::pair<Profile, DeviceAddress>> built;
  for (const Json& item : *drives) {
    if (!item.is_object()) {
      error = "drive: expected an object";
      return false;
    }
    if (!CheckKeys(item, {"profile", "haId", "target", "lun", "letter", "medium", "trayOpen", "adapter"}, "drive",
                   error))
      return false;
    std::string name, letter;
    DeviceAddress address{0, 0, 0, 0};
    Profile profile;
    if (!ReadString(item, "profile", name, error) || !ReadUint(item, "haId", 255, address.HaId, error) ||
        !ReadUint(item, "target", 255, address.Target, error) || !ReadUint(item, "lun", 7, address.Lun, error) ||
        !ReadString(item, "letter", letter, error))
      return false;
    if (letter.size() > 1 || (letter.size() == 1 && !(letter[0] >= 'A' && letter[0] <= 'Z'))) {
      error = "drive: \"letter\" must be one capital letter";
      return false;
    }
    address.Letter = letter.empty() ? 0 : letter[0];
    bool isPath = name.find('/') != std::string::npos || name.find('\\') != std::string::npos ||
                  (name.size() > 5 && name.compare(name.size() - 5, 5, ".json") == 0);
    if (!(isPath ? LoadProfile(Resolve(baseFolder, name), profile, error) : LoadNamedProfile(name, profile, error)))
      return false;
    MediumSpec medium;
    if (!ReadString(item, "medium", profile.Medium, error) || !ReadBool(item, "trayOpen", profile.TrayOpen, error))
      return false;
    if (profile.Medium != "none" && !LookupMedium(profile.Medium, medium)) {
      error = "drive: unknown medium \"" + profile.Medium + "\"";
      return false;
    }
    // The same drive may sit behind another adapter than its profile's.
    auto adapter = item.find("adapter");
    if (adapter != item.end() && !ParseAdapter(adapter->dump(), profile.Adapter, error)) return false;
    built.emplace_back(std::move(profile), address);
  }
  std::string log;
  if (!ReadString(root, "log", log, error)) return false;
  ClearVirtualDrives();
  for (auto& [profile, address] : built) AddVirtualDrive(profile, address);
  if (!SetLogFile(log.empty() ? std::string() : Resolve(baseFolder, log))) {
    error = "cannot write the command log " + log;
    return false;
  }
  return true;
}

bool LoadSetup(const std::string& path, std::string& error) {
  std::string text;
  if (!ReadFile(path, text)) {
    error = path + ": cannot open";
    return false;
  }
  size_t slash = path.find_last_of("/\\");
  return ParseSetup(text, slash == std::string::npos ? std::string() : path.substr(0, slash), error);
}

bool ApplyControlLine(std::string_view line, std::string& error) {
  size_t first = line.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos || line[first] == '#') return true;
  Json obj;
  if (!ParseObject(line, obj, error)) return false;
  uint32_t index = 0;
  if (!ReadUint(obj, "drive", 0xFFFF, index, error)) return false;
  if (index >= g_drives.size()) {
    error = "control: no drive " + std::to_string(index);
    return false;
  }
  Drive& drive = *g_drives[index].Model;
  size_t before = drive.Log().size();
  bool ok = drive.ApplyControl(line, error);
  for (size_t i = before; i < drive.Log().size(); ++i) AppendLog(index, drive.Log()[i]);
  return ok;
}

bool SetUpFromEnvironment(std::string& error) {
  const char* setup = std::getenv("VARNEL_SIM_SETUP");
  if (setup && *setup) {
    if (!LoadSetup(setup, error)) return false;
  } else {
    const char* profiles = std::getenv("VARNEL_SIM_PROFILES");
    std::string list = profiles ? profiles : "", json = "{\"drives\":[";
    size_t start = 0;
    for (uint32_t target = 0; !list.empty() && start <= list.size(); ++target) {
      size_t comma = std::min(list.find(',', start), list.size());
      json += (target ? "," : "") + std::string("{\"profile\":") + Json(list.substr(start, comma - start)).dump() +
              ",\"target\":" + std::to_string(target) + "}";
      start = comma + 1;
    }
    if (!ParseSetup(json + "]}", "", error)) return false;
  }
  const char* log = std::getenv("VARNEL_SIM_LOG");
  if (log && *log && !SetLogFile(log)) {
    error = std::string("cannot write the command log ") + log;
    return false;
  }
  return true;
}

void ControlFileReader::ApplyNewLines(const std::function<void(const std::string&)>& complain) {
  if (path_.empty()) return;
  std::FILE* file = std::fopen(path_.c_str(), "rb");
  if (!file) return;
  // A file emptied for a new run starts over.
  if (std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) < applied_) applied_ = 0;
  if (std::fseek(file, applied_, SEEK_SET) == 0) {
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
      if (c != '\n') {
        line += char(c);
        continue;
      }
      std::string error;
      if (!ApplyControlLine(line, error)) complain("control: " + error);
      applied_ += long(line.size()) + 1;  // a line still being written waits for its end
      line.clear();
    }
  }
  std::fclose(file);
}

bool SetLogFile(const std::string& path) {
  if (g_log) std::fclose(g_log);
  g_log = nullptr;
  if (path.empty()) return true;
  g_log = std::fopen(path.c_str(), "a");
  return g_log != nullptr;
}

const Transport& VirtualTransport(int transportId) { return transportId == 1 ? kSptiLike : kAspiLike; }
size_t OpenHandleCount() { return g_openHandles; }

void UseVirtualTransports(bool aspiAvailable, bool sptiAvailable, bool classDriverAvailable) {
  g_aspiAvailable = aspiAvailable;
  g_sptiAvailable = sptiAvailable;
  SetAspiStatus(AspiNotLoaded);
  SetSptiStatus(SptiNotProbed);
  ResetVirtualClassDriver();
  InstallClassDriverOps(&VirtualClassDriver(VirtualWindows::Windows8));
  const TransportChoice classDriver{classDriverAvailable ? +[] { return true; } : +[] { return false; },
                                    &ClassDriverTransport};
  RegisterTransports({AspiAvailable, &kAspiLike}, {SptiAvailable, &kSptiLike}, classDriver);
}

}  // namespace sim
