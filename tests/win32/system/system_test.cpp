// The shared system-settings cases on the system's registry (Wine's, in the
// test prefix), plus the Windows side of the system row for real: the
// platform family, the executable's path and the policy broadcast.
#include <windows.h>

#include "common/system_cases.h"
#include "common/system_win32.h"

void UseSystemRegistryUnderTest() { InstallRegistry(nullptr); }
void ExpectSystemRegistryClean() {}

namespace {
int g_policyNotices = 0;

LRESULT CALLBACK CountPolicyNotices(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // Wine 8 hands a broadcast's text over garbled (checked: a direct send
  // arrives intact), so only the notice itself is counted here.
  if (message == WM_WININICHANGE && wParam == 0 && lParam) ++g_policyNotices;
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

TEST(SystemRow, AnswersTheFamilyTheExecutablesPathAndTellsEveryWindowOfAPolicyChange) {
  EXPECT_EQ(SystemRow().IsNt(), QueryOsVersion().Nt);
  char self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, self, sizeof self), 0u);
  EXPECT_EQ(GetModulePath(), self);

  WNDCLASSA wc{};
  wc.lpfnWndProc = CountPolicyNotices;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "PolicyListener";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND listener = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                  wc.hInstance, nullptr);
  ASSERT_TRUE(listener);
  InstallSystemOps(nullptr);
  const char policies[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies";
  const bool hadPolicies = OwnedRegKey(OpenSubkey(RegRoot::CurrentUser, policies)).Get() != RegKey{};
  bool hadValue = false;
  {
    OwnedRegKey policy(OpenSubkey(RegRoot::CurrentUser, FixedStrings::PolicyKey));
    uint32_t mask;
    hadValue = policy && ReadDword(policy.Get(), FixedStrings::NoDriveTypeAutoRun, mask);
  }
  ASSERT_FALSE(hadValue) << "the prefix holds a policy of its own";
  EXPECT_EQ(SetDiscAutorunCurrentUser(false), 1);
  EXPECT_EQ(g_policyNotices, 1);
  // Leave the prefix as found.
  {
    OwnedRegKey policy(CreateSubkey(RegRoot::CurrentUser, FixedStrings::PolicyKey));
    Registry().DeleteValue(policy.Get(), FixedStrings::NoDriveTypeAutoRun);
  }
  if (!hadPolicies) {
    EXPECT_EQ(DeleteKeyTree(RegRoot::CurrentUser, policies), 1);
  }
  DestroyWindow(listener);
}
