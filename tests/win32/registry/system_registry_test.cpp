// The shared registry cases run here on the system's registry (Wine's, in
// the test prefix), through the advapi32 row.
#include <windows.h>

#include "common/registry_cases.h"

void UseRegistryUnderTest() { InstallRegistry(nullptr); }
void ExpectRegistryClean() {}

TEST(SystemRegistry, RootsCarryTheSystemsHandleValues) {
  EXPECT_EQ(RegRoot::ClassesRoot.Value, reinterpret_cast<uintptr_t>(HKEY_CLASSES_ROOT));
  EXPECT_EQ(RegRoot::CurrentUser.Value, reinterpret_cast<uintptr_t>(HKEY_CURRENT_USER));
  EXPECT_EQ(RegRoot::LocalMachine.Value, reinterpret_cast<uintptr_t>(HKEY_LOCAL_MACHINE));
  EXPECT_EQ(RegRoot::Users.Value, reinterpret_cast<uintptr_t>(HKEY_USERS));
  EXPECT_EQ(RegRoot::CurrentConfig.Value, reinterpret_cast<uintptr_t>(HKEY_CURRENT_CONFIG));
  EXPECT_EQ(RegRoot::DynData.Value, reinterpret_cast<uintptr_t>(HKEY_DYN_DATA));
}
