#include "dlgengine/dialog_win32.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstdlib>

#include "common/system_win32.h"
#include "compat/compat.h"
#include "dlgengine/styles.h"

// The portable style names are Windows' own.
static_assert(WindowStyle::Child == WS_CHILD && WindowStyle::Visible == WS_VISIBLE && WindowStyle::Border == WS_BORDER &&
              WindowStyle::VScroll == WS_VSCROLL && WindowStyle::HScroll == WS_HSCROLL &&
              WindowStyle::Group == WS_GROUP && WindowStyle::TabStop == WS_TABSTOP);
static_assert(DialogStyle::SetFont == DS_SETFONT && DialogStyle::CenterMouse == DS_CENTERMOUSE);
static_assert(ButtonStyle::PushButton == BS_PUSHBUTTON && ButtonStyle::DefPushButton == BS_DEFPUSHBUTTON &&
              ButtonStyle::AutoCheckBox == BS_AUTOCHECKBOX && ButtonStyle::GroupBox == BS_GROUPBOX &&
              ButtonStyle::AutoRadioButton == BS_AUTORADIOBUTTON && ButtonStyle::Multiline == BS_MULTILINE);
static_assert(StaticStyle::Left == SS_LEFT && StaticStyle::Center == SS_CENTER && StaticStyle::Right == SS_RIGHT &&
              StaticStyle::Icon == SS_ICON && StaticStyle::OwnerDraw == SS_OWNERDRAW && StaticStyle::Notify == SS_NOTIFY);
static_assert(EditStyle::Right == ES_RIGHT && EditStyle::Multiline == ES_MULTILINE &&
              EditStyle::AutoVScroll == ES_AUTOVSCROLL && EditStyle::AutoHScroll == ES_AUTOHSCROLL &&
              EditStyle::ReadOnly == ES_READONLY);
static_assert(ListViewStyle::Report == LVS_REPORT && ListViewStyle::SingleSelection == LVS_SINGLESEL &&
              ListViewStyle::NoSortHeader == LVS_NOSORTHEADER && ProgressStyle::Smooth == PBS_SMOOTH);

namespace {

HWND Control(HWND dialog, uint16_t id) { return GetDlgItem(dialog, id); }

// A control's window text as a new block (the caller frees it); null when
// it has none or memory runs out.
char16_t* ReadControlText(HWND dialog, uint16_t id, int& length) {
  length = WideGetWindowTextLength(Control(dialog, id));
  if (length <= 0) return nullptr;
  char16_t* text = static_cast<char16_t*>(std::malloc((static_cast<size_t>(length) + 1) * sizeof(char16_t)));
  if (text == nullptr) return nullptr;
  text[0] = 0;
  WideGetDlgItemText(dialog, id, text, length + 1);
  text[length] = 0;
  return text;
}

// Messages without text go through the A function: Windows 95/98/ME have
// no SendMessageW.
HFONT FontOf(HWND control) {
  HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  if (font == nullptr) font = reinterpret_cast<HFONT>(SendMessageA(GetParent(control), WM_GETFONT, 0, 0));
  return font;
}

// A device context of the control with its font selected, put back on scope exit.
class ControlDc {
 public:
  explicit ControlDc(HWND control) : control_(control), dc_(GetDC(control)) {
    HFONT font = FontOf(control);
    if (dc_ != nullptr && font != nullptr) old_ = SelectObject(dc_, font);
  }
  ~ControlDc() {
    if (dc_ == nullptr) return;
    if (old_ != nullptr) SelectObject(dc_, old_);
    ReleaseDC(control_, dc_);
  }
  ControlDc(const ControlDc&) = delete;
  ControlDc& operator=(const ControlDc&) = delete;
  HDC Get() const { return dc_; }

 private:
  HWND control_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

NONCLIENTMETRICSW ReadMetrics(bool& ok) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  ok = WideGetNonClientMetrics(&metrics) != FALSE;
  return metrics;
}

class WindowLayoutHost final : public LayoutHost {
 public:
  explicit WindowLayoutHost(HWND dialog) : dialog_(dialog) {}

