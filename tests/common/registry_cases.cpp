#include "common/registry_cases.h"

#include <cstring>
#include <iterator>
#include <memory>

#include "settings/settings_record.h"

namespace {
constexpr RegKey kAreaRoots[] = {RegRoot::CurrentUser, RegRoot::LocalMachine, RegRoot::DynData};
const std::string kArea = kTestArea;
const std::string kProgram = FixedStrings::ProgramKey;
}  // namespace

void RegistryCase::SetUp() {
  UseRegistryUnderTest();
  for (RegKey root : kAreaRoots) DeleteTree(root, kArea);
}

void RegistryCase::TearDown() {
  for (RegKey root : kAreaRoots) DeleteTree(root, kArea);
  ExpectRegistryClean();
}

void RegistryCase::Put(const std::string& path, const char* name, uint32_t type, const void* data, uint32_t size) {
  RegKey key;
  ASSERT_EQ(Registry().CreateKey(RegRoot::CurrentUser, path.c_str(), RegAccess::AllAccess, &key, nullptr), RegError::Success);
  EXPECT_EQ(Registry().SetValue(key, name, type, data, size), RegError::Success);
  CloseRegKey(key);
}

void RegistryCase::PutText(const std::string& path, const char* name, const std::string& bytes, uint32_t type) {
  // A non-zero byte after the data: RegSetValueExA adds a terminator the
  // caller "forgot" when the byte past the given size is zero.
  std::vector<char> data(bytes.begin(), bytes.end());
  data.push_back('X');
  Put(path, name, type, data.data(), uint32_t(bytes.size()));
}

// ---- The seam: the in-memory row must answer as the system does.

using RegistrySeam = RegistryCase;

TEST_F(RegistrySeam, CreateMakesMissingParentsAndNamesIgnoreCase) {
  const std::string path = kArea + "\\Test\\A\\B";
  RegKey key;
  uint32_t disposition = 0;
  ASSERT_EQ(Registry().CreateKey(RegRoot::CurrentUser, path.c_str(), RegAccess::AllAccess, &key, &disposition), RegError::Success);
  EXPECT_EQ(disposition, RegDisposition::CreatedNewKey);
  CloseRegKey(key);
  ASSERT_EQ(Registry().CreateKey(RegRoot::CurrentUser, "SOFTWARE\\morbeck software\\TEST\\a\\b", RegAccess::AllAccess, &key, &disposition), RegError::Success);
  EXPECT_EQ(disposition, RegDisposition::OpenedExistingKey);
  EXPECT_EQ(Registry().SetValue(key, "Name", RegType::Dword, "\1\0\0\0", 4), RegError::Success);
  CloseRegKey(key);
  EXPECT_EQ(Stored(path, "NAME").Data, (std::vector<uint8_t>{1, 0, 0, 0}));

  key = RegKey{1};
  EXPECT_EQ(Registry().OpenKey(RegRoot::CurrentUser, (path + "\\C").c_str(), RegAccess::Read, &key), RegError::FileNotFound);
  EXPECT_FALSE(key);
  // Empty names between backslashes are skipped; a leading one is refused.
  EXPECT_TRUE(KeyExists(kArea + "\\\\Test\\A\\\\B\\"));
  EXPECT_EQ(Registry().OpenKey(RegRoot::CurrentUser, ("\\" + path).c_str(), RegAccess::Read, &key), RegError::BadPathname);
  EXPECT_EQ(Registry().CreateKey(RegRoot::CurrentUser, ("\\" + path).c_str(), RegAccess::AllAccess, &key, nullptr),
            RegError::BadPathname);
}

