// The wide-operation table and its ANSI row (Windows 95/98/ME), the
// conversions to and from the ANSI code page, and the string-table reader.
// The NT row lives in compat_nt_win32.cpp: that file alone may call wide
// functions that Windows 95/98/ME lack (the import test checks it).
#include "compat/compat.h"

#include <cstdlib>
#include <cstring>

#include "common/system_win32.h"

namespace {

static_assert(sizeof(NONCLIENTMETRICSW) == 500, "metrics as Windows 2000/XP know them");
static_assert(sizeof(NONCLIENTMETRICSA) == 340, "metrics as Windows 95/98 know them");
static_assert(NOTIFYICONDATAA_V1_SIZE == 88, "tray record every shell accepts");

int windowsNt = 0;
WideOperations table;  // filled from AnsiWideOperations on first use

// Converts `count` ANSI bytes (-1: up to and with the terminator) into at
// most `capacity` units. 0 on failure.
int ToWide(const char* ansi, int count, WCHAR* out, int capacity) {
  return MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, ansi, count, out, capacity);
}

// ANSI text that came back from the system into a terminated wide buffer of
// `capacity` units; an empty text when it cannot be converted.
void ToWideTerminated(const char* ansi, WCHAR* out, int capacity) {
  if (capacity <= 0) return;
  if (ToWide(ansi, -1, out, capacity) == 0) {
    // Too long for the buffer (or not convertible): keep what fits.
    int written = ToWide(ansi, static_cast<int>(strnlen(ansi, capacity - 1)), out, capacity - 1);
    out[written] = 0;
  }
}

// The row of Windows 95/98/ME.

BOOL WINAPI AnsiGetNonClientMetrics(NONCLIENTMETRICSW* metrics) {
  NONCLIENTMETRICSA ansi;
  ansi.cbSize = sizeof(ansi);
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, 0, &ansi, 0)) return FALSE;
  metrics->cbSize = sizeof(*metrics);
  metrics->iBorderWidth = ansi.iBorderWidth;
  metrics->iScrollWidth = ansi.iScrollWidth;
  metrics->iScrollHeight = ansi.iScrollHeight;
  metrics->iCaptionWidth = ansi.iCaptionWidth;
  metrics->iCaptionHeight = ansi.iCaptionHeight;
  metrics->iSmCaptionWidth = ansi.iSmCaptionWidth;
  metrics->iSmCaptionHeight = ansi.iSmCaptionHeight;
  metrics->iMenuWidth = ansi.iMenuWidth;
  metrics->iMenuHeight = ansi.iMenuHeight;
  const LOGFONTA* from[] = {&ansi.lfCaptionFont, &ansi.lfSmCaptionFont, &ansi.lfMenuFont, &ansi.lfStatusFont,
                            &ansi.lfMessageFont};
  LOGFONTW* to[] = {&metrics->lfCaptionFont, &metrics->lfSmCaptionFont, &metrics->lfMenuFont,
                    &metrics->lfStatusFont, &metrics->lfMessageFont};
  for (int i = 0; i < 5; ++i) {
    // Height to weight, then the eight byte fields: the same layout in both.
    static_assert(offsetof(LOGFONTA, lfFaceName) == offsetof(LOGFONTW, lfFaceName));
    memcpy(to[i], from[i], offsetof(LOGFONTA, lfFaceName));
    ToWideTerminated(from[i]->lfFaceName, to[i]->lfFaceName, LF_FACESIZE);
  }
  return TRUE;
}

INT_PTR WINAPI AnsiDialogBox(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                             LPARAM param) {
  // A template in memory holds wide text for both the A and the W function.
  return DialogBoxIndirectParamA(instance, dialogTemplate, owner, proc, param);
}

HWND WINAPI AnsiCreateDialog(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                             LPARAM param) {
  return CreateDialogIndirectParamA(instance, dialogTemplate, owner, proc, param);
}

// dwTypeData is a string only for string items; for bitmap, separator and
// owner-drawn items it is a handle or item data and must not be converted.
bool HoldsString(const MENUITEMINFOW& info) {
  if (info.fMask & MIIM_STRING) return true;
  return (info.fMask & MIIM_TYPE) && !(info.fType & (MFT_BITMAP | MFT_SEPARATOR | MFT_OWNERDRAW));
}

