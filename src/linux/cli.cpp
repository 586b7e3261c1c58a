#include "linux/cli.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "drive/drive.h"
#include "mmc/commands.h"
#include "settings/settings_record.h"

namespace {

constexpr char Usage[] =
    "usage: varnel [--json] [--config FILE] COMMAND [ARGS]\n"
    "Keeps CD/DVD drives at the read speed you chose: sets it, and sets it again\n"
    "whenever a drive may have forgotten it (a new disc, resume, a new drive).\n"
    "\n"
    "commands:\n"
    "  list                      drives, discs, current speeds, speed lists, chosen speeds\n"
    "  set DEVICE SPEED          choose and apply a speed: 8 or 8x in the disc's unit\n"
    "                            (1x CD = 176 kB/s, 1x DVD = 1385 kB/s), or 1408k in kB/s\n"
    "  discover DEVICE --fast|--full|--measure\n"
    "                            find the drive's speeds for the disc inside: ask for\n"
    "                            each 1x step, ask for every value, or time real reads\n"
    "  eject|close DEVICE        open or close the tray\n"
    "  lock|unlock DEVICE        keep the disc in (kept across discs and resumes) or not\n"
    "  status                    each drive's disc, tray, lock and whether its speed holds\n"
    "  daemon                    run in the foreground and keep the speeds (systemd runs it)\n"
    "\n"
    "options:\n"
    "  --json                    output for scripts\n"
    "  --config FILE             settings file (also VARNEL_CONFIG); default\n"
    "                            /etc/varnel/varnel.conf for root and the service,\n"
    "                            else ~/.config/varnel/varnel.conf\n"
    "  -h, --help                this text\n"
    "\n"
    "DEVICE is /dev/srN or srN. Exit codes: 0 done, 1 failed, 2 wrong call.\n";

struct Call {
  bool Json = false;
  const char* Config = nullptr;
  std::vector<std::string> Words;  // the command and its arguments
  std::vector<std::string> Flags;  // the command's own --options
};

// ---- Text ------------------------------------------------------------

std::string JsonText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += char(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += char(c);
    }
  }
  return out + "\"";
}