TEST_F(RegistrySeam, QueryValueAnswersSizesAndRefusesShortBuffers) {
  const uint8_t eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Put(kArea, "Blob", RegType::Binary, eight, sizeof eight);
  RegKey key = OpenSubkey(RegRoot::CurrentUser, kTestArea);
  ASSERT_TRUE(key);
  uint32_t type = 0, size = 0;
  EXPECT_EQ(Registry().QueryValue(key, "blob", &type, nullptr, &size), RegError::Success);
  EXPECT_EQ(type, RegType::Binary);
  EXPECT_EQ(size, 8u);
  uint8_t buffer[16] = {};
  size = 4;
  EXPECT_EQ(Registry().QueryValue(key, "Blob", nullptr, buffer, &size), RegError::MoreData);
  EXPECT_EQ(size, 8u);
  size = 8;
  EXPECT_EQ(Registry().QueryValue(key, "Blob", nullptr, buffer, &size), RegError::Success);
  EXPECT_EQ(std::memcmp(buffer, eight, 8), 0);
  size = sizeof buffer;
  EXPECT_EQ(Registry().QueryValue(key, "Blob", nullptr, buffer, &size), RegError::Success);
  EXPECT_EQ(size, 8u);
  EXPECT_EQ(Registry().QueryValue(key, "Other", nullptr, nullptr, &size), RegError::FileNotFound);
  // A handle opened for reading refuses changes.
  EXPECT_EQ(Registry().SetValue(key, "Blob", RegType::Binary, eight, 1), RegError::AccessDenied);
  EXPECT_EQ(Registry().DeleteValue(key, "Blob"), RegError::AccessDenied);
  CloseRegKey(key);
}

TEST_F(RegistrySeam, KeysWithSubkeysAreNotDeletedAndDeletedKeysStayDead) {
  const std::string parent = kArea + "\\Test";
  CloseRegKey(CreateSubkey(RegRoot::CurrentUser, (parent + "\\Child").c_str()));
  RegKey stale = OpenSubkey(RegRoot::CurrentUser, (parent + "\\Child").c_str());
  ASSERT_TRUE(stale);
  EXPECT_EQ(Registry().DeleteKey(RegRoot::CurrentUser, parent.c_str()), RegError::AccessDenied);
  EXPECT_EQ(Registry().DeleteKey(RegRoot::CurrentUser, (parent + "\\child").c_str()), RegError::Success);
  EXPECT_EQ(Registry().QueryValue(stale, "x", nullptr, nullptr, nullptr), RegError::KeyDeleted);
  CloseRegKey(stale);
  EXPECT_EQ(Registry().DeleteKey(RegRoot::CurrentUser, parent.c_str()), RegError::Success);
  EXPECT_FALSE(KeyExists(parent));
  EXPECT_EQ(Registry().DeleteKey(RegRoot::CurrentUser, parent.c_str()), RegError::FileNotFound);
}

TEST_F(RegistrySeam, EnumerationListsSubkeysInNameOrderAndCountsThem) {
  for (const char* name : {"b", "A", "c"}) CloseRegKey(CreateSubkey(RegRoot::CurrentUser, (kArea + "\\Test\\" + name).c_str()));
  Put(kArea + "\\Test", "v1", RegType::Dword, "\0\0\0\0", 4);
  Put(kArea + "\\Test", "v2", RegType::Dword, "\0\0\0\0", 4);
  RegKey key = OpenSubkey(RegRoot::CurrentUser, (kArea + "\\Test").c_str());
  ASSERT_TRUE(key);
  uint32_t subKeys = 0, values = 0;
  EXPECT_EQ(Registry().QueryInfoKey(key, &subKeys, &values), RegError::Success);
  EXPECT_EQ(subKeys, 3u);
  EXPECT_EQ(values, 2u);
  std::string seen;
  char name[16];
  for (uint32_t i = 0;; ++i) {
    uint32_t size = sizeof name;
    RegStatus status = Registry().EnumKey(key, i, name, &size);
    if (status == RegError::NoMoreItems) break;
    ASSERT_EQ(status, RegError::Success);
    EXPECT_EQ(size, std::strlen(name));
    seen += name;
  }
  EXPECT_EQ(seen, "Abc");
  uint32_t tiny = 1;
  EXPECT_EQ(Registry().EnumKey(key, 0, name, &tiny), RegError::MoreData);
  uint32_t nameSize = sizeof name, type = 0, dataSize = 0;
  EXPECT_EQ(Registry().EnumValue(key, 0, name, &nameSize, &type, nullptr, &dataSize), RegError::Success);
  EXPECT_EQ(type, RegType::Dword);
  EXPECT_EQ(dataSize, 4u);
  CloseRegKey(key);
}

TEST_F(RegistrySeam, EachRootKeepsItsOwnKeys) {
  const std::string path = kArea + "\\Roots";
  for (size_t i = 0; i < std::size(kAreaRoots); ++i) {
    RegKey key = CreateSubkey(kAreaRoots[i], path.c_str());
    ASSERT_TRUE(key);
    WriteDword(key, "Root", int32_t(i));
    CloseRegKey(key);
  }
  for (size_t i = 0; i < std::size(kAreaRoots); ++i) {
    RegKey key = OpenSubkey(kAreaRoots[i], path.c_str());
    int32_t root = -1;
    EXPECT_TRUE(ReadDword(key, "Root", root));
    EXPECT_EQ(root, int32_t(i));
    CloseRegKey(key);
  }
}

