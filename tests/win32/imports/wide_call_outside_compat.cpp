// Linked into nothing: a wide call outside the compatibility layer, which
// the import check must report.
#include <windows.h>

LRESULT AskFontTheWideWay(HWND window) { return SendMessageW(window, WM_GETFONT, 0, 0); }
