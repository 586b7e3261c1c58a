#include "common/system_cases.h"

#include <cstring>

#include "registry/fixed_strings.h"

SystemRecord Recorded;

namespace {

const std::string kMaker = "Software\\Morbeck Software";
const std::string kProduct = "Software\\Morbeck Software\\Varnel";
const std::string kProgram = FixedStrings::ProgramKey;
const std::string kRun = FixedStrings::RunKey;
const std::string kPolicies = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies";
const std::string kPolicy = FixedStrings::PolicyKey;
const std::string kAudioCd = "AudioCD";
const std::string kAudio = FixedStrings::AudioCdShellKey;
const std::string kDesktop = FixedStrings::DesktopKey;
constexpr const char* kAutorun = FixedStrings::NoDriveTypeAutoRun;
const RegKey HKCU = RegRoot::CurrentUser;
const RegKey HKLM = RegRoot::LocalMachine;
const RegKey HKCR = RegRoot::ClassesRoot;
constexpr const char* kDefault = nullptr;

// A system value as it was before a case, put back after it.
struct Watched {
  RegKey Root;
  std::string Path;
  const char* Name;
  StoredValue Before;
};
std::vector<Watched> g_values;
// Keys the cases may create, removed after a case when they were not there.
struct WatchedKey {
  RegKey Root;
  std::string Path;
  bool Existed;
};
std::vector<WatchedKey> g_keys;

std::string RowModulePath() { return Recorded.ModulePath; }
bool RowIsNt() { return SystemRow().IsNt(); }
void RowBroadcast() { ++Recorded.Broadcasts; }
void RowEditor(const char* parameters) { Recorded.EditorStarts.push_back(parameters); }
const SystemOps CaseRow{RowModulePath, RowIsNt, RowBroadcast, RowEditor};

void DeleteValue(RegKey root, const std::string& path, const char* name) {
  RegKey key;
  if (Registry().OpenKey(root, path.c_str(), RegAccess::AllAccess, &key) != RegError::Success) return;
  Registry().DeleteValue(key, name);
  CloseRegKey(key);
}

}  // namespace

void SystemCase::SetUp() {
  UseSystemRegistryUnderTest();
  Recorded = SystemRecord{"C:\\Apps\\tool.exe", 0, {}};
  InstallSystemOps(&CaseRow);
  g_keys = {{HKLM, kPolicies, KeyExists(HKLM, kPolicies)},
            {HKCU, kPolicies, KeyExists(HKCU, kPolicies)},
            {HKCR, kAudioCd, KeyExists(HKCR, kAudioCd)}};
  g_values.clear();
  for (const char* name : {FixedStrings::RunValue, FixedStrings::FormerRunValues[0], FixedStrings::FormerRunValues[1]})
    g_values.push_back({HKCU, kRun, name, {}});
  g_values.push_back({HKLM, kPolicy, kAutorun, {}});
  g_values.push_back({HKCU, kPolicy, kAutorun, {}});
  g_values.push_back({HKCR, kAudio, kDefault, {}});
  g_values.push_back({HKCU, kDesktop, FixedStrings::HungAppTimeout, {}});
  for (Watched& watched : g_values) {
    watched.Before = Value(watched.Root, watched.Path, watched.Name);
    DeleteValue(watched.Root, watched.Path, watched.Name);
  }
  DeleteTree(HKCU, kMaker);
}

void SystemCase::TearDown() {
  InstallSystemOps(nullptr);
  DeleteTree(HKCU, kMaker);
  for (const Watched& watched : g_values) {
    DeleteValue(watched.Root, watched.Path, watched.Name);
    if (watched.Before.Found)
      PutValue(watched.Root, watched.Path, watched.Name, watched.Before.Type, watched.Before.Data.data(),
               uint32_t(watched.Before.Data.size()));
  }
  for (const WatchedKey& key : g_keys)
    if (!key.Existed) DeleteTree(key.Root, key.Path);
  ExpectSystemRegistryClean();
}

void SystemCase::PutValue(RegKey root, const std::string& path, const char* name, uint32_t type, const void* data,
                          uint32_t size) {
  RegKey key;
  ASSERT_EQ(Registry().CreateKey(root, path.c_str(), RegAccess::AllAccess, &key, nullptr), RegError::Success) << path;
  EXPECT_EQ(Registry().SetValue(key, name, type, data, size), RegError::Success);
  CloseRegKey(key);
}

void SystemCase::PutText(RegKey root, const std::string& path, const char* name, const std::string& text,
                         uint32_t type) {
  PutValue(root, path, name, type, text.c_str(), uint32_t(text.size() + 1));
}

// ---- Start with Windows -----------------------------------------------------