  Extent ControlTextExtent(uint16_t id) override { return MeasureControlText(dialog_, id); }
  Extent StringExtent(uint16_t id, const char16_t* text) override {
    return MeasureText(Control(dialog_, id), text);
  }
  uint32_t TextLength(uint16_t id) override {
    int n = WideGetWindowTextLength(Control(dialog_, id));
    return n > 0 ? static_cast<uint32_t>(n) : 0;
  }
  uint32_t TextNumber(uint16_t id) override {
    BOOL ok = FALSE;
    UINT n = GetDlgItemInt(dialog_, id, &ok, FALSE);
    return ok ? n : 0;
  }
  uint32_t TabCount(uint16_t id) override {
    int length = 0;
    char16_t* text = ReadControlText(dialog_, id, length);
    uint32_t tabs = 0;
    for (int i = 0; text != nullptr && text[i] != 0; ++i) tabs += text[i] == u'\t';
    std::free(text);
    return tabs;
  }
  int32_t ScreenPixelsPerInchX() override {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
  }
  int32_t MaxCharWidth(uint16_t id) override {
    ControlDc dc(Control(dialog_, id));
    TEXTMETRICA tm{};
    if (dc.Get() == nullptr || !GetTextMetricsA(dc.Get(), &tm)) return 0;
    return tm.tmMaxCharWidth;
  }
  Extent WindowSize(uint16_t id) override {
    RECT r{};
    GetWindowRect(Control(dialog_, id), &r);
    return {r.right - r.left, r.bottom - r.top};
  }
  int32_t ScrollBarHeight() override { return Metrics().iScrollHeight; }
  int32_t ScrollBarWidth() override { return Metrics().iScrollWidth; }
  int32_t SmallIconSize() override { return GetSystemMetrics(SM_CXSMICON); }
  uint32_t ListViewApproximateSize(uint16_t id) override {
    uint32_t size = static_cast<uint32_t>(
        SendMessageA(Control(dialog_, id), LVM_APPROXIMATEVIEWRECT, 5, MAKELPARAM(-1, -1)));
    // Some list views answer a report view without rows with a height of
    // about 32000 pixels; five rows larger than the screen are no answer.
    if (LOWORD(size) > GetSystemMetrics(SM_CXSCREEN) || HIWORD(size) > GetSystemMetrics(SM_CYSCREEN)) return 0;
    return size;
  }
  void Move(uint16_t id, Rect r) override {
    MoveWindow(Control(dialog_, id), r.x, r.y, r.width, r.height, FALSE);
  }
  void NotifyPlaced(const ControlState& control, Rect r) override {
    control.handler(dialog_, control.id, WM_MOVE, 0, MAKELPARAM(r.x, r.y));
    control.handler(dialog_, control.id, WM_SIZE, 0, MAKELPARAM(r.width, r.height));
  }