// ---- Access to the program key.

using RegistryAccess = RegistryCase;

TEST_F(RegistryAccess, WithoutTheProgramKeyNothingOpensAndDefaultsStay) {
  EXPECT_FALSE(OpenProgramKey());
  EXPECT_FALSE(OpenProgramSubkey("Lock"));
  EXPECT_FALSE(OpenDriveKey("HL-DT-ST DVD-RAM GH22NP20 1.00", 0));
  int32_t first = 7, second = 9;
  IntTableEntry table[] = {{"First", &first}, {"Second", &second}};
  EXPECT_EQ(ReadDwordTable(OpenProgramKey(), table, 2), 0);
  EXPECT_EQ(first, 7);
  EXPECT_EQ(second, 9);
  EXPECT_FALSE(KeyExists(kArea));  // looking creates nothing
}

TEST_F(RegistryAccess, FirstCreateMakesTheProgramKeyWithAllParents) {
  RegKey key = CreateProgramKey();
  ASSERT_TRUE(key);
  CloseRegKey(key);
  EXPECT_TRUE(KeyExists(std::string(ParentKeyPath(ParentKeyPath(kProgram)))));
  EXPECT_TRUE(KeyExists(std::string(ParentKeyPath(kProgram))));
  EXPECT_TRUE(KeyExists(kProgram));
}

TEST_F(RegistryAccess, DriveKeysAreNamedByModelAndTwoDigitInstance) {
  const char* model = "HL-DT-ST DVD-RAM GH22NP20 1.00";
  struct Case {
    int32_t Instance;
    const char* Suffix;
  } cases[] = {{0, "00"}, {1, "01"}, {100, "00"}, {123, "23"}, {-1, "99"}, {-2147483647 - 1, "52"}};
  for (const Case& c : cases) {
    char path[64];
    ASSERT_TRUE(DriveKeyPath(model, c.Instance, path, sizeof path));
    EXPECT_EQ(std::string(path), std::string(model) + "\\" + c.Suffix) << c.Instance;
  }
  char tight[8];
  EXPECT_TRUE(DriveKeyPath("abcd", 5, tight, sizeof tight));  // name + "\NN" + terminator
  EXPECT_FALSE(DriveKeyPath("abcde", 5, tight, sizeof tight));

  RegKey second = CreateDriveKey(model, 1);
  ASSERT_TRUE(second);
  WriteDword(second, "Value", 1);
  CloseRegKey(second);
  RegKey hundredth = CreateDriveKey(model, 100);
  WriteDword(hundredth, "Value", 100);
  CloseRegKey(hundredth);
  int32_t value = 0;
  RegKey first = OpenDriveKey(model, 0);
  EXPECT_TRUE(ReadDword(first, "Value", value));
  EXPECT_EQ(value, 100);  // instance 100 shares instance 0's key
  CloseRegKey(first);
  EXPECT_TRUE(KeyExists(kProgram + "\\" + model + "\\00"));
  EXPECT_TRUE(KeyExists(kProgram + "\\" + model + "\\01"));
}

TEST_F(RegistryAccess, IntegersReadOnlyWhenTheyFitFourBytes) {
  struct Case {
    const char* Name;
    uint32_t Type;
    std::vector<uint8_t> Bytes;
    bool Read;
    int32_t Expected;
  } cases[] = {
      {"Dword", RegType::Dword, {0x78, 0x56, 0x34, 0x12}, true, 0x12345678},
      {"Negative", RegType::Dword, {0xFF, 0xFF, 0xFF, 0xFF}, true, -1},
      {"BinaryOfFour", RegType::Binary, {3, 0, 0, 0}, true, 3},  // the type is not checked
      {"Short", RegType::Binary, {0x02, 0x01}, true, 0x0102},
      {"Eight", RegType::Binary, {1, 0, 0, 0, 0, 0, 0, 0}, false, 77},
      {"Empty", RegType::Binary, {}, false, 77},
      {"Text", RegType::String, {'1', 0, 0, 0}, true, '1'},
  };
  for (const Case& c : cases) Put(kProgram, c.Name, c.Type, c.Bytes.data(), uint32_t(c.Bytes.size()));
  RegKey key = OpenProgramKey();
  for (const Case& c : cases) {
    int32_t value = 77;
    EXPECT_EQ(ReadDword(key, c.Name, value), c.Read) << c.Name;
    EXPECT_EQ(value, c.Expected) << c.Name;
    // The program's own numbers: REG_DWORD, or 4-byte REG_BINARY as a
    // Windows 9x export holds them; never text.
    int32_t number = 77;
    const bool isNumber = c.Read && c.Type != RegType::String;
    EXPECT_EQ(ReadNumber(key, c.Name, number), isNumber) << c.Name;
    EXPECT_EQ(number, isNumber ? c.Expected : 77) << c.Name;
  }
  int32_t kept = 77;
  EXPECT_FALSE(ReadDword(key, "Missing", kept));
  EXPECT_EQ(kept, 77);
  CloseRegKey(key);
}

