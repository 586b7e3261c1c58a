// Shows the password dialog with a few letters typed, for a screenshot
// (shoot_password.sh):
//   password_shot.exe new|verify REPORT
// Once the dialog is up, REPORT gets its title, its window rectangle and
// what is wrong with its layout ("layout ok" when nothing is); the dialog is
// cancelled after 4 s.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compat/compat.h"
#include "dialogs/dialogs.h"
#include "tests/harness/dialogprobe/probe_win32.h"

namespace {

const char* reportPath;
bool verifyMode;
HWND shown;
int ticks;

void Report(HWND dialog) {
  FILE* report = std::fopen(reportPath, "w");
  if (report == nullptr) return;
  RECT r = WindowRectOf(dialog);
  std::fprintf(report, "\"%s\" at %ld,%ld,%ld,%ld", ToUtf8(WindowText(dialog)).c_str(), r.left, r.top, r.right, r.bottom);
  std::string found;
  // Verify mode hides the confirmation row on purpose.
  for (const std::string& problem : CheckLayout(dialog, verifyMode ? HiddenControls::Allowed : HiddenControls::Reported))
    found += ", " + problem;
  std::fprintf(report, ", %s\n", found.empty() ? "layout ok" : ("LAYOUT" + found).c_str());
  std::fclose(report);
}

// Runs inside the dialog's loop every 100 ms.
void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  HWND dialog = FindEngineDialog(GetCurrentThreadId());
  if (dialog == nullptr) return;
  if (shown == nullptr) {
    shown = dialog;
    const int edits = verifyMode ? 1 : 2;  // the password, and in new-password mode its confirmation
    for (int id = 107; id < 107 + edits; ++id)
      for (const char16_t* c = u"пароль"; *c != u'\0'; ++c) SendMessageW(GetDlgItem(dialog, id), WM_CHAR, *c, 1);
    UpdateWindow(dialog);
    Report(dialog);
  }
  if (++ticks == 40) PressKey(dialog, VK_ESCAPE);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  verifyMode = std::strcmp(argv[1], "verify") == 0;
  reportPath = argv[2];
  InitCompatLayer();
  SetTimer(nullptr, 0, 100, Tick);
  char hash[PasswordHashSize] = "$1$abcd$fAGQ6G6N9SDbQj0Zr5z3v1";
  if (verifyMode) return VerifyPassword(nullptr, hash, PasswordLimit) == 0 ? 0 : 1;
  return AskPassword(nullptr, hash, PasswordNewMode, PasswordLimit) == 0 ? 0 : 1;
}
