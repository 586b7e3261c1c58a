// The table of control kinds: class name and style of each, as written into
// dialog templates. Style values are the Windows constants spelled out, so
// that this file stays portable.
#include "dlgengine/dlgengine.h"

namespace Kind {
const ControlKind VBox{KindCode::VBox, u"STATIC", 0xD, 0, false};        // SS_OWNERDRAW
const ControlKind HBox{KindCode::HBox, u"STATIC", 0xD, 0, false};
const ControlKind Spacer{KindCode::Spacer, u"STATIC", 0xD, 0, false};
const ControlKind VGroup{KindCode::VGroup, u"BUTTON", 0x7, 0, false};    // BS_GROUPBOX
const ControlKind HGroup{KindCode::HGroup, u"BUTTON", 0x7, 0, false};
const ControlKind Button{KindCode::Button, u"BUTTON", 0x10000, 0, true};  // WS_TABSTOP
const ControlKind DefaultButton{KindCode::DefaultButton, u"BUTTON", 0x10001, 0, true};
const ControlKind CheckBox{KindCode::CheckBox, u"BUTTON", 0x12003, 0, true};  // BS_MULTILINE|BS_AUTOCHECKBOX
const ControlKind RadioButton{KindCode::RadioButton, u"BUTTON", 0x12009, 0, true};
const ControlKind FirstRadioButton{KindCode::FirstRadioButton, u"BUTTON", 0x32009, 0, true};  // + WS_GROUP
const ControlKind Label{KindCode::Label, u"STATIC", 0x100, 0, true};          // SS_NOTIFY|SS_LEFT
const ControlKind CentredLabel{KindCode::CentredLabel, u"STATIC", 0x101, 0, true};
const ControlKind RightLabel{KindCode::RightLabel, u"STATIC", 0x102, 0, true};
const ControlKind Icon{KindCode::Icon, u"STATIC", 0x3, 0, true};              // SS_ICON
const ControlKind SmallIcon{KindCode::SmallIcon, u"STATIC", 0x3, 0, true};
const ControlKind TextEdit{KindCode::TextEdit, u"EDIT", 0x810080, 0, true};   // WS_BORDER|WS_TABSTOP|ES_AUTOHSCROLL
const ControlKind RightEdit{KindCode::RightEdit, u"EDIT", 0x812082, 0, true};  // + ES_RIGHT|ES_NUMBER
const ControlKind ProgressBar{KindCode::ProgressBar, u"msctls_progress32", 0x1, 0, true};  // PBS_SMOOTH
const ControlKind ListView{KindCode::ListView, u"SysListView32", 0x818005, 0, true};
const ControlKind HotKeyField{KindCode::HotKeyField, u"msctls_hotkey32", 0x810000, 0, true};
const ControlKind RichText{KindCode::RichText, u"RichEdit", 0xB108C4, 0, true};
}  // namespace Kind

bool IsContainer(const ControlKind& kind) {
  return kind.code == KindCode::VBox || kind.code == KindCode::HBox ||
         kind.code == KindCode::VGroup || kind.code == KindCode::HGroup;
}