// The model as the drive pads it, without its padding.
std::string Model(const DriveRecord& drive) {
  std::string out;
  for (const char* c = drive.FullName; *c; ++c)
    if (*c != ' ' || (!out.empty() && out.back() != ' ')) out += *c;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

std::string DevicePath(const DriveRecord& drive) {
  const char* path = SgIoDevicePath(drive.Address);
  return path ? path : "";
}

uint32_t UnitOf(RangeKind kind) { return kind == RangeKindDVD ? SpeedUnitDVD : SpeedUnitCD; }

// "48x" in the CD list, "16X" in the DVD list, as the tray shows them.
std::string ListSpeed(uint32_t speed, RangeKind kind) { return SpeedText("", speed, kind == RangeKindDVD); }

const char* DiscText(const DriveRecord& drive) {
  if (drive.MediumType == MediumDoorOpen) return "tray open";
  if (!drive.Ready) return drive.MediumType == MediumNoDisc || drive.MediumType == 0 ? "none" : "not ready";
  if (IsAudioMedium(drive.MediumType)) return "audio CD";
  return drive.DvdActive() ? "DVD" : "CD";
}

std::string ListText(const SpeedRange& range, RangeKind kind) {
  std::string out;
  for (uint32_t i = 0; i < EntryCount(range); ++i) {
    if (i) out += ' ';
    out += ListSpeed(range.Entries[i].Speed, kind);
  }
  return out.empty() ? "(none yet)" : out;
}

std::string ListJson(const SpeedRange& range) {
  std::string out = "{\"speeds\":[";
  for (uint32_t i = 0; i < EntryCount(range); ++i) {
    if (i) out += ',';
    out += std::to_string(range.Entries[i].Speed);
  }
  return out + "],\"selected\":" + std::to_string(range.Selected) + "}";
}

// The speed holds when none is chosen or the drive is not faster than it.
bool SpeedHolds(const DriveRecord& drive) {
  uint32_t selected = drive.Active().Selected;
  return selected == 0 || drive.CurrentSpeed == 0 || drive.CurrentSpeed <= selected;
}

// ---- The verbs -----------------------------------------------------------

struct Context {
  const CliSystem& System;
  const Call& Args;
  void Out(const std::string& text) const { std::fputs(text.c_str(), System.Out); }
  int Fail(const std::string& text, int code = ExitFailed) const {
    std::fprintf(System.Err, "varnel: %s\n", text.c_str());
    return code;
  }
};

int List(const Context& c) {
  std::string json = "[";
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    RefreshStatus(drive);
    if (c.Args.Json) {
      json += std::string(i ? "," : "") + "{\"device\":" + JsonText(DevicePath(drive)) +
              ",\"model\":" + JsonText(Model(drive)) + ",\"disc\":" + JsonText(DiscText(drive)) +
              ",\"list\":" + JsonText(drive.DvdActive() ? "DVD" : "CD") +
              ",\"currentSpeed\":" + std::to_string(drive.CurrentSpeed) + ",\"cd\":" + ListJson(drive.RangeCD) +
              ",\"dvd\":" + ListJson(drive.RangeDVD) + ",\"managed\":" + (drive.Ignore ? "false" : "true") + "}";
      continue;
    }
    auto chosen = [](const SpeedRange& range, RangeKind kind) {
      return range.Selected ? ListSpeed(range.Selected, kind) + " (" + std::to_string(range.Selected) + " kB/s)"
                            : std::string("none");
    };
    c.Out(DevicePath(drive) + "  " + Model(drive) + (drive.Ignore ? "  (not managed)" : "") + "\n");
    c.Out(std::string("  disc:     ") + DiscText(drive) + "\n");
    c.Out("  speed:    " +
          (drive.CurrentSpeed ? ListSpeed(drive.CurrentSpeed, drive.ActiveRange) + " (" +
                                    std::to_string(drive.CurrentSpeed) + " kB/s)"
                              : std::string("not reported")) +
          "\n");
    c.Out("  CD list:  " + ListText(drive.RangeCD, RangeKindCD) + "\n");
    if (drive.DVD) c.Out("  DVD list: " + ListText(drive.RangeDVD, RangeKindDVD) + "\n");
    c.Out("  chosen:   CD " + chosen(drive.RangeCD, RangeKindCD) +
          (drive.DVD ? ", DVD " + chosen(drive.RangeDVD, RangeKindDVD) : std::string()) + "\n");
  }
  if (c.Args.Json) c.Out(json + "]\n");
  else if (DriveCount == 0) c.Out("no optical drive\n");
  return ExitDone;
}

// The drive a DEVICE argument names, or null after saying why.
DriveRecord* FindDrive(const Context& c, const std::string& device) {
  for (int i = 0; i < DriveCount; ++i) {
    std::string path = DevicePath(Drives[i]);
    size_t slash = path.rfind('/');
    if (path == device || (slash != std::string::npos && path.substr(slash + 1) == device)) return &Drives[i];
  }
  if (!c.System.Devices->Exists(device.c_str()))
    c.Fail(device + ": no such device");
  else if (SgIoDeviceIndex(device.c_str()) >= 0)
    ;  // told already, with its reason
  else
    c.Fail(device + ": not an optical drive");
  return nullptr;
}

// "8", "8x" (in the unit of the list), "1408k" (kB/s); 0 when it is none.
uint32_t ParseSpeed(const std::string& text, RangeKind kind) {
  char* end = nullptr;
  unsigned long value = std::strtoul(text.c_str(), &end, 10);
  if (end == text.c_str() || value == 0 || value > SpeedMaximum) return 0;
  std::string suffix = end;
  if (suffix == "k" || suffix == "K") return uint32_t(value);
  if (suffix.empty() || suffix == "x" || suffix == "X") return uint32_t(value) * UnitOf(kind);
  return 0;
}

