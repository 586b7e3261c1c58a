#include "app/version_win32.h"

#include <windows.h>

#include "common/system_win32.h"

namespace {

// The record DllGetVersion fills; only the first version of it (20 bytes) is
// asked for, which every shell library understands.
struct DllVersionInfo {
  DWORD cbSize, dwMajorVersion, dwMinorVersion, dwBuildNumber, dwPlatformID;
};
static_assert(sizeof(DllVersionInfo) == 20);

unsigned LibraryMajorVersion(const char* library) {
  // Libraries loaded here stay loaded for the life of the process.
  using GetVersionFn = HRESULT(CALLBACK*)(DllVersionInfo*);
  auto getVersion = FindEntryPoint<GetVersionFn>(LoadLibraryA(library), "DllGetVersion");
  if (!getVersion) return 0;
  DllVersionInfo info{};
  info.cbSize = sizeof info;
  return getVersion(&info) == S_OK ? info.dwMajorVersion : 0;
}

}  // namespace

unsigned WindowsVersion() {
  static unsigned cached = 0;
  if (!cached) {
    const OsVersion os = QueryOsVersion();
    if (os.Known) cached = ((os.Major & 0xFF) << 8) | (os.Minor & 0xFF) | (os.Nt ? 0x10000u : 0u);
  }
  return cached;
}

unsigned ShellVersion() {
  static unsigned cached = 0;
  if (!cached) cached = LibraryMajorVersion("shell32.dll");
  return cached;
}


unsigned CommonControlsVersion() {
  static unsigned cached = 0;
  if (!cached) cached = LibraryMajorVersion("comctl32.dll");
  return cached;
}