TEST_F(RegistryAccess, ValuesAreCopiedWholeOrNotAtAll) {
  Put(kProgram, "Blob", RegType::Binary, "0123456789", 10);
  RegKey key = OpenProgramKey();
  EXPECT_EQ(ReadValue(key, "Blob", nullptr, 0), 10u);
  char buffer[12];
  std::memset(buffer, '#', sizeof buffer);
  EXPECT_EQ(ReadValue(key, "Blob", buffer, 9), 0u);
  EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(12, '#'));
  EXPECT_EQ(ReadValue(key, "Blob", buffer, 10), 10u);
  EXPECT_EQ(std::string(buffer, 11), "0123456789#");
  EXPECT_EQ(ReadValue(key, "Missing", buffer, sizeof buffer), 0u);
  CloseRegKey(key);
}

TEST_F(RegistryAccess, TextIsTerminatedOrRefusedWhenItFillsTheField) {
  struct Case {
    std::string Stored;
    bool Read;
    const char* Expected;
  } cases[] = {
      {std::string("abc\0", 4), true, "abc"},
      {"abc", true, "abc"},                          // no terminator, room for one
      {"1234567", true, "1234567"},                  // seven bytes in an eight-byte field
      {std::string("ab\0cd", 5), true, "ab"},
      {"12345678", false, "keep"},                   // fills the field: no room for the terminator
      {std::string("12345678\0", 9), false, "keep"}, // longer than the field
  };
  int i = 0;
  for (const Case& c : cases) {
    std::string name = "Text" + std::to_string(i++);
    PutText(kProgram, name.c_str(), c.Stored);
    RegKey key = OpenProgramKey();
    char field[8] = "keep";
    EXPECT_EQ(ReadString(key, name.c_str(), field, sizeof field), c.Read) << name;
    EXPECT_STREQ(field, c.Expected) << name;
    CloseRegKey(key);
  }
}

TEST_F(RegistryAccess, WritesStoreTheDocumentedTypesAndSizes) {
  RegKey key = CreateProgramKey();
  ASSERT_TRUE(key);
  EXPECT_EQ(WriteWideString(key, "Wide", u"abc"), RegError::Success);
  EXPECT_EQ(WriteWideString(key, "WideEmpty", u""), RegError::Success);
  EXPECT_EQ(WriteString(key, "Text", "xyz"), RegError::Success);
  EXPECT_EQ(WriteString(key, "TextEmpty", ""), RegError::Success);
  EXPECT_EQ(WriteBinary(key, "Blob", "\1\2\3", 3), RegError::Success);
  EXPECT_EQ(WriteDword(key, "Number", int32_t(-2)), RegError::Success);
  CloseRegKey(key);
  struct Case {
    const char* Name;
    uint32_t Type;
    std::vector<uint8_t> Bytes;
  } cases[] = {
      {"Wide", RegType::Binary, {'a', 0, 'b', 0, 'c', 0, 0, 0}},
      {"WideEmpty", RegType::Binary, {0, 0}},
      {"Text", RegType::String, {'x', 'y', 'z', 0}},
      {"TextEmpty", RegType::String, {0}},
      {"Blob", RegType::Binary, {1, 2, 3}},
      {"Number", RegType::Dword, {0xFE, 0xFF, 0xFF, 0xFF}},
  };
  for (const Case& c : cases) {
    StoredValue stored = Stored(kProgram, c.Name);
    EXPECT_TRUE(stored.Found) << c.Name;
    EXPECT_EQ(stored.Type, c.Type) << c.Name;
    EXPECT_EQ(stored.Data, c.Bytes) << c.Name;
  }
}

