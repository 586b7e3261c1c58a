// Box layout against a host that reports fixed sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <vector>

#include "dlgengine/layout.h"
#include "resources/string_ids.h"

namespace {

struct FakeControl {
  Extent text{0, 0};
  uint32_t length = 0;
  uint32_t number = 0;
  uint32_t tabs = 0;
  Extent window{0, 0};
  uint32_t approx = 0;
};

class FakeHost final : public LayoutHost {
 public:
  std::map<uint16_t, FakeControl> controls;
  std::map<uint16_t, Rect> moved;
  Extent space{4, 14};
  int32_t dpi = 96, maxChar = 16, scrollHeight = 17, scrollWidth = 17;

  Extent ControlTextExtent(uint16_t id) override { return controls[id].text; }
  Extent StringExtent(uint16_t, const char16_t* text) override {
    int32_t n = 0;
    while (text[n] != 0) ++n;
    return {space.width * n, space.height};
  }
  uint32_t TextLength(uint16_t id) override { return controls[id].length; }
  uint32_t TextNumber(uint16_t id) override { return controls[id].number; }
  uint32_t TabCount(uint16_t id) override { return controls[id].tabs; }
  int32_t ScreenPixelsPerInchX() override { return dpi; }
  int32_t MaxCharWidth(uint16_t) override { return maxChar; }
  Extent WindowSize(uint16_t id) override { return controls[id].window; }
  int32_t ScrollBarHeight() override { return scrollHeight; }
  int32_t ScrollBarWidth() override { return scrollWidth; }
  uint32_t ListViewApproximateSize(uint16_t id) override { return controls[id].approx; }
  void Move(uint16_t id, Rect rect) override { moved[id] = rect; }
  void NotifyPlaced(const ControlState&, Rect) override {}

