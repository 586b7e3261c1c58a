#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "drive/drive.h"
#include "registry/registry.h"

namespace {

class DriveStore : public ::testing::Test {
 protected:
  void SetUp() override {
    MemoryRegistry::Reset();
    std::memset(static_cast<void*>(&drive), 0, sizeof drive);
    std::strcpy(drive.FullName, "PIONEER DVD-RW  DVR-111D 1.23");
  }
  void TearDown() override { EXPECT_EQ(MemoryRegistry::OpenHandleCount(), 0u); }

  void StoreBinary(const char* key, const char* name, const std::vector<uint8_t>& bytes) {
    RegKey k = CreateProgramSubkey(key);
    ASSERT_TRUE(k);
    WriteBinary(k, name, bytes.data(), uint32_t(bytes.size()));
    CloseRegKey(k);
  }
  std::vector<uint8_t> Stored(const char* key, const char* name) {
    RegKey k = OpenProgramSubkey(key);
    if (!k) return {};
    std::vector<uint8_t> bytes(ReadValue(k, name, nullptr, 0));
    if (!bytes.empty()) ReadValue(k, name, bytes.data(), uint32_t(bytes.size()));
    CloseRegKey(k);
    return bytes;
  }
  static std::vector<uint8_t> Pairs(std::initializer_list<std::pair<uint32_t, uint32_t>> pairs) {
    std::vector<uint8_t> bytes;
    for (auto [s, c] : pairs)
      for (uint32_t v : {s, c})
        for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    return bytes;
  }