TEST_F(RegistryAccess, TableReadsEveryEntryAndReportsWhetherAllWereThere) {
  int32_t a = 1, b = 2, c = 3;
  IntTableEntry table[] = {{"A", &a}, {"B", &b}, {"C", &c}};
  RegKey key = CreateProgramKey();
  EXPECT_EQ(WriteDwordTable(key, table, 3), 3);
  CloseRegKey(key);
  key = OpenProgramKey();
  a = b = c = 0;
  EXPECT_EQ(ReadDwordTable(key, table, 3), 1);
  EXPECT_EQ(a + b + c, 6);
  CloseRegKey(key);
  Put(kProgram, "B", RegType::Binary, "\1\0\0\0\0\0\0\0", 8);
  key = OpenProgramKey();
  a = b = c = 50;
  EXPECT_EQ(ReadDwordTable(key, table, 3), 0);
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 50);  // too long: treated as missing
  EXPECT_EQ(c, 3);   // the walk goes on past the failure
  CloseRegKey(key);
}

// ---- The program settings record.

namespace {
// The twenty integers: registry name, field and default.
struct IntSetting {
  const char* Name;
  int32_t ProgramSettings::*Field;
  int32_t Default;
};
constexpr IntSetting kInts[] = {
    {"ApiPrefered", &ProgramSettings::ApiPrefered, 0},   {"NumNames", &ProgramSettings::NumNames, 1},
    {"EjectSingle", &ProgramSettings::EjectSingle, 1},   {"ShowUnknown", &ProgramSettings::ShowUnknown, 0},
    {"ForceRefresh", &ProgramSettings::ForceRefresh, 0}, {"DNEject", &ProgramSettings::DNEject, 0},
    {"DNClose", &ProgramSettings::DNClose, 0},           {"DNMessage", &ProgramSettings::DNMessage, 0},
    {"DNTimer", &ProgramSettings::DNTimer, 5},           {"DeepMenu", &ProgramSettings::DeepMenu, 0},
    {"TopNames", &ProgramSettings::TopNames, 0},         {"CloseOnRun", &ProgramSettings::CloseOnRun, 0},
    {"IconDisk", &ProgramSettings::IconDisk, 1},         {"IconOpen", &ProgramSettings::IconOpen, 0},
    {"CmdOpen", &ProgramSettings::CmdOpen, 0},           {"CmdExplore", &ProgramSettings::CmdExplore, 1},
    {"CmdAutorun", &ProgramSettings::CmdAutorun, 1},     {"TimerAutoclose", &ProgramSettings::TimerAutoclose, 0},
    {"TimerEnable", &ProgramSettings::TimerEnable, 0},   {"Language", &ProgramSettings::Language, 0},
};
static_assert(std::size(kInts) == ProgramSettings::IntCount);

// A value of its own for each integer, one the field keeps when read back.
int32_t Sample(size_t i) { return kInts[i].Field == &ProgramSettings::Language ? LanguageEnglish : int32_t(1000 + i); }

void ExpectDefaults(const ProgramSettings& s) {
  for (const IntSetting& i : kInts) EXPECT_EQ(s.*i.Field, i.Default) << i.Name;
  EXPECT_STREQ(s.LockData, "");
  EXPECT_STREQ(s.SavePath, "");
}

// Heap records filled with garbage, so that a field left unset shows and a
// write past the last field is caught by ASan.
std::unique_ptr<ProgramSettings> Fresh() {
  auto s = std::make_unique<ProgramSettings>();
  std::memset(static_cast<void*>(s.get()), 0x5A, sizeof *s);
  return s;
}
}  // namespace

using ProgramSettingsStore = RegistryCase;

TEST_F(ProgramSettingsStore, FirstStartGivesTheDefaultsAndWritesNothing) {
  auto s = Fresh();
  s->Load();
  ExpectDefaults(*s);
  EXPECT_FALSE(KeyExists(kArea));
}

