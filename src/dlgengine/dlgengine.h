// The dialog engine: dialogs are static arrays of control descriptions that
// the engine turns into an extended dialog template at run time. No control
// carries a coordinate; one dialog procedure measures the controls and lays
// them out with nested boxes when the dialog starts and on every resize.
//
// This header is portable. The window handle type is the system's HWND
// (declared here without <windows.h>), so handlers written for Windows use
// it directly.
#pragma once
#include <cstddef>
#include <cstdint>

struct HWND__;
using DialogWindow = HWND__*;

// The dialog's code for one control: gets every message that concerns the
// control (see GenericDialogProc). The result becomes the dialog procedure's
// result: 1 handled, 0 not handled, or a brush for WM_CTLCOLORSTATIC.
using ControlHandler = intptr_t (*)(DialogWindow dialog, uint16_t id, uint32_t message,
                                    uintptr_t wParam, intptr_t lParam);

// Which kind a control is; the layout and the Windows side dispatch on it.
enum class KindCode : uint8_t {
  VBox, HBox, Spacer, VGroup, HGroup,
  Button, DefaultButton, CheckBox, RadioButton, FirstRadioButton,
  Label, CentredLabel, RightLabel, Icon, SmallIcon,
  TextEdit, RightEdit, ProgressBar, ListView, HotKeyField, RichText,
};

// One kind of control: what goes into the template, and whether the control
// paints its whole rectangle (then the dialog does not repaint under it).
struct ControlKind {
  KindCode code;
  const char16_t* className;
  uint32_t style;    // the template adds WS_CHILD | WS_VISIBLE
  uint32_t exStyle;
  bool opaque;
};

// The 21 kinds. The text of a VBox/HBox is not shown: a BoxFill code overrides
// its fill. ProgressBar's text is its wanted width in pixels; ListView's text is
// its column titles separated by TAB; Icon's text names an icon resource.
// RightEdit is a number field: digits only, right-aligned.
namespace Kind {
extern const ControlKind VBox, HBox, Spacer, VGroup, HGroup;
extern const ControlKind Button, DefaultButton, CheckBox, RadioButton, FirstRadioButton;
extern const ControlKind Label, CentredLabel, RightLabel, Icon, SmallIcon;
extern const ControlKind TextEdit, RightEdit, ProgressBar, ListView, HotKeyField, RichText;
}  // namespace Kind

bool IsContainer(const ControlKind& kind);  // VBox, HBox, VGroup, HGroup

// The texts that override a box's fill (FillFixed, FillStretch, FillWeak
// below) on both axes or on one; the other axis keeps what the children ask
// for.
namespace BoxFill {
constexpr const char16_t* Fixed = u"1";
constexpr const char16_t* Stretch = u"2";
constexpr const char16_t* StretchX = u"3";
constexpr const char16_t* StretchY = u"4";
constexpr const char16_t* Weak = u"5";
constexpr const char16_t* WeakX = u"6";
constexpr const char16_t* WeakY = u"7";
}  // namespace BoxFill

// The ids of OK and Cancel, which are also what a modal dialog of the engine
// ends with (Esc and the close box send Cancel).
constexpr int DialogOk = 1;
constexpr int DialogCancel = 2;

// One entry of a dialog description. Entries are laid out inside their
// container in array order; a control whose parent is not a container is
// never laid out (size 0x0) and serves as a hidden holder of a text.
// Ids DialogOk and DialogCancel are OK and Cancel; 0 is the dialog itself.
struct ControlDesc {
  const ControlKind* kind;
  uint32_t id;           // low 16 bits used
  const char16_t* text;  // initial text, or null to use textId
  uint32_t textId;       // string-table id; 0 or a missing id gives ""
  uint16_t parentId;     // 0 = the dialog
  ControlHandler handler;
};

// Fill class per axis: fixed, stretch, or stretch only when no sibling has 1.
enum : uint8_t { FillFixed = 0, FillStretch = 1, FillWeak = 2 };

struct ControlState {
  uint16_t id;
  uint16_t parentId;
  const ControlKind* kind;
  ControlHandler handler;
  int32_t width, height;  // measured at dialog start
  uint8_t fillX, fillY;
};

// The run-time record of one open dialog, one heap block with its controls.
// userData comes first: handlers read the caller's pointer from it.
struct DialogState {
  void* userData;
  ControlState* controls;
  uint32_t count;
  int32_t minWidth, minHeight;  // smallest window size, 0 until the start
};

// The caller's pointer as a handler gets it with WM_INITDIALOG, whose lParam
// is the dialog's state.
template <class T>
T* UserDataAtStart(intptr_t lParam) {
  return static_cast<T*>(reinterpret_cast<DialogState*>(lParam)->userData);
}

// Null when the block cannot be allocated. Freed with FreeDialogState.
[[nodiscard]] DialogState* MakeDialogState(const ControlDesc* descs, uint32_t count, void* userData);
void FreeDialogState(DialogState* state);

// The dialog font as it goes into the template: the message font of the
// non-client metrics and the screen's vertical resolution.
struct TemplateFont {
  int32_t height;          // lfHeight
  int32_t pixelsPerInchY;  // LOGPIXELSY of the screen
  int32_t weight;
  uint8_t italic;
  uint8_t charSet;
  char16_t faceName[32];
};

// An extended dialog template in memory. `block` is the allocation to free
// (FreeDialogTemplate); `bytes` is the template itself, on a 4-byte boundary
// inside it, `length` bytes long.
struct DialogTemplate {
  void* block;
  const uint8_t* bytes;
  size_t length;
};

// Builds the template: header with the title "prefix - string", the font part
// only when font is not null, then one item per description entry, each on a
// 4-byte boundary, with class names always written as strings. block is null
// when memory runs out.
[[nodiscard]] DialogTemplate BuildDialogTemplate(uint32_t style, uint32_t exStyle, int16_t x, int16_t y,
                                                 int16_t cx, int16_t cy, const char16_t* titlePrefix,
                                                 uint32_t titleTextId, const TemplateFont* font,
                                                 uint32_t count, const ControlDesc* descs);
void FreeDialogTemplate(DialogTemplate& dialogTemplate);

// Windows' MulDiv: a * b / c rounded half away from zero, -1 when c is 0.
int32_t MulDivRound(int32_t a, int32_t b, int32_t c);

// Runs a dialog made from the description. Returns the EndDialog value, the
// system's -1 when the window cannot be made, 0 when memory runs out.
intptr_t RunModalDialog(DialogWindow parent, const char16_t* titlePrefix, uint32_t titleTextId,
                        uint32_t style, uint32_t exStyle, const ControlDesc* descs,
                        uint32_t count, void* userData);
// The same, modeless: returns the window (the caller destroys it) or null.
[[nodiscard]] DialogWindow CreateModelessDialog(DialogWindow parent, const char16_t* titlePrefix,
                                                uint32_t titleTextId, uint32_t style, uint32_t exStyle,
                                                const ControlDesc* descs, uint32_t count, void* userData);
