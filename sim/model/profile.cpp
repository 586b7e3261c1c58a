#include "sim/model/profile.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "sim/model/json_fields.h"

namespace sim {

namespace {
constexpr uint32_t kSectorBytes = 2048;
// ASPI carries the mask in two bytes.
constexpr uint32_t kLargestAlignmentMask = 0xFFFF;

// Discs as drives identify them: medium-type byte of the mode header and the
// profile GET CONFIGURATION reports. Sizes are those of common pressings.
const MediumSpec kMedia[] = {
    {"data-cd", 0x01, 0x0008, 333000, false, false},
    {"audio-cd", 0x02, 0x0008, 330000, true, false},
    {"mixed-cd", 0x03, 0x0008, 300000, false, false},
    {"cd-r", 0x11, 0x0009, 359846, false, false},
    {"audio-cd-r", 0x12, 0x0009, 359846, true, false},
    {"cd-rw", 0x21, 0x000A, 295848, false, false},
    {"dvd-rom", 0x40, 0x0010, 2295104, false, true},
    {"dvd-r", 0x41, 0x0011, 2298496, false, true},
    {"dvd-ram", 0x43, 0x0012, 2236704, false, true},
    {"dvd+r", 0x61, 0x001B, 2295104, false, true},
    // Dual-layer discs: DVD-R DL in sequential recording, DVD+R DL.
    {"dvd-rom-dl", 0x40, 0x0010, 4173824, false, true},
    {"dvd-r-dl", 0x41, 0x0015, 4171712, false, true},
    {"dvd+r-dl", 0x61, 0x002B, 4173824, false, true},
};

bool SpeedList(const Json& obj, const char* kbKey, const char* factorKey, uint32_t (*forFactor)(uint32_t),
               std::vector<uint32_t>& out, std::string& error) {
  std::vector<uint32_t> factors;
  if (!ReadUintList(obj, kbKey, 0xFFFF, out, error) || !ReadUintList(obj, factorKey, 64, factors, error)) return false;
  for (uint32_t n : factors) out.push_back(forFactor(n));
  std::sort(out.begin(), out.end());
  out.erase(std::unique(out.begin(), out.end()), out.end());
  return true;
}

bool ParseRule(const std::string& text, SpeedRule& out) {
  if (text == "below") out = SpeedRule::Below;
  else if (text == "nearest") out = SpeedRule::Nearest;
  else if (text == "up") out = SpeedRule::Up;
  else if (text == "ignore") out = SpeedRule::Ignore;
  else return false;
  return true;
}

bool ParseCdOnDvd(const std::string& text, CdSpeedOnDvd& out) {
  if (text == "apply") out = CdSpeedOnDvd::Apply;
  else if (text == "ignore") out = CdSpeedOnDvd::Ignore;
  else if (text == "reject") out = CdSpeedOnDvd::Reject;
  else return false;
  return true;
}

bool ParseStreamingOnCd(const std::string& text, StreamingOnCd& out) {
  if (text == "apply") out = StreamingOnCd::Apply;
  else if (text == "ignore") out = StreamingOnCd::Ignore;
  else return false;
  return true;
}

bool ParsePerformanceReport(const std::string& text, PerformanceReport& out) {
  if (text == "current") out = PerformanceReport::Current;
  else if (text == "maximum") out = PerformanceReport::Maximum;
  else return false;
  return true;
}

bool ParseFaultObject(const Json& obj, Fault& f, std::string& error) {
  if (!obj.is_object()) {
    error = "fault: expected an object";
    return false;
  }
  if (!CheckKeys(obj,
                 {"opcode", "count", "after", "senseKey", "asc", "ascq", "senseLength", "shortData", "garbage",
                  "noAnswer"},
                 "fault", error))
    return false;
  auto opcode = obj.find("opcode");
  if (opcode != obj.end() && opcode->is_string() && *opcode == "any")
    f.Opcode = -1;
  else if (!ReadInt(obj, "opcode", -1, 255, f.Opcode, error))
    return false;
  return ReadInt(obj, "count", -1, 1000000, f.Count, error) && ReadInt(obj, "after", 0, 1000000, f.After, error) &&
         ReadInt(obj, "senseKey", -1, 255, f.SenseKey, error) &&
         ReadSmall(obj, "asc", f.Asc, error) && ReadSmall(obj, "ascq", f.Ascq, error) &&
         ReadInt(obj, "senseLength", -1, 18, f.SenseLength, error) &&
         ReadInt(obj, "shortData", -1, 0x7FFFFFFF, f.ShortData, error) && ReadBool(obj, "garbage", f.Garbage, error) &&
         ReadBool(obj, "noAnswer", f.NoAnswer, error);
}

bool ParseAdapterObject(const Json& obj, AdapterSpec& a, std::string& error) {
  if (!obj.is_object()) {
    error = "adapter: expected an object";
    return false;
  }
  a.Stated = true;
  if (!CheckKeys(obj, {"maxTransfer", "alignmentMask"}, "adapter", error) ||
      !ReadUint(obj, "maxTransfer", 0xFFFFFFFF, a.MaxTransfer, error) ||
      !ReadUint(obj, "alignmentMask", kLargestAlignmentMask, a.AlignmentMask, error))
    return false;
  if (a.MaxTransfer < kSectorBytes) {
    error = "adapter.maxTransfer: expected at least one 2048-byte sector";
    return false;
  }
  if ((a.AlignmentMask & (a.AlignmentMask + 1)) != 0) {
    error = "adapter.alignmentMask: expected 2^n - 1 (0, 1, 3, 7, ...)";
    return false;
  }
  return true;
}

bool ParseProfileObject(const Json& root, Profile& p, std::string& error) {
  static const Json kEmpty = Json::object();
  auto section = [&](const char* name) -> const Json& {
    auto it = root.find(name);
    return it == root.end() ? kEmpty : *it;
  };
  if (!CheckKeys(root,
                 {"name", "description", "inquiry", "modePage", "speeds", "commands", "mechanism", "disc", "adapter",
                  "faults"},
                 "profile", error))
    return false;
  for (const char* name : {"inquiry", "modePage", "speeds", "commands", "mechanism", "disc"}) {
    if (!section(name).is_object()) {
      error = std::string(name) + ": expected an object";
      return false;
    }
  }
  if (!ReadString(root, "name", p.Name, error) || !ReadString(root, "description", p.Description, error)) return false;

  const Json& inquiry = section("inquiry");
  if (!CheckKeys(inquiry, {"vendor", "product", "revision"}, "inquiry", error) ||
      !ReadString(inquiry, "vendor", p.Vendor, error) || !ReadString(inquiry, "product", p.Product, error) ||
      !ReadString(inquiry, "revision", p.Revision, error))
    return false;

  const Json& page = section("modePage");
  if (!CheckKeys(page, {"offset", "pageSaveable", "reportsMediumType", "dvdMediumTypeZero", "mediumTypeWhileSpinning",
                        "noSpeedWithoutDisc", "length", "readCaps", "writeCaps", "byte4", "byte5", "mechanism",
                        "byte7", "bufferKB", "volumeLevels"},
                 "modePage", error) ||
      !ReadInt(page, "offset", 0, 16, p.PageOffset, error) ||
      !ReadBool(page, "pageSaveable", p.PageSaveable, error) ||
      !ReadBool(page, "reportsMediumType", p.ReportsMediumType, error) ||
      !ReadBool(page, "dvdMediumTypeZero", p.DvdMediumTypeZero, error) ||
      !ReadBool(page, "noSpeedWithoutDisc", p.NoSpeedWithoutDisc, error) ||
      !ReadInt(page, "mediumTypeWhileSpinning", -1, 255, p.MediumTypeWhileSpinning, error) ||
      !ReadSmall(page, "length", p.PageLength, error) || !ReadSmall(page, "readCaps", p.ReadCaps, error) ||
      !ReadSmall(page, "writeCaps", p.WriteCaps, error) || !ReadSmall(page, "byte4", p.Byte4, error) ||
      !ReadSmall(page, "byte5", p.Byte5, error) || !ReadSmall(page, "mechanism", p.Mechanism, error) ||
      !ReadSmall(page, "byte7", p.Byte7, error) || !ReadSmall(page, "bufferKB", p.BufferKB, error) ||
      !ReadSmall(page, "volumeLevels", p.VolumeLevels, error))
    return false;
  if (p.PageOffset != 0 && p.PageOffset != 8 && p.PageOffset != 16) {
    error = "modePage.offset: expected 0, 8 or 16";
    return false;
  }
  if (p.PageLength < 0x12 || p.PageLength > 0x40) {
    error = "modePage.length: expected 0x12 to 0x40";
    return false;
  }

  const Json& speeds = section("speeds");
  std::string rule = "below", cdOnDvd = "apply", streamingOnCd = "apply";
  if (!CheckKeys(speeds, {"cd", "cdX", "dvd", "dvdX", "write", "writeX", "rule", "cdSpeedOnDvd", "streamingOnCd",
                         "throughput"},
                 "speeds", error) ||
      !SpeedList(speeds, "cd", "cdX", CdSpeedForFactor, p.CdSpeeds, error) ||
      !SpeedList(speeds, "dvd", "dvdX", DvdSpeedForFactor, p.DvdSpeeds, error) ||
      !SpeedList(speeds, "write", "writeX", CdSpeedForFactor, p.WriteSpeeds, error) ||
      !ReadString(speeds, "rule", rule, error) || !ReadString(speeds, "cdSpeedOnDvd", cdOnDvd, error) ||
      !ReadString(speeds, "streamingOnCd", streamingOnCd, error))
    return false;
  auto throughput = speeds.find("throughput");
  if (throughput != speeds.end()) {
    if (!throughput->is_object()) {
      error = "speeds.throughput: expected an object of \"speed\": kB/s";
      return false;
    }
    for (auto it = throughput->begin(); it != throughput->end(); ++it) {
      char* end = nullptr;
      unsigned long nominal = std::strtoul(it.key().c_str(), &end, 10);
      uint32_t measured = 0;
      if (it.key().empty() || *end || nominal == 0 || nominal > 0xFFFF ||
          !ReadUint(*throughput, it.key().c_str(), 0xFFFF, measured, error) || measured == 0) {
        error = "speeds.throughput: \"" + it.key() + "\" must map a speed to a non-zero measured speed";
        return false;
      }
      p.Throughput.emplace_back(uint32_t(nominal), measured);
    }
  }
  if (!ParseRule(rule, p.Rule)) {
    error = "speeds.rule: expected below, nearest, up or ignore";
    return false;
  }
  if (!ParseCdOnDvd(cdOnDvd, p.CdOnDvd)) {
    error = "speeds.cdSpeedOnDvd: expected apply, ignore or reject";
    return false;
  }
  if (!ParseStreamingOnCd(streamingOnCd, p.StreamingCd)) {
    error = "speeds.streamingOnCd: expected apply or ignore";
    return false;
  }
  if ((p.ReadCaps & 0x38) && p.DvdSpeeds.empty()) {
    error = "speeds: a drive that reads DVD media needs DVD speeds";
    return false;
  }
  if (p.CdSpeeds.empty()) {
    error = "speeds: a drive needs CD speeds";
    return false;
  }

  const Json& commands = section("commands");
  std::vector<uint32_t> profiles;
  std::string performanceReports = "current";
  if (!CheckKeys(commands, {"setStreaming", "getPerformance", "performanceDescriptors", "performanceReports",
                            "getConfiguration", "profiles", "speedNeedsMedium", "refusesZeroReadSize",
                            "failedCommandMs", "getEventStatus"},
                 "commands", error) ||
      !ReadBool(commands, "setStreaming", p.Streaming, error) ||
      !ReadBool(commands, "getPerformance", p.Performance, error) ||
      !ReadInt(commands, "performanceDescriptors", 0, 8, p.PerformanceDescriptors, error) ||
      !ReadString(commands, "performanceReports", performanceReports, error) ||
      !ReadBool(commands, "getConfiguration", p.Configuration, error) ||
      !ReadUintList(commands, "profiles", 0xFFFF, profiles, error) ||
      !ReadBool(commands, "speedNeedsMedium", p.SpeedNeedsMedium, error) ||
      !ReadBool(commands, "refusesZeroReadSize", p.RefusesZeroReadSize, error) ||
      !ReadUint(commands, "failedCommandMs", 60000, p.FailedCommandMs, error))
    return false;
  if (commands.contains("getEventStatus")) {
    bool eventStatus = false;
    if (!ReadBool(commands, "getEventStatus", eventStatus, error)) return false;
    p.EventStatus = eventStatus;
  }
  p.Profiles.assign(profiles.begin(), profiles.end());
  if (!ParsePerformanceReport(performanceReports, p.PerformanceReports)) {
    error = "commands.performanceReports: expected current or maximum";
    return false;
  }

  const Json& mechanism = section("mechanism");
  if (!CheckKeys(mechanism, {"canLoad", "trayOpen"}, "mechanism", error) ||
      !ReadBool(mechanism, "canLoad", p.CanLoad, error) || !ReadBool(mechanism, "trayOpen", p.TrayOpen, error))
    return false;

  const Json& disc = section("disc");
  if (!CheckKeys(disc, {"medium", "spinUpMs", "unitAttention", "attentionBeforeSpinUp", "forgetsSpeed"}, "disc",
                 error) ||
      !ReadBool(disc, "forgetsSpeed", p.ForgetsSpeed, error) ||
      !ReadString(disc, "medium", p.Medium, error) || !ReadUint(disc, "spinUpMs", 600000, p.SpinUpMs, error) ||
      !ReadBool(disc, "unitAttention", p.UnitAttention, error) ||
      !ReadBool(disc, "attentionBeforeSpinUp", p.AttentionBeforeSpinUp, error))
    return false;
  MediumSpec known;
  if (p.Medium != "none" && !LookupMedium(p.Medium, known)) {
    error = "disc.medium: unknown medium \"" + p.Medium + "\"";
    return false;
  }

  auto adapter = root.find("adapter");
  if (adapter != root.end() && !ParseAdapterObject(*adapter, p.Adapter, error)) return false;

  auto faults = root.find("faults");
  if (faults != root.end()) {
    if (!faults->is_array()) {
      error = "faults: expected a list";
      return false;
    }
    for (const Json& item : *faults) {
      Fault f;
      if (!ParseFaultObject(item, f, error)) return false;
      p.Faults.push_back(f);
    }
  }
  return true;
}
}  // namespace

bool LookupMedium(std::string_view name, MediumSpec& out) {
  for (const MediumSpec& m : kMedia) {
    if (m.Name == name) {
      out = m;
      return true;
    }
  }
  return false;
}

AdapterVerdict AdapterSpec::Judge(uint32_t buffer, uint32_t length) const {
  if (!Stated || length == 0) return AdapterVerdict::Accepted;
  if (length > MaxTransfer) return AdapterVerdict::TooLong;
  if (buffer & AlignmentMask) return AdapterVerdict::Misaligned;
  return AdapterVerdict::Accepted;
}

uint32_t CdSpeedForFactor(uint32_t n) { return uint32_t(std::lround(176.4 * n)); }
uint32_t DvdSpeedForFactor(uint32_t n) { return 1385 * n; }

bool ParseProfile(std::string_view json, Profile& out, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error)) return false;
  Profile p;
  if (!ParseProfileObject(root, p, error)) return false;
  out = std::move(p);
  return true;
}

bool LoadProfile(const std::string& path, Profile& out, std::string& error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    error = path + ": cannot open";
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  if (!ParseProfile(text.str(), out, error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

bool LoadNamedProfile(const std::string& name, Profile& out, std::string& error) {
  return LoadProfile(std::string(VARNEL_SIM_PROFILES) + "/" + name + ".json", out, error);
}

bool ParseFault(std::string_view json, Fault& out, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error)) return false;
  Fault f;
  if (!ParseFaultObject(root, f, error)) return false;
  out = f;
  return true;
}

bool ParseAdapter(std::string_view json, AdapterSpec& out, std::string& error) {
  Json root;
  if (!ParseObject(json, root, error)) return false;
  AdapterSpec a;
  if (!ParseAdapterObject(root, a, error)) return false;
  out = a;
  return true;
}

}  // namespace sim
