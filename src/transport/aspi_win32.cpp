// The ASPI row's system side: the layer loaded once (it stays loaded: a
// request it still holds may point into it), its entry points, the events
// requests wait on, and its version resource. Every decision is in
// aspi_row.cpp.
#include <windows.h>

#include <new>

#include "common/format_text.h"
#include "mmc/class_driver.h"
#include "transport/aspi_row.h"
#include "transport/aspi_srb.h"
#include "transport/spti_row.h"
#include "transport/system_transports.h"
#include "common/system_win32.h"

namespace {
HMODULE g_library = nullptr;
GetASPI32SupportInfoFn g_supportInfo = nullptr;
SendASPI32CommandFn g_send = nullptr;
TranslateASPI32AddressFn g_translate = nullptr;

char* g_versionBlock = nullptr;
char g_translation[9] = "040904b0";

uint32_t SupportInfo() { return g_supportInfo(); }
uint32_t Send(void* block) { return g_send(block); }
int Translate(uint32_t* path, uint32_t* node) { return g_translate(path, node); }
AspiEvent MakeEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }
bool WaitEvent(AspiEvent event, uint32_t milliseconds) {
  return WaitForSingleObject(event, milliseconds) == WAIT_OBJECT_0;
}
void CloseEvent(AspiEvent event) { CloseHandle(event); }

AspiOps g_ops = {nullptr, nullptr, nullptr, MakeEvent, WaitEvent, CloseEvent};

void ReadVersionBlock() {
  delete[] g_versionBlock;
  g_versionBlock = nullptr;
  FormatText(g_translation, sizeof g_translation, "%04x%04x", 0x0409u, 0x04B0u);
  char file[MAX_PATH];
  DWORD length = GetModuleFileNameA(g_library, file, sizeof file);
  if (length == 0 || length >= sizeof file) return;
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(file, &ignored);
  if (size == 0) return;
  char* block = new (std::nothrow) char[size];
  if (!block) return;
  if (!GetFileVersionInfoA(file, 0, size, block)) {
    delete[] block;
    return;
  }
  g_versionBlock = block;
  struct LanguageCodePage {
    WORD Language, CodePage;
  };
  LanguageCodePage* translation = nullptr;
  UINT translationSize = 0;
  if (VerQueryValueA(g_versionBlock, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                     &translationSize) &&
      translation && translationSize >= sizeof *translation)
    FormatText(g_translation, sizeof g_translation, "%04x%04x", unsigned(translation->Language),
               unsigned(translation->CodePage));
}
}  // namespace

bool AspiLoad() {
  if (!g_library) g_library = LoadLibraryA("wnaspi32.dll");
  if (!g_library) return StartAspi(nullptr);
  ReadVersionBlock();
  // The layer's exports are __cdecl, whatever type GetProcAddress gives them.
  g_supportInfo = FindEntryPoint<GetASPI32SupportInfoFn>(g_library, "GetASPI32SupportInfo");
  g_send = FindEntryPoint<SendASPI32CommandFn>(g_library, "SendASPI32Command");
  g_translate = FindEntryPoint<TranslateASPI32AddressFn>(g_library, "TranslateASPI32Address");
  g_ops.SupportInfo = g_supportInfo ? SupportInfo : nullptr;
  g_ops.Send = g_send ? Send : nullptr;
  g_ops.Translate = g_translate ? Translate : nullptr;
  return StartAspi(&g_ops);
}

const char* AspiVersionString(const char* name) {
  if (!g_versionBlock || !name) return nullptr;
  char query[160];
  int length = FormatText(query, sizeof query, "\\StringFileInfo\\%s\\%s", g_translation, name);
  if (length < 0 || size_t(length) >= sizeof query) return nullptr;
  char* value = nullptr;
  UINT valueLength = 0;
  if (!VerQueryValueA(g_versionBlock, query, reinterpret_cast<void**>(&value), &valueLength) || valueLength == 0)
    return nullptr;
  return value;
}

void RegisterSystemTransports() {
  InstallSystemSptiOps();
  RegisterTransports({AspiLoad, &AspiTransport}, {SptiProbe, &SptiTransport}, {ClassDriverProbe, &ClassDriverTransport});
}