  // A label of the given text size, as a leaf of fixed size.
  void Text(uint16_t id, int32_t w, int32_t h, uint32_t length = 1) {
    controls[id].text = {w, h};
    controls[id].length = length;
  }
};

struct Dialog {
  std::vector<ControlDesc> descs;
  DialogState* state = nullptr;
  explicit Dialog(std::vector<ControlDesc> d) : descs(std::move(d)) {
    state = MakeDialogState(descs.data(), static_cast<uint32_t>(descs.size()), nullptr);
  }
  ~Dialog() { FreeDialogState(state); }
  const ControlState& operator[](uint16_t id) const {
    for (uint32_t i = 0; i < state->count; ++i)
      if (state->controls[i].id == id) return state->controls[i];
    static ControlState none{};
    return none;
  }
};

ControlDesc Desc(const ControlKind& kind, uint16_t id, uint16_t parent, ControlHandler h = nullptr) {
  return ControlDesc{&kind, id, nullptr, NoString, parent, h};
}

TEST(BoxLayout, VerticalBoxSpreadsFreeHeightAsGapsAroundFixedChildren) {
  FakeHost host;
  Dialog d({Desc(Kind::VBox, 100, 0), Desc(Kind::Label, 101, 100), Desc(Kind::Label, 102, 100),
            Desc(Kind::Label, 103, 100)});
  for (uint16_t id : {101, 102, 103}) host.Text(id, 50, 20);
  Extent size;
  Fill fill;
  MeasureBox(host, *d.state, 100, true, size, fill);
  EXPECT_EQ(size.width, 50);
  EXPECT_EQ(size.height, 60);
  ArrangeBox(host, *d.state, 100, Rect{0, 0, 80, 100}, true);
  // 40 px free over 3 children: 13 each, 1 left over for the first.
  EXPECT_EQ(host.moved[101].y, 6);
  EXPECT_EQ(host.moved[102].y, 40);
  EXPECT_EQ(host.moved[103].y, 73);
  for (uint16_t id : {101, 102, 103}) {
    EXPECT_EQ(host.moved[id].height, 20);
    EXPECT_EQ(host.moved[id].width, 50);  // not stretching: left-aligned at its own width
    EXPECT_EQ(host.moved[id].x, 0);
  }
}

TEST(BoxLayout, OnlyTheStretchingChildTakesTheFreeHeight) {
  FakeHost host;
  Dialog d({Desc(Kind::Label, 101, 0), Desc(Kind::ListView, 102, 0), Desc(Kind::Label, 103, 0)});
  host.Text(101, 50, 20);
  host.Text(103, 50, 20);
  host.controls[102].approx = (40u << 16) | 60u;
  Extent size;
  Fill fill;
  MeasureBox(host, *d.state, 0, true, size, fill);
  EXPECT_EQ(size.width, 60 + 4 + 17);
  EXPECT_EQ(size.height, 20 + 44 + 20);
  ArrangeBox(host, *d.state, 0, Rect{0, 0, 200, 300}, true);
  EXPECT_EQ(host.moved[101].y, 0);
  EXPECT_EQ(host.moved[102].y, 20);
  EXPECT_EQ(host.moved[102].height, 300 - 40);
  EXPECT_EQ(host.moved[102].width, 200);  // stretches across too
  EXPECT_EQ(host.moved[103].y, 280);
  EXPECT_EQ(host.moved[103].width, 50);
}

TEST(BoxLayout, HorizontalBoxCentresFixedChildrenWithEqualGaps) {
  FakeHost host;
  Dialog d({Desc(Kind::Button, 1, 105), Desc(Kind::Button, 2, 105), Desc(Kind::HBox, 105, 0)});
  host.Text(1, 10, 10);  // buttons: height max(20, 16) = 20, width max(20, 80) = 80
  host.Text(2, 10, 10);
  Extent size;
  Fill fill;
  MeasureBox(host, *d.state, 105, false, size, fill);
  ASSERT_EQ(size.width, 160);
  ASSERT_EQ(size.height, 20);
  ArrangeBox(host, *d.state, 105, Rect{10, 50, 191, 30}, false);
  // 31 px free: 15 per child, the row starts 7 in, 15 between them, 9 after.
  EXPECT_EQ(host.moved[1].x, 17);
  EXPECT_EQ(host.moved[2].x, 17 + 80 + 15);
  EXPECT_EQ(191 + 10 - (host.moved[2].x + 80), 9);
  // Nothing stretches vertically: the band is centred, each child top-aligned.
  EXPECT_EQ(host.moved[1].y, 55);
  EXPECT_EQ(host.moved[1].height, 20);
}

TEST(BoxLayout, ContainerAfterItsChildrenLaysOutAsContainerFirst) {
  FakeHost a, b;
  Dialog first({Desc(Kind::HBox, 105, 0), Desc(Kind::Button, 1, 105), Desc(Kind::Button, 2, 105)});
  Dialog last({Desc(Kind::Button, 1, 105), Desc(Kind::Button, 2, 105), Desc(Kind::HBox, 105, 0)});
  for (FakeHost* h : {&a, &b}) {
    h->Text(1, 30, 14);
    h->Text(2, 44, 14);
  }
  Extent sa = MeasureDialog(a, *first.state), sb = MeasureDialog(b, *last.state);
  EXPECT_EQ(sa.width, sb.width);
  EXPECT_EQ(sa.height, sb.height);
  ArrangeDialog(a, *first.state, 300, 100);
  ArrangeDialog(b, *last.state, 300, 100);
  for (uint16_t id : {1, 2}) {
    EXPECT_EQ(a.moved[id].x, b.moved[id].x);
    EXPECT_EQ(a.moved[id].y, b.moved[id].y);
    EXPECT_EQ(a.moved[id].width, b.moved[id].width);
  }
}

TEST(BoxLayout, BoxTextOneToSevenOverridesTheFill) {
  struct Case {
    uint32_t number;
    Fill expected;
  };
  // Children: a list view (1,1) gives the computed fill 1,1. "3", "4", "6"
  // and "7" set one axis and leave the other as the children gave it.
  const Case cases[] = {{0, {1, 1}}, {1, {0, 0}}, {2, {1, 1}}, {3, {1, 1}}, {4, {1, 1}},
                        {5, {2, 2}}, {6, {2, 1}}, {7, {1, 2}}, {8, {1, 1}}};
  for (const Case& c : cases) {
    FakeHost host;
    Dialog d({Desc(Kind::HBox, 102, 0), Desc(Kind::ListView, 103, 102)});
    host.controls[102].number = c.number;
    MeasureDialog(host, *d.state);
    EXPECT_EQ(d[102].fillX, c.expected.x) << c.number;
    EXPECT_EQ(d[102].fillY, c.expected.y) << c.number;
  }
  // A column of hot-key fields (weak in width) marked "7" spreads over the
  // height and still takes free width; over a fixed button "3" and "4" give
  // exactly the named axis.
  const Case columns[] = {{7, {2, 2}}, {3, {1, 0}}, {4, {0, 1}}};
  for (const Case& c : columns) {
    FakeHost host;
    const ControlKind& child = c.number == 7 ? Kind::HotKeyField : Kind::Button;
    Dialog d({Desc(Kind::VBox, 102, 0), Desc(child, 103, 102)});
    host.controls[102].number = c.number;
    MeasureDialog(host, *d.state);
    EXPECT_EQ(d[102].fillX, c.expected.x) << c.number;
    EXPECT_EQ(d[102].fillY, c.expected.y) << c.number;
  }
}

TEST(BoxLayout, WeakBoxWidensInItsParentOnlyWhenNoSiblingStretches) {
  FakeHost host;
  // "6": an HBox of fixed buttons stretches weakly in width.
  Dialog d({Desc(Kind::HBox, 102, 0), Desc(Kind::Button, 1, 102)});
  host.controls[102].number = 6;
  host.Text(1, 10, 10);
  MeasureDialog(host, *d.state);
  ASSERT_EQ(d[102].fillX, FillWeak);
  ArrangeDialog(host, *d.state, 300, 100);
  // The box got the dialog's whole width, so its one button is centred in it.
  EXPECT_EQ(host.moved[1].x, (300 - 80) / 2);
}

TEST(BoxLayout, ControlInsideANonContainerIsNeverLaidOut) {
  FakeHost host;
  Dialog d({Desc(Kind::CheckBox, 101, 0), Desc(Kind::Label, 102, 101)});
  host.Text(101, 50, 14);
  host.Text(102, 500, 500);
  Extent size = MeasureDialog(host, *d.state);
  ArrangeDialog(host, *d.state, size.width, size.height);
  EXPECT_EQ(host.moved.count(102), 0u);
  EXPECT_EQ(d[102].width, 0);
  // The check box alone, with the dialog's margins round it.
  EXPECT_EQ(size.width, d[101].width + 2 * 6);
  EXPECT_EQ(size.height, 14 + 2 * 6);
}

TEST(BoxLayout, RepeatedIdsCannotRecurseForever) {
  FakeHost host;
  Dialog d({Desc(Kind::VBox, 101, 0), Desc(Kind::VBox, 101, 101), Desc(Kind::VBox, 101, 101),
            Desc(Kind::Label, 102, 101)});
  host.Text(102, 10, 10);
  MeasureDialog(host, *d.state);
  ArrangeDialog(host, *d.state, 100, 100);
  SUCCEED();
}

// What a user sees of a dialog laid out at the size it asks for or larger:
// every text inside its control with the room the control draws around it,
// controls inside their group's frame below its caption, the client area's
// edges clear, and no two controls overlapping.
constexpr int32_t ClearOfEdge = 4;    // pixels between the client edge and a control
constexpr int32_t ButtonFrame = 7;    // frame, focus rectangle and a gap around a button's text
constexpr int32_t FieldBorder = 3;    // an edit field's sunken border and gap

const ControlState* ParentOf(const DialogState& state, const ControlState& c) {
  for (uint32_t i = 0; i < state.count; ++i)
    if (state.controls[i].id == c.parentId && &state.controls[i] != &c) return &state.controls[i];
  return nullptr;
}

bool IsGroupKind(const ControlState& c) {
  return c.kind->code == KindCode::VGroup || c.kind->code == KindCode::HGroup;
}

// The text a control must hold and the room it draws around it; false when
// the kind shows no text of its own.
bool NeededRoom(FakeHost& host, const ControlState& c, Extent& need) {
  Extent text = host.controls[c.id].text;
  const int32_t mark = 16 * std::max(host.dpi, 96) / 96;  // a check box's box and gap
  switch (c.kind->code) {
    case KindCode::Label: case KindCode::CentredLabel: case KindCode::RightLabel:
      need = text; return true;
    case KindCode::Button: case KindCode::DefaultButton:
      need = {text.width + 2 * ButtonFrame, text.height + 2 * 4}; return true;
    case KindCode::CheckBox: case KindCode::RadioButton: case KindCode::FirstRadioButton:
      need = {text.width + mark, text.height}; return true;
    case KindCode::TextEdit: case KindCode::RightEdit:
      need = {text.width + 2 * FieldBorder, text.height + 2 * FieldBorder}; return true;
    case KindCode::Icon:
      need = host.controls[c.id].window; return true;
    case KindCode::VGroup: case KindCode::HGroup:
      need = {text.width + 2 * 8, text.height}; return true;
    default:
      return false;
  }
}

bool Inside(Rect inner, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return inner.x >= left && inner.y >= top && inner.x + inner.width <= right && inner.y + inner.height <= bottom;
}

void ExpectWhatTheUserSees(FakeHost& host, const Dialog& d, int32_t width, int32_t height) {
  const DialogState& state = *d.state;
  std::vector<const ControlState*> placed;
  for (uint32_t i = 0; i < state.count; ++i)
    if (host.moved.count(state.controls[i].id)) placed.push_back(&state.controls[i]);
  auto holds = [&state](const ControlState* outer, const ControlState* inner) {
    for (const ControlState* p = ParentOf(state, *inner); p != nullptr; p = ParentOf(state, *p))
      if (p == outer) return true;
    return false;
  };
  for (const ControlState* c : placed) {
    const Rect r = host.moved[c->id];
    Extent need;
    if (NeededRoom(host, *c, need)) {
      EXPECT_TRUE(r.width >= need.width && r.height >= need.height)
          << c->id << ": " << r.width << "x" << r.height << " for " << need.width << "x" << need.height;
    }
    const ControlState* group = ParentOf(state, *c);
    while (group != nullptr && !IsGroupKind(*group)) group = ParentOf(state, *group);
    if (group == nullptr) {
      EXPECT_TRUE(Inside(r, ClearOfEdge, ClearOfEdge, width - ClearOfEdge, height - ClearOfEdge)) << c->id;
    } else {
      const Rect g = host.moved[group->id];
      // The frame runs through the middle of the caption's line, with or without a caption.
      const FakeControl& caption = host.controls[group->id];
      const int32_t top = caption.length > 0 ? caption.text.height : host.space.height / 2 + 1;
      EXPECT_TRUE(Inside(r, g.x + 2, g.y + top, g.x + g.width - 2, g.y + g.height - 2)) << c->id;
    }
    for (const ControlState* other : placed) {
      if (other <= c || holds(c, other) || holds(other, c)) continue;
      const Rect o = host.moved[other->id];
      EXPECT_FALSE(r.x < o.x + o.width && o.x < r.x + r.width && r.y < o.y + o.height && o.y < r.y + r.height)
          << c->id << " overlaps " << other->id;
    }
  }
}

TEST(WhatTheUserSees, TextsFitNothingOverlapsAndTheEdgesStayClear) {
  // Every kind, in groups, boxes and two columns, as the program's dialogs
  // nest them.
  Dialog d({Desc(Kind::HBox, 10, 0), Desc(Kind::VGroup, 11, 10), Desc(Kind::CheckBox, 12, 11),
            Desc(Kind::Label, 13, 11), Desc(Kind::HBox, 14, 11), Desc(Kind::FirstRadioButton, 15, 14),
            Desc(Kind::RadioButton, 16, 14), Desc(Kind::VGroup, 17, 10), Desc(Kind::TextEdit, 18, 17),
            Desc(Kind::RightEdit, 19, 17), Desc(Kind::HotKeyField, 20, 17), Desc(Kind::ProgressBar, 21, 17),
            Desc(Kind::HGroup, 30, 0), Desc(Kind::Icon, 31, 30), Desc(Kind::Spacer, 32, 30),
            Desc(Kind::Label, 33, 30), Desc(Kind::CentredLabel, 34, 0), Desc(Kind::RightLabel, 35, 0),
            Desc(Kind::ListView, 40, 0), Desc(Kind::RichText, 41, 0), Desc(Kind::SmallIcon, 42, 0),
            Desc(Kind::HGroup, 50, 0), Desc(Kind::DefaultButton, 1, 50), Desc(Kind::Spacer, 51, 50),
            Desc(Kind::Button, 2, 50)});
  struct Screen {
    int32_t dpi, lineHeight, scale;  // scale: text widths in eighths
  };
  for (Screen screen : {Screen{96, 13, 8}, Screen{120, 16, 10}, Screen{96, 13, 16}}) {
    FakeHost host;
    host.dpi = screen.dpi;
    host.space = {4 * screen.scale / 8, screen.lineHeight};
    const int32_t widths[][2] = {{11, 70}, {12, 160}, {13, 120}, {15, 20}, {16, 30}, {17, 0},  {18, 50},
                                 {19, 0},  {30, 0},   {33, 330}, {34, 90}, {35, 25}, {40, 100}, {41, 300},
                                 {1, 15},  {2, 40}};
    for (const auto& w : widths)
      host.Text(static_cast<uint16_t>(w[0]), w[1] * screen.scale / 8, w[0] == 33 ? 2 * screen.lineHeight : screen.lineHeight,
                w[1] == 0 ? 0 : 5);
    host.controls[31].window = {32, 32};
    Extent size = MeasureDialog(host, *d.state);
    for (Extent at : {size, Extent{size.width + 150, size.height + 90}}) {
      SCOPED_TRACE(testing::Message() << "dpi " << screen.dpi << ", " << at.width << "x" << at.height);
      ArrangeDialog(host, *d.state, at.width, at.height);
      ExpectWhatTheUserSees(host, d, at.width, at.height);
    }
  }
}

// Given more room, lists and texts take it, fields and centred labels widen,
// and buttons, check boxes and labels keep their size.
TEST(WhatTheUserSees, ExtraRoomGoesToListsTextsAndFields) {
  struct Grows {
    const ControlKind* kind;
    bool wider, taller;
  };
  const Grows cases[] = {{&Kind::Button, false, false},    {&Kind::CheckBox, false, false},
                         {&Kind::Label, false, false},     {&Kind::Icon, false, false},
                         {&Kind::CentredLabel, true, false}, {&Kind::TextEdit, true, false},
                         {&Kind::HotKeyField, true, false}, {&Kind::ProgressBar, true, false},
                         {&Kind::ListView, true, true},    {&Kind::RichText, true, true}};
  for (const Grows& c : cases) {
    FakeHost host;
    host.Text(101, 60, 13);
    host.controls[101].window = {32, 32};
    Dialog d({Desc(*c.kind, 101, 0)});
    Extent size = MeasureDialog(host, *d.state);
    ArrangeDialog(host, *d.state, size.width, size.height);
    const Rect small = host.moved[101];
    ArrangeDialog(host, *d.state, size.width + 100, size.height + 100);
    EXPECT_EQ(host.moved[101].width > small.width, c.wider) << int(c.kind->code);
    EXPECT_EQ(host.moved[101].height > small.height, c.taller) << int(c.kind->code);
  }
  // A progress bar is as wide as its text asks; a huge text opens in a box
  // that leaves room on a 640x480 screen, with scroll bars.
  FakeHost host;
  host.controls[101].number = 250;
  host.Text(102, 5000, 5000);
  Dialog d({Desc(Kind::ProgressBar, 101, 0), Desc(Kind::RichText, 102, 0)});
  MeasureDialog(host, *d.state);
  EXPECT_EQ(d[101].width, 250);
  EXPECT_LE(d[102].width, 560);
  EXPECT_LE(d[102].height, 400);
}

TEST(TextLines, EmptyLinesAreCountedAndMeasuredAsOneCharacter) {
  std::vector<int> runs;
  auto run = [&runs](const char16_t*, int32_t n) {
    runs.push_back(n);
    return Extent{7 * n, 10};
  };
  EXPECT_EQ(MeasureLines(u"", run).height, 0);
  Extent e = MeasureLines(u"abc\n\nde", run);
  EXPECT_EQ(e.height, 30);
  EXPECT_EQ(e.width, 21);
  EXPECT_EQ(runs, (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(MeasureLines(u"abcd\n", run).height, 20);  // a final line feed adds a line
}

TEST(Placement, ResizeKeepsTheCentre) {
  Edges e = ResizeKeepingCentre({100, 100, 300, 300}, 151, 50);
  EXPECT_EQ(e.left, 124);  // (151 - 200) / 2 truncates to -24
  EXPECT_EQ(e.top, 175);
  EXPECT_EQ(e.right, 275);
  EXPECT_EQ(e.bottom, 225);
}

TEST(Placement, CursorInTheCornerPutsTheDialogAgainstTheWorkAreaEdges) {
  const Edges work{0, 0, 1024, 740};
  Edges window{400, 300, 700, 500};
  Point offset = OffsetToCursor({1023, 767}, {600, 460, 680, 484});
  Edges r = ShiftIntoWorkArea(window, offset, work);
  EXPECT_EQ(r.right, 1024);
  EXPECT_EQ(r.bottom, 740);
  EXPECT_EQ(r.right - r.left, 300);
  // Larger than the work area: the top-left corner wins.
  r = ShiftIntoWorkArea({0, 0, 1200, 900}, {300, 300}, work);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.top, 0);
  // Offset only: the default button's centre lands under the cursor.
  offset = OffsetToCursor({500, 400}, {600, 460, 680, 484});
  r = ShiftIntoWorkArea(window, offset, work);
  EXPECT_EQ(r.left, 400 - 140);
  EXPECT_EQ(r.top, 300 - 72);
}

}  // namespace
