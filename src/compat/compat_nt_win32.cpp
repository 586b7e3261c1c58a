// The NT row of the wide-operation table: the system's wide functions, where
// their signature already matches, and small adapters.
//
// This is the only file of the program that may call wide functions which
// Windows 95/98/ME do not implement (they are stubs that fail there); code
// elsewhere calls the A functions or goes through the table. The win32 test
// tree's import check (tests/win32/imports) fails when any other object of
// varnel.exe references such a function.
#include "compat/compat.h"

namespace {

BOOL WINAPI NtGetNonClientMetrics(NONCLIENTMETRICSW* metrics) {
  metrics->cbSize = sizeof(*metrics);
  return SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, 0, metrics, 0);
}

BOOL WINAPI NtGetVolumeLabel(LPCWSTR root, LPWSTR buffer, DWORD size) {
  return GetVolumeInformationW(root, buffer, size, nullptr, nullptr, nullptr, nullptr, 0);
}

BOOL WINAPI NtSetDlgItemText(HWND dialog, int id, LPCWSTR text) { return SetDlgItemTextW(dialog, id, text); }

BOOL WINAPI NtInsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOW info) {
  return InsertMenuItemW(menu, item, byPosition, info);
}

int WINAPI NtInsertListColumn(HWND list, int index, const LVCOLUMNW* column) {
  return static_cast<int>(SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(column)));
}

}  // namespace

const WideOperations NtWideOperations = {
    NtGetNonClientMetrics, DialogBoxIndirectParamW, CreateDialogIndirectParamW, NtInsertMenuItem,
    NtSetDlgItemText,      GetDlgItemTextW,         GetWindowTextLengthW,       AnsiShellNotifyIcon,
    NtGetVolumeLabel,      NtInsertListColumn,
};