 private:
  const NONCLIENTMETRICSW& Metrics() {
    if (!metricsRead_) {
      bool ok = false;
      metrics_ = ReadMetrics(ok);
      metricsRead_ = true;
    }
    return metrics_;
  }
  HWND dialog_;
  NONCLIENTMETRICSW metrics_{};
  bool metricsRead_ = false;
};

// Kind start-up ---------------------------------------------------------------

void InsertListColumns(HWND dialog, uint16_t id) {
  HWND list = Control(dialog, id);
  int length = 0;
  char16_t* text = ReadControlText(dialog, id, length);
  if (text != nullptr) {
    int column = 0;
    for (char16_t* part = text;;) {
      char16_t* end = part;
      while (*end != 0 && *end != u'\t') ++end;
      const bool last = *end == 0;
      *end = 0;
      LVCOLUMNW col{};
      col.mask = LVCF_WIDTH | LVCF_TEXT;
      col.cx = MeasureText(list, part).width + 16;
      col.pszText = AsWide(part);
      WideInsertListColumn(list, column, &col);
      ++column;
      if (last) break;
      part = end + 1;
    }
    std::free(text);
  }
  SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

// Gives the rich edit control the character set of the dialog's font, so
// that Cyrillic shows right also where the control is an ANSI one.
void SetRichTextCharSet(HWND dialog, uint16_t id) {
  HWND rich = Control(dialog, id);
  HDC dc = GetDC(rich);
  if (dc == nullptr) return;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
  TEXTMETRICA tm{};
  BOOL ok = GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(rich, dc);
  if (!ok) return;
  CHARFORMATA format{};
  format.cbSize = sizeof(format);
  static_assert(sizeof(CHARFORMATA) == 60, "the ANSI CHARFORMAT is 60 bytes");
  SendMessageA(rich, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
  format.dwMask |= CFM_CHARSET;
  format.bCharSet = tm.tmCharSet;
  SendMessageA(rich, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
}

// A small icon at the size the screen's density asks for, drawn at that
// size: the static control would load the standard (large) one and shrink it.
void LoadSmallIcon(HWND dialog, uint16_t id) {
  char name[64] = "";
  GetDlgItemTextA(dialog, id, name, sizeof name);
  const int size = GetSystemMetrics(SM_CXSMICON);
  HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), name, IMAGE_ICON, size, size, LR_SHARED);
  if (icon != nullptr) SendDlgItemMessageA(dialog, id, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void InitKind(HWND dialog, const ControlState& control) {
  switch (control.kind->code) {
    case KindCode::SmallIcon:
      LoadSmallIcon(dialog, control.id);
      break;
    case KindCode::DefaultButton:
      SetFocus(Control(dialog, control.id));
      break;
    case KindCode::ListView:
      InsertListColumns(dialog, control.id);
      break;
    case KindCode::RichText:
      SetRichTextCharSet(dialog, control.id);
      break;
    default:
      break;
  }
}

// The common controls, and on Windows XP the visual styles of every control,
// come with comctl32. It is loaded with the first dialog rather than at start:
// with the styles it reads the whole theme, a megabyte or more that a program
// waiting in the tray does not need. It stays loaded.
void LoadCommonControls() {
  static bool loaded = false;
  if (loaded) return;
  loaded = true;
  using InitCommonControlsFn = void(WINAPI*)();
  if (auto init = FindEntryPoint<InitCommonControlsFn>(LoadLibraryA("comctl32.dll"), "InitCommonControls")) init();
}

// Run while a template is built: the classes these kinds need must exist
// before the dialog is made. The rich edit library stays loaded.
void PrepareKind(const ControlKind& kind) {
  static HMODULE richEdit = nullptr;
  if (kind.code == KindCode::RichText && richEdit == nullptr) richEdit = LoadLibraryA("RICHED32.DLL");
}

// Layout and repaint -----------------------------------------------------------

void LayOut(HWND dialog, DialogState& state) {
  RECT client{};
  GetClientRect(dialog, &client);
  WindowLayoutHost host(dialog);
  ArrangeDialog(host, state, client.right, client.bottom);

  // Repaint without flicker: the dialog paints itself only where no opaque
  // control covers it.
  HRGN region = CreateRectRgnIndirect(&client);
  for (uint32_t i = 0; i < state.count; ++i) {
    HWND control = Control(dialog, state.controls[i].id);
    if (control == nullptr) continue;
    RedrawWindow(control, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    if (region == nullptr || !state.controls[i].kind->opaque) continue;
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    HRGN cut = CreateRectRgnIndirect(&r);
    if (cut == nullptr) continue;
    CombineRgn(region, region, cut, RGN_DIFF);
    DeleteObject(cut);
  }
  RedrawWindow(dialog, nullptr, region, RDW_INVALIDATE | RDW_ERASE | RDW_NOCHILDREN);
  if (region != nullptr) DeleteObject(region);
}

Edges EdgesOf(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }

// Setting a rich text leaves its caret after the last character, and the
// control keeps the caret in view as the layout grows it: a text longer than
// the control would open at its last line. Show it from the first.
void ShowRichTextsFromTheTop(HWND dialog, const DialogState& state) {
  for (uint32_t i = 0; i < state.count; ++i) {
    if (state.controls[i].kind->code != KindCode::RichText) continue;
    HWND rich = Control(dialog, state.controls[i].id);
    SendMessageA(rich, EM_SETSEL, 0, 0);
    SendMessageA(rich, WM_VSCROLL, SB_TOP, 0);
  }
}

void StartDialog(HWND dialog, DialogState& state, WPARAM wParam) {
  for (uint32_t i = 0; i < state.count; ++i) {
    const ControlState& control = state.controls[i];
    InitKind(dialog, control);
    if (control.handler != nullptr)
      control.handler(dialog, control.id, WM_INITDIALOG, wParam, reinterpret_cast<intptr_t>(&state));
  }
  WindowLayoutHost host(dialog);
  Extent size = MeasureDialog(host, state);

  RECT window{}, client{};
  GetWindowRect(dialog, &window);
  GetClientRect(dialog, &client);
  state.minWidth = size.width + (window.right - window.left) - client.right;
  state.minHeight = size.height + (window.bottom - window.top) - client.bottom;

  Edges placed = ResizeKeepingCentre(EdgesOf(window), state.minWidth, state.minHeight);
  const bool resized = placed.right - placed.left != window.right - window.left ||
                       placed.bottom - placed.top != window.bottom - window.top;
  MoveWindow(dialog, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, FALSE);
  // MoveWindow lays the dialog out through WM_SIZE, unless the size was right already.
  if (!resized) LayOut(dialog, state);
  ShowRichTextsFromTheTop(dialog, state);
  PlaceDialogNearCursor(dialog);
}

// The state of a dialog being created, until its WM_INITDIALOG takes it: a
// dialog that fails before then leaves the state to its run operation.
DialogState* pendingState = nullptr;

}  // namespace

constexpr LONG GlyphOverhang = 3;
constexpr LONG DrawnWiderPer = 32;

Extent MeasureText(HWND control, const char16_t* text) {
  if (text == nullptr || text[0] == 0) return {0, 0};
  ControlDc dc(control);
  if (dc.Get() == nullptr) return {0, 0};
  return MeasureLines(text, [&dc](const char16_t* run, int32_t length) {
    SIZE s{};
    GetTextExtentPoint32W(dc.Get(), AsWide(run), length, &s);
    // Hinted glyphs are drawn past the advance widths the extent adds up: a
    // pixel or two at the end, and on a long line up to one pixel in 32 more
    // (Wine's fonts do so on Cyrillic). Leave that room, or a label loses its
    // last glyph (a message its final period).
    if (s.cx > 0) s.cx += GlyphOverhang + s.cx / DrawnWiderPer;
    return Extent{s.cx, s.cy};
  });
}

Extent MeasureControlText(HWND dialog, uint16_t id) {
  int length = 0;
  char16_t* text = ReadControlText(dialog, id, length);
  if (text == nullptr) return {0, 0};
  Extent size = MeasureText(Control(dialog, id), text);
  std::free(text);
  return size;
}

RECT GetWorkAreaAt(POINT point) {
  using MonitorFromPointFn = HMONITOR(WINAPI*)(POINT, DWORD);
  using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, MONITORINFO*);
  // Missing on Windows 95 and NT 4; the library stays loaded.
  static HMODULE user32 = LoadLibraryA("user32.dll");
  static MonitorFromPointFn monitorFromPoint = FindEntryPoint<MonitorFromPointFn>(user32, "MonitorFromPoint");
  static GetMonitorInfoFn getMonitorInfo = FindEntryPoint<GetMonitorInfoFn>(user32, "GetMonitorInfoA");
  if (monitorFromPoint != nullptr && getMonitorInfo != nullptr) {
    HMONITOR monitor = monitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    static_assert(sizeof(MONITORINFO) == 40, "MONITORINFO without the device name");
    if (monitor != nullptr && getMonitorInfo(monitor, &info)) return info.rcWork;
  }
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return work;
}

void PlaceDialogNearCursor(HWND dialog) {
  POINT cursor{};
  GetCursorPos(&cursor);
  Point offset{0, 0};
  if (HWND focus = GetFocus()) {
    RECT r{};
    GetWindowRect(focus, &r);
    offset = OffsetToCursor({cursor.x, cursor.y}, EdgesOf(r));
  }
  RECT window{};
  GetWindowRect(dialog, &window);
  Edges placed = ShiftIntoWorkArea(EdgesOf(window), offset, EdgesOf(GetWorkAreaAt(cursor)));
  MoveWindow(dialog, placed.left, placed.top, placed.right - placed.left, placed.bottom - placed.top, FALSE);
}

DialogState* DialogStateOf(HWND dialog) {
  return reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

INT_PTR CALLBACK GenericDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    DialogState* state = reinterpret_cast<DialogState*>(lParam);
    if (state == pendingState) pendingState = nullptr;
    SetWindowLongPtrA(dialog, GWLP_USERDATA, lParam);
    StartDialog(dialog, *state, wParam);
    return FALSE;  // the focus stays where the default button put it
  }
  DialogState* state = DialogStateOf(dialog);
  if (state == nullptr) return FALSE;
  switch (message) {
    case WM_SIZE:
      LayOut(dialog, *state);
      return TRUE;
    case WM_GETMINMAXINFO: {
      if (state->minWidth == 0 || state->minHeight == 0) return FALSE;
      MINMAXINFO* info = reinterpret_cast<MINMAXINFO*>(lParam);
      info->ptMinTrackSize = {state->minWidth, state->minHeight};
      if (info->ptMaxTrackSize.x < state->minWidth) info->ptMaxTrackSize.x = state->minWidth;
      if (info->ptMaxTrackSize.y < state->minHeight) info->ptMaxTrackSize.y = state->minHeight;
      return TRUE;
    }
    case WM_DESTROY:
      SetWindowLongPtrA(dialog, GWLP_USERDATA, 0);
      FreeDialogState(state);
      return TRUE;
    default:
      break;
  }
  const uint16_t id = message == WM_CTLCOLORSTATIC
                          ? static_cast<uint16_t>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam)))
                          : LOWORD(wParam);
  for (uint32_t i = 0; i < state->count; ++i) {
    const ControlState& control = state->controls[i];
    if (control.id == id && control.handler != nullptr)
      return control.handler(dialog, id, message, wParam, lParam);
  }
  if (message == WM_COMMAND && (id == IDOK || id == IDCANCEL)) {
    EndDialog(dialog, 0);
    return TRUE;
  }
  return FALSE;
}

