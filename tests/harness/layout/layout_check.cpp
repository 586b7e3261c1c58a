#include "tests/harness/layout/layout_check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "dlgengine/styles.h"

namespace {

// Pixels as Wine draws them, at 96 DPI where they grow with the density.
constexpr int32_t ClientEdge = 4;  // a frame right against the window's border looks cut off
constexpr int32_t FrameWidth = 2;  // a group box's etched frame
constexpr int32_t CaptionInset = 7;  // a group's caption starts this far in from each side
// A push button's frame (2 pixels, 3 for the default button) and its focus
// rectangle one pixel inside, then clear pixels before the text.
constexpr int32_t ButtonClearAcross = 7, ButtonClearDown = 4;
constexpr int32_t EditFrame = 6;  // an edit's border and margins round its line
constexpr int32_t CheckMark = 16;  // the box or circle of a check box or radio button and its gap
constexpr int32_t Glyph = 12;  // the box or circle alone, drawn one pixel larger
constexpr int32_t BaseDpi = 96;

constexpr uint32_t ButtonType = 0x0F, StaticType = 0x1F;  // the style bits that say which kind

bool SameClass(const char* a, const char* b) {
  for (; *a != 0 && *b != 0; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
  return *a == *b;
}

int32_t Width(const Edges& r) { return r.right - r.left; }
int32_t Height(const Edges& r) { return r.bottom - r.top; }
bool Inside(const Edges& inner, const Edges& outer) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}
bool AcrossOverlap(const Edges& a, const Edges& b) { return a.left < b.right && b.left < a.right; }
bool DownOverlap(const Edges& a, const Edges& b) { return a.top < b.bottom && b.top < a.bottom; }
bool Overlap(const Edges& a, const Edges& b) { return AcrossOverlap(a, b) && DownOverlap(a, b); }
Edges Union(const Edges& a, const Edges& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

std::string RectText(const Edges& r) {
  char s[64];
  std::snprintf(s, sizeof s, "(%d,%d)-(%d,%d)", int(r.left), int(r.top), int(r.right), int(r.bottom));
  return s;
}

class Checker {
 public:
  explicit Checker(const ShownDialog& dialog) : d_(dialog) {}

  const ShownControl* Find(uint16_t id) const {
    for (const ShownControl& c : d_.controls)
      if (c.id == id) return &c;
    return nullptr;
  }
  static bool IsContainer(const ShownControl& c) { return c.look == ControlLook::Box || c.look == ControlLook::GroupBox; }

  // Reached from the client area through containers only; a control inside
  // any other control (a check box) is a holder of a text, never laid out.
  bool Placed(const ShownControl& c) const {
    uint16_t parent = c.parentId;
    for (size_t guard = 0; parent != 0; ++guard) {
      const ShownControl* p = Find(parent);
      if (p == nullptr || !IsContainer(*p) || guard > d_.controls.size()) return false;
      parent = p->parentId;
    }
    return true;
  }
  // A control kept out of the layout is seen when its dialog places it by
  // hand (a second list over the first).
  bool Shown(const ShownControl& c) const {
    return c.visible && c.look != ControlLook::Box && (Placed(c) || (Width(c.rect) > 0 && Height(c.rect) > 0));
  }

  bool Holds(const ShownControl& outer, const ShownControl& inner) const {
    uint16_t parent = inner.parentId;
    for (size_t guard = 0; parent != 0 && guard <= d_.controls.size(); ++guard) {
      if (parent == outer.id) return true;
      const ShownControl* p = Find(parent);
      if (p == nullptr) return false;
      parent = p->parentId;
    }
    return false;
  }

  // Where a control may lie: inside the frame of its nearest group box and
  // below its caption (the frame's top line runs through the middle of the
  // caption's line, caption or not), else in the client area clear of its edges.
  Edges Bound(const ShownControl& c) const {
    for (const ShownControl* p = Find(c.parentId); p != nullptr; p = Find(p->parentId)) {
      if (p->look != ControlLook::GroupBox) continue;
      const int32_t top = p->textHeight > 0 ? p->textHeight : d_.lineHeight / 2 + FrameWidth / 2;
      return {p->rect.left + FrameWidth, p->rect.top + top, p->rect.right - FrameWidth, p->rect.bottom - FrameWidth};
    }
    return {ClientEdge, ClientEdge, d_.width - ClientEdge, d_.height - ClientEdge};
  }

  // What a box or control covers: its rectangle, or a box's shown contents.
  bool Extent(const ShownControl& c, Edges& extent) const {
    if (c.look != ControlLook::Box) {
      extent = c.rect;
      return Shown(c);
    }
    bool any = false;
    for (const ShownControl& inner : d_.controls) {
      if (!Shown(inner) || !Holds(c, inner)) continue;
      extent = any ? Union(extent, inner.rect) : inner.rect;
      any = true;
    }
    return any;
  }

  int32_t Scaled(int32_t pixels) const { return pixels * d_.dpi / BaseDpi; }

  std::string Name(const ShownControl& c) const {
    return "\"" + d_.title + "\": control " + std::to_string(c.id) + " \"" + c.text + "\" " + RectText(c.rect);
  }

  void CheckText(const ShownControl& c, std::vector<std::string>& problems) const {
    if (c.textWidth == 0 && c.textHeight == 0) return;
    int32_t across = -1, down = -1;
    switch (c.look) {
      case ControlLook::TextLabel: across = Width(c.rect), down = Height(c.rect); break;
      case ControlLook::CheckMark: across = Width(c.rect) - Scaled(CheckMark), down = Height(c.rect); break;
      case ControlLook::PushButton:
        across = Width(c.rect) - 2 * ButtonClearAcross, down = Height(c.rect) - 2 * ButtonClearDown;
        break;
      case ControlLook::GroupBox: across = Width(c.rect) - 2 * CaptionInset; break;
      case ControlLook::TextEdit: down = Height(c.rect) - EditFrame; break;  // it scrolls across
      default: return;
    }
    if ((across != -1 && c.textWidth > across) || (down != -1 && c.textHeight > down))
      problems.push_back(Name(c) + " needs " + std::to_string(c.textWidth) + "x" + std::to_string(c.textHeight) +
                         " pixels for its text, has " + (across != -1 ? std::to_string(across) : "any") + "x" +
                         (down != -1 ? std::to_string(down) : "any"));
  }

  // A quarter of a box between the boxes of a column (each drawn centred on
  // its row); a third of a box and its gap between a label and the next box.
  void CheckGaps(const ShownControl& first, const ShownControl& second, std::vector<std::string>& problems) const {
    const bool ordered = first.rect.left < second.rect.left ||
                         (first.rect.left == second.rect.left && first.rect.top <= second.rect.top);
    const ShownControl& a = ordered ? first : second;
    const ShownControl& b = ordered ? second : first;
    const int32_t glyph = Scaled(Glyph) + 1, mark = Scaled(CheckMark);
    if (AcrossOverlap(a.rect, b.rect)) {
      const Edges& upper = a.rect.top <= b.rect.top ? a.rect : b.rect;
      const Edges& lower = a.rect.top <= b.rect.top ? b.rect : a.rect;
      const int32_t gap = (lower.top + (Height(lower) - glyph) / 2) - (upper.top + (Height(upper) + glyph) / 2);
      if (gap < glyph / 4)
        problems.push_back(Name(a) + " and " + Name(b) + ": their boxes are " + std::to_string(gap) +
                           " pixels apart, fewer than " + std::to_string(glyph / 4));
    } else if (DownOverlap(a.rect, b.rect)) {
      const int32_t gap = b.rect.left - (a.rect.left + mark + a.textWidth);
      if (gap < mark / 3)
        problems.push_back(Name(a) + ": its label ends " + std::to_string(gap) + " pixels before the box of " +
                           Name(b) + ", fewer than " + std::to_string(mark / 3));
    }
  }

  // A group box takes its box's whole width (or a row's whole height), so it
  // spans whatever is stacked above or below it (or stands beside it).
  void CheckLinedUp(const ShownControl& group, std::vector<std::string>& problems) const {
    for (const ShownControl& sibling : d_.controls) {
      Edges e;
      if (&sibling == &group || sibling.parentId != group.parentId || !Placed(sibling) || !Extent(sibling, e)) continue;
      const Edges& g = group.rect;
      const bool stacked = AcrossOverlap(g, e) && !DownOverlap(g, e);
      const bool beside = DownOverlap(g, e) && !AcrossOverlap(g, e);
      if ((stacked && (e.left < g.left || e.right > g.right)) || (beside && (e.top < g.top || e.bottom > g.bottom)))
        problems.push_back(Name(group) + " does not line up with control " + std::to_string(sibling.id) + " " +
                           RectText(e) + (stacked ? " above or below it" : " beside it"));
    }
  }

  std::vector<std::string> Problems(HiddenControls hidden) const {
    std::vector<std::string> problems;
    std::vector<const ShownControl*> shown;
    for (const ShownControl& c : d_.controls) {
      const bool placed = Placed(c);
      if (hidden == HiddenControls::Reported && placed && !c.visible && c.look != ControlLook::Box)
        problems.push_back(Name(c) + " has its place but is hidden");
      if (Shown(c)) shown.push_back(&c);
    }
    for (size_t i = 0; i < shown.size(); ++i) {
      const ShownControl& c = *shown[i];
      const Edges bound = Bound(c);
      if (!Inside(c.rect, bound)) problems.push_back(Name(c) + " leaves its frame or the client area " + RectText(bound));
      CheckText(c, problems);
      if (c.look == ControlLook::GroupBox) CheckLinedUp(c, problems);
      for (size_t j = i + 1; j < shown.size(); ++j) {
        const ShownControl& o = *shown[j];
        if (Overlap(c.rect, o.rect)) {
          if (!Holds(c, o) && !Holds(o, c)) problems.push_back(Name(c) + " overlaps " + Name(o));
        } else if (c.look == ControlLook::CheckMark && o.look == ControlLook::CheckMark && c.parentId == o.parentId) {
          CheckGaps(c, o, problems);
        }
      }
    }
    return problems;
  }

 private:
  const ShownDialog& d_;
};

}  // namespace

// The styles the engine's kinds carry (dlgengine/kinds.cpp).
ControlLook LookOf(const char* className, uint32_t style) {
  if (SameClass(className, "Button")) {
    switch (style & ButtonType) {
      case ButtonStyle::PushButton: case ButtonStyle::DefPushButton: return ControlLook::PushButton;
      case ButtonStyle::AutoCheckBox: case ButtonStyle::AutoRadioButton: return ControlLook::CheckMark;
      case ButtonStyle::GroupBox: return ControlLook::GroupBox;
      default: return ControlLook::Other;
    }
  }
  if (SameClass(className, "Static")) {
    switch (style & StaticType) {
      case StaticStyle::Left: case StaticStyle::Center: case StaticStyle::Right: return ControlLook::TextLabel;
      case StaticStyle::OwnerDraw: return ControlLook::Box;  // the engine's boxes and spacers
      default: return ControlLook::Other;
    }
  }
  if (SameClass(className, "Edit")) return ControlLook::TextEdit;
  return ControlLook::Other;
}

std::vector<std::string> FindLayoutProblems(const ShownDialog& dialog, HiddenControls hidden) {
  return Checker(dialog).Problems(hidden);
}

std::string FormatShownControls(const ShownDialog& dialog) {
  static const char* const looks[] = {"box", "group", "button", "check", "label", "edit", "other"};
  std::string out;
  for (const ShownControl& c : dialog.controls) {
    char line[96];
    std::snprintf(line, sizeof line, "%5u in %-5u %-6s %-26s %-7s text %dx%d \"", unsigned(c.id), unsigned(c.parentId),
                  looks[size_t(c.look)], RectText(c.rect).c_str(), c.visible ? "visible" : "hidden", int(c.textWidth),
                  int(c.textHeight));
    out += line + c.text.substr(0, 60) + "\"\n";
  }
  return out;
}
