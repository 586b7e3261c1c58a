// The Windows side of the dialog engine: text measuring, placement and the
// dialog procedure that every engine dialog runs with.
#pragma once
#include <windows.h>

#include "dlgengine/dlgengine.h"
#include "dlgengine/layout.h"

// Width and height of the text in the control's font (its parent's when the
// control has none). Lines are cut at line feeds; empty lines count.
[[nodiscard]] Extent MeasureText(HWND control, const char16_t* text);
// The same for the control's current window text; 0x0 when it has none.
[[nodiscard]] Extent MeasureControlText(HWND dialog, uint16_t id);

// Puts a new dialog where its focused control lies under the mouse cursor,
// kept inside the work area of the monitor at the cursor.
void PlaceDialogNearCursor(HWND dialog);
// The work area of the monitor nearest to the point (the primary display's
// where multi-monitor functions are missing).
RECT GetWorkAreaAt(POINT point);

INT_PTR CALLBACK GenericDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The state of an open engine dialog, null before its start and after its end.
DialogState* DialogStateOf(HWND dialog);
// The caller's pointer of an open engine dialog; null without a state.
template <class T>
T* UserDataOf(HWND dialog) {
  DialogState* state = DialogStateOf(dialog);
  return state != nullptr ? static_cast<T*>(state->userData) : nullptr;
}
