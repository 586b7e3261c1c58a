// The shared system-settings cases on the in-memory registry, plus what only
// the memory row can show: hives and keys without rights, and leaked handles.
#include "common/system_cases.h"

void UseSystemRegistryUnderTest() { MemoryRegistry::Reset(); }
void ExpectSystemRegistryClean() { EXPECT_EQ(MemoryRegistry::OpenHandleCount(), 0u); }

namespace {
const RegKey HKCU = RegRoot::CurrentUser;
const RegKey HKLM = RegRoot::LocalMachine;
const RegKey HKCR = RegRoot::ClassesRoot;
}  // namespace

using SystemWithoutRights = SystemCase;

TEST_F(SystemWithoutRights, AMachineHiveThatRefusesChangesIsReportedAndLeftAlone) {
  MemoryRegistry::SetRootReadOnly(HKLM, true);
  EXPECT_EQ(CanWritePolicy(HKLM), 0);
  EXPECT_EQ(SetDiscAutorunAllUsers(false), 0);
  EXPECT_EQ(SetDiscAutorunAllUsers(true), 0);
  EXPECT_EQ(IsDiscAutorunOn(HKLM), 1);
  EXPECT_EQ(Recorded.Broadcasts, 0) << "a failed change is no policy change";
  MemoryRegistry::SetRootReadOnly(HKLM, false);
  EXPECT_FALSE(KeyExists(HKLM, FixedStrings::PolicyKey));
}

TEST_F(SystemWithoutRights, ClearingIsJudgedByWhatTheSystemSettingsReadAfterwards) {
  // A machine value that lets CD-ROMs run already is nothing to put back; an empty audio verb is.
  PutValue(HKLM, FixedStrings::PolicyKey, FixedStrings::NoDriveTypeAutoRun, RegType::Dword, &DefaultNoDriveTypeAutoRun, 4);
  PutText(HKCR, FixedStrings::AudioCdShellKey, nullptr, "");
  MemoryRegistry::SetRootReadOnly(HKLM, true);
  MemoryRegistry::SetRootReadOnly(HKCR, true);
  EXPECT_FALSE(RemoveProgramData());
  MemoryRegistry::SetRootReadOnly(HKCR, false);
  EXPECT_TRUE(RemoveProgramData());
  MemoryRegistry::SetRootReadOnly(HKLM, false);
}

TEST_F(SystemWithoutRights, AnAudioKeyWithoutWriteRightsKeepsItsVerb) {
  PutText(HKCR, FixedStrings::AudioCdShellKey, nullptr, "play");
  MemoryRegistry::SetRootReadOnly(HKCR, true);
  EXPECT_EQ(SetAudioAutoplay(false), 0);
  EXPECT_EQ(IsAudioAutoplayOn(), 1);
  MemoryRegistry::SetRootReadOnly(HKCR, false);
  EXPECT_EQ(Value(HKCR, FixedStrings::AudioCdShellKey, nullptr).Text(), "play");
}

TEST_F(SystemWithoutRights, ATreeThatCannotBeDeletedStaysWholeWithItsMakerKey) {
  const uint32_t one = 1;
  const std::string program = FixedStrings::ProgramKey;
  PutValue(HKCU, program + "\\Drive\\00\\Deeper", "X", RegType::Dword, &one, 4);
  MemoryRegistry::SetRootReadOnly(HKCU, true);
  DeleteSettingsTree();
  EXPECT_EQ(DeleteKeyTree(HKCU, program.c_str()), 0);
  MemoryRegistry::SetRootReadOnly(HKCU, false);
  EXPECT_TRUE(Value(HKCU, program + "\\Drive\\00\\Deeper", "X").Found);
  EXPECT_TRUE(KeyExists(HKCU, "Software\\Morbeck Software"));
}