BOOL WINAPI AnsiInsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  MENUITEMINFOA ansi = {};
  ansi.cbSize = MenuItemInfo95Size;
  ansi.fMask = info->fMask;
  ansi.fType = info->fType;
  ansi.fState = info->fState;
  ansi.wID = info->wID;
  ansi.hSubMenu = info->hSubMenu;
  ansi.hbmpChecked = info->hbmpChecked;
  ansi.hbmpUnchecked = info->hbmpUnchecked;
  ansi.dwItemData = info->dwItemData;
  ansi.cch = info->cch;
  char* text = nullptr;
  if (HoldsString(*info) && info->dwTypeData) {
    text = WideToAnsi(AsUtf16(info->dwTypeData));
    if (!text) return FALSE;
    ansi.dwTypeData = text;
  } else {
    ansi.dwTypeData = reinterpret_cast<LPSTR>(info->dwTypeData);
  }
  BOOL result = InsertMenuItemA(menu, item, byPosition, &ansi);
  free(text);
  return result;
}

BOOL WINAPI AnsiSetDlgItemText(HWND dialog, int id, LPCWSTR text) {
  if (!text) return SetDlgItemTextA(dialog, id, nullptr);
  char* ansi = WideToAnsi(AsUtf16(text));
  if (!ansi) return FALSE;
  BOOL result = SetDlgItemTextA(dialog, id, ansi);
  free(ansi);
  return result;
}

UINT WINAPI AnsiGetDlgItemText(HWND dialog, int id, LPWSTR buffer, int size) {
  if (size <= 0) return 0;
  char* ansi = static_cast<char*>(malloc(size));
  if (!ansi) return 0;
  UINT count = GetDlgItemTextA(dialog, id, ansi, size);
  ansi[count < static_cast<UINT>(size) ? count : size - 1] = 0;
  ToWideTerminated(ansi, buffer, size);
  free(ansi);
  return count;
}

// A wide text of at most `limit` units (it may lack a terminator) into a
// terminated ANSI buffer of `capacity` bytes, cut at a character boundary.
bool ToAnsiBounded(const WCHAR* text, size_t limit, char* out, int capacity) {
  size_t length = 0;
  while (length < limit && text[length]) ++length;
  int needed = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, text, static_cast<int>(length), nullptr, 0,
                                   nullptr, nullptr);
  if (needed == 0 && length > 0) return false;
  char* whole = static_cast<char*>(malloc(needed + 1));
  if (!whole) return false;
  WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, text, static_cast<int>(length), whole, needed, nullptr,
                      nullptr);
  whole[needed] = 0;
  int kept = 0;
  while (whole[kept]) {  // whole characters only: a double-byte one is never split
    int next = static_cast<int>(CharNextA(whole + kept) - whole);
    if (next >= capacity || next == kept) break;
    kept = next;
  }
  memcpy(out, whole, kept);
  out[kept] = 0;
  free(whole);
  return true;
}

BOOL WINAPI AnsiGetVolumeLabel(LPCWSTR root, LPWSTR buffer, DWORD size) {
  if (size == 0) return FALSE;
  char* ansiRoot = nullptr;
  if (root) {
    ansiRoot = WideToAnsi(AsUtf16(root));
    if (!ansiRoot) return FALSE;
  }
  char* label = static_cast<char*>(malloc(size));
  if (!label) {
    free(ansiRoot);
    return FALSE;
  }
  BOOL result = GetVolumeInformationA(ansiRoot, label, size, nullptr, nullptr, nullptr, nullptr, 0);
  if (result) {
    label[size - 1] = 0;
    ToWideTerminated(label, buffer, static_cast<int>(size));
  }
  free(label);
  free(ansiRoot);
  return result;
}

int WINAPI AnsiInsertListColumn(HWND list, int index, const LVCOLUMNW* column) {
  // The two records differ only in the type of pszText.
  static_assert(sizeof(LVCOLUMNA) == sizeof(LVCOLUMNW));
  LVCOLUMNA ansi;
  memcpy(&ansi, column, sizeof ansi);
  char* text = nullptr;
  if ((column->mask & LVCF_TEXT) && column->pszText) {
    text = WideToAnsi(AsUtf16(column->pszText));
    if (!text) return -1;
    ansi.pszText = text;
  }
  int result = static_cast<int>(SendMessageA(list, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&ansi)));
  free(text);
  return result;
}

void EnsureTable() {
  if (!table.WideGetNonClientMetrics) table = AnsiWideOperations;
}

// The Windows text source: the executable's string table, and the system's
// ANSI code page.

WideSpan FindOwnString(uint32_t id, TextLanguage language) {
  return FindStringResource(GetModuleHandleA(nullptr), id, language);
}

size_t AnsiCodePageToWide(const char* ansi, char16_t* out, size_t capacity) {
  size_t length = strlen(ansi);
  if (length == 0 || length > 0x7FFFFFFF || capacity > 0x7FFFFFFF) return 0;
  int written = ToWide(ansi, static_cast<int>(length), AsWide(out), static_cast<int>(capacity));
  return written > 0 ? static_cast<size_t>(written) : 0;
}

}  // namespace

