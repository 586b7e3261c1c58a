// The one check of what a user sees of a dialog: a plain record of its shown
// controls, filled from a live window (in the dialog's process or from the
// test driver outside it) or from the engine's computed layout in a native
// test, and the rules every such record must pass:
// - every control lies inside the frame of the group box that holds it in
//   the dialog's control tree (below its caption), or inside the client area
//   clear of its edges;
// - no two controls overlap unless one holds the other in the tree;
// - group boxes stacked in one box line up: each spans what lies above or
//   below it, or beside it in a row;
// - a label's, check box's, radio button's, push button's or group caption's
//   text fits as drawn, with the room the control draws round it;
// - check boxes and radio buttons side by side or in a column keep apart as
//   far as the screen's density makes their boxes large.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "dlgengine/layout.h"

// What a control looks like, from its window class and style: the rules
// differ by what is drawn, not by which engine kind made it.
enum class ControlLook : uint8_t {
  Box,         // an owner-drawn static the engine arranges with: no rectangle of its own
  GroupBox,
  PushButton,
  CheckMark,   // a check box or radio button
  TextLabel,   // a static that draws a line of text
  TextEdit,
  Other,       // icons, lists, progress bars, hot-key fields, rich text
};
ControlLook LookOf(const char* className, uint32_t style);

struct ShownControl {
  uint16_t id;
  uint16_t parentId;  // its container in the dialog's control tree, 0 the client area
  ControlLook look;
  Edges rect;  // in client coordinates
  bool visible;
  int32_t textWidth, textHeight;  // as drawn in its font, 0 without text
  std::string text;  // UTF-8, for the reports
};

struct ShownDialog {
  std::string title;
  int32_t width, height;  // the client area
  int32_t dpi;
  int32_t lineHeight;  // of the dialog font
  std::vector<ShownControl> controls;
};

// Hidden controls are normal where a dialog shows one of two lists in one
// place or hides a row; where none is meant to be hidden, Reported also
// reports a control the layout placed but that is hidden.
enum class HiddenControls { Allowed, Reported };

// One line per control, for a report.
std::string FormatShownControls(const ShownDialog& dialog);

// What is wrong, one line each; empty when nothing is.
std::vector<std::string> FindLayoutProblems(const ShownDialog& dialog,
                                            HiddenControls hidden = HiddenControls::Allowed);
