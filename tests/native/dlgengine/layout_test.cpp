// Box layout against a host that reports fixed sizes.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "dlgengine/layout.h"
#include "resources/string_ids.h"
#include "tests/harness/layout/layout_check.h"

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
  int32_t SmallIconSize() override { return 16 * dpi / 96; }
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
  EXPECT_EQ(size.height, d[101].height + 2 * 6);
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

// What a user sees of a dialog laid out at the size it asks for and larger:
// it passes the layout check (tests/harness/layout) with the host's texts as
// drawn; given more room, lists and texts take it while buttons, check
// boxes, labels and icons keep their size.
ShownDialog AsShown(FakeHost& host, const DialogState& state, Extent at) {
  ShownDialog shown{"laid out", at.width, at.height, host.dpi, host.space.height, {}};
  for (uint32_t i = 0; i < state.count; ++i) {
    const ControlState& c = state.controls[i];
    const bool placed = host.moved.count(c.id) != 0;
    const Rect r = placed ? host.moved[c.id] : Rect{0, 0, 0, 0};
    std::string className;
    for (const char16_t* k = c.kind->className; *k != 0; ++k) className += char(*k);
    const FakeControl& text = host.controls[c.id];
    const Extent drawn = text.length > 0 ? text.text : Extent{0, 0};
    shown.controls.push_back({c.id, c.parentId, LookOf(className.c_str(), c.kind->style),
                              {r.x, r.y, r.x + r.width, r.y + r.height}, placed, drawn.width, drawn.height, ""});
  }
  return shown;
}

void ExpectWhatTheUserSees(FakeHost& host, const DialogState& state, Extent at, std::map<uint16_t, Rect>& before) {
  for (const std::string& problem : FindLayoutProblems(AsShown(host, state, at))) ADD_FAILURE() << problem;
  for (uint32_t i = 0; i < state.count; ++i) {
    const ControlState& c = state.controls[i];
    if (!host.moved.count(c.id)) continue;
    const Rect r = host.moved[c.id];
    const KindCode kind = c.kind->code;
    if (kind == KindCode::SmallIcon) {
      EXPECT_EQ(r.width, 16 * host.dpi / 96) << "a small icon at the density's size";
      EXPECT_EQ(r.height, r.width);
    }
    if (before.count(c.id) == 0) continue;
    const Rect old = before[c.id];
    if (kind == KindCode::ListView || kind == KindCode::RichText) {
      EXPECT_TRUE(r.width > old.width && r.height > old.height) << c.id << " takes the room";
    }
    const bool keeps = kind == KindCode::Button || kind == KindCode::DefaultButton || kind == KindCode::CheckBox ||
                       kind == KindCode::RadioButton || kind == KindCode::FirstRadioButton ||
                       kind == KindCode::Label || kind == KindCode::Icon || kind == KindCode::SmallIcon;
    if (keeps) {
      EXPECT_TRUE(r.width == old.width && r.height == old.height) << c.id << " keeps its size";
    }
  }
}

