// Box layout arithmetic against a host that reports fixed sizes.
#include <gtest/gtest.h>

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
  Extent size = MeasureDialog(host, *d.state);
  EXPECT_EQ(size.width, 60 + 4 + 17);
  EXPECT_EQ(size.height, 20 + 44 + 20);
  ArrangeDialog(host, *d.state, 200, 300);
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

TEST(BoxLayout, GroupMarginsWithAndWithoutCaption) {
  FakeHost host;
  Dialog d({Desc(Kind::VGroup, 101, 0), Desc(Kind::Label, 102, 101), Desc(Kind::HGroup, 103, 0),
            Desc(Kind::Label, 104, 103)});
  host.Text(101, 60, 16);  // caption
  host.Text(102, 40, 20);
  host.controls[103].length = 0;  // no caption: half a space height plus 4 on top
  host.Text(104, 40, 20);
  Extent size = MeasureDialog(host, *d.state);
  EXPECT_EQ(d[101].width, 60 + 18);
  EXPECT_EQ(d[101].height, 20 + 16 + 4);
  EXPECT_EQ(d[103].width, 40 + 18);
  EXPECT_EQ(d[103].height, 20 + (14 / 2 + 4) + 4);
  EXPECT_EQ(d[101].fillX, FillWeak);  // groups stretch weakly by default
  EXPECT_EQ(d[101].fillY, FillWeak);
  ArrangeDialog(host, *d.state, size.width, size.height);
  EXPECT_EQ(host.moved[101].x, 0);
  EXPECT_EQ(host.moved[101].y, 0);
  EXPECT_EQ(host.moved[102].x, 9);
  EXPECT_EQ(host.moved[102].y, 16);
  const Rect g = host.moved[103];
  EXPECT_EQ(g.y, 40);
  EXPECT_EQ(host.moved[104].y, g.y + 11);
  EXPECT_EQ(host.moved[104].x, g.x + 9 + 10);  // centred in the 60 px inside
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
  EXPECT_EQ(size.height, 14);
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

struct LeafCase {
  const char* name;
  const ControlKind* kind;
  FakeControl control;
  Extent size;
  Fill fill;
};

TEST(LeafMeasure, EachKindReportsItsSizeAndFill) {
  auto text = [](int32_t w, int32_t h, uint32_t n = 5) {
    FakeControl c;
    c.text = {w, h};
    c.length = n;
    return c;
  };
  FakeControl progress;
  progress.number = 250;
  FakeControl list = text(100, 14);
  list.tabs = 1;
  FakeControl icon;
  icon.window = {32, 32};
  const LeafCase cases[] = {
      {"spacer", &Kind::Spacer, {}, {9, 9}, {0, 0}},
      {"button", &Kind::Button, text(40, 14), {96, 24}, {0, 0}},
      {"wide button", &Kind::DefaultButton, text(120, 14), {130, 24}, {0, 0}},
      {"check box", &Kind::CheckBox, text(100, 13), {100 + 12 + 2 + 8, 14}, {0, 0}},
      {"label", &Kind::Label, text(70, 13), {70, 13}, {0, 0}},
      {"centred label", &Kind::CentredLabel, text(70, 13), {70, 13}, {2, 0}},
      {"icon", &Kind::Icon, icon, {32, 32}, {0, 0}},
      {"small icon", &Kind::SmallIcon, {}, {16, 16}, {0, 0}},
      {"edit", &Kind::TextEdit, text(50, 13), {50 + 10 + 6, 19}, {2, 0}},
      {"empty edit", &Kind::RightEdit, text(0, 0, 0), {20, 20}, {2, 0}},
      {"progress", &Kind::ProgressBar, progress, {250, 17}, {2, 0}},
      {"progress without width", &Kind::ProgressBar, {}, {100, 17}, {2, 0}},
      {"list without answer", &Kind::ListView, list, {100 + 16 + 16 + 4 + 17, 8 * 14 + 4}, {1, 1}},
      {"hot key", &Kind::HotKeyField, {}, {30 * 4 + 6, 20}, {2, 0}},
      {"rich text", &Kind::RichText, text(100, 100), {134, 122}, {1, 1}},
      {"wide rich text", &Kind::RichText, text(900, 100), {512, 122 + 17}, {1, 1}},
      {"huge rich text", &Kind::RichText, text(900, 900), {512 + 17, 384}, {1, 1}},
  };
  for (const LeafCase& c : cases) {
    FakeHost host;
    host.controls[101] = c.control;
    Dialog d({Desc(*c.kind, 101, 0)});
    MeasureDialog(host, *d.state);
    EXPECT_EQ(d[101].width, c.size.width) << c.name;
    EXPECT_EQ(d[101].height, c.size.height) << c.name;
    EXPECT_EQ(d[101].fillX, c.fill.x) << c.name;
    EXPECT_EQ(d[101].fillY, c.fill.y) << c.name;
  }
}

TEST(LeafMeasure, CheckBoxUsesAtLeast96DotsPerInch) {
  FakeHost host;
  host.dpi = 72;
  host.Text(101, 100, 10);
  Dialog d({Desc(Kind::RadioButton, 101, 0)});
  MeasureDialog(host, *d.state);
  EXPECT_EQ(d[101].width, 100 + 12 + 2 + 8);
  EXPECT_EQ(d[101].height, 14);
  host.dpi = 120;
  MeasureDialog(host, *d.state);
  EXPECT_EQ(d[101].width, 100 + 15 + 2 + 8);
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
