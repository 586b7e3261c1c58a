// The table of control kinds: class name and style of each, as written into
// dialog templates.
#include "dlgengine/dlgengine.h"
#include "dlgengine/styles.h"

namespace {
using namespace WindowStyle;
// Check boxes and radio buttons: reached with Tab, their captions wrap.
constexpr uint32_t CheckButton = TabStop | ButtonStyle::Multiline;
constexpr uint32_t Edit = Border | TabStop | EditStyle::AutoHScroll;
}  // namespace

namespace Kind {
const ControlKind VBox{KindCode::VBox, u"STATIC", StaticStyle::OwnerDraw, 0, false};
const ControlKind HBox{KindCode::HBox, u"STATIC", StaticStyle::OwnerDraw, 0, false};
const ControlKind Spacer{KindCode::Spacer, u"STATIC", StaticStyle::OwnerDraw, 0, false};
const ControlKind VGroup{KindCode::VGroup, u"BUTTON", ButtonStyle::GroupBox, 0, false};
const ControlKind HGroup{KindCode::HGroup, u"BUTTON", ButtonStyle::GroupBox, 0, false};
const ControlKind Button{KindCode::Button, u"BUTTON", TabStop | ButtonStyle::PushButton, 0, true};
const ControlKind DefaultButton{KindCode::DefaultButton, u"BUTTON", TabStop | ButtonStyle::DefPushButton, 0, true};
const ControlKind CheckBox{KindCode::CheckBox, u"BUTTON", CheckButton | ButtonStyle::AutoCheckBox, 0, true};
const ControlKind RadioButton{KindCode::RadioButton, u"BUTTON", CheckButton | ButtonStyle::AutoRadioButton, 0, true};
const ControlKind FirstRadioButton{KindCode::FirstRadioButton, u"BUTTON",
                                   Group | CheckButton | ButtonStyle::AutoRadioButton, 0, true};
const ControlKind Label{KindCode::Label, u"STATIC", StaticStyle::Notify | StaticStyle::Left, 0, true};
const ControlKind CentredLabel{KindCode::CentredLabel, u"STATIC", StaticStyle::Notify | StaticStyle::Center, 0, true};
const ControlKind RightLabel{KindCode::RightLabel, u"STATIC", StaticStyle::Notify | StaticStyle::Right, 0, true};
const ControlKind Icon{KindCode::Icon, u"STATIC", StaticStyle::Icon, 0, true};
const ControlKind SmallIcon{KindCode::SmallIcon, u"STATIC", StaticStyle::Icon, 0, true};
const ControlKind TextEdit{KindCode::TextEdit, u"EDIT", Edit, 0, true};
// Numbers: digits only.
const ControlKind RightEdit{KindCode::RightEdit, u"EDIT", Edit | EditStyle::Right | EditStyle::Number, 0, true};
const ControlKind ProgressBar{KindCode::ProgressBar, u"msctls_progress32", ProgressStyle::Smooth, 0, true};
const ControlKind ListView{KindCode::ListView, u"SysListView32",
                           Border | TabStop | ListViewStyle::NoSortHeader | ListViewStyle::SingleSelection |
                               ListViewStyle::Report,
                           0, true};
const ControlKind HotKeyField{KindCode::HotKeyField, u"msctls_hotkey32", Border | TabStop, 0, true};
// Read-only rich text that scrolls both ways.
const ControlKind RichText{KindCode::RichText, u"RichEdit",
                          Border | VScroll | HScroll | TabStop | EditStyle::ReadOnly | EditStyle::AutoHScroll |
                              EditStyle::AutoVScroll | EditStyle::Multiline,
                          0, true};
}  // namespace Kind

bool IsContainer(const ControlKind& kind) {
  return kind.code == KindCode::VBox || kind.code == KindCode::HBox ||
         kind.code == KindCode::VGroup || kind.code == KindCode::HGroup;
}