TEST_F(ProgramSettingsStore, SaveWritesEveryFieldUnderItsNameAndLoadReadsItBack) {
  auto s = Fresh();
  s->ResetToDefaults();
  for (size_t i = 0; i < std::size(kInts); ++i) s.get()->*kInts[i].Field = Sample(i);
  std::strcpy(s->LockData, "$1$saltsalt$0123456789abcdefghijkl");  // 34 characters
  std::strcpy(s->SavePath, "C:\\Backup dir\\varnel.reg");
  s->Save();

  for (size_t i = 0; i < std::size(kInts); ++i) {
    StoredValue v = Stored(kProgram, kInts[i].Name);
    EXPECT_EQ(v.Type, RegType::Dword) << kInts[i].Name;
    ASSERT_EQ(v.Data.size(), 4u) << kInts[i].Name;
    EXPECT_EQ(v.Data[0] | v.Data[1] << 8, Sample(i)) << kInts[i].Name;
  }
  StoredValue lock = Stored(kProgram + "\\Lock", "Data");
  EXPECT_EQ(lock.Type, RegType::String);
  EXPECT_EQ(lock.Data.size(), 35u);
  StoredValue path = Stored(kProgram, "SavePath");
  EXPECT_EQ(path.Type, RegType::String);
  EXPECT_EQ(path.Data.size(), std::strlen(s->SavePath) + 1);

  auto loaded = Fresh();
  loaded->Load();
  EXPECT_EQ(std::memcmp(loaded->LockData, s->LockData, 35), 0);
  EXPECT_STREQ(loaded->SavePath, s->SavePath);
  for (size_t i = 0; i < std::size(kInts); ++i) EXPECT_EQ(loaded.get()->*kInts[i].Field, Sample(i));
}

TEST_F(ProgramSettingsStore, EmptyTextsAreStoredAsOneZeroByte) {
  auto s = Fresh();
  s->ResetToDefaults();
  s->Save();
  EXPECT_EQ(Stored(kProgram + "\\Lock", "Data").Data, std::vector<uint8_t>{0});
  EXPECT_EQ(Stored(kProgram, "SavePath").Data, std::vector<uint8_t>{0});
  auto loaded = Fresh();
  loaded->Load();
  ExpectDefaults(*loaded);
}

TEST_F(ProgramSettingsStore, BadValuesLeaveTheirDefaultsAndTheRestIsRead) {
  struct Case {
    const char* Name;
    std::string Key;
    const char* Value;
    std::string Bytes;
    uint32_t Type;
  } cases[] = {
      {"LongSavePath", kProgram, "SavePath", std::string(299, 'p') + '\0', RegType::String},
      {"SavePathFillingTheField", kProgram, "SavePath", std::string(260, 'p'), RegType::String},
      {"LongLockData", kProgram + "\\Lock", "Data", std::string(39, 'h') + '\0', RegType::String},
      {"LockDataFillingTheField", kProgram + "\\Lock", "Data", std::string(35, 'h'), RegType::String},
      {"EightByteTimer", kProgram, "DNTimer", std::string("\1\0\0\0\0\0\0\0", 8), RegType::Binary},
      // A language the program has no table for, or a number written as text: follow the system.
      {"GermanLanguage", kProgram, "Language", std::string("\x07\x04\0\0", 4), RegType::Dword},
      {"LanguageAsText", kProgram, "Language", std::string("1033\0", 5), RegType::String},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    DeleteTree(RegRoot::CurrentUser, kArea);
    PutText(c.Key, c.Value, c.Bytes, c.Type);
    Put(kProgram, "IconOpen", RegType::Dword, "\1\0\0\0", 4);
    auto s = Fresh();
    s->Load();
    EXPECT_EQ(s->IconOpen, 1);
    s->IconOpen = 0;
    ExpectDefaults(*s);
  }
}

TEST_F(ProgramSettingsStore, TextsThatFitWithoutTheirTerminatorAreTerminated) {
  PutText(kProgram + "\\Lock", "Data", std::string(34, 'h'));
  PutText(kProgram, "SavePath", std::string(259, 'p'));
  auto s = Fresh();
  s->Load();
  EXPECT_EQ(std::string(s->LockData), std::string(34, 'h'));
  EXPECT_EQ(std::string(s->SavePath), std::string(259, 'p'));
}

TEST_F(ProgramSettingsStore, SaveCutsAFieldThatLostItsTerminator) {
  auto s = Fresh();
  s->ResetToDefaults();
  std::memset(s->LockData, 'h', sizeof s->LockData);
  s->Save();
  EXPECT_EQ(Stored(kProgram + "\\Lock", "Data").Data.size(), 35u);  // 34 characters and the terminator
  EXPECT_EQ(s->LockData[34], '\0');
}
