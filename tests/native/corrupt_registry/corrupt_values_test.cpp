// Every value the program stores, replaced in turn with a value of the wrong
// type, too long, too short or empty: the program starts (settings loaded,
// drives discovered), that value alone falls back, and a save afterwards
// leaves a tree that reads back the same.
//
// The values are not listed here: they are walked in the tree a real start
// and save wrote, so a value added later is covered too.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "tests/native/drive/virtual_drives_fixture.h"

namespace {

struct StoredValue {
  std::string Key;  // below the program key; empty: the program key itself
  std::string Name;
  uint32_t Type;
  std::vector<uint8_t> Data;
};

void WalkKey(RegKey key, const std::string& path, std::vector<StoredValue>& out) {
  char name[256];
  for (uint32_t i = 0;; ++i) {
    uint32_t nameSize = sizeof name, type = 0, dataSize = 0;
    if (Registry().EnumValue(key, i, name, &nameSize, &type, nullptr, &dataSize) != RegError::Success) break;
    StoredValue value{path, name, type, std::vector<uint8_t>(dataSize)};
    nameSize = sizeof name;
    Registry().EnumValue(key, i, name, &nameSize, &type, value.Data.data(), &dataSize);
    out.push_back(value);
  }
  for (uint32_t i = 0;; ++i) {
    uint32_t nameSize = sizeof name;
    if (Registry().EnumKey(key, i, name, &nameSize) != RegError::Success) break;
    OwnedRegKey child(OpenSubkey(key, name));
    WalkKey(child.Get(), path.empty() ? name : path + "\\" + name, out);
  }
}

std::vector<StoredValue> StoredTree() {
  std::vector<StoredValue> values;
  OwnedRegKey key(OpenProgramKey());
  if (key) WalkKey(key.Get(), "", values);
  return values;
}

void Store(const std::string& key, const std::string& name, uint32_t type, const std::vector<uint8_t>& data) {
  OwnedRegKey owned(key.empty() ? CreateProgramKey() : CreateProgramSubkey(key.c_str()));
  ASSERT_TRUE(owned);
  Registry().SetValue(owned.Get(), name.c_str(), type, data.data(), uint32_t(data.size()));
}

enum class Corruption { WrongType, TooLong, TooShort, Empty };
const char* Describe(Corruption c) {
  switch (c) {
    case Corruption::WrongType: return "wrong type";
    case Corruption::TooLong: return "too long";
    case Corruption::TooShort: return "too short";
    case Corruption::Empty: return "empty";
  }
  return "";
}

std::vector<uint8_t> Bytes(const char* text, size_t length) { return {text, text + length}; }

// The corrupt form of a value, by the type the program stores it with.
void Corrupt(const StoredValue& v, Corruption c, uint32_t& type, std::vector<uint8_t>& data) {
  type = v.Type;
  switch (c) {
    case Corruption::WrongType:
      // Text where a number or record belongs, a number where text belongs.
      if (v.Type == RegType::String) {
        type = RegType::Dword;
        data = {0x41, 0x00, 0x00, 0x00};
      } else if (v.Type == RegType::Dword) {
        type = RegType::String;
        data = Bytes("1", 2);
      } else {
        type = RegType::String;
        data = Bytes("abc", 4);
      }
      break;
    case Corruption::TooLong:
      data = v.Data;
      data.resize(v.Type == RegType::Dword ? 8 : 2100, 0x5A);
      if (v.Type == RegType::String) data.back() = 0;
      break;
    case Corruption::TooShort:
      // A number cut to its low half; text cut before its terminator; a
      // record cut inside its first entry.
      data = v.Data;
      data.resize(v.Type == RegType::Dword ? 2 : v.Type == RegType::String ? 1 : 3);
      if (v.Type == RegType::String) data = Bytes("C", 1);
      break;
    case Corruption::Empty:
      data.clear();
      break;
  }
}

// What a start leaves in the records that the registry fills.
struct Started {
  std::vector<uint8_t> Settings;
  std::vector<uint8_t> Drive;  // the persisted part: name through ShortName
  int Drives;
};

std::vector<uint8_t> Raw(const void* p, size_t n) {
  auto* b = static_cast<const uint8_t*>(p);
  return {b, b + n};
}

class CorruptValues : public VirtualDrives {
 protected:
  // A start from the stored tree, with a fresh drive in the same state each
  // time, so that two starts differ only by what they read.
  Started Start() {
    VirtualClock::Install(100000);
    sim::ClearVirtualDrives();
    Add("dvdrom16-streaming");  // a DVD inside: both lists are used
    ClearDrives();
    ProgramSettings::Current().Load();
    SelectTransport(ProgramSettings::Current().ApiPrefered);
    DiscoverDrives();
    Started s;
    s.Settings = Raw(&ProgramSettings::Current(), sizeof(ProgramSettings));
    s.Drives = DriveCount;
    if (DriveCount) s.Drive = Raw(&Drives[0], offsetof(DriveRecord, Address));
    return s;
  }
  void SaveAll() {
    ProgramSettings::Current().Save();
    for (int i = 0; i < DriveCount; ++i) {
      SaveCapabilities(Drives[i]);
      SaveDriveSettings(Drives[i]);
    }
  }
  void Restore(const std::vector<StoredValue>& tree) {
    MemoryRegistry::Reset();
    for (const StoredValue& v : tree) Store(v.Key, v.Name, v.Type, v.Data);
  }
  static void Remove(const StoredValue& v) {
    OwnedRegKey owned(v.Key.empty() ? CreateProgramKey() : CreateProgramSubkey(v.Key.c_str()));
    Registry().DeleteValue(owned.Get(), v.Name.c_str());
  }