TEST_F(SystemCase, AutostartWritesThePathWithItsArgumentAndMatchesItWithoutRegardToCase) {
  PutText(HKCU, kRun, "Varnel 2.1", "C:\\Old\\tool.exe");
  SetAutostart("Varnel", "/hide");
  StoredValue run = Value(HKCU, kRun, "Varnel");
  EXPECT_EQ(run.Type, RegType::String);
  EXPECT_EQ(run.Text(), "C:\\Apps\\tool.exe /hide");
  EXPECT_EQ(run.Data.size(), run.Text().size() + 1);
  EXPECT_FALSE(Value(HKCU, kRun, "Varnel 2.1").Found) << "an earlier version's value stays behind";

  EXPECT_EQ(IsAutostart("Varnel", nullptr), 1);
  EXPECT_EQ(IsAutostart("Varnel", "/HIDE"), 1);
  EXPECT_EQ(IsAutostart("Varnel", "/exit"), 0);
  Recorded.ModulePath = "c:\\apps\\TOOL.EXE";
  EXPECT_EQ(IsAutostart("Varnel", "/hide"), 1);
  Recorded.ModulePath = "C:\\Moved\\tool.exe";
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 0);

  Recorded.ModulePath = "C:\\Apps\\tool.exe";
  SetAutostart("Varnel", nullptr);
  EXPECT_EQ(Value(HKCU, kRun, "Varnel").Text(), "C:\\Apps\\tool.exe");
  EXPECT_EQ(IsAutostart("Varnel", "/exit"), 0);
  RemoveAutostart("Varnel");
  EXPECT_FALSE(Value(HKCU, kRun, "Varnel").Found);
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 0);

  Recorded.ModulePath.clear();  // the executable's path cannot be had
  EXPECT_FALSE(IsAutostart("Varnel", nullptr));
  SetAutostart("Varnel", "/exit");
  EXPECT_FALSE(Value(HKCU, kRun, "Varnel").Found);
}

TEST_F(SystemCase, RunValuesThatAreNotThisProgramsAreAnsweredWithNo) {
  const std::string longPath = "C:\\" + std::string(300, 'x') + "\\tool.exe";
  PutText(HKCU, kRun, "Varnel", "");
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 0);
  PutText(HKCU, kRun, "Varnel", "C:\\Other\\other.exe /hide");
  EXPECT_EQ(IsAutostart("Varnel", "/hide"), 0);
  PutText(HKCU, kRun, "Varnel", longPath);
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 0);
  Recorded.ModulePath = longPath;  // a long value read with its own size
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 1);
  Recorded.ModulePath = "C:\\Apps\\tool.exe";
  PutText(HKCU, kRun, "Varnel", "C:\\Apps\\tool.exe");
  EXPECT_EQ(IsAutostart("Varnel", "C:\\Apps\\tool.exe /hide"), 0) << "a suffix longer than the value";
  uint32_t number = 7;
  PutValue(HKCU, kRun, "Varnel", RegType::Dword, &number, sizeof number);
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 0);
  PutValue(HKCU, kRun, "Varnel", RegType::Binary, "C:\\Apps\\tool.exe", 16);  // no terminator
  EXPECT_EQ(IsAutostart("Varnel", nullptr), 1);
}

// ---- Disc autorun -------------------------------------------------------------

TEST_F(SystemCase, AutorunPolicyChangesOnlyTheCdRomBitInThePlatformsFormAndTellsTheShell) {
  const bool nt = SystemRow().IsNt();
  auto stored = [](RegKey hive) { return Value(hive, kPolicy, kAutorun); };
  auto mask = [](const StoredValue& v) {
    return v.Data.size() == 4 ? uint32_t(v.Data[0] | v.Data[1] << 8 | v.Data[2] << 16 | v.Data[3] << 24) : 0xDEADu;
  };

  EXPECT_EQ(IsDiscAutorunOn(HKCU), 1);
  EXPECT_EQ(SetDiscAutorunCurrentUser(false), 1);
  EXPECT_EQ(mask(stored(HKCU)), 0xB5u) << "starts from the system default 0x95";
  EXPECT_EQ(stored(HKCU).Type, nt ? RegType::Dword : RegType::Binary);
  EXPECT_EQ(IsDiscAutorunOn(HKCU), 0);
  EXPECT_EQ(SetDiscAutorunCurrentUser(true), 1);
  EXPECT_EQ(mask(stored(HKCU)), 0x95u) << "the current user's value is kept";
  EXPECT_EQ(IsDiscAutorunOn(HKCU), 1);
  uint32_t all = 0xFF;
  PutValue(HKCU, kPolicy, kAutorun, RegType::Dword, &all, 4);
  EXPECT_EQ(SetDiscAutorunCurrentUser(true), 1);
  EXPECT_EQ(mask(stored(HKCU)), 0xDFu);
  EXPECT_EQ(Recorded.Broadcasts, 3);

  EXPECT_EQ(SetDiscAutorunAllUsers(false), 1);
  EXPECT_EQ(mask(stored(HKLM)), 0xB5u);
  EXPECT_EQ(stored(HKLM).Type, nt ? RegType::Dword : RegType::Binary);
  EXPECT_EQ(IsDiscAutorunOn(HKLM), 0);
  PutValue(HKLM, kPolicy, kAutorun, RegType::Dword, &all, 4);
  EXPECT_EQ(SetDiscAutorunAllUsers(true), 1);
  EXPECT_FALSE(stored(HKLM).Found) << "all users: the value goes, other bits and all";
  EXPECT_EQ(IsDiscAutorunOn(HKLM), 1);
  EXPECT_EQ(Recorded.Broadcasts, 5);
  EXPECT_EQ(SetDiscAutorunAllUsers(true), 0) << "nothing to delete is no change";
  EXPECT_EQ(Recorded.Broadcasts, 5);
}

