// A small dialog built from an in-memory wide template, as the dialog engine
// builds them: a caption, an edit control (100) and a label (101).
#pragma once
#include <windows.h>

#include <vector>

namespace test_dialog {

constexpr int kEdit = 100;
constexpr int kLabel = 101;

inline void PutText(std::vector<WORD>& out, const char16_t* text) {
  do out.push_back(*text); while (*text++);
}

inline void Align(std::vector<WORD>& out) {
  if (out.size() % 2) out.push_back(0);
}

inline void PutItem(std::vector<WORD>& out, DWORD style, short x, short y, short cx, short cy, WORD id,
                    WORD atom, const char16_t* text) {
  Align(out);
  out.insert(out.end(), {LOWORD(style), HIWORD(style), 0, 0, WORD(x), WORD(y), WORD(cx), WORD(cy), id, 0xFFFF, atom});
  PutText(out, text);
  out.push_back(0);  // no creation data
}

// A DWORD-aligned template (the vector's storage is aligned for WORD only,
// so the caller passes data() of a vector that starts on a DWORD boundary:
// std::vector allocations do).
inline std::vector<WORD> Template(const char16_t* caption, const char16_t* label) {
  std::vector<WORD> out;
  DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  out.insert(out.end(), {LOWORD(style), HIWORD(style), 0, 0, 2, 0, 0, 200, 60, 0, 0});
  PutText(out, caption);
  PutItem(out, WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | WS_BORDER, 5, 5, 190, 14, kEdit, 0x0081, u"");
  PutItem(out, WS_CHILD | WS_VISIBLE, 5, 25, 190, 10, kLabel, 0x0082, label);
  return out;
}

inline INT_PTR CALLBACK Procedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

// A modal dialog that ends as soon as it is made, with 42.
inline INT_PTR CALLBACK EndWith42(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return FALSE;
  EndDialog(dialog, 42);
  return TRUE;
}

}  // namespace test_dialog