// Running dialogs ---------------------------------------------------------------

namespace {

// The template and state of one dialog about to be made; false when memory
// runs out (nothing is left allocated then).
bool PrepareDialog(const char16_t* titlePrefix, uint32_t titleTextId, uint32_t style, uint32_t exStyle,
                   const ControlDesc* descs, uint32_t count, void* userData, DialogTemplate& dialogTemplate,
                   DialogState*& state) {
  bool metricsOk = false;
  NONCLIENTMETRICSW metrics = ReadMetrics(metricsOk);
  TemplateFont font{};
  if (metricsOk) {
    const LOGFONTW& message = metrics.lfMessageFont;
    HDC screen = GetDC(nullptr);
    font.pixelsPerInchY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    font.height = message.lfHeight;
    font.weight = message.lfWeight;
    font.italic = message.lfItalic;
    font.charSet = message.lfCharSet;
    for (int i = 0; i < 31 && message.lfFaceName[i] != 0; ++i) font.faceName[i] = message.lfFaceName[i];
  }
  dialogTemplate = BuildDialogTemplate(style | DS_CENTERMOUSE, exStyle, 0, 0, 100, 100, titlePrefix,
                                       titleTextId, metricsOk ? &font : nullptr, count, descs);
  if (dialogTemplate.block == nullptr) return false;
  LoadCommonControls();
  for (uint32_t i = 0; i < count; ++i) PrepareKind(*descs[i].kind);
  state = MakeDialogState(descs, count, userData);
  if (state == nullptr) {
    FreeDialogTemplate(dialogTemplate);
    return false;
  }
  return true;
}

}  // namespace