TEST_F(SystemCase, PolicyValuesOfAnyOtherSizeCountAsMissing) {
  const uint8_t bytes[8] = {0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20};
  for (uint32_t size : {0u, 1u, 2u, 3u, 5u, 8u}) {
    PutValue(HKCU, kPolicy, kAutorun, RegType::Binary, bytes, size);
    // 1 to 3 bytes are a short mask (its CD-ROM bit set); 0, 5 and 8 none.
    bool shortMask = size >= 1 && size <= 3;
    EXPECT_EQ(IsDiscAutorunOn(HKCU), shortMask ? 0 : 1) << size << " bytes";
    EXPECT_EQ(SetDiscAutorunCurrentUser(false), 1);
    StoredValue after = Value(HKCU, kPolicy, kAutorun);
    ASSERT_EQ(after.Data.size(), 4u) << size << " bytes";
    EXPECT_EQ(after.Data[0], shortMask ? 0x20 : 0xB5) << size << " bytes";
  }
  PutText(HKCU, kPolicy, kAutorun, "x");  // text: its bytes count as the mask
  EXPECT_EQ(SetDiscAutorunCurrentUser(true), 1);
  EXPECT_EQ(Value(HKCU, kPolicy, kAutorun).Data[0], uint8_t('x') & ~0x20);
}

TEST_F(SystemCase, AskingWhetherThePolicyCanBeWrittenLeavesNoKeyBehind) {
  if (KeyExists(HKCU, kPolicy)) GTEST_SKIP() << "the policy key exists here already";
  EXPECT_EQ(CanWritePolicy(HKCU), 1);
  EXPECT_FALSE(KeyExists(HKCU, kPolicy));
  uint32_t mask = 0x95;
  PutValue(HKCU, kPolicy, kAutorun, RegType::Dword, &mask, 4);
  EXPECT_EQ(CanWritePolicy(HKCU), 1);
  EXPECT_TRUE(Value(HKCU, kPolicy, kAutorun).Found) << "an existing key stays";
}

// ---- Audio CD, hung time --------------------------------------------------------

TEST_F(SystemCase, AudioAutoplayWritesTheVerbOfAnExistingKeyAndCreatesNone) {
  if (!KeyExists(HKCR, kAudio)) {
    EXPECT_EQ(IsAudioAutoplayOn(), 1) << "no key: the system plays";
    EXPECT_EQ(SetAudioAutoplay(true), 0);
    EXPECT_FALSE(KeyExists(HKCR, kAudio));
  }
  PutText(HKCR, kAudio, kDefault, "play");
  EXPECT_EQ(IsAudioAutoplayOn(), 1);
  EXPECT_EQ(SetAudioAutoplay(false), 1);
  EXPECT_EQ(Value(HKCR, kAudio, kDefault).Text(), "");
  EXPECT_EQ(IsAudioAutoplayOn(), 0);
  EXPECT_EQ(SetAudioAutoplay(true), 1);
  StoredValue verb = Value(HKCR, kAudio, kDefault);
  EXPECT_EQ(verb.Type, RegType::String);
  EXPECT_EQ(verb.Text(), "play");
}

TEST_F(SystemCase, HungAppTimeoutIsReadAsMillisecondsWithTheDefaultForAnythingElse) {
  EXPECT_EQ(GetHungAppTimeout(), 20000u);
  PutText(HKCU, kDesktop, FixedStrings::HungAppTimeout, "4000");
  EXPECT_EQ(GetHungAppTimeout(), 4000u);
  PutText(HKCU, kDesktop, FixedStrings::HungAppTimeout, " 5000ms");
  EXPECT_EQ(GetHungAppTimeout(), 5000u);
  for (const char* bad : {"", "abc", "-5", "123456789012345678"}) {
    PutText(HKCU, kDesktop, FixedStrings::HungAppTimeout, bad);
    EXPECT_EQ(GetHungAppTimeout(), 20000u) << '"' << bad << '"';
  }
  PutText(HKCU, kDesktop, FixedStrings::HungAppTimeout, "99999999999");
  EXPECT_EQ(GetHungAppTimeout(), UINT32_MAX);
}

