#include "tests/harness/dialogprobe/probe_win32.h"

#include <cstdio>

#include "dlgengine/dialog_win32.h"

namespace {

const ControlState* FindContainer(const DialogState& state, uint16_t id) {
  for (uint32_t i = 0; i < state.count; ++i)
    if (state.controls[i].id == id) return &state.controls[i];
  return nullptr;
}

bool LaidOut(const DialogState& state, const ControlState& control) {
  uint16_t parent = control.parentId;
  for (uint32_t guard = 0; parent != 0; ++guard) {
    const ControlState* container = FindContainer(state, parent);
    if (container == nullptr || !IsContainer(*container->kind) || guard > state.count) return false;
    parent = container->parentId;
  }
  return true;
}

bool IsAncestor(const DialogState& state, uint16_t ancestor, const ControlState& control) {
  uint16_t parent = control.parentId;
  for (uint32_t guard = 0; parent != 0 && guard <= state.count; ++guard) {
    if (parent == ancestor) return true;
    const ControlState* container = FindContainer(state, parent);
    if (container == nullptr) return false;
    parent = container->parentId;
  }
  return false;
}

// Boxes and spacers are never moved: they have no rectangle of their own.
bool HasOwnRect(KindCode kind) {
  return kind != KindCode::VBox && kind != KindCode::HBox && kind != KindCode::Spacer;
}
bool IsGroup(KindCode kind) { return kind == KindCode::VGroup || kind == KindCode::HGroup; }
bool ShowsText(KindCode kind) {
  switch (kind) {
    case KindCode::Button: case KindCode::DefaultButton: case KindCode::CheckBox:
    case KindCode::RadioButton: case KindCode::FirstRadioButton: case KindCode::Label:
    case KindCode::CentredLabel: case KindCode::RightLabel:
      return true;
    default:
      return false;
  }
}

std::string RectText(const RECT& r) {
  char s[80];
  std::snprintf(s, sizeof s, "(%ld,%ld %ldx%ld)", r.left, r.top, r.right - r.left, r.bottom - r.top);
  return s;
}

bool Inside(const RECT& inner, const RECT& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
  char cls[16];
  // A wide dialog answers with its procedure to the W query, an ANSI one
  // (Windows 98) to the A query; the other gets a conversion thunk.
  const LONG_PTR proc = reinterpret_cast<LONG_PTR>(GenericDialogProc);
  if (IsWindowVisible(window) && GetClassNameA(window, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 &&
      (GetWindowLongPtrW(window, DWLP_DLGPROC) == proc || GetWindowLongPtrA(window, DWLP_DLGPROC) == proc)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::string ToUtf8(const std::u16string& text) {
  if (text.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text.c_str()),
                              static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text.c_str()), static_cast<int>(text.size()),
                      out.data(), n, nullptr, nullptr);
  return out;
}

std::u16string WindowText(HWND window) {
  int n = GetWindowTextLengthW(window);
  std::u16string text(static_cast<size_t>(n) + 1, u'\0');
  GetWindowTextW(window, reinterpret_cast<WCHAR*>(text.data()), n + 1);
  text.resize(static_cast<size_t>(n));
  return text;
}

HWND FindEngineDialog(DWORD threadId) {
  HWND found = nullptr;
  EnumThreadWindows(threadId, CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::vector<ProbedControl> ProbeControls(HWND dialog) {
  std::vector<ProbedControl> list;
  DialogState* state = DialogStateOf(dialog);
  if (state == nullptr) return list;
  for (uint32_t i = 0; i < state->count; ++i) {
    const ControlState& c = state->controls[i];
    HWND window = GetDlgItem(dialog, c.id);
    ProbedControl p{};
    p.id = c.id;
    p.parentId = c.parentId;
    p.kind = c.kind->code;
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    p.className = cls;
    p.text = ToUtf8(WindowText(window));
    GetWindowRect(window, &p.rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&p.rect), 2);
    p.visible = IsWindowVisible(window) != FALSE;
    p.enabled = IsWindowEnabled(window) != FALSE;
    p.checked = p.className == "Button" || p.className == "BUTTON"
                    ? static_cast<int>(SendMessageW(window, BM_GETCHECK, 0, 0))
                    : -1;
    p.laidOut = LaidOut(*state, c);
    list.push_back(p);
  }
  return list;
}

std::string FormatControls(const std::vector<ProbedControl>& controls) {
  std::string out;
  for (const ProbedControl& p : controls) {
    char line[160];
    std::snprintf(line, sizeof line, "%5u in %-5u %-18s %s %s%s%s check=%d \"", p.id, p.parentId,
                  p.className.c_str(), RectText(p.rect).c_str(), p.visible ? "visible" : "hidden",
                  p.enabled ? "" : " disabled", p.laidOut ? "" : " holder", p.checked);
    out += line;
    std::string text = p.text;
    for (size_t at = 0; (at = text.find_first_of("\r\n\t", at)) != std::string::npos;)
      text.replace(at, 1, text[at] == '\t' ? "\\t" : text[at] == '\n' ? "\\n" : "\\r");
    if (text.size() > 60) text = text.substr(0, 60) + "...";
    out += text + "\"\n";
  }
  return out;
}

std::vector<std::string> CheckLayout(HWND dialog) {
  std::vector<std::string> problems;
  DialogState* state = DialogStateOf(dialog);
  if (state == nullptr) return {"not an engine dialog"};
  std::vector<ProbedControl> controls = ProbeControls(dialog);
  SIZE client = ClientSizeOf(dialog);
  const RECT clientRect{0, 0, client.cx, client.cy};
  auto name = [](const ProbedControl& p) { return std::to_string(p.id) + " " + RectText(p.rect); };

  for (size_t i = 0; i < controls.size(); ++i) {
    const ProbedControl& p = controls[i];
    if (!p.laidOut || !HasOwnRect(p.kind)) continue;
    if (!p.visible) problems.push_back(name(p) + " is not visible");
    // The container that bounds it: the nearest group, else the client area.
    RECT bound = clientRect;
    for (uint16_t parent = p.parentId; parent != 0;) {
      const ControlState* container = FindContainer(*state, parent);
      size_t index = static_cast<size_t>(container - state->controls);
      if (IsGroup(container->kind->code)) {
        bound = controls[index].rect;
        bound.left += 9;
        bound.right -= 9;
        bound.top += 1;
        bound.bottom -= 4;
        break;
      }
      parent = container->parentId;
    }
    if (!Inside(p.rect, bound)) problems.push_back(name(p) + " is outside its container " + RectText(bound));

    for (size_t j = i + 1; j < controls.size(); ++j) {
      const ProbedControl& q = controls[j];
      if (!q.laidOut || !HasOwnRect(q.kind)) continue;
      if (IsAncestor(*state, p.id, state->controls[j]) || IsAncestor(*state, q.id, state->controls[i])) continue;
      RECT overlap;
      if (IntersectRect(&overlap, &p.rect, &q.rect)) problems.push_back(name(p) + " overlaps " + name(q));
    }

    if (ShowsText(p.kind) || IsGroup(p.kind)) {
      Extent text = MeasureControlText(dialog, p.id);
      int32_t room = IsGroup(p.kind) ? (p.rect.right - p.rect.left) - 18 : p.rect.right - p.rect.left;
      if (text.width > room || (!IsGroup(p.kind) && text.height > p.rect.bottom - p.rect.top))
        problems.push_back(name(p) + " does not hold its text of " + std::to_string(text.width) + "x" +
                           std::to_string(text.height));
    }
  }
  return problems;
}

RECT WindowRectOf(HWND dialog) {
  RECT r{};
  GetWindowRect(dialog, &r);
  return r;
}

SIZE ClientSizeOf(HWND dialog) {
  RECT r{};
  GetClientRect(dialog, &r);
  return {r.right, r.bottom};
}

void PressKey(HWND dialog, UINT virtualKey) {
  HWND target = GetFocus();
  if (target == nullptr) target = dialog;
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(target, WM_KEYUP, virtualKey, 0xC0000001);
}
