// The drive array: discovery, naming and the per-model instance numbers.
#include <cctype>
#include <cstring>

#include "common/format_text.h"
#include "drive/busy_guard.h"
#include "drive/drive.h"
#include "mmc/commands.h"
#include "settings/settings_record.h"

DriveRecord Drives[MaxDrives];
int DriveCount = 0;

DriveRecord* DriveAt(int index) { return index >= 0 && index < DriveCount ? &Drives[index] : nullptr; }

const char16_t* DisplayName(const DriveRecord& drive) {
  return drive.ShortName[0] ? drive.ShortName : drive.AutoShortName;
}

void AddressSuffix(const DriveRecord& drive, char (&out)[AddressSuffixLength + 1]) {
  const int32_t letter = drive.Address.Letter;
  if (letter >= 'A' && letter <= 'Z')
    FormatText(out, sizeof out, " (%c:)", char(letter));
  else
    FormatText(out, sizeof out, " (%u:%u)", unsigned(drive.Address.HaId % 100), unsigned(drive.Address.Target % 100));
}

void ShownName(const DriveRecord* drives, int count, int index, char16_t (&out)[ShownNameLength + 1]) {
  // Either name holds at most ShortNameLength units; an unterminated one is cut there.
  auto same = [](const char16_t* a, const char16_t* b) {
    for (int i = 0; i < ShortNameLength; ++i) {
      if (a[i] != b[i]) return false;
      if (a[i] == 0) return true;
    }
    return true;
  };
  const DriveRecord& drive = drives[index];
  const char16_t* name = DisplayName(drive);
  int n = 0;
  for (; n < ShortNameLength && name[n] != 0; ++n) out[n] = name[n];
  out[n] = 0;
  if (drive.ShortName[0] != 0) return;
  bool shared = false;
  for (int j = 0; j < count && !shared; ++j)
    shared = j != index && !drives[j].Ignore && same(DisplayName(drives[j]), name);
  if (!shared) return;
  char suffix[AddressSuffixLength + 1];
  AddressSuffix(drive, suffix);
  for (int i = 0; suffix[i] != 0 && n < ShownNameLength; ++i) out[n++] = char16_t(static_cast<unsigned char>(suffix[i]));
  out[n] = 0;
}

void ClearDrives() {
  DriveCount = 0;
  std::memset(static_cast<void*>(Drives), 0, sizeof Drives);
}

namespace {

// The first run of letters of the name, at most ShortNameLength, widened to UTF-16.
void MakeAutoShortName(DriveRecord& drive) {
  const char* p = drive.FullName;
  auto isLetter = [](char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; };
  while (*p && !isLetter(*p)) ++p;
  size_t n = 0;
  while (n < size_t(ShortNameLength) && isLetter(p[n])) {
    drive.AutoShortName[n] = static_cast<unsigned char>(p[n]);
    ++n;
  }
  drive.AutoShortName[n] = 0;
}

}  // namespace

bool NameDrive(DriveRecord& drive) {
  BusyGuard guard(drive);
  if (!guard.Entered()) return false;
  InquiryData inquiry{};
  bool found = Inquiry(drive.Address, inquiry);
  if (found)
    FormatText(drive.FullName, sizeof drive.FullName, "%s %s %s", inquiry.Vendor, inquiry.Product,
               inquiry.Revision);
  else
    FormatText(drive.FullName, sizeof drive.FullName, "%s", "<unknown>");
  // The name is also a registry key. A garbled answer can bring backslashes,
  // which would nest keys, and control characters such as line breaks, which
  // break the settings export file: those bytes become '_'.
  for (char* c = drive.FullName; *c; ++c)
    if (*c == '\\' || static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) *c = '_';
  MakeAutoShortName(drive);
  return found;
}

void AddDrive(const DeviceAddress& cursor) {
  if (DriveCount >= MaxDrives) return;  // a 17th drive is left out
  DriveRecord& drive = Drives[DriveCount];
  std::memset(static_cast<void*>(&drive), 0, sizeof drive);
  drive.Address = cursor;
  DriveSession session(cursor);  // naming, the adapter's limits and a first probe on one handle
  LearnAdapterLimits(cursor);

  if (!NameDrive(drive) && !ProgramSettings::Current().ShowUnknown) return;
  for (int i = DriveCount; i-- > 0;) {
    if (std::strcmp(Drives[i].FullName, drive.FullName) == 0) {
      drive.Instance = Drives[i].Instance + 1;
      break;
    }
  }
  drive.ActiveRange = RangeKindCD;
  drive.TrayClosed = 1;

  // A model seen for the first time is probed and its speeds enumerated once.
  if (!LoadCapabilities(drive)) {
    EnumerateSpeeds(drive, SpeedMethod::Fast, nullptr, nullptr);
    SaveCapabilities(drive);
  }

  drive.RangeCD.Selected = 0;
  drive.RangeDVD.Selected = 0;
  drive.EventMask = DefaultEventMask;
  drive.OnlyWithDisk = 0;
  drive.ShortMenu = drive.RangeCD.Count > 8 ? 1 : 0;
  drive.Ignore = 0;
  drive.WhenAudio = 0;
  drive.IgnoreSpeed = 0;
  drive.ForceRead = 1;
  drive.Lock = 0;
  drive.DVDMethodPrefered = 0;
  drive.Timer = 0;
  LoadDriveSettings(drive);
  DriveCount++;
}

DiscoveryOutcome DiscoverDrives() {
  if (KeepDiscoveryWhileBusy()) return DiscoveryOutcome::Kept;
  SelectTransport(ProgramSettings::Current().ApiPrefered);
  ClearDrives();
  ForgetAdapterLimits();
  const Transport& transport = CurrentTransport();
  if (!transport.FirstDrive || !transport.NextDrive) return DiscoveryOutcome::Done;
  DriveCursor cursor{};
  for (bool found = transport.FirstDrive(cursor); found; found = transport.NextDrive(cursor))
    AddDrive(cursor.Address);
  return DiscoveryOutcome::Done;
}