int Set(const Context& c) {
  if (c.Args.Words.size() != 3) return c.Fail("usage: varnel set DEVICE SPEED", ExitWrongCall);
  DriveRecord* drive = FindDrive(c, c.Args.Words[1]);
  if (!drive) return ExitFailed;
  RefreshStatus(*drive);
  const RangeKind kind = drive->ActiveRange;
  const char* listName = kind == RangeKindDVD ? "DVD" : "CD";
  const std::string& text = c.Args.Words[2];
  uint32_t wanted = ParseSpeed(text, kind);
  if (wanted == 0) return c.Fail(text + ": not a speed (8, 8x or 1408k)", ExitWrongCall);
  SpeedRange& range = drive->Active();
  const bool inKilobytes = text.back() == 'k' || text.back() == 'K';
  int found = -1;
  for (uint32_t i = 0; i < EntryCount(range) && found < 0; ++i) {
    uint32_t speed = range.Entries[i].Speed;
    if (inKilobytes ? speed == wanted : UnitMultiple(speed, UnitOf(kind)) == wanted / UnitOf(kind)) found = int(i);
  }
  if (found < 0)
    return c.Fail(DevicePath(*drive) + ": the drive cannot take " + text + " for a " + listName +
                  "; its speeds: " + ListText(range, kind));
  const SpeedEntry entry = range.Entries[found];
  range.Selected = entry.Speed;
  SaveDriveSettings(*drive);
  SetSpeed(*drive, entry.Command);
  if (!ConfigFile::LastWriteSucceeded()) c.Fail("cannot write " + ConfigFile::Path() + ": the speed is set but not kept");
  if (c.Args.Json)
    c.Out("{\"device\":" + JsonText(DevicePath(*drive)) + ",\"list\":\"" + listName +
          "\",\"selected\":" + std::to_string(entry.Speed) + ",\"currentSpeed\":" +
          std::to_string(drive->CurrentSpeed) + "}\n");
  else
    c.Out(DevicePath(*drive) + ": " + listName + " speed " + ListSpeed(entry.Speed, kind) + " (" +
          std::to_string(entry.Speed) + " kB/s) chosen; the drive now reads at " +
          (drive->CurrentSpeed ? ListSpeed(drive->CurrentSpeed, kind) : std::string("an unreported speed")) + "\n");
  return ConfigFile::LastWriteSucceeded() ? ExitDone : ExitFailed;
}

struct ProgressLine {
  FILE* Err;
  std::string Device;
  bool Shown = false;
};

int ShowProgress(int, int total, int done, int, int, void* context) {
  auto* line = static_cast<ProgressLine*>(context);
  if (total > 0) {
    std::fprintf(line->Err, "\r%s: %d of %d", line->Device.c_str(), done, total);
    std::fflush(line->Err);
    line->Shown = true;
  }
  return 1;
}

int Discover(const Context& c) {
  const auto& flags = c.Args.Flags;
  if (c.Args.Words.size() != 2 || flags.size() != 1)
    return c.Fail("usage: varnel discover DEVICE --fast|--full|--measure", ExitWrongCall);
  SpeedMethod method;
  if (flags[0] == "--fast") method = SpeedMethod::Fast;
  else if (flags[0] == "--full") method = SpeedMethod::Full;
  else if (flags[0] == "--measure") method = SpeedMethod::Measure;
  else return c.Fail(flags[0] + ": not a method (--fast, --full or --measure)", ExitWrongCall);
  DriveRecord* drive = FindDrive(c, c.Args.Words[1]);
  if (!drive) return ExitFailed;
  RefreshStatus(*drive);
  if (method == SpeedMethod::Measure && !(drive->Ready && (IsDataMedium(drive->MediumType) || drive->MediumType == 0)))
    return c.Fail(DevicePath(*drive) + ": measuring needs a data disc in the drive");
  ProgressLine line{c.System.Err, DevicePath(*drive)};
  EnumerateSpeeds(*drive, method, c.System.ProgressTerminal ? ShowProgress : nullptr, &line);
  if (line.Shown) std::fputs("\n", c.System.Err);
  SpeedRange& range = drive->Active();
  if (EntryCount(range) == 0) return c.Fail(DevicePath(*drive) + ": no speed found");
  range.Valid = 1;
  SaveCapabilities(*drive);
  if (c.Args.Json)
    c.Out("{\"device\":" + JsonText(DevicePath(*drive)) + ",\"list\":\"" + (drive->DvdActive() ? "DVD" : "CD") +
          "\"," + ListJson(range).substr(1) + "\n");
  else
    c.Out(DevicePath(*drive) + ": " + (drive->DvdActive() ? "DVD" : "CD") + " speeds " +
          ListText(range, drive->ActiveRange) + "\n");
  return ConfigFile::LastWriteSucceeded() ? ExitDone : c.Fail("cannot write " + ConfigFile::Path());
}

