#include "dlgengine/layout.h"

#include <algorithm>
#include <iterator>

namespace {

// The layout's pixel metrics. What follows the font or the screen is
// measured through the host; these are the pixels around it.
struct LayoutMetrics {
  // Between the client area's edges and the controls: a group frame right
  // against the window's border looks cut off.
  int32_t DialogMargin = 6;
  // Group boxes: inside left and right, the caption on top, below. An
  // empty caption still leaves half a line and EmptyCaptionExtra on top.
  int32_t GroupSide = 9, GroupBottom = 4, EmptyCaptionExtra = 4;
  int32_t SpacerSide = 9;
  // On each side of a push button's text: its frame (3 px for the default
  // button), the focus rectangle one pixel inside, then clear pixels, so that
  // the text touches neither.
  int32_t ButtonTextInset = 9;
  // A button is taller than its text by ButtonTextPadding and at least 8/5
  // of it, and at least ButtonWidthInHeights of its heights wide.
  int32_t ButtonTextPadding = 10, ButtonHeightFifths = 8, ButtonWidthInHeights = 4;
  // A check box or radio button: its box, an inch over CheckBoxPerInch (at
  // MinimumDpi at least), an eighth of the widest character, then CheckGap
  // before the text; at least the box and CheckBoxBorder high.
  int32_t CheckBoxPerInch = 8, MinimumDpi = 96, CheckGap = 8, CheckBoxBorder = 2;
  // Room around it that grows with its font, as parts of a line: a quarter
  // line below it, half a line after its text.
  int32_t CheckGapDownPerLine = 4, CheckGapAcrossPerLine = 2;
  // An edit's or hot-key field's frame and inner margin, both ways.
  int32_t EditFrame = 6;
  int32_t ProgressWidth = 100;  // a progress bar that names no width
  // A list view measured from its titles: an icon, a gap per column, rows of text, its frame.
  int32_t ListIconWidth = 16, ListColumnGap = 16, ListRows = 8, ListFrame = 4;
  // Rich text: its margins, and the largest it grows before it scrolls (at
  // MinimumDpi; as much more as the font is larger).
  int32_t RichTextPadWidth = 34, RichTextPadHeight = 22, RichTextMaxWidth = 512, RichTextMaxHeight = 384;
};
constexpr LayoutMetrics Metrics{};

constexpr char16_t HotKeySample[] = u"Ctrl + Shift + Alt + Page Down";

// A container nested deeper than the number of controls can only come from
// a description whose ids repeat; stop there rather than recurse forever.
struct Walk {
  LayoutHost& host;
  DialogState& state;
  uint32_t depth;
};

// The fill that a box's text "1".."7" asks for; false for any other text.
// "3", "4", "6" and "7" name one axis only: the other keeps what the
// children ask for. A column of labels and hot-key fields marked "7" (spread
// the rows over the height) must still let its fields take the free width,
// or the whole group sits centred with empty margins on both sides.
constexpr uint8_t KeepFill = 0xFF;
bool FillOverride(uint32_t number, Fill& fill) {
  static const Fill table[7] = {{0, 0}, {1, 1}, {1, KeepFill}, {KeepFill, 1},
                                {2, 2}, {2, KeepFill}, {KeepFill, 2}};
  if (number < 1 || number > 7) return false;
  const Fill wanted = table[number - 1];
  if (wanted.x != KeepFill) fill.x = wanted.x;
  if (wanted.y != KeepFill) fill.y = wanted.y;
  return true;
}

void CombineFill(uint8_t child, uint8_t& box) {
  if (child == FillStretch) box = FillStretch;
  else if (child == FillWeak && box == FillFixed) box = FillWeak;
}

// Caption height and width of a group; an empty caption still leaves half a
// line on top.
Extent GroupCaption(LayoutHost& host, uint16_t id) {
  if (host.TextLength(id) == 0) {
    Extent space = host.StringExtent(id, u" ");
    return {space.width, space.height / 2 + Metrics.EmptyCaptionExtra};
  }
  return host.ControlTextExtent(id);
}

void MeasureChildren(Walk& walk, int32_t self, uint16_t id, bool vertical, Extent& size, Fill& fill);
void ArrangeChildren(Walk& walk, int32_t self, uint16_t id, Rect rect, bool vertical);

// The wanted size and fill of each kind of control; each starts from no
// size and a fixed fill.
using Measurer = void (*)(Walk& walk, uint32_t index, Extent& size, Fill& fill);

void MeasureBoxKind(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  const ControlState& control = walk.state.controls[index];
  MeasureChildren(walk, static_cast<int32_t>(index), control.id, control.kind->code == KindCode::VBox, size, fill);
  FillOverride(walk.host.TextNumber(control.id), fill);
}

void MeasureGroup(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  const ControlState& control = walk.state.controls[index];
  MeasureChildren(walk, static_cast<int32_t>(index), control.id, control.kind->code == KindCode::VGroup, size, fill);
  Extent caption = GroupCaption(walk.host, control.id);
  size.width = std::max(size.width, caption.width) + 2 * Metrics.GroupSide;
  size.height += caption.height + Metrics.GroupBottom;
  if (fill.x == FillFixed) fill.x = FillWeak;
  if (fill.y == FillFixed) fill.y = FillWeak;
}

void MeasureSpacer(Walk&, uint32_t, Extent& size, Fill&) { size = {Metrics.SpacerSide, Metrics.SpacerSide}; }

void MeasureButton(Walk& walk, uint32_t index, Extent& size, Fill&) {
  Extent text = walk.host.ControlTextExtent(walk.state.controls[index].id);
  size.height = std::max(text.height + Metrics.ButtonTextPadding, Metrics.ButtonHeightFifths * text.height / 5);
  size.width = std::max(text.width + 2 * Metrics.ButtonTextInset, Metrics.ButtonWidthInHeights * size.height);
}

void MeasureCheck(Walk& walk, uint32_t index, Extent& size, Fill&) {
  const uint16_t id = walk.state.controls[index].id;
  Extent text = walk.host.ControlTextExtent(id);
  const int32_t box = std::max(walk.host.ScreenPixelsPerInchX(), Metrics.MinimumDpi) / Metrics.CheckBoxPerInch;
  // The box or circle grows with the density as fast as the text: the room
  // between neighbours must grow with the font, or at 144 DPI the boxes of a
  // column touch and a label runs into the next circle.
  const int32_t line = walk.host.StringExtent(id, u" ").height;
  size.width = text.width + box + walk.host.MaxCharWidth(id) / 8 + Metrics.CheckGap + line / Metrics.CheckGapAcrossPerLine;
  size.height = std::max(text.height, box + Metrics.CheckBoxBorder) + line / Metrics.CheckGapDownPerLine;
}

void MeasureLabel(Walk& walk, uint32_t index, Extent& size, Fill&) {
  size = walk.host.ControlTextExtent(walk.state.controls[index].id);
}

// A centred or right-aligned label takes the width it is given.
void MeasureAlignedLabel(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  MeasureLabel(walk, index, size, fill);
  fill.x = FillWeak;
}

void MeasureIcon(Walk& walk, uint32_t index, Extent& size, Fill&) {
  size = walk.host.WindowSize(walk.state.controls[index].id);
}

void MeasureSmallIcon(Walk& walk, uint32_t, Extent& size, Fill&) {
  size = {walk.host.SmallIconSize(), walk.host.SmallIconSize()};
}

// An edit wide enough for its text and one average character more; an empty one for two blanks.
void MeasureEdit(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  const uint16_t id = walk.state.controls[index].id;
  uint32_t length = walk.host.TextLength(id);
  Extent text;
  if (length > 0) {
    text = walk.host.ControlTextExtent(id);
    text.width += text.width / static_cast<int32_t>(length);
  } else {
    text = walk.host.StringExtent(id, u"  ");
  }
  size = {text.width + Metrics.EditFrame, text.height + Metrics.EditFrame};
  if (size.height > size.width) size.width = size.height;
  fill.x = FillWeak;
}

void MeasureProgressBar(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  uint32_t wanted = walk.host.TextNumber(walk.state.controls[index].id);
  size.width = wanted == 0 || wanted > INT32_MAX ? Metrics.ProgressWidth : static_cast<int32_t>(wanted);
  size.height = walk.host.ScrollBarHeight();
  fill.x = FillWeak;
}

void MeasureListView(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  LayoutHost& host = walk.host;
  const uint16_t id = walk.state.controls[index].id;
  uint32_t approx = host.ListViewApproximateSize(id);
  if (approx != 0) {
    size = {static_cast<int32_t>(approx & 0xFFFF), static_cast<int32_t>(approx >> 16)};  // width low, height high
  } else {
    Extent text = host.ControlTextExtent(id);
    size = {text.width + Metrics.ListIconWidth + Metrics.ListColumnGap * static_cast<int32_t>(host.TabCount(id)),
            Metrics.ListRows * text.height};
  }
  size.width += Metrics.ListFrame + host.ScrollBarWidth();
  size.height += Metrics.ListFrame;
  fill = {FillStretch, FillStretch};
}

void MeasureHotKeyField(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  Extent text = walk.host.StringExtent(walk.state.controls[index].id, HotKeySample);
  size = {text.width + Metrics.EditFrame, text.height + Metrics.EditFrame};
  fill.x = FillWeak;
}

// Rich text grows with its text up to a limit, then scrolls that way.
void MeasureRichText(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  Extent text = walk.host.ControlTextExtent(walk.state.controls[index].id);
  size = {text.width + Metrics.RichTextPadWidth, text.height + Metrics.RichTextPadHeight};
  // The limit grows with the font as the text does.
  const int32_t dpi = std::max(walk.host.ScreenPixelsPerInchX(), Metrics.MinimumDpi);
  const int32_t widest = Metrics.RichTextMaxWidth * dpi / Metrics.MinimumDpi;
  const int32_t tallest = Metrics.RichTextMaxHeight * dpi / Metrics.MinimumDpi;
  if (size.width > widest) {
    size.width = widest;
    size.height += walk.host.ScrollBarHeight();
  }
  if (size.height > tallest) {
    size.height = tallest;
    size.width += walk.host.ScrollBarWidth();
  }
  fill = {FillStretch, FillStretch};
}

// In KindCode's order.
constexpr Measurer MeasureOfKind[] = {
    MeasureBoxKind, MeasureBoxKind, MeasureSpacer, MeasureGroup, MeasureGroup,
    MeasureButton, MeasureButton, MeasureCheck, MeasureCheck, MeasureCheck,
    MeasureLabel, MeasureAlignedLabel, MeasureAlignedLabel, MeasureIcon, MeasureSmallIcon,
    MeasureEdit, MeasureEdit, MeasureProgressBar, MeasureListView, MeasureHotKeyField, MeasureRichText,
};
static_assert(std::size(MeasureOfKind) == size_t(KindCode::RichText) + 1, "one measure per kind");

void MeasureOne(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  size = {0, 0};
  fill = {FillFixed, FillFixed};
  MeasureOfKind[size_t(walk.state.controls[index].kind->code)](walk, index, size, fill);
}

void MeasureChildren(Walk& walk, int32_t self, uint16_t id, bool vertical, Extent& size, Fill& fill) {
  size = {0, 0};
  fill = {FillFixed, FillFixed};
  if (walk.depth > walk.state.count) return;
  ++walk.depth;
  for (uint32_t i = 0; i < walk.state.count; ++i) {
    ControlState& child = walk.state.controls[i];
    if (child.parentId != id || static_cast<int32_t>(i) == self) continue;
    Extent childSize;
    Fill childFill;
    MeasureOne(walk, i, childSize, childFill);
    child.width = childSize.width;
    child.height = childSize.height;
    child.fillX = childFill.x;
    child.fillY = childFill.y;
    if (vertical) {
      size.width = std::max(size.width, childSize.width);
      size.height += childSize.height;
    } else {
      size.width += childSize.width;
      size.height = std::max(size.height, childSize.height);
    }
    CombineFill(childFill.x, fill.x);
    CombineFill(childFill.y, fill.y);
  }
  --walk.depth;
}

void ArrangeOne(Walk& walk, uint32_t index, Rect rect) {
  LayoutHost& host = walk.host;
  const ControlState& control = walk.state.controls[index];
  const int32_t self = static_cast<int32_t>(index);
  switch (control.kind->code) {
    case KindCode::VBox:
    case KindCode::HBox:
      ArrangeChildren(walk, self, control.id, rect, control.kind->code == KindCode::VBox);
      break;
    case KindCode::VGroup:
    case KindCode::HGroup: {
      host.Move(control.id, rect);
      int32_t top = GroupCaption(host, control.id).height;
      Rect inner{rect.x + Metrics.GroupSide, rect.y + top, rect.width - 2 * Metrics.GroupSide,
                 rect.height - top - Metrics.GroupBottom};
      ArrangeChildren(walk, self, control.id, inner, control.kind->code == KindCode::VGroup);
      break;
    }
    case KindCode::Spacer:
      break;  // never moved: it only takes room
    default:
      host.Move(control.id, rect);
      break;
  }
}

// Which fill class governs an axis, and how many children share the space.
struct Governing {
  uint8_t fillClass;
  int32_t count;
};

Governing GoverningClass(int32_t stretch, int32_t weak, int32_t all) {
  if (stretch > 0) return {FillStretch, stretch};
  if (weak > 0) return {FillWeak, weak};
  return {FillFixed, all};
}

void ArrangeChildren(Walk& walk, int32_t self, uint16_t id, Rect rect, bool vertical) {
  DialogState& state = walk.state;
  if (walk.depth > state.count) return;
  ++walk.depth;
  auto isChild = [&](uint32_t i) {
    return state.controls[i].parentId == id && static_cast<int32_t>(i) != self;
  };
  int32_t sumW = 0, sumH = 0, maxH = 0, all = 0;
  int32_t stretchX = 0, weakX = 0, stretchY = 0, weakY = 0;
  for (uint32_t i = 0; i < state.count; ++i) {
    if (!isChild(i)) continue;
    const ControlState& c = state.controls[i];
    sumW += c.width;
    sumH += c.height;
    maxH = std::max(maxH, c.height);
    ++all;
    stretchX += c.fillX == FillStretch;
    weakX += c.fillX == FillWeak;
    stretchY += c.fillY == FillStretch;
    weakY += c.fillY == FillWeak;
  }
  const Governing gx = GoverningClass(stretchX, weakX, all);
  const Governing gy = GoverningClass(stretchY, weakY, all);

  int32_t perX = 0, perY = 0, remainderY = 0, extraY = 0;
  if (vertical) {
    int32_t free = rect.height - sumH;
    perY = gy.count != 0 ? free / gy.count : 0;
    remainderY = free - perY * gy.count;
  } else {
    perX = gx.count != 0 ? (rect.width - sumW) / gx.count : 0;
    extraY = rect.height - maxH;
  }

  int32_t x = rect.x, y = rect.y;
  if (!vertical && gx.fillClass == FillFixed) x += perX / 2;
  if (gy.fillClass == FillFixed) y += (vertical ? perY : extraY) / 2;

  for (uint32_t i = 0; i < state.count; ++i) {
    if (!isChild(i)) continue;
    const ControlState& c = state.controls[i];
    int32_t cw = c.width, ch = c.height, advance;
    if (vertical) {
      if (c.fillX != FillFixed) cw = rect.width;
      advance = ch;
      if (remainderY > 0) {
        ++advance;
        --remainderY;
      }
      if (c.fillY == gy.fillClass) advance += perY;
      if (c.fillY != FillFixed) ch = advance;
    } else {
      if (c.fillY != FillFixed) ch = rect.height;
      advance = cw;
      if (c.fillX == gx.fillClass) advance += perX;
      if (c.fillX != FillFixed) cw = advance;
    }
    Rect placed{x, y, cw, ch};
    ArrangeOne(walk, i, placed);
    if (c.handler != nullptr) walk.host.NotifyPlaced(c, placed);
    if (vertical) y += advance;
    else x += advance;
  }
  --walk.depth;
}

int32_t IndexOf(const DialogState& state, uint16_t id) {
  for (uint32_t i = 0; i < state.count; ++i)
    if (state.controls[i].id == id) return static_cast<int32_t>(i);
  return -1;
}

}  // namespace

