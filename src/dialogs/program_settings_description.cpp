// The program settings dialog's description: two columns of groups over OK
// and Cancel. The radios of the delays carry their number of seconds as
// their caption ("Нет" reads as 0). The handlers it names are the Windows
// half's (program_settings_win32.cpp).
#include "dialogs/descriptions.h"
#include "dialogs/program_settings.h"
#include "resources/string_ids.h"

namespace {

using namespace SettingsId;

// The boxes, groups and labels that only arrange the controls.
enum : uint16_t {
  Columns = 100, LeftColumn = 101, RightColumn = 102, StartUpGroup = 103, TimerGroup = 108, AutocloseLabel = 110,
  AutocloseRow = 111, SystemGroup = 117, MiscGroup = 121, AccessGroup = 125, InterfaceGroup = 128,
  ShutdownGroup = 141, DelayLabel = 145, DelayRow = 146, ButtonRow = 152, LanguageGroup = 153, LanguageRow = 157,
};

}  // namespace

const ControlDesc SettingsDescription[] = {
    {&Kind::HBox, Columns, nullptr, NoString, 0, nullptr},
    {&Kind::VBox, LeftColumn, nullptr, NoString, Columns, nullptr},
    {&Kind::VGroup, InterfaceGroup, nullptr, StrInterfaceSettings, LeftColumn, nullptr},
    {&Kind::CheckBox, NumNames, nullptr, StrShortDriveNames, InterfaceGroup, nullptr},
    {&Kind::CheckBox, SeparateEjectClose, nullptr, StrSeparateEjectClose, InterfaceGroup, nullptr},
    {&Kind::CheckBox, TopNames, nullptr, StrDriveNameOnTop, InterfaceGroup, nullptr},
    {&Kind::CheckBox, DeepMenu, nullptr, StrSubmenuPerDrive, InterfaceGroup, nullptr},
    {&Kind::CheckBox, PasswordBox, nullptr, StrEjectPassword, InterfaceGroup, SettingsHandlers::PasswordBoxClick},
    {&Kind::CheckBox, CmdOpen, nullptr, StrShowOpenCommand, InterfaceGroup, nullptr},
    {&Kind::CheckBox, CmdExplore, nullptr, StrShowExploreCommand, InterfaceGroup, nullptr},
    {&Kind::CheckBox, CmdAutorun, nullptr, StrShowAutorunCommand, InterfaceGroup, nullptr},
    {&Kind::CheckBox, IconDisk, nullptr, StrIconColourOnDisc, InterfaceGroup, nullptr},
    {&Kind::CheckBox, IconOpen, nullptr, StrIconColourOnOpenTray, InterfaceGroup, nullptr},
    {&Kind::Label, HashHolder, nullptr, NoString, PasswordBox, nullptr},
    {&Kind::VGroup, SystemGroup, nullptr, StrSystemSettings, LeftColumn, nullptr},
    {&Kind::CheckBox, AutorunAllUsers, nullptr, StrDiscAutorunAllUsers, SystemGroup, SettingsHandlers::RuleBox},
    {&Kind::CheckBox, AutorunCurrentUser, nullptr, StrDiscAutorunCurrentUser, SystemGroup, SettingsHandlers::RuleBox},
    {&Kind::CheckBox, AudioAutoplay, nullptr, StrAudioAutoplay, SystemGroup, nullptr},
    {&Kind::VGroup, MiscGroup, nullptr, StrMiscellaneous, LeftColumn, nullptr},
    {&Kind::CheckBox, ShowUnknown, nullptr, StrShowUnknownDrives, MiscGroup, nullptr},
    {&Kind::CheckBox, ForceRefresh, nullptr, StrRefreshDiscContents, MiscGroup, nullptr},
    {&Kind::CheckBox, ExportBox, nullptr, StrSaveSettingsCopy, MiscGroup, SettingsHandlers::ExportBoxClick},
    {&Kind::Label, PathHolder, nullptr, NoString, ExportBox, nullptr},
    {&Kind::VGroup, LanguageGroup, nullptr, StrLanguage, LeftColumn, nullptr},
    {&Kind::HBox, LanguageRow, nullptr, NoString, LanguageGroup, nullptr},
    {&Kind::FirstRadioButton, LanguageAutoRadio, nullptr, StrLanguageAutomatic, LanguageRow, nullptr},
    {&Kind::RadioButton, LanguageRussianRadio, nullptr, StrLanguageRussian, LanguageRow, nullptr},
    {&Kind::RadioButton, LanguageEnglishRadio, nullptr, StrLanguageEnglish, LanguageRow, nullptr},
    {&Kind::VBox, RightColumn, nullptr, NoString, Columns, nullptr},
    {&Kind::VGroup, StartUpGroup, nullptr, StrStartUpGroup, RightColumn, nullptr},
    {&Kind::CheckBox, Autostart, nullptr, StrStartWithWindows, StartUpGroup, SettingsHandlers::RuleBox},
    {&Kind::CheckBox, ExitAfterStart, nullptr, StrExitAfterStartUp, StartUpGroup, SettingsHandlers::RuleBox},
    {&Kind::CheckBox, HideIcon, nullptr, StrHideIcon, StartUpGroup, SettingsHandlers::RuleBox},
    {&Kind::CheckBox, CloseOnRun, nullptr, StrCloseTraysAtStart, StartUpGroup, nullptr},
    {&Kind::VGroup, ShutdownGroup, nullptr, StrShutdownGroup, RightColumn, nullptr},
    {&Kind::CheckBox, DNEject, nullptr, StrEjectDiscs, ShutdownGroup, nullptr},
    {&Kind::CheckBox, DNClose, nullptr, StrCloseTrays, ShutdownGroup, nullptr},
    {&Kind::CheckBox, DNMessage, nullptr, StrShowReminder, ShutdownGroup, nullptr},
    {&Kind::Label, DelayLabel, nullptr, StrDelaySeconds, ShutdownGroup, nullptr},
    {&Kind::HBox, DelayRow, nullptr, NoString, ShutdownGroup, nullptr},
    {&Kind::FirstRadioButton, DelayFirst + 0, u"3", NoString, DelayRow, nullptr},
    {&Kind::RadioButton, DelayFirst + 1, u"5", NoString, DelayRow, nullptr},
    {&Kind::RadioButton, DelayFirst + 2, u"8", NoString, DelayRow, nullptr},
    {&Kind::RadioButton, DelayFirst + 3, u"10", NoString, DelayRow, nullptr},
    {&Kind::RadioButton, DelayFirst + 4, u"15", NoString, DelayRow, nullptr},
    {&Kind::VGroup, TimerGroup, nullptr, StrTimerGroup, RightColumn, nullptr},
    {&Kind::CheckBox, TimerEnable, nullptr, StrEnableTimer, TimerGroup, SettingsHandlers::RuleBox},
    {&Kind::Label, AutocloseLabel, nullptr, StrCloseTraysAfterSeconds, TimerGroup, nullptr},
    {&Kind::HBox, AutocloseRow, nullptr, NoString, TimerGroup, nullptr},
    {&Kind::FirstRadioButton, AutocloseFirst + 0, nullptr, StrAutoCloseNever, AutocloseRow, nullptr},
    {&Kind::RadioButton, AutocloseFirst + 1, u"3", NoString, AutocloseRow, nullptr},
    {&Kind::RadioButton, AutocloseFirst + 2, u"5", NoString, AutocloseRow, nullptr},
    {&Kind::RadioButton, AutocloseFirst + 3, u"10", NoString, AutocloseRow, nullptr},
    {&Kind::RadioButton, AutocloseFirst + 4, u"15", NoString, AutocloseRow, nullptr},
    {&Kind::VGroup, AccessGroup, nullptr, StrAccessMethod, RightColumn, nullptr},
    {&Kind::FirstRadioButton, ApiAspi, nullptr, StrAspiMethod, AccessGroup, nullptr},
    {&Kind::RadioButton, ApiSpti, nullptr, StrSptiMethod, AccessGroup, nullptr},
    {&Kind::RadioButton, ApiClassDriver, nullptr, StrClassDriverMethod, AccessGroup, nullptr},
    {&Kind::HGroup, ButtonRow, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, DialogOk, nullptr, StrOk, ButtonRow, SettingsHandlers::OkButton},
    {&Kind::Button, DialogCancel, nullptr, StrCancel, ButtonRow, nullptr},
};
const uint32_t SettingsEntries = sizeof SettingsDescription / sizeof SettingsDescription[0];
static_assert(SettingsEntries == 61);