int Tray(const Context& c) {
  const std::string& verb = c.Args.Words[0];
  if (c.Args.Words.size() != 2) return c.Fail("usage: varnel " + verb + " DEVICE", ExitWrongCall);
  DriveRecord* drive = FindDrive(c, c.Args.Words[1]);
  if (!drive) return ExitFailed;
  bool done = true;
  if (verb == "eject" || verb == "close") {
    RefreshStatus(*drive);
    if (verb == "eject" ? !drive->CanEject : !drive->CanClose)
      return c.Fail(DevicePath(*drive) + ": the drive cannot " + verb + " its tray");
    if (verb == "eject" && drive->Lock) return c.Fail(DevicePath(*drive) + ": locked; unlock it first");
    MoveTray(*drive, verb == "eject" ? TrayMove::Eject : TrayMove::Close);
    // As the tray program does after it closed a tray: a disc inside gets
    // its speed once it has spun up.
    if (verb == "close" && (drive->EventMask & EventTrayClosed) && drive->Active().Selected && WaitUntilReady(*drive))
      RestoreSpeed(*drive);
    RefreshStatus(*drive);
    done = verb == "eject" ? IsTrayOpen(*drive) || !drive->Ready : true;
  } else {
    drive->Lock = verb == "lock";
    done = PreventAllowRemoval(drive->Address, drive->Lock != 0);
    if (done) SaveDriveSettings(*drive);
  }
  if (!done) return c.Fail(DevicePath(*drive) + ": the drive refused to " + verb);
  if (c.Args.Json) c.Out("{\"device\":" + JsonText(DevicePath(*drive)) + ",\"done\":" + JsonText(verb) + "}\n");
  return ConfigFile::LastWriteSucceeded() ? ExitDone : c.Fail("cannot write " + ConfigFile::Path());
}

int Status(const Context& c) {
  std::string json = "{\"config\":" + JsonText(ConfigFile::Path()) + ",\"drives\":[";
  if (!c.Args.Json) c.Out("settings: " + ConfigFile::Path() + "\n");
  for (int i = 0; i < DriveCount; ++i) {
    DriveRecord& drive = Drives[i];
    RefreshStatus(drive);
    const uint32_t selected = drive.Active().Selected;
    const char* speed = drive.Ignore ? "not managed" : selected == 0 ? "none chosen" : SpeedHolds(drive) ? "holds" : "faster than chosen";
    if (c.Args.Json) {
      json += std::string(i ? "," : "") + "{\"device\":" + JsonText(DevicePath(drive)) +
              ",\"disc\":" + JsonText(DiscText(drive)) + ",\"locked\":" + (drive.Lock ? "true" : "false") +
              ",\"currentSpeed\":" + std::to_string(drive.CurrentSpeed) + ",\"selected\":" + std::to_string(selected) +
              ",\"speed\":" + JsonText(speed) + "}";
      continue;
    }
    c.Out(DevicePath(drive) + ": disc " + DiscText(drive) + (drive.Lock ? ", locked" : "") + ", speed " + speed +
          (selected ? " (chosen " + ListSpeed(selected, drive.ActiveRange) + ", now " +
                          (drive.CurrentSpeed ? ListSpeed(drive.CurrentSpeed, drive.ActiveRange) : std::string("?")) + ")"
                    : std::string()) +
          "\n");
  }
  if (c.Args.Json) c.Out(json + "]}\n");
  return ExitDone;
}

constexpr char ConfigEquals[] = "--config=";