intptr_t RunModalDialog(DialogWindow parent, const char16_t* titlePrefix, uint32_t titleTextId,
                        uint32_t style, uint32_t exStyle, const ControlDesc* descs, uint32_t count,
                        void* userData) {
  DialogTemplate dialogTemplate;
  DialogState* state = nullptr;
  if (!PrepareDialog(titlePrefix, titleTextId, style, exStyle, descs, count, userData, dialogTemplate, state))
    return 0;
  DialogState* outer = pendingState;
  pendingState = state;
  INT_PTR result = WideDialogBox(GetModuleHandleA(nullptr),
                                 reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.bytes), parent,
                                 GenericDialogProc, reinterpret_cast<LPARAM>(state));
  if (pendingState == state) FreeDialogState(state);  // the window never started
  pendingState = outer;
  FreeDialogTemplate(dialogTemplate);
  return result;
}

DialogWindow CreateModelessDialog(DialogWindow parent, const char16_t* titlePrefix, uint32_t titleTextId,
                                  uint32_t style, uint32_t exStyle, const ControlDesc* descs,
                                  uint32_t count, void* userData) {
  DialogTemplate dialogTemplate;
  DialogState* state = nullptr;
  if (!PrepareDialog(titlePrefix, titleTextId, style, exStyle, descs, count, userData, dialogTemplate, state))
    return nullptr;
  DialogState* outer = pendingState;
  pendingState = state;
  HWND dialog = WideCreateDialog(GetModuleHandleA(nullptr),
                                 reinterpret_cast<LPCDLGTEMPLATEW>(dialogTemplate.bytes), parent,
                                 GenericDialogProc, reinterpret_cast<LPARAM>(state));
  if (pendingState == state) FreeDialogState(state);
  pendingState = outer;
  FreeDialogTemplate(dialogTemplate);
  return dialog;
}
