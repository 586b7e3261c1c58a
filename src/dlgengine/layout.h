// Box layout of engine dialogs. The arithmetic is portable; what only the
// window system knows (text extents, metrics, moving a window, telling a
// handler where its control went) comes through a LayoutHost.
#pragma once
#include <cstdint>

#include "dlgengine/dlgengine.h"

struct Extent {
  int32_t width, height;
};

struct Rect {
  int32_t x, y, width, height;
};

struct Edges {  // a window rectangle as the system gives it
  int32_t left, top, right, bottom;
};

struct Point {
  int32_t x, y;
};

struct Fill {
  uint8_t x, y;
};

// The window-system side of one dialog, addressed by control id.
class LayoutHost {
 public:
  virtual Extent ControlTextExtent(uint16_t id) = 0;  // the control's current text
  virtual Extent StringExtent(uint16_t id, const char16_t* text) = 0;  // in the control's font
  virtual uint32_t TextLength(uint16_t id) = 0;       // characters of its text
  virtual uint32_t TextNumber(uint16_t id) = 0;       // its text as a decimal number, 0 if none
  virtual uint32_t TabCount(uint16_t id) = 0;         // TAB characters in its text
  virtual int32_t ScreenPixelsPerInchX() = 0;
  virtual int32_t MaxCharWidth(uint16_t id) = 0;      // of the control's font
  virtual Extent WindowSize(uint16_t id) = 0;
  virtual int32_t ScrollBarHeight() = 0;  // height of a horizontal scroll bar
  virtual int32_t ScrollBarWidth() = 0;   // width of a vertical scroll bar
  virtual int32_t SmallIconSize() = 0;    // the small icons of the screen's density
  // The size a list view wants for 5 items as (height << 16 | width), 0 if unknown.
  virtual uint32_t ListViewApproximateSize(uint16_t id) = 0;
  virtual void Move(uint16_t id, Rect rect) = 0;  // without repainting
  // After a control has been placed, tell its handler where (WM_MOVE, WM_SIZE).
  virtual void NotifyPlaced(const ControlState& control, Rect rect) = 0;

 protected:
  ~LayoutHost() = default;
};

// Measures the children of container `id` (0 = the dialog) stacked in one
// direction, storing each child's size and fill in its ControlState.
void MeasureBox(LayoutHost& host, DialogState& state, uint16_t id, bool vertical, Extent& size,
                Fill& fill);
// Places the children of container `id` inside rect.
void ArrangeBox(LayoutHost& host, DialogState& state, uint16_t id, Rect rect, bool vertical);

// The whole dialog: its client area, less a margin on every side, is a
// vertical box of the controls whose parent is 0.
Extent MeasureDialog(LayoutHost& host, DialogState& state);
void ArrangeDialog(LayoutHost& host, DialogState& state, int32_t width, int32_t height);

// A window of `window` resized to width x height around the same centre.
Edges ResizeKeepingCentre(Edges window, int32_t width, int32_t height);
// The cursor minus the centre of the focused control (so that the control
// lands under the cursor).
Point OffsetToCursor(Point cursor, Edges focused);
// Shifts the window by offset and then back inside the work area: right and
// bottom first, then left and top, so the top-left corner wins.
Edges ShiftIntoWorkArea(Edges window, Point offset, Edges workArea);

// The text measuring rule: lines are cut at line feeds; an empty line is
// measured as the one character at its position (its line feed or the
// terminator), so it still counts a full line height. measureRun gets a
// pointer into text and a character count.
template <typename MeasureRun>
Extent MeasureLines(const char16_t* text, MeasureRun measureRun) {
  Extent total{0, 0};
  if (text == nullptr || text[0] == 0) return total;
  const char16_t* line = text;
  for (;;) {
    const char16_t* end = line;
    while (*end != 0 && *end != u'\n') ++end;
    int32_t length = static_cast<int32_t>(end - line);
    Extent e = measureRun(line, length == 0 ? 1 : length);
    if (e.width > total.width) total.width = e.width;
    total.height += e.height;
    if (*end == 0) break;
    line = end + 1;
  }
  return total;
}