// A device that is no drive of the list: it could not be opened (no rights)
// or did not answer INQUIRY.
void ReportMissingDevices(FILE* err) {
  for (size_t i = 0; i < SgIoDeviceCount(); ++i) {
    bool listed = false;
    for (int d = 0; d < DriveCount && !listed; ++d) listed = Drives[d].Address.Target == i;
    if (listed) continue;
    int error = SgIoOpenError(i);
    std::fprintf(err, "varnel: %s: %s\n", SgIoDeviceAt(i),
                 error ? std::strerror(error) : "does not answer as a drive (INQUIRY)");
  }
}

bool ParseCall(int argc, const char* const* argv, Call& call, std::string& wrong) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--json") call.Json = true;
    else if (arg == "--config" && i + 1 < argc) call.Config = argv[++i];
    else if (arg.rfind(ConfigEquals, 0) == 0) call.Config = argv[i] + std::strlen(ConfigEquals);
    else if (arg == "--config") return wrong = "--config needs a file", false;
    else if (arg == "-h" || arg == "--help") call.Words.insert(call.Words.begin(), "help");
    else if (arg.rfind("--", 0) == 0) call.Flags.push_back(arg);
    else if (arg.rfind("-", 0) == 0 && arg.size() > 1) return wrong = arg + ": unknown option", false;
    else call.Words.push_back(arg);
  }
  return true;
}

}  // namespace

std::string ChooseConfigPath(const char* option, const CliSystem& system) {
  if (option && *option) return option;
  if (system.ConfigVariable && *system.ConfigVariable) return system.ConfigVariable;
  if (system.Root) return ServiceConfigPath;
  if (system.XdgConfigHome && *system.XdgConfigHome) return std::string(system.XdgConfigHome) + "/varnel/varnel.conf";
  return std::string(system.Home ? system.Home : "") + "/.config/varnel/varnel.conf";
}

int RunCommandLine(int argc, const char* const* argv, const CliSystem& system) {
  Call call;
  std::string wrong;
  if (!ParseCall(argc, argv, call, wrong)) {
    std::fprintf(system.Err, "varnel: %s\n%s", wrong.c_str(), Usage);
    return ExitWrongCall;
  }
  if (call.Words.empty()) {
    std::fputs(Usage, system.Err);
    return ExitWrongCall;
  }
  const std::string verb = call.Words[0];
  if (verb == "help") {
    std::fputs(Usage, system.Out);
    return ExitDone;
  }
  static const char* const Verbs[] = {"list", "set", "discover", "eject", "close", "lock", "unlock", "status", "daemon"};
  bool known = false;
  for (const char* v : Verbs) known = known || verb == v;
  if (!known) {
    std::fprintf(system.Err, "varnel: %s: no such command\n%s", verb.c_str(), Usage);
    return ExitWrongCall;
  }
  if (verb != "discover" && !call.Flags.empty()) {
    std::fprintf(system.Err, "varnel: %s: unknown option\n", call.Flags[0].c_str());
    return ExitWrongCall;
  }

  std::vector<ConfigFile::Problem> problems;
  const std::string path = ChooseConfigPath(call.Config, system);
  if (!ConfigFile::Open(path, *system.Files, problems))
    std::fprintf(system.Err, "varnel: cannot read %s: defaults apply and it is left as it is\n", path.c_str());
  for (const auto& problem : problems)
    std::fprintf(system.Err, "varnel: %s:%u: %s (its default applies)\n", path.c_str(), problem.Line,
                 problem.What.c_str());
  ProgramSettings::Current().Load();
  InstallSgIoOps(system.Devices);
  SetSgIoDeviceList(system.DeviceList);
  RegisterTransports({nullptr, nullptr}, {[] { return true; }, &SgIoTransport});

  if (verb == "daemon") return RunDaemon(*system.Events, system.Err);
  DiscoverDrives();
  ReportMissingDevices(system.Err);
  const Context c{system, call};
  if (verb == "list") return List(c);
  if (verb == "set") return Set(c);
  if (verb == "discover") return Discover(c);
  if (verb == "status") return Status(c);
  return Tray(c);
}