TEST(WhatTheUserSees, TextsFitNothingOverlapsEdgesStayClearAndListsTakeTheRoom) {
  // Every kind, in groups with and without a caption, boxes and two columns,
  // as the program's dialogs nest them.
  Dialog d({Desc(Kind::HBox, 10, 0), Desc(Kind::VGroup, 11, 10), Desc(Kind::CheckBox, 12, 11),
            Desc(Kind::CheckBox, 22, 11), Desc(Kind::Label, 13, 11), Desc(Kind::HBox, 14, 11), Desc(Kind::FirstRadioButton, 15, 14),
            Desc(Kind::RadioButton, 16, 14), Desc(Kind::VGroup, 17, 10), Desc(Kind::TextEdit, 18, 17),
            Desc(Kind::RightEdit, 19, 17), Desc(Kind::HotKeyField, 20, 17), Desc(Kind::ProgressBar, 21, 17),
            Desc(Kind::HGroup, 30, 0), Desc(Kind::Icon, 31, 30), Desc(Kind::Spacer, 32, 30),
            Desc(Kind::Label, 33, 30), Desc(Kind::CentredLabel, 34, 0), Desc(Kind::RightLabel, 35, 0),
            Desc(Kind::ListView, 40, 0), Desc(Kind::RichText, 41, 0), Desc(Kind::SmallIcon, 42, 0),
            Desc(Kind::HGroup, 50, 0), Desc(Kind::DefaultButton, 1, 50), Desc(Kind::Spacer, 51, 50),
            Desc(Kind::Button, 2, 50)});
  // dpi, line height, text width scale
  const int32_t screens[][3] = {{96, 13, 1}, {120, 16, 1}, {144, 19, 1}, {192, 26, 1}, {96, 13, 2}};
  for (const auto& screen : screens) {
    FakeHost host;
    host.dpi = screen[0];
    host.space = {4 * screen[2], screen[1]};
    const int32_t widths[][2] = {{11, 70}, {12, 160}, {22, 60}, {13, 120}, {15, 20}, {16, 30}, {17, 0},  {18, 50},
                                 {19, 0},  {30, 0},   {33, 330}, {34, 90}, {35, 25}, {40, 100}, {41, 300},
                                 {1, 15},  {2, 40}};
    for (const auto& w : widths)
      host.Text(static_cast<uint16_t>(w[0]), w[1] * screen[2], screen[1] * (w[0] == 33 ? 2 : 1), w[1] == 0 ? 0 : 5);
    host.controls[31].window = {32, 32};
    host.controls[21].number = 250;
    const Extent size = MeasureDialog(host, *d.state);
    EXPECT_EQ(d[21].width, 250) << "a progress bar as wide as its text asks";
    std::map<uint16_t, Rect> measured;
    for (Extent at : {size, Extent{size.width + 150, size.height + 90}}) {
      SCOPED_TRACE(testing::Message() << "dpi " << screen[0] << ", " << at.width << "x" << at.height);
      ArrangeDialog(host, *d.state, at.width, at.height);
      ExpectWhatTheUserSees(host, *d.state, at, measured);
      measured = host.moved;
    }
  }
  // A huge text opens in a box that leaves room on a 640x480 screen.
  FakeHost host;
  host.Text(41, 5000, 5000);
  MeasureDialog(host, *d.state);
  EXPECT_LE(d[41].width, 560);
  EXPECT_LE(d[41].height, 400);
}

// The layout check itself, on one small dialog: a group with a check box
// and a radio button in a row, a button below; each fault planted alone.
TEST(LayoutCheck, FindsEachFaultAUserWouldSee) {
  const ShownDialog good{"t", 200, 100, 96, 13, {
      {10, 0, ControlLook::GroupBox, {6, 6, 194, 60}, true, 30, 13, "group"},
      {11, 10, ControlLook::CheckMark, {10, 20, 68, 34}, true, 40, 13, "check"},
      {12, 10, ControlLook::CheckMark, {110, 20, 180, 34}, true, 20, 13, "radio"},
      {13, 11, ControlLook::TextLabel, {0, 0, 0, 0}, true, 60, 13, "held text"},
      {1, 0, ControlLook::PushButton, {60, 66, 140, 90}, true, 30, 13, "OK"}}};
  EXPECT_EQ(FindLayoutProblems(good, HiddenControls::Reported), std::vector<std::string>{});
  struct Case {
    const char* fault;
    size_t control;
    Edges rect;
    int32_t textWidth;
    bool visible;
    const char* found;
  };
  const Case cases[] = {
      {"a control outside its dialog", 4, {150, 66, 210, 90}, 30, true, "leaves its frame or the client area"},
      {"a control outside its group", 1, {140, 62, 198, 76}, 40, true, "leaves its frame"},
      {"two controls overlapping", 4, {60, 55, 140, 80}, 30, true, "overlaps"},
      {"a clipped text", 1, {10, 20, 68, 34}, 43, true, "pixels for its text"},
      {"a cramped radio row", 2, {70, 20, 100, 34}, 10, true, "pixels before the box of"},
      {"a cramped column", 2, {10, 34, 68, 48}, 20, true, "pixels apart"},
      {"a group narrower than what lies below it", 4, {4, 66, 196, 90}, 30, true, "does not line up"},
      {"a held text shown over a control", 3, {100, 25, 160, 38}, 60, true, "overlaps"},
      {"a placed control hidden", 4, {60, 66, 140, 90}, 30, false, "hidden"},
  };
  for (const Case& c : cases) {
    ShownDialog bad = good;
    ShownControl& control = bad.controls[c.control];
    control.rect = c.rect;
    control.textWidth = c.textWidth;
    control.visible = c.visible;
    std::string found;
    for (const std::string& problem : FindLayoutProblems(bad, HiddenControls::Reported)) found += problem + "\n";
    EXPECT_NE(found.find(c.found), std::string::npos) << c.fault << ":\n" << found;
  }
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
