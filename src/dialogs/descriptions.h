// The descriptions of the dialogs (dlgengine/dlgengine.h), which are data and
// portable, and the handlers they name, which are the Windows halves' (the
// *_win32.cpp file of each dialog). The host build compiles the descriptions
// and links none of them: nothing portable opens a dialog.
#pragma once
#include <cstdint>

#include "dlgengine/dlgengine.h"

#define VARNEL_HANDLER(name) intptr_t name(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t lParam)

// The drive settings dialog (drive_settings_description.cpp).
namespace DriveSettingsHandlers {
VARNEL_HANDLER(List);
VARNEL_HANDLER(ListRadio);
VARNEL_HANDLER(SpeedEdit);
VARNEL_HANDLER(AddButton);
VARNEL_HANDLER(DeleteButton);
VARNEL_HANDLER(DeleteAllButton);
VARNEL_HANDLER(DiscoveryButton);
VARNEL_HANDLER(MethodRadio);
VARNEL_HANDLER(LockBoxClick);
VARNEL_HANDLER(OkButton);
}  // namespace DriveSettingsHandlers
extern const ControlDesc DriveSettingsDescription[];
extern const uint32_t DriveSettingsEntries;

// The progress window of a speed discovery (speed_discovery_description.cpp),
// whose handlers are the drive settings dialog's.
namespace ProgressHandlers {
VARNEL_HANDLER(NameLabel);
VARNEL_HANDLER(CancelButton);
}  // namespace ProgressHandlers
extern const ControlDesc ProgressDescription[];
extern const uint32_t ProgressEntries;
constexpr uint16_t ProgressBarId = 105;
constexpr uint16_t ProgressEndLabelId = 104;  // "100%"; a measurement shows the time it has left there

// The program settings dialog (program_settings_description.cpp).
namespace SettingsHandlers {
VARNEL_HANDLER(RuleBox);
VARNEL_HANDLER(PasswordBoxClick);
VARNEL_HANDLER(ExportBoxClick);
VARNEL_HANDLER(OkButton);
}  // namespace SettingsHandlers
extern const ControlDesc SettingsDescription[];
extern const uint32_t SettingsEntries;

// The password dialog (password_dialog_description.cpp).
namespace PasswordHandlers {
VARNEL_HANDLER(PasswordEdit);
VARNEL_HANDLER(OkButton);
}  // namespace PasswordHandlers
extern const ControlDesc PasswordDescription[];
extern const uint32_t PasswordEntries;
constexpr uint16_t PasswordConfirmLabelId = 104;
constexpr uint16_t PasswordEditId = 107;
constexpr uint16_t PasswordConfirmEditId = 108;

// The message box, the about box and the countdowns
// (small_dialogs_description.cpp).
namespace MessageBoxHandlers {
VARNEL_HANDLER(EndWithId);
}  // namespace MessageBoxHandlers
constexpr uint32_t MessageBoxEntries = 7;
extern const ControlDesc MessageBoxDescription[MessageBoxEntries];
constexpr uint16_t MessageTextId = 104;

namespace AboutHandlers {
VARNEL_HANDLER(VersionLabel);
VARNEL_HANDLER(LinkLabel);
}  // namespace AboutHandlers
extern const ControlDesc AboutDescription[];
extern const uint32_t AboutEntries;

namespace CountdownHandlers {
VARNEL_HANDLER(DriveList);
VARNEL_HANDLER(ActionButton);
VARNEL_HANDLER(CancelButton);
}  // namespace CountdownHandlers
extern const ControlDesc DiscInsertedDescription[];
extern const uint32_t DiscInsertedEntries;
extern const ControlDesc TrayOpenDescription[];
extern const uint32_t TrayOpenEntries;
constexpr uint16_t CountdownDriveListId = 102;
constexpr uint16_t CountdownCounterId = 106;

#undef VARNEL_HANDLER
