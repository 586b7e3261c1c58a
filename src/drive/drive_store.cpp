// Per-drive storage: capabilities and speed lists per drive model under the
// key named by FullName, the user's settings per drive under "FullName\NN".
#include <cstring>

#include "drive/drive.h"
#include "registry/registry.h"

namespace {

constexpr uint32_t EntryBytes = 8;  // Speed then Command, little-endian
constexpr uint32_t MaxRangeBytes = MaxSpeedEntries * EntryBytes;
constexpr uint32_t ShortNameBytes = sizeof(DriveRecord::ShortName);
constexpr uint32_t HotKeyBytes = HotKeyCount * 4;
constexpr size_t CapabilityCount = 17;
constexpr size_t SettingCount = 11;

int32_t* AsInt(uint32_t& field) { return reinterpret_cast<int32_t*>(&field); }

// The capability values in their stored order. The writers only read through
// the table, so a const record may lend its fields.
struct CapabilityTable {
  IntTableEntry entries[CapabilityCount];
  explicit CapabilityTable(DriveRecord& d)
      : entries{{"CanGetSpeed", &d.CanGetSpeed},       {"CanSetSpeed", &d.CanSetSpeed},
                {"MaxSpeed", &d.MaxSpeed},             {"CanEject", &d.CanEject},
                {"CanClose", &d.CanClose},             {"Writer", &d.Writer},
                {"CanSenseMedium", &d.CanSenseMedium}, {"DVD", &d.DVD},
                {"CanGetCDSpeed", &d.CanGetCDSpeed},   {"CanSetCDSpeed", &d.CanSetCDSpeed},
                {"MaxCDSpeed", &d.MaxCDSpeed},         {"CanGetDVDSpeed", &d.CanGetDVDSpeed},
                {"CanSetDVDSpeed", &d.CanSetDVDSpeed}, {"MaxDVDSpeed", &d.MaxDVDSpeed},
                {"DVDMethodDetected", &d.DVDMethodDetected}, {"RangeValidCD", &d.RangeCD.Valid},
                {"RangeValidDVD", &d.RangeDVD.Valid}} {}
};

struct SettingTable {
  IntTableEntry entries[SettingCount];
  explicit SettingTable(DriveRecord& d)
      : entries{{"SpeedSelectedCD", AsInt(d.RangeCD.Selected)},
                {"SpeedSelectedDVD", AsInt(d.RangeDVD.Selected)},
                {"EventMask", &d.EventMask},
                {"OnlyWithDisk", &d.OnlyWithDisk},
                {"ShortMenu", &d.ShortMenu},
                {"Ignore", &d.Ignore},
                {"WhenAudio", &d.WhenAudio},
                {"IgnoreSpeed", &d.IgnoreSpeed},
                {"ForceRead", &d.ForceRead},
                {"DVDMethodPrefered", &d.DVDMethodPrefered},
                {"Timer", &d.Timer}} {}
};

// Reads a stored list. Whatever was stored, the list comes back sorted
// fastest first, without duplicate or zero speeds; an over-long value or a
// missing one gives an empty list.
void ReadRange(RegKey key, const char* name, SpeedRange& range) {
  uint8_t bytes[MaxRangeBytes];
  uint32_t size = ReadBinary(key, name, bytes, sizeof bytes);
  range.Count = 0;
  for (uint32_t offset = 0; offset + EntryBytes <= size; offset += EntryBytes)
    AddEntry(range, get_le32(bytes + offset), get_le32(bytes + offset + 4), nullptr, nullptr);
}

void WriteRange(RegKey key, const char* name, const SpeedRange& range) {
  uint8_t bytes[MaxRangeBytes];
  uint32_t count = EntryCount(range);
  for (uint32_t i = 0; i < count; ++i) {
    put_le32(bytes + i * EntryBytes, range.Entries[i].Speed);
    put_le32(bytes + i * EntryBytes + 4, range.Entries[i].Command);
  }
  if (count == 0) {
    bytes[0] = 0;  // an empty list is stored as one byte
    WriteBinary(key, name, bytes, 1);
  } else {
    WriteBinary(key, name, bytes, count * EntryBytes);
  }
}

}  // namespace

bool LoadCapabilities(DriveRecord& drive) {
  OwnedRegKey owned(OpenProgramSubkey(drive.FullName));
  if (!owned) return false;
  RegKey key = owned.Get();
  CapabilityTable table(drive);
  bool all = ReadDwordTable(key, table.entries, CapabilityCount) != 0;
  ReadRange(key, "SpeedRangeCD", drive.RangeCD);
  ReadRange(key, "SpeedRangeDVD", drive.RangeDVD);
  return all;
}

void SaveCapabilities(const DriveRecord& drive) {
  OwnedRegKey owned(CreateProgramSubkey(drive.FullName));
  if (!owned) return;
  RegKey key = owned.Get();
  CapabilityTable table(const_cast<DriveRecord&>(drive));
  WriteDwordTable(key, table.entries, CapabilityCount);
  WriteRange(key, "SpeedRangeCD", drive.RangeCD);
  WriteRange(key, "SpeedRangeDVD", drive.RangeDVD);
}

void LoadDriveSettings(DriveRecord& drive) {
  OwnedRegKey owned(OpenDriveKey(drive.FullName, drive.Instance));
  if (!owned) return;
  RegKey key = owned.Get();
  SettingTable table(drive);
  ReadDwordTable(key, table.entries, SettingCount);

  // A stored name may lack its terminator: at most ShortNameLength units are kept.
  char16_t name[ShortNameBytes / 2] = {};
  uint32_t size = ReadBinary(key, "ShortName", name, ShortNameBytes);
  if (size != 0) {
    size_t units = size / 2 < size_t(ShortNameLength) ? size / 2 : size_t(ShortNameLength);
    std::memset(drive.ShortName, 0, sizeof drive.ShortName);
    for (size_t i = 0; i < units && name[i]; ++i) drive.ShortName[i] = name[i];
  }

  uint8_t keys[HotKeyBytes];
  size = ReadBinary(key, "HotKeys", keys, HotKeyBytes);
  for (uint32_t i = 0; i < size / 4; ++i) drive.HotKeys[i] = get_le32(keys + 4 * i);

  OwnedRegKey lock(OpenSubkey(key, "Lock"));
  ReadNumber(lock.Get(), "Value", drive.Lock);  // a missing lock leaves the default
}

void SaveDriveSettings(const DriveRecord& drive) {
  OwnedRegKey owned(CreateDriveKey(drive.FullName, drive.Instance));
  if (!owned) return;
  RegKey key = owned.Get();
  SettingTable table(const_cast<DriveRecord&>(drive));
  WriteDwordTable(key, table.entries, SettingCount);

  char16_t name[ShortNameBytes / 2];
  std::memcpy(name, drive.ShortName, sizeof name);
  name[ShortNameLength] = 0;  // never write past the field, whatever a caller left in it
  WriteWideString(key, "ShortName", name);

  uint8_t keys[HotKeyBytes];
  for (int i = 0; i < HotKeyCount; ++i) put_le32(keys + 4 * i, drive.HotKeys[i]);
  WriteBinary(key, "HotKeys", keys, HotKeyBytes);

  OwnedRegKey lock(CreateSubkey(key, "Lock"));
  WriteDword(lock.Get(), "Value", drive.Lock);  // nothing is written without the key
}