  // A first start and a user who changed every setting from its default.
  std::vector<StoredValue> UsedTree() {
    Start();
    ProgramSettings& p = ProgramSettings::Current();
    int32_t* ints = &p.ApiPrefered;
    for (size_t i = 0; i < ProgramSettings::IntCount; ++i) ints[i] = int32_t(i + 2);
    p.ApiPrefered = 1;  // the virtual drives answer on both transports
    p.Language = LanguageEnglish;  // a number the program has a table for
    std::strcpy(p.LockData, "$1$salt$0123456789abcdefghijkl");
    std::strcpy(p.SavePath, "C:\\varnel.reg");
    EXPECT_EQ(DriveCount, 1);
    DriveRecord& d = Drives[0];
    d.RangeCD.Selected = d.RangeCD.Entries[1].Speed;
    d.RangeDVD.Selected = 2770;
    d.EventMask = 3, d.OnlyWithDisk = 1, d.ShortMenu = 1, d.WhenAudio = 1, d.IgnoreSpeed = 1;
    d.ForceRead = 0, d.DVDMethodPrefered = 2, d.Timer = 7000, d.Lock = 1;
    std::memcpy(d.ShortName, u"Мой DVD", sizeof u"Мой DVD");
    for (int k = 0; k < HotKeyCount; ++k) d.HotKeys[k] = 0x0300 + uint32_t(k);
    SaveAll();
    return StoredTree();
  }
};

TEST_F(CorruptValues, EachValueFallsBackAloneAndTheNextSaveReadsBack) {
  const std::vector<StoredValue> tree = UsedTree();
  // 20 program values, the export path, the password; 17 capability values
  // and two lists; 11 drive settings, the short name, the hotkeys, the lock.
  ASSERT_EQ(tree.size(), 55u);
  Restore(tree);
  const Started intact = Start();
  ASSERT_EQ(intact.Drives, 1);

  for (const StoredValue& v : tree) {
    Restore(tree);
    Remove(v);
    const Started missing = Start();
    for (Corruption c : {Corruption::WrongType, Corruption::TooLong, Corruption::TooShort, Corruption::Empty}) {
      SCOPED_TRACE(v.Key + " \\ " + v.Name + ": " + Describe(c));
      uint32_t type;
      std::vector<uint8_t> data;
      Corrupt(v, c, type, data);
      Restore(tree);
      Store(v.Key, v.Name, type, data);
      const Started corrupt = Start();
      ASSERT_EQ(corrupt.Drives, 1);
      if (c != Corruption::TooShort) {
        // Unusable: the default, exactly as if the value were missing.
        EXPECT_EQ(corrupt.Settings, missing.Settings);
        EXPECT_EQ(corrupt.Drive, missing.Drive);
      } else {
        // A short number is read zero-extended, a short record as the entries
        // it holds: whatever it gives, every other byte is as stored.
        for (size_t i = 0; i < intact.Settings.size(); ++i) {
          if (intact.Settings[i] == missing.Settings[i]) {
            ASSERT_EQ(corrupt.Settings[i], intact.Settings[i]) << "settings byte " << i;
          }
        }
        for (size_t i = 0; i < intact.Drive.size(); ++i) {
          if (intact.Drive[i] == missing.Drive[i]) {
            ASSERT_EQ(corrupt.Drive[i], intact.Drive[i]) << "drive byte " << i;
          }
        }
      }
      // The next save writes every value again with its own type, and a
      // start reads back what was saved.
      SaveAll();
      const std::vector<StoredValue> saved = StoredTree();
      ASSERT_EQ(saved.size(), tree.size());
      for (size_t i = 0; i < saved.size(); ++i) {
        EXPECT_EQ(saved[i].Name, tree[i].Name);
        EXPECT_EQ(saved[i].Type, tree[i].Type) << saved[i].Name;
        if (tree[i].Type == RegType::Dword) {
          EXPECT_EQ(saved[i].Data.size(), 4u) << saved[i].Name;
        }
      }
      const Started again = Start();
      EXPECT_EQ(again.Settings, corrupt.Settings);
      EXPECT_EQ(again.Drive, corrupt.Drive);
    }
  }
  EXPECT_EQ(MemoryRegistry::OpenHandleCount(), 0u);
}

}  // namespace