// ---- Export and removal ---------------------------------------------------------

TEST_F(SystemCase, ExportStartsTheRegistryEditorOnTheProgramKeyWithThePathQuoted) {
  const std::string key = "\"HKEY_CURRENT_USER\\Software\\Morbeck Software\\Varnel\\2.5\"";
  EXPECT_EQ(ExportParameters("C:\\Backup\\settings.reg"), "/ea \"C:\\Backup\\settings.reg\" " + key);
  const std::string cyrillic = "C:\\Мои документы\\копия настроек.reg";
  const std::string deep = "C:\\" + std::string(250, 'd') + "\\a.reg";  // 259 characters
  ASSERT_EQ(deep.size(), 259u);
  for (const std::string& path : {cyrillic, deep, std::string("C:\\No such folder\\x.reg")}) {
    ExportSettings(path.c_str());
    ASSERT_FALSE(Recorded.EditorStarts.empty());
    EXPECT_EQ(Recorded.EditorStarts.back(), "/ea \"" + path + "\" " + key);
  }
  EXPECT_EQ(Recorded.EditorStarts.size(), 3u);
}

TEST_F(SystemCase, RemovalDeletesTheProductTreeAndAnEmptyMakerKeyOnly) {
  const uint32_t one = 1;
  PutValue(HKCU, kProgram, "NumNames", RegType::Dword, &one, 4);
  PutValue(HKCU, kProgram + "\\Lock", "Data", RegType::String, "", 1);
  PutValue(HKCU, kProgram + "\\HL-DT-ST DVD-RAM GH22NS50 TN02\\00", "SpeedSelectedCD", RegType::Dword, &one, 4);
  PutValue(HKCU, kProgram + "\\HL-DT-ST DVD-RAM GH22NS50 TN02\\01", "SpeedSelectedCD", RegType::Dword, &one, 4);
  PutValue(HKCU, kProduct + "\\2.1\\Drive\\00", "X", RegType::Dword, &one, 4);
  EXPECT_EQ(HasNoSubkeys(HKCU, kMaker.c_str()), 0);
  EXPECT_EQ(HasNoSubkeys(HKCU, (kProgram + "\\Lock").c_str()), 1);
  EXPECT_EQ(HasNoSubkeys(HKCU, (kMaker + "\\Missing").c_str()), 0);
  DeleteSettingsTree();
  EXPECT_FALSE(KeyExists(HKCU, kProduct));
  EXPECT_FALSE(KeyExists(HKCU, kMaker));

  PutValue(HKCU, kProgram, "NumNames", RegType::Dword, &one, 4);
  PutValue(HKCU, kMaker + "\\Other Product", "Kept", RegType::Dword, &one, 4);
  DeleteSettingsTree();
  EXPECT_FALSE(KeyExists(HKCU, kProduct));
  EXPECT_TRUE(Value(HKCU, kMaker + "\\Other Product", "Kept").Found);
  DeleteSettingsTree();  // nothing of ours left: quietly nothing
  EXPECT_TRUE(KeyExists(HKCU, kMaker + "\\Other Product"));
  EXPECT_EQ(DeleteKeyTree(HKCU, (kMaker + "\\Missing").c_str()), 0);
}

TEST_F(SystemCase, ClearingRemovesTheProgramsDataAndPutsTheSystemSettingsBack) {
  const uint32_t one = 1;
  PutValue(HKCU, kProgram + "\\Drive\\00", "SpeedSelectedCD", RegType::Dword, &one, 4);
  SetAutostart("Varnel", "/hide");
  PutText(HKCU, kRun, "Other", "C:\\Other\\other.exe");
  EXPECT_EQ(SetDiscAutorunAllUsers(false), 1);
  uint32_t mask = 0xFF;
  PutValue(HKCU, kPolicy, kAutorun, RegType::Dword, &mask, 4);
  PutText(HKCR, kAudio, kDefault, "");

  EXPECT_TRUE(RemoveProgramData()) << "every system setting is back";
  EXPECT_FALSE(KeyExists(HKCU, kMaker));
  EXPECT_FALSE(Value(HKCU, kRun, "Varnel").Found);
  EXPECT_TRUE(Value(HKCU, kRun, "Other").Found) << "another program's start value stays";
  EXPECT_FALSE(Value(HKLM, kPolicy, kAutorun).Found);
  EXPECT_EQ(Value(HKCU, kPolicy, kAutorun).Data, (std::vector<uint8_t>{0xDF, 0, 0, 0}));
  EXPECT_EQ(Value(HKCR, kAudio, kDefault).Text(), "play");
  DeleteValue(HKCU, kRun, "Other");
}
