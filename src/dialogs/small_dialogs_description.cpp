// The descriptions of the small dialogs: the message box, the about box and
// the two end-of-session countdowns. The handlers they name are the Windows
// halves' (message_box_win32.cpp, about_win32.cpp, countdown_win32.cpp).
#include "dialogs/countdown.h"
#include "dialogs/descriptions.h"
#include "resources/string_ids.h"

namespace {

enum : uint16_t { MessageRow = 101, MessageIcon = 102, MessageGap = 103, MessageButtons = 105 };

enum : uint16_t {
  AboutRow = 101, AboutIcon = 102, AboutGap = 103, AboutText = 104, VersionRow = 105, VersionPrefix = 106,
  VersionLabel = 107, BlankLine1 = 110, BlankLine2 = 111, AuthorLine = 112, MailLink = 113, WebLink = 114,
  AboutButtons = 115,
};

enum : uint16_t {
  CountdownFrame = 101, CounterRow = 103, SecondsLeftLabel = 104, CounterGap = 105, CountdownButtons = 107,
  CountdownButtonGap = 108,
};

}  // namespace

// Cancel comes last, so that leaving out the last entry gives OK only.
const ControlDesc MessageBoxDescription[MessageBoxEntries] = {
    {&Kind::HGroup, MessageRow, nullptr, NoString, 0, nullptr},
    {&Kind::Icon, MessageIcon, u"IconApp", NoString, MessageRow, nullptr},
    {&Kind::Spacer, MessageGap, nullptr, NoString, MessageRow, nullptr},
    {&Kind::Label, MessageTextId, nullptr, NoString, MessageRow, nullptr},
    {&Kind::HGroup, MessageButtons, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, DialogOk, nullptr, StrOk, MessageButtons, MessageBoxHandlers::EndWithId},
    {&Kind::Button, DialogCancel, nullptr, StrCancel, MessageButtons, MessageBoxHandlers::EndWithId},
};

const ControlDesc AboutDescription[] = {
    {&Kind::HGroup, AboutRow, nullptr, NoString, 0, nullptr},
    {&Kind::Icon, AboutIcon, u"IconApp", NoString, AboutRow, nullptr},
    {&Kind::Spacer, AboutGap, nullptr, NoString, AboutRow, nullptr},
    {&Kind::VBox, AboutText, nullptr, NoString, AboutRow, nullptr},
    {&Kind::HBox, VersionRow, nullptr, NoString, AboutText, nullptr},
    {&Kind::Label, VersionPrefix, nullptr, StrVersionPrefix, VersionRow, nullptr},
    {&Kind::Label, VersionLabel, nullptr, NoString, VersionRow, AboutHandlers::VersionLabel},
    {&Kind::Label, BlankLine1, u" ", NoString, AboutText, nullptr},
    {&Kind::Label, AuthorLine, nullptr, StrAuthorLine, AboutText, nullptr},
    {&Kind::Label, BlankLine2, u" ", NoString, AboutText, nullptr},
    {&Kind::Label, WebLink, nullptr, StrWebLink, AboutText, AboutHandlers::LinkLabel},
    {&Kind::Label, MailLink, nullptr, StrMailLink, AboutText, AboutHandlers::LinkLabel},
    {&Kind::HGroup, AboutButtons, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, DialogOk, nullptr, StrOk, AboutButtons, nullptr},
};
const uint32_t AboutEntries = sizeof AboutDescription / sizeof AboutDescription[0];

const ControlDesc DiscInsertedDescription[] = {
    {&Kind::VGroup, CountdownFrame, nullptr, NoString, 0, nullptr},
    {&Kind::Label, CountdownDriveListId, nullptr, NoString, CountdownFrame, CountdownHandlers::DriveList},
    {&Kind::HBox, CounterRow, BoxFill::Fixed, NoString, CountdownFrame, nullptr},
    {&Kind::Label, SecondsLeftLabel, nullptr, StrSecondsLeft, CounterRow, nullptr},
    {&Kind::Spacer, CounterGap, nullptr, NoString, CounterRow, nullptr},
    {&Kind::RightLabel, CountdownCounterId, u"00", NoString, CounterRow, nullptr},
    {&Kind::HGroup, CountdownButtons, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, CountdownActionId, nullptr, StrEject, CountdownButtons, CountdownHandlers::ActionButton},
    {&Kind::Spacer, CountdownButtonGap, nullptr, NoString, CountdownButtons, nullptr},
    {&Kind::Button, CountdownCancelId, nullptr, StrCancel, CountdownButtons, CountdownHandlers::CancelButton},
};
const uint32_t DiscInsertedEntries = sizeof DiscInsertedDescription / sizeof DiscInsertedDescription[0];

const ControlDesc TrayOpenDescription[] = {
    {&Kind::VGroup, CountdownFrame, nullptr, NoString, 0, nullptr},
    {&Kind::HBox, CounterRow, BoxFill::Fixed, NoString, CountdownFrame, nullptr},
    {&Kind::Label, SecondsLeftLabel, nullptr, StrSecondsLeft, CounterRow, nullptr},
    {&Kind::Spacer, CounterGap, nullptr, NoString, CounterRow, nullptr},
    {&Kind::RightLabel, CountdownCounterId, u"00", NoString, CounterRow, nullptr},
    {&Kind::HGroup, CountdownButtons, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, CountdownActionId, nullptr, StrCloseTray, CountdownButtons, CountdownHandlers::ActionButton},
    {&Kind::Spacer, CountdownButtonGap, nullptr, NoString, CountdownButtons, nullptr},
    {&Kind::Button, CountdownCancelId, nullptr, StrCancel, CountdownButtons, CountdownHandlers::CancelButton},
};
const uint32_t TrayOpenEntries = sizeof TrayOpenDescription / sizeof TrayOpenDescription[0];