void MeasureBox(LayoutHost& host, DialogState& state, uint16_t id, bool vertical, Extent& size,
                Fill& fill) {
  Walk walk{host, state, 0};
  MeasureChildren(walk, id == 0 ? -1 : IndexOf(state, id), id, vertical, size, fill);
}

void ArrangeBox(LayoutHost& host, DialogState& state, uint16_t id, Rect rect, bool vertical) {
  Walk walk{host, state, 0};
  ArrangeChildren(walk, id == 0 ? -1 : IndexOf(state, id), id, rect, vertical);
}

Extent MeasureDialog(LayoutHost& host, DialogState& state) {
  Extent size;
  Fill fill;
  MeasureBox(host, state, 0, true, size, fill);
  return {size.width + 2 * Metrics.DialogMargin, size.height + 2 * Metrics.DialogMargin};
}

void ArrangeDialog(LayoutHost& host, DialogState& state, int32_t width, int32_t height) {
  ArrangeBox(host, state, 0,
             Rect{Metrics.DialogMargin, Metrics.DialogMargin, width - 2 * Metrics.DialogMargin,
                  height - 2 * Metrics.DialogMargin},
             true);
}

Edges ResizeKeepingCentre(Edges window, int32_t width, int32_t height) {
  int32_t left = window.left - (width - (window.right - window.left)) / 2;
  int32_t top = window.top - (height - (window.bottom - window.top)) / 2;
  return {left, top, left + width, top + height};
}

Point OffsetToCursor(Point cursor, Edges focused) {
  return {cursor.x - (focused.left + focused.right) / 2, cursor.y - (focused.top + focused.bottom) / 2};
}

Edges ShiftIntoWorkArea(Edges window, Point offset, Edges workArea) {
  Edges r{window.left + offset.x, window.top + offset.y, window.right + offset.x,
          window.bottom + offset.y};
  auto shift = [&r](int32_t dx, int32_t dy) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  };
  if (r.right > workArea.right) shift(workArea.right - r.right, 0);
  if (r.bottom > workArea.bottom) shift(0, workArea.bottom - r.bottom);
  if (r.left < workArea.left) shift(workArea.left - r.left, 0);
  if (r.top < workArea.top) shift(0, workArea.top - r.top);
  return r;
}
