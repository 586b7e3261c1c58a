// The compatibility layer's Windows half, for Windows-only files: it
// includes <windows.h>, so portable code uses wide_text.h instead. Wide-text
// operations that work on both the NT family and on Windows 95/98/ME, where
// most wide functions of the system are missing. InitCompatLayer fills one
// table of operations with the system's wide functions on NT, or with
// wrappers that convert to and from the ANSI code page and call the ANSI
// functions elsewhere.
//
// The string table and the wide builders live in wide_text.h (portable).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstddef>

#include "compat/wide_text.h"

static_assert(sizeof(WCHAR) == sizeof(char16_t), "UTF-16 text is handed to the system as WCHAR");

// The menu item record as Windows 95 knows it: without hbmpItem, which it
// refuses. Every menu item call of the program passes this size.
constexpr UINT MenuItemInfo95Size = 44;
static_assert(offsetof(MENUITEMINFOA, hbmpItem) == MenuItemInfo95Size);
static_assert(offsetof(MENUITEMINFOW, hbmpItem) == MenuItemInfo95Size);

inline const WCHAR* AsWide(const char16_t* text) { return reinterpret_cast<const WCHAR*>(text); }
inline WCHAR* AsWide(char16_t* text) { return reinterpret_cast<WCHAR*>(text); }
inline const char16_t* AsUtf16(const WCHAR* text) { return reinterpret_cast<const char16_t*>(text); }
inline char16_t* AsUtf16(WCHAR* text) { return reinterpret_cast<char16_t*>(text); }

// Decides the system family and fills the table. Called once at start-up,
// before any window, dialog or tray icon exists.
void InitCompatLayer();
// 1 on the NT family, 0 on Windows 95/98/ME (and before InitCompatLayer).
int IsWindowsNt();
// The language the user reads the system in, for ChooseTextLanguage.
LANGID UserInterfaceLanguage();

// The operations whose wide form differs between the families. Arguments
// are those of the system's wide function of the same purpose.
struct WideOperations {
  BOOL(WINAPI* WideGetNonClientMetrics)(NONCLIENTMETRICSW* metrics);
  INT_PTR(WINAPI* WideDialogBox)(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM);
  HWND(WINAPI* WideCreateDialog)(HINSTANCE, LPCDLGTEMPLATEW, HWND, DLGPROC, LPARAM);
  BOOL(WINAPI* WideInsertMenuItem)(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info);
  BOOL(WINAPI* WideSetDlgItemText)(HWND dialog, int id, LPCWSTR text);
  UINT(WINAPI* WideGetDlgItemText)(HWND dialog, int id, LPWSTR buffer, int size);
  int(WINAPI* WideGetWindowTextLength)(HWND window);
  BOOL(WINAPI* WideShellNotifyIcon)(DWORD message, PNOTIFYICONDATAW data);
  BOOL(WINAPI* WideGetVolumeLabel)(LPCWSTR root, LPWSTR buffer, DWORD size);
  // LVM_INSERTCOLUMN: the new column's index, -1 on failure.
  int(WINAPI* WideInsertListColumn)(HWND list, int index, const LVCOLUMNW* column);
};

// The table in use. Before InitCompatLayer it holds the ANSI row.
const WideOperations& WideOps();
// Both rows, for tests that exercise one directly. The NT row is the only
// code of the program that calls wide functions Windows 95/98/ME lack; it
// lives alone in compat_nt_win32.cpp, which the import test holds to that.
extern const WideOperations AnsiWideOperations;
extern const WideOperations NtWideOperations;  // tray entry: Shell_NotifyIconW from shell32 when present

inline BOOL WideGetNonClientMetrics(NONCLIENTMETRICSW* metrics) { return WideOps().WideGetNonClientMetrics(metrics); }
inline INT_PTR WideDialogBox(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                             LPARAM param) {
  return WideOps().WideDialogBox(instance, dialogTemplate, owner, proc, param);
}
inline HWND WideCreateDialog(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND owner, DLGPROC proc,
                             LPARAM param) {
  return WideOps().WideCreateDialog(instance, dialogTemplate, owner, proc, param);
}
inline BOOL WideInsertMenuItem(HMENU menu, UINT item, BOOL byPosition, const MENUITEMINFOW* info) {
  return WideOps().WideInsertMenuItem(menu, item, byPosition, info);
}
inline BOOL WideSetDlgItemText(HWND dialog, int id, const char16_t* text) {
  return WideOps().WideSetDlgItemText(dialog, id, AsWide(text));
}
inline UINT WideGetDlgItemText(HWND dialog, int id, char16_t* buffer, int size) {
  return WideOps().WideGetDlgItemText(dialog, id, AsWide(buffer), size);
}
inline int WideGetWindowTextLength(HWND window) { return WideOps().WideGetWindowTextLength(window); }
inline BOOL WideShellNotifyIcon(DWORD message, NOTIFYICONDATAW* data) {
  return WideOps().WideShellNotifyIcon(message, data);
}
inline BOOL WideGetVolumeLabel(const char16_t* root, char16_t* buffer, DWORD size) {
  return WideOps().WideGetVolumeLabel(AsWide(root), AsWide(buffer), size);
}
inline int WideInsertListColumn(HWND list, int index, const LVCOLUMNW* column) {
  return WideOps().WideInsertListColumn(list, index, column);
}

// The text in the ANSI code page as a new block from malloc (the caller
// frees it); null when the text is null or the conversion or allocation
// fails.
[[nodiscard]] char* WideToAnsi(const char16_t* text);

// The string `id` of the string table of `module` in `language`, pointing into
// the loaded resource (not terminated). {null, 0} when the block cannot be
// found, loaded or locked, or is too short to hold the string.
[[nodiscard]] WideSpan FindStringResource(HMODULE module, UINT id, WORD language);

// What the ANSI tray wrapper hands to Shell_NotifyIconA: the version-1
// record (88 bytes) with the tip converted when NIF_TIP is set. FALSE when
// the tip cannot be converted.
[[nodiscard]] BOOL ToAnsiNotifyIconData(const NOTIFYICONDATAW* wide, NOTIFYICONDATAA* ansi);
// The ANSI row's tray call; also the NT row's where shell32 lacks the wide one.
BOOL WINAPI AnsiShellNotifyIcon(DWORD message, PNOTIFYICONDATAW data);