  DriveRecord drive;
};

// Values stored by earlier runs are found only under their exact names; a
// misspelt name would survive a save/load round trip and lose them.
TEST_F(DriveStore, EveryValueIsStoredUnderItsLiteralName) {
  struct Named {
    const char* Name;
    int32_t* Field;
  };
  const Named capabilities[] = {
      {"CanGetSpeed", &drive.CanGetSpeed},       {"CanSetSpeed", &drive.CanSetSpeed},
      {"MaxSpeed", &drive.MaxSpeed},             {"CanEject", &drive.CanEject},
      {"CanClose", &drive.CanClose},             {"Writer", &drive.Writer},
      {"CanSenseMedium", &drive.CanSenseMedium}, {"DVD", &drive.DVD},
      {"CanGetCDSpeed", &drive.CanGetCDSpeed},   {"CanSetCDSpeed", &drive.CanSetCDSpeed},
      {"MaxCDSpeed", &drive.MaxCDSpeed},         {"CanGetDVDSpeed", &drive.CanGetDVDSpeed},
      {"CanSetDVDSpeed", &drive.CanSetDVDSpeed}, {"MaxDVDSpeed", &drive.MaxDVDSpeed},
      {"DVDMethodDetected", &drive.DVDMethodDetected}, {"RangeValidCD", &drive.RangeCD.Valid},
      {"RangeValidDVD", &drive.RangeDVD.Valid}};
  const Named settings[] = {
      {"SpeedSelectedCD", reinterpret_cast<int32_t*>(&drive.RangeCD.Selected)},
      {"SpeedSelectedDVD", reinterpret_cast<int32_t*>(&drive.RangeDVD.Selected)},
      {"EventMask", &drive.EventMask},     {"OnlyWithDisk", &drive.OnlyWithDisk},
      {"ShortMenu", &drive.ShortMenu},     {"Ignore", &drive.Ignore},
      {"WhenAudio", &drive.WhenAudio},     {"IgnoreSpeed", &drive.IgnoreSpeed},
      {"ForceRead", &drive.ForceRead},     {"DVDMethodPrefered", &drive.DVDMethodPrefered},
      {"Timer", &drive.Timer}};
  int32_t next = 1001;
  for (const Named& n : capabilities) *n.Field = next++;
  for (const Named& n : settings) *n.Field = next++;
  drive.RangeCD.Count = 1;
  drive.RangeCD.Entries[0] = {7056, 7040};
  std::memcpy(drive.ShortName, u"AB", 6);
  drive.Lock = 1;
  SaveCapabilities(drive);
  SaveDriveSettings(drive);

  auto expect = [](const std::string& keyName, const char* name, uint32_t type, uint32_t size, int32_t dword) {
    SCOPED_TRACE(keyName + " " + name);
    RegKey key = OpenProgramSubkey(keyName.c_str());
    ASSERT_TRUE(key);
    uint32_t storedType = 0;
    uint8_t bytes[1024] = {};
    uint32_t storedSize = sizeof bytes;
    EXPECT_EQ(Registry().QueryValue(key, name, &storedType, bytes, &storedSize), RegError::Success);
    EXPECT_EQ(storedType, type);
    EXPECT_EQ(storedSize, size);
    if (type == RegType::Dword) {
      EXPECT_EQ(get_le32(bytes), uint32_t(dword));
    }
    CloseRegKey(key);
  };
  auto valueCount = [](const std::string& keyName) {
    RegKey key = OpenProgramSubkey(keyName.c_str());
    uint32_t values = 0;
    Registry().QueryInfoKey(key, nullptr, &values);
    CloseRegKey(key);
    return values;
  };
  const std::string model = drive.FullName, own = model + "\\00";
  for (const Named& n : capabilities) expect(model, n.Name, RegType::Dword, 4, *n.Field);
  expect(model, "SpeedRangeCD", RegType::Binary, 8, 0);
  expect(model, "SpeedRangeDVD", RegType::Binary, 1, 0);
  EXPECT_EQ(valueCount(model), 19u) << "no value under another name";
  for (const Named& n : settings) expect(own, n.Name, RegType::Dword, 4, *n.Field);
  expect(own, "ShortName", RegType::Binary, 6, 0);
  expect(own, "HotKeys", RegType::Binary, 28, 0);
  EXPECT_EQ(valueCount(own), 13u);
  expect(own + "\\Lock", "Value", RegType::Dword, 4, 1);
  EXPECT_EQ(valueCount(own + "\\Lock"), 1u);
}

TEST_F(DriveStore, MissingCapabilityValueMakesTheLoadFail) {
  SaveCapabilities(drive);
  RegKey k = CreateProgramSubkey(drive.FullName);
  Registry().DeleteValue(k, "RangeValidDVD");
  CloseRegKey(k);
  DriveRecord loaded{};
  std::strcpy(loaded.FullName, drive.FullName);
  EXPECT_FALSE(LoadCapabilities(loaded));
  std::strcpy(loaded.FullName, "NEVER SEEN");
  EXPECT_FALSE(LoadCapabilities(loaded));
}

TEST_F(DriveStore, OddStoredListsReadBackAsSoundLists) {
  struct Case {
    const char* what;
    std::vector<uint8_t> stored;
    std::vector<uint32_t> speeds;  // fastest first
  };
  std::vector<uint8_t> twelve = Pairs({{7056, 7056}});
  twelve.insert(twelve.end(), {1, 2, 3, 4});
  std::vector<uint8_t> full;
  for (uint32_t s = 128; s >= 1; --s) {
    auto p = Pairs({{s * 100, s * 100}});
    full.insert(full.end(), p.begin(), p.end());
  }
  std::vector<uint8_t> tooLong(2000, 0x11);
  std::vector<uint8_t> over = full;
  over.insert(over.end(), {9, 9, 9, 9, 9, 9, 9, 9});
  Case cases[] = {
      {"12 bytes: one entry, the rest ignored", twelve, {7056}},
      {"2000 bytes: refused, empty", tooLong, {}},
      {"129 entries: refused, empty", over, {}},
      {"one byte: empty", {0x5A}, {}},
      {"unsorted with duplicates and a zero", Pairs({{1408, 1408}, {7056, 7056}, {0, 5}, {1408, 99}, {4234, 4234}}),
       {7056, 4234, 1408}},
  };
  for (const Case& c : cases) {
    SaveCapabilities(drive);
    StoreBinary(drive.FullName, "SpeedRangeCD", c.stored);
    DriveRecord loaded{};
    std::strcpy(loaded.FullName, drive.FullName);
    loaded.RangeCD.Count = 77;  // whatever was there before
    EXPECT_TRUE(LoadCapabilities(loaded)) << c.what;
    std::vector<uint32_t> speeds;
    for (uint32_t i = 0; i < loaded.RangeCD.Count; ++i) speeds.push_back(loaded.RangeCD.Entries[i].Speed);
    EXPECT_EQ(speeds, c.speeds) << c.what;
    if (c.speeds.size() == 3) {
      EXPECT_EQ(loaded.RangeCD.Entries[2].Command, 1408u) << "the first of duplicates wins";
    }
  }
  // The full 128-entry list is accepted whole.
  StoreBinary(drive.FullName, "SpeedRangeCD", full);
  DriveRecord loaded{};
  std::strcpy(loaded.FullName, drive.FullName);
  (void)LoadCapabilities(loaded);  // only the list was stored
  EXPECT_EQ(loaded.RangeCD.Count, 128u);
  // And what is read back is stored again in a form a later start reads.
  SaveCapabilities(loaded);
  EXPECT_EQ(Stored(drive.FullName, "SpeedRangeCD"), full);
}

TEST_F(DriveStore, SettingsPerInstanceWithLockSubkey) {
  DriveRecord second = drive;
  second.Instance = 1;
  drive.RangeCD.Selected = 1764;
  drive.RangeDVD.Selected = 5540;
  drive.EventMask = 0x1F;
  drive.Timer = 30000;
  drive.Lock = 1;
  drive.HotKeys[0] = 0x0645;
  drive.HotKeys[6] = 0x0321;
  std::u16string name = u"Пишущий";
  std::memcpy(drive.ShortName, name.c_str(), (name.size() + 1) * 2);
  SaveDriveSettings(drive);
  second.ForceRead = 1;
  SaveDriveSettings(second);

  std::string base = drive.FullName;
  EXPECT_EQ(Stored((base + "\\00").c_str(), "ShortName").size(), 16u);
  EXPECT_EQ(Stored((base + "\\00").c_str(), "HotKeys").size(), 28u);
  RegKey lock = OpenProgramSubkey((base + "\\00\\Lock").c_str());
  ASSERT_TRUE(lock);
  int32_t value = 0;
  EXPECT_TRUE(ReadDword(lock, "Value", value));
  EXPECT_EQ(value, 1);
  CloseRegKey(lock);

  DriveRecord loaded{};
  std::strcpy(loaded.FullName, drive.FullName);
  LoadDriveSettings(loaded);
  EXPECT_EQ(loaded.RangeCD.Selected, 1764u);
  EXPECT_EQ(loaded.RangeDVD.Selected, 5540u);
  EXPECT_EQ(loaded.EventMask, 0x1F);
  EXPECT_EQ(loaded.Timer, 30000);
  EXPECT_EQ(loaded.Lock, 1);
  EXPECT_EQ(loaded.HotKeys[0], 0x0645u);
  EXPECT_EQ(loaded.HotKeys[6], 0x0321u);
  EXPECT_EQ(std::u16string(loaded.ShortName), name);

  DriveRecord other{};
  std::strcpy(other.FullName, drive.FullName);
  other.Instance = 1;
  LoadDriveSettings(other);
  EXPECT_EQ(other.RangeCD.Selected, 0u);
  EXPECT_EQ(other.ForceRead, 1);
  EXPECT_EQ(other.Lock, 0);
}

TEST_F(DriveStore, OddStoredSettingsKeepDefaultsOrTerminate) {
  std::string key = std::string(drive.FullName) + "\\00";
  struct Case {
    const char* what;
    std::vector<uint8_t> shortName;
    std::u16string expected;
  };
  std::vector<uint8_t> eleven, twelve;
  for (int i = 0; i < 11; ++i) eleven.insert(eleven.end(), {uint8_t('A' + i), 0});
  twelve = eleven;
  twelve.insert(twelve.end(), {0, 0});
  Case cases[] = {
      {"24 bytes: not read", twelve, u""},
      {"22 bytes without terminator: 10 units kept", eleven, u"ABCDEFGHIJ"},
      {"odd size", {'Q', 0, 'R', 0, 'S'}, u"QR"},
  };
  for (const Case& c : cases) {
    StoreBinary(key.c_str(), "ShortName", c.shortName);
    StoreBinary(key.c_str(), "HotKeys", std::vector<uint8_t>(40, 0x77));  // too long: not read
    DriveRecord loaded{};
    std::strcpy(loaded.FullName, drive.FullName);
    LoadDriveSettings(loaded);
    EXPECT_EQ(std::u16string(loaded.ShortName), c.expected) << c.what;
    EXPECT_EQ(loaded.ShortName[10], 0) << c.what;
    EXPECT_EQ(loaded.HotKeys[0], 0u) << c.what;
  }
  // A name left without its terminator in the record is stored cut to 10 units.
  for (char16_t& c : drive.ShortName) c = u'Z';
  SaveDriveSettings(drive);
  EXPECT_EQ(Stored(key.c_str(), "ShortName").size(), 22u);
}

}  // namespace
