#include <windows.h>
#include <shellapi.h>

#include "common/system_win32.h"
#include "system/system.h"

namespace {

std::string ModulePath() {
  char path[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  // A full buffer may be a cut path: no path is better than a wrong one.
  if (length == 0 || length >= sizeof path) return std::string();
  return std::string(path, length);
}

bool IsNt() { return QueryOsVersion().Nt; }

// Explorer rereads its policies on this notice.
void BroadcastPolicyChange() {
  SendMessageA(HWND_BROADCAST, WM_WININICHANGE, 0, reinterpret_cast<LPARAM>("Policy"));
}

void StartRegistryEditor(const char* parameters) {
  ShellExecuteA(nullptr, nullptr, "regedit.exe", parameters, nullptr, SW_HIDE);
}

const SystemOps Row{ModulePath, IsNt, BroadcastPolicyChange, StartRegistryEditor};

}  // namespace

const SystemOps& SystemRow() { return Row; }
