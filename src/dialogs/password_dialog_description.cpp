// The password dialog: the password and its confirmation, each with its
// label, over OK and Cancel. Verify mode hides the confirmation's row.
#include "dialogs/descriptions.h"
#include "resources/string_ids.h"

namespace {

enum : uint16_t {
  FieldRow = 101, LabelColumn = 102, PasswordLabel = 103, FieldSpacer = 105, EditColumn = 106,
  ButtonRow = 109, ButtonSpacer = 110,
};

}  // namespace

const ControlDesc PasswordDescription[] = {
    {&Kind::HGroup, FieldRow, nullptr, NoString, 0, nullptr},
    {&Kind::VBox, LabelColumn, BoxFill::WeakY, NoString, FieldRow, nullptr},
    {&Kind::Label, PasswordLabel, nullptr, StrPassword, LabelColumn, nullptr},
    {&Kind::Label, PasswordConfirmLabelId, nullptr, StrConfirmPassword, LabelColumn, nullptr},
    {&Kind::Spacer, FieldSpacer, nullptr, NoString, FieldRow, nullptr},
    {&Kind::VBox, EditColumn, nullptr, NoString, FieldRow, nullptr},
    {&Kind::TextEdit, PasswordEditId, nullptr, NoString, EditColumn, PasswordHandlers::PasswordEdit},
    {&Kind::TextEdit, PasswordConfirmEditId, nullptr, NoString, EditColumn, PasswordHandlers::PasswordEdit},
    {&Kind::HGroup, ButtonRow, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, DialogOk, nullptr, StrOk, ButtonRow, PasswordHandlers::OkButton},
    {&Kind::Spacer, ButtonSpacer, nullptr, NoString, ButtonRow, nullptr},
    {&Kind::Button, DialogCancel, nullptr, StrCancel, ButtonRow, nullptr},
};
const uint32_t PasswordEntries = sizeof PasswordDescription / sizeof PasswordDescription[0];
