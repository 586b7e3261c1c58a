// Two questions every Windows-side subsystem asks: which Windows this is, and
// whether a library exports an entry point that older versions lack.
#pragma once
#include <windows.h>

struct OsVersion {
  bool Known;     // false when GetVersionExA itself failed
  DWORD Major;
  DWORD Minor;
  bool Nt;        // the NT family; false for Windows 95/98/ME
};

// GetVersionExA with the 148-byte record every Windows version accepts.
inline OsVersion QueryOsVersion() {
  OSVERSIONINFOA info{};
  static_assert(sizeof(OSVERSIONINFOA) == 148);
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return {false, 0, 0, false};
  return {true, info.dwMajorVersion, info.dwMinorVersion, info.dwPlatformId == VER_PLATFORM_WIN32_NT};
}

// An optional entry point typed as the caller needs it; null when the module
// is null or does not export the name.
template <class Function>
Function FindEntryPoint(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