BOOL WINAPI AnsiShellNotifyIcon(DWORD message, PNOTIFYICONDATAW data) {
  NOTIFYICONDATAA ansi;
  if (!ToAnsiNotifyIconData(data, &ansi)) return FALSE;
  return Shell_NotifyIconA(message, &ansi);
}

const WideOperations AnsiWideOperations = {
    AnsiGetNonClientMetrics, AnsiDialogBox,        AnsiCreateDialog,    AnsiInsertMenuItem,
    AnsiSetDlgItemText,      AnsiGetDlgItemText,   GetWindowTextLengthA, AnsiShellNotifyIcon,
    AnsiGetVolumeLabel,      AnsiInsertListColumn,
};

const TextSourceOps PlatformTextSource = {FindOwnString, AnsiCodePageToWide};

const WideOperations& WideOps() {
  EnsureTable();
  return table;
}

int IsWindowsNt() { return windowsNt; }

LANGID UserInterfaceLanguage() {
  // Windows 2000 and later: the language of menus and dialogs, which a
  // multilingual system sets apart from the regional settings. Earlier
  // systems have one language, that of the user's locale.
  using UiLanguageFn = LANGID(WINAPI*)();
  if (auto uiLanguage = FindEntryPoint<UiLanguageFn>(GetModuleHandleA("kernel32.dll"), "GetUserDefaultUILanguage"))
    return uiLanguage();
  return GetUserDefaultLangID();
}

void InitCompatLayer() {
  windowsNt = QueryOsVersion().Nt ? 1 : 0;
  if (!windowsNt) {
    table = AnsiWideOperations;
    return;
  }
  table = NtWideOperations;
  // Looked up by name, so that the executable still loads where shell32
  // lacks it. The library stays loaded for the life of the process.
  HMODULE shell = GetModuleHandleA("shell32.dll");
  if (!shell) shell = LoadLibraryA("shell32.dll");
  using NotifyIconFn = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAW);
  if (auto notify = FindEntryPoint<NotifyIconFn>(shell, "Shell_NotifyIconW")) table.WideShellNotifyIcon = notify;
}

char* WideToAnsi(const char16_t* text) {
  if (!text) return nullptr;
  int needed = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return nullptr;
  char* ansi = static_cast<char*>(malloc(needed));
  if (!ansi) return nullptr;
  if (WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, AsWide(text), -1, ansi, needed, nullptr, nullptr) == 0) {
    free(ansi);
    return nullptr;
  }
  return ansi;
}

WideSpan FindStringResource(HMODULE module, UINT id, WORD language) {
  const UINT block = id / 16 + 1;
  if (block > 0xFFFF) return {nullptr, 0};
  HRSRC found = FindResourceExA(module, MAKEINTRESOURCEA(6), MAKEINTRESOURCEA(block), language);
  if (!found) return {nullptr, 0};
  HGLOBAL loaded = LoadResource(module, found);
  const WCHAR* entry = loaded ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
  if (!entry) return {nullptr, 0};
  // Each entry: a count, then that many units. Never step past the block.
  const WCHAR* end = entry + SizeofResource(module, found) / sizeof(WCHAR);
  for (UINT skip = id % 16; skip > 0; --skip) {
    if (entry >= end) return {nullptr, 0};
    entry += 1 + static_cast<size_t>(*entry);
  }
  if (entry >= end || static_cast<size_t>(end - entry - 1) < *entry) return {nullptr, 0};
  return {AsUtf16(entry + 1), *entry};
}

BOOL ToAnsiNotifyIconData(const NOTIFYICONDATAW* wide, NOTIFYICONDATAA* ansi) {
  memset(ansi, 0, sizeof(*ansi));
  // A shell of version 5 (Windows ME) takes the second record, with a tip of 127.
  const bool second = wide->cbSize >= NOTIFYICONDATAW_V2_SIZE;
  ansi->cbSize = second ? NOTIFYICONDATAA_V2_SIZE : NOTIFYICONDATAA_V1_SIZE;
  ansi->hWnd = wide->hWnd;
  ansi->uID = wide->uID;
  ansi->uFlags = wide->uFlags;
  ansi->uCallbackMessage = wide->uCallbackMessage;
  ansi->hIcon = wide->hIcon;
  if (wide->uFlags & NIF_TIP) {
    const size_t tipUnits = sizeof(wide->szTip) / sizeof(wide->szTip[0]);
    if (!ToAnsiBounded(wide->szTip, tipUnits, ansi->szTip, second ? 128 : 64)) return FALSE;
  }
  return TRUE;
}
