#include "dlgengine/layout.h"

#include <algorithm>

namespace {

// Group boxes: 9 px inside left and right, the caption on top, 4 px below.
constexpr int32_t GroupSide = 9;
constexpr int32_t GroupBottom = 4;
// Between the client area's edges and the controls: a group frame right
// against the window's border looks cut off.
constexpr int32_t DialogMargin = 6;
// On each side of a push button's text: its frame (3 px for the default
// button), the focus rectangle one pixel inside, then clear pixels, so that
// the text touches neither.
constexpr int32_t ButtonTextInset = 9;

constexpr char16_t HotKeySample[] = u"Ctrl + Shift + Alt + Page Down";

// Room around a check box or radio button, as parts of a line of its font:
// a quarter line below it, half a line after its text.
constexpr int32_t CheckGapDownPerLine = 4;
constexpr int32_t CheckGapAcrossPerLine = 2;

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
    return {space.width, space.height / 2 + 4};
  }
  return host.ControlTextExtent(id);
}

void MeasureChildren(Walk& walk, int32_t self, uint16_t id, bool vertical, Extent& size, Fill& fill);
void ArrangeChildren(Walk& walk, int32_t self, uint16_t id, Rect rect, bool vertical);

// The wanted size and fill of one control.
void MeasureOne(Walk& walk, uint32_t index, Extent& size, Fill& fill) {
  LayoutHost& host = walk.host;
  const ControlState& control = walk.state.controls[index];
  const uint16_t id = control.id;
  size = {0, 0};
  fill = {FillFixed, FillFixed};
  switch (control.kind->code) {
    case KindCode::VBox:
    case KindCode::HBox: {
      MeasureChildren(walk, static_cast<int32_t>(index), id, control.kind->code == KindCode::VBox,
                      size, fill);
      FillOverride(host.TextNumber(id), fill);
      break;
    }
    case KindCode::VGroup:
    case KindCode::HGroup: {
      MeasureChildren(walk, static_cast<int32_t>(index), id,
                      control.kind->code == KindCode::VGroup, size, fill);
      Extent caption = GroupCaption(host, id);
      size.width = std::max(size.width, caption.width) + 2 * GroupSide;
      size.height += caption.height + GroupBottom;
      if (fill.x == FillFixed) fill.x = FillWeak;
      if (fill.y == FillFixed) fill.y = FillWeak;
      break;
    }
    case KindCode::Spacer:
      size = {9, 9};
      break;
    case KindCode::Button:
    case KindCode::DefaultButton: {
      Extent text = host.ControlTextExtent(id);
      int32_t k = 8 * text.height / 5;
      size.height = std::max(text.height + 10, k);
      size.width = std::max(text.width + 2 * ButtonTextInset, 4 * size.height);
      break;
    }
    case KindCode::CheckBox:
    case KindCode::RadioButton:
    case KindCode::FirstRadioButton: {
      Extent text = host.ControlTextExtent(id);
      int32_t dpi = std::max(host.ScreenPixelsPerInchX(), 96);
      int32_t maxChar = host.MaxCharWidth(id);
      // The box or circle grows with the density as fast as the text: the
      // room between neighbours must grow with the font, or at 144 DPI the
      // boxes of a column touch and a label runs into the next circle.
      int32_t line = host.StringExtent(id, u" ").height;
      size.width = text.width + dpi / 8 + maxChar / 8 + 8 + line / CheckGapAcrossPerLine;
      size.height = std::max(text.height, dpi / 8 + 2) + line / CheckGapDownPerLine;
      break;
    }
    case KindCode::Label:
      size = host.ControlTextExtent(id);
      break;
    case KindCode::CentredLabel:
    case KindCode::RightLabel:
      size = host.ControlTextExtent(id);
      fill.x = FillWeak;
      break;
    case KindCode::Icon:
      size = host.WindowSize(id);
      break;
    case KindCode::SmallIcon:
      size = {host.SmallIconSize(), host.SmallIconSize()};
      break;
    case KindCode::TextEdit:
    case KindCode::RightEdit: {
      uint32_t length = host.TextLength(id);
      Extent text;
      if (length > 0) {
        text = host.ControlTextExtent(id);
        text.width += text.width / static_cast<int32_t>(length);  // one average character more
      } else {
        text = host.StringExtent(id, u"  ");
      }
      size = {text.width + 6, text.height + 6};
      if (size.height > size.width) size.width = size.height;
      fill.x = FillWeak;
      break;
    }
    case KindCode::ProgressBar: {
      uint32_t wanted = host.TextNumber(id);
      size.width = wanted == 0 || wanted > INT32_MAX ? 100 : static_cast<int32_t>(wanted);
      size.height = host.ScrollBarHeight();
      fill.x = FillWeak;
      break;
    }
    case KindCode::ListView: {
      uint32_t approx = host.ListViewApproximateSize(id);
      if (approx != 0) {
        size = {static_cast<int32_t>(approx & 0xFFFF), static_cast<int32_t>(approx >> 16)};
      } else {
        Extent text = host.ControlTextExtent(id);
        size = {text.width + 16 + 16 * static_cast<int32_t>(host.TabCount(id)), 8 * text.height};
      }
      size.width += 4 + host.ScrollBarWidth();
      size.height += 4;
      fill = {FillStretch, FillStretch};
      break;
    }
    case KindCode::HotKeyField: {
      Extent text = host.StringExtent(id, HotKeySample);
      size = {text.width + 6, text.height + 6};
      fill.x = FillWeak;
      break;
    }
    case KindCode::RichText: {
      Extent text = host.ControlTextExtent(id);
      size = {text.width + 34, text.height + 22};
      // At most 512 x 384 pixels at 96 DPI, as much more as the font is larger.
      const int32_t dpi = std::max(host.ScreenPixelsPerInchX(), 96);
      const int32_t widest = 512 * dpi / 96, tallest = 384 * dpi / 96;
      if (size.width > widest) {
        size.width = widest;
        size.height += host.ScrollBarHeight();
      }
      if (size.height > tallest) {
        size.height = tallest;
        size.width += host.ScrollBarWidth();
      }
      fill = {FillStretch, FillStretch};
      break;
    }
  }
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
      Rect inner{rect.x + GroupSide, rect.y + top, rect.width - 2 * GroupSide,
                 rect.height - top - GroupBottom};
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
  return {size.width + 2 * DialogMargin, size.height + 2 * DialogMargin};
}

void ArrangeDialog(LayoutHost& host, DialogState& state, int32_t width, int32_t height) {
  ArrangeBox(host, state, 0,
             Rect{DialogMargin, DialogMargin, width - 2 * DialogMargin, height - 2 * DialogMargin}, true);
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
