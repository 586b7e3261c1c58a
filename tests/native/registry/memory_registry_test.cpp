// The shared registry cases run here on the in-memory registry, plus what
// only the memory row can show: leaked handles and a hive without write
// rights.
#include "common/registry_cases.h"
#include "settings/settings_record.h"

void UseRegistryUnderTest() { MemoryRegistry::Reset(); }

// Every operation of the program closes the keys it opened.
void ExpectRegistryClean() { EXPECT_EQ(MemoryRegistry::OpenHandleCount(), 0u); }

using MemoryRegistryOnly = RegistryCase;

TEST_F(MemoryRegistryOnly, SaveWritesNothingWhenTheKeyCannotBeCreated) {
  MemoryRegistry::SetRootReadOnly(RegRoot::CurrentUser, true);
  ProgramSettings s;
  s.ResetToDefaults();
  s.Save();
  EXPECT_FALSE(CreateProgramSubkey("Lock"));
  MemoryRegistry::SetRootReadOnly(RegRoot::CurrentUser, false);
  EXPECT_FALSE(KeyExists(kTestArea));
}

TEST_F(MemoryRegistryOnly, AReadOnlyHiveStillOpensForReading) {
  CloseRegKey(CreateProgramKey());
  MemoryRegistry::SetRootReadOnly(RegRoot::CurrentUser, true);
  RegKey key = OpenProgramKey();
  EXPECT_TRUE(key);
  EXPECT_EQ(WriteDword(key, "X", 1), RegError::AccessDenied);
  CloseRegKey(key);
  RegKey denied;
  EXPECT_EQ(Registry().OpenKey(RegRoot::CurrentUser, FixedStrings::ProgramKey, RegAccess::AllAccess, &denied),
            RegError::AccessDenied);
  MemoryRegistry::SetRootReadOnly(RegRoot::CurrentUser, false);
}
