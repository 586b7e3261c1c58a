// The drive settings dialog's description: its controls, nested in boxes,
// in the order the layout and Tab follow. The handlers it names are the
// Windows half's (drive_settings_win32.cpp).
#include "dialogs/descriptions.h"
#include "dialogs/drive_settings.h"

namespace {

using namespace DriveId;

// The boxes, groups, labels and spacers that only arrange the controls.
enum : uint16_t {
  HeaderRow = 101, BodyRow = 104, LeftColumn = 105, RightColumn = 106,
  RestoreGroup = 107, TimerGroup = 117, TimerIndent = 118, TimerRadios = 119, TimerRows = 120,
  TimerShortColumn = 121, TimerLongColumn = 122,
  DiscoveryRow = 132, DiscoveryColumn = 133, DiscoveryGroup = 134, MethodGroup = 138, MethodColumn = 139,
  ListGroup = 143, ListColumn = 144, EditRows = 147, SpeedEditColumn = 148, CommandEditColumn = 149,
  EditSpacer = 150, UnitColumn = 151, TimesLabel = 154, KilobytesLabel = 157, ListSpacer = 158,
  ListButtons = 159, ListRadios = 160,
  HotkeyGroup = 166, HotkeyLabelColumn = 167, HotkeySpacer1 = 168, HotkeyFieldColumn = 169, HotkeySpacer2 = 170,
  PlusColumn = 171, HotkeySpacer3 = 172, WinKeyColumn = 173, WinLogoColumn = 174,
  HotkeyLabelFirst = 175,  // 175..181
  PlusLabelFirst = 189,    // 189..195
  WinLogoFirst = 203,      // 203..209
  ServiceGroup = 210, ShortNameRow = 214, ShortNameSpacer = 215, ShortNameLabel = 216,
  ButtonRow = 218,
};

// Entries with a literal text, and entries with a string-table text.
#define WITH_TEXT(kind, id, text, parent) {&Kind::kind, id, text, NoString, parent, nullptr}
#define WITH_STRING(kind, id, textId, parent, handler) {&Kind::kind, id, nullptr, textId, parent, handler}
// One hot key row: its field and Windows-key box follow each other, so that
// Tab goes from a combination to its Windows key and on to the next row.
#define HOTKEY_ROW(slot)                                                                   \
  WITH_STRING(HotKeyField, HotKeyFieldFirst + (slot), NoString, HotkeyFieldColumn, nullptr), \
      WITH_STRING(CheckBox, WinKeyBoxFirst + (slot), NoString, WinKeyColumn, nullptr)

}  // namespace

const ControlDesc DriveSettingsDescription[] = {
    WITH_TEXT(HBox, HeaderRow, nullptr, 0),
    WITH_STRING(CentredLabel, NameLabel, NoString, HeaderRow, nullptr),
    WITH_STRING(CheckBox, IgnoreBox, StrDoNotManageDrive, HeaderRow, nullptr),
    WITH_TEXT(HBox, BodyRow, nullptr, 0),
    WITH_TEXT(VBox, LeftColumn, nullptr, BodyRow),
    WITH_STRING(VGroup, RestoreGroup, StrRestoreSpeed, LeftColumn, nullptr),
    WITH_STRING(CheckBox, RestoreBoxFirst + 0, StrOnProgramStart, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, RestoreBoxFirst + 1, StrOnDiscChange, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, RestoreBoxFirst + 2, StrOnWake, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, RestoreBoxFirst + 3, StrOnTrayClose, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, IgnoreSpeedBox, StrWhateverCurrentSpeed, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, OnlyWithDiskBox, StrOnlyWithDisc, RestoreGroup, nullptr),
    WITH_STRING(CheckBox, WhenAudioBox, StrWhileAudioPlays, RestoreGroup, nullptr),
    WITH_STRING(HGroup, TimerGroup, StrOnTimer, RestoreGroup, nullptr),
    WITH_TEXT(VBox, TimerIndent, BoxFill::WeakX, TimerGroup),
    WITH_TEXT(VBox, TimerRadios, nullptr, TimerGroup),
    WITH_STRING(FirstRadioButton, TimerRadioFirst + 0, StrPeriodNever, TimerRadios, nullptr),
    WITH_TEXT(HBox, TimerRows, nullptr, TimerRadios),
    WITH_TEXT(VBox, TimerShortColumn, nullptr, TimerRows),
    WITH_STRING(RadioButton, TimerRadioFirst + 1, StrPeriod5Seconds, TimerShortColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 2, StrPeriod15Seconds, TimerShortColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 3, StrPeriod30Seconds, TimerShortColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 4, StrPeriod1Minute, TimerShortColumn, nullptr),
    WITH_TEXT(VBox, TimerLongColumn, nullptr, TimerRows),
    WITH_STRING(RadioButton, TimerRadioFirst + 5, StrPeriod5Minutes, TimerLongColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 6, StrPeriod15Minutes, TimerLongColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 7, StrPeriod30Minutes, TimerLongColumn, nullptr),
    WITH_STRING(RadioButton, TimerRadioFirst + 8, StrPeriod1Hour, TimerLongColumn, nullptr),
    WITH_STRING(CheckBox, ForceReadBox, StrReadAfterSetting, RestoreGroup, nullptr),
    WITH_STRING(VGroup, ServiceGroup, StrServiceGroup, LeftColumn, nullptr),
    WITH_STRING(CheckBox, ShortMenuBox, StrGroupSpeedMenu, ServiceGroup, nullptr),
    WITH_STRING(CheckBox, LockBox, StrLockWhenClosed, ServiceGroup, DriveSettingsHandlers::LockBoxClick),
    WITH_TEXT(HBox, ShortNameRow, nullptr, ServiceGroup),
    WITH_STRING(Label, ShortNameLabel, StrShortName, ShortNameRow, nullptr),
    WITH_STRING(Spacer, ShortNameSpacer, NoString, ShortNameRow, nullptr),
    WITH_STRING(TextEdit, ShortNameEdit, NoString, ShortNameRow, nullptr),
    WITH_TEXT(VBox, RightColumn, nullptr, BodyRow),
    WITH_TEXT(HBox, DiscoveryRow, nullptr, RightColumn),
    WITH_TEXT(VBox, DiscoveryColumn, nullptr, DiscoveryRow),
    WITH_STRING(VGroup, DiscoveryGroup, StrSpeedProbing, DiscoveryColumn, nullptr),
    WITH_STRING(Button, FastButton, StrFast, DiscoveryGroup, DriveSettingsHandlers::DiscoveryButton),
    WITH_STRING(Button, FullButton, StrFull, DiscoveryGroup, DriveSettingsHandlers::DiscoveryButton),
    WITH_STRING(Button, MeasureButton, StrMeasure, DiscoveryGroup, DriveSettingsHandlers::DiscoveryButton),
    WITH_STRING(HGroup, MethodGroup, StrDvdSpeed, DiscoveryColumn, nullptr),
    WITH_STRING(FirstRadioButton, MethodAutoRadio, StrAuto, MethodGroup, DriveSettingsHandlers::MethodRadio),
    WITH_TEXT(VBox, MethodColumn, BoxFill::WeakY, MethodGroup),
    {&Kind::RadioButton, MethodDvdRadio, u"DVD", NoString, MethodColumn, DriveSettingsHandlers::MethodRadio},
    {&Kind::RadioButton, MethodCdRadio, u"CD", NoString, MethodColumn, DriveSettingsHandlers::MethodRadio},
    WITH_STRING(HGroup, ListGroup, StrSpeedList, DiscoveryRow, nullptr),
    WITH_TEXT(VBox, ListColumn, nullptr, ListGroup),
    WITH_STRING(ListView, CdList, StrSpeedListColumns, ListColumn, DriveSettingsHandlers::List),
    WITH_STRING(ListView, DvdList, StrSpeedListColumns, CdList, DriveSettingsHandlers::List),
    WITH_TEXT(HBox, EditRows, nullptr, ListColumn),
    WITH_TEXT(VBox, SpeedEditColumn, nullptr, EditRows),
    WITH_STRING(RightEdit, SpeedTimesEdit, NoString, SpeedEditColumn, DriveSettingsHandlers::SpeedEdit),
    WITH_STRING(RightEdit, SpeedKbEdit, NoString, SpeedEditColumn, DriveSettingsHandlers::SpeedEdit),
    WITH_TEXT(VBox, CommandEditColumn, nullptr, EditRows),
    WITH_STRING(RightEdit, CommandTimesEdit, NoString, CommandEditColumn, DriveSettingsHandlers::SpeedEdit),
    WITH_STRING(RightEdit, CommandKbEdit, NoString, CommandEditColumn, DriveSettingsHandlers::SpeedEdit),
    WITH_STRING(Spacer, EditSpacer, NoString, EditRows, nullptr),
    WITH_TEXT(VBox, UnitColumn, BoxFill::WeakY, EditRows),
    WITH_STRING(Label, TimesLabel, StrTimesSuffix, UnitColumn, nullptr),
    WITH_STRING(Label, KilobytesLabel, StrKilobytesPerSecond, UnitColumn, nullptr),
    WITH_STRING(Spacer, ListSpacer, NoString, ListGroup, nullptr),
    WITH_TEXT(VBox, ListButtons, BoxFill::WeakY, ListGroup),
    WITH_TEXT(HBox, ListRadios, BoxFill::WeakX, ListButtons),
    {&Kind::FirstRadioButton, CdListRadio, u"CD", NoString, ListRadios, DriveSettingsHandlers::ListRadio},
    {&Kind::RadioButton, DvdListRadio, u"DVD", NoString, ListRadios, DriveSettingsHandlers::ListRadio},
    WITH_STRING(Button, DeleteButton, StrDelete, ListButtons, DriveSettingsHandlers::DeleteButton),
    WITH_STRING(Button, DeleteAllButton, StrDeleteAll, ListButtons, DriveSettingsHandlers::DeleteAllButton),
    WITH_STRING(Button, AddButton, StrAdd, ListButtons, DriveSettingsHandlers::AddButton),
    WITH_STRING(HGroup, HotkeyGroup, StrHotkeys, RightColumn, nullptr),
    WITH_TEXT(VBox, HotkeyLabelColumn, BoxFill::WeakY, HotkeyGroup),
    WITH_STRING(Label, HotkeyLabelFirst + 0, StrHotkeyEject, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 1, StrHotkeyClose, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 2, StrHotkeyMaxSpeed, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 3, StrHotkeyFaster, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 4, StrHotkeySelectedSpeed, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 5, StrHotkeySlower, HotkeyLabelColumn, nullptr),
    WITH_STRING(Label, HotkeyLabelFirst + 6, StrHotkeyMinSpeed, HotkeyLabelColumn, nullptr),
    WITH_STRING(Spacer, HotkeySpacer1, NoString, HotkeyGroup, nullptr),
    WITH_TEXT(VBox, HotkeyFieldColumn, BoxFill::WeakY, HotkeyGroup),
    WITH_STRING(Spacer, HotkeySpacer2, NoString, HotkeyGroup, nullptr),
    WITH_TEXT(VBox, PlusColumn, BoxFill::WeakY, HotkeyGroup),
    WITH_STRING(Spacer, HotkeySpacer3, NoString, HotkeyGroup, nullptr),
    WITH_TEXT(VBox, WinKeyColumn, BoxFill::WeakY, HotkeyGroup),
    WITH_TEXT(VBox, WinLogoColumn, BoxFill::WeakY, HotkeyGroup),
    HOTKEY_ROW(0), HOTKEY_ROW(1), HOTKEY_ROW(2), HOTKEY_ROW(3), HOTKEY_ROW(4), HOTKEY_ROW(5), HOTKEY_ROW(6),
    WITH_TEXT(Label, PlusLabelFirst + 0, u"+", PlusColumn), WITH_TEXT(Label, PlusLabelFirst + 1, u"+", PlusColumn),
    WITH_TEXT(Label, PlusLabelFirst + 2, u"+", PlusColumn), WITH_TEXT(Label, PlusLabelFirst + 3, u"+", PlusColumn),
    WITH_TEXT(Label, PlusLabelFirst + 4, u"+", PlusColumn), WITH_TEXT(Label, PlusLabelFirst + 5, u"+", PlusColumn),
    WITH_TEXT(Label, PlusLabelFirst + 6, u"+", PlusColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 0, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 1, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 2, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 3, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 4, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 5, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(SmallIcon, WinLogoFirst + 6, u"IconWinLogo", WinLogoColumn),
    WITH_TEXT(HGroup, ButtonRow, nullptr, 0),
    WITH_STRING(DefaultButton, DialogOk, StrOk, ButtonRow, DriveSettingsHandlers::OkButton),
    WITH_STRING(Button, DialogCancel, StrCancel, ButtonRow, nullptr),
};
#undef WITH_TEXT
#undef WITH_STRING
#undef HOTKEY_ROW
const uint32_t DriveSettingsEntries = sizeof DriveSettingsDescription / sizeof DriveSettingsDescription[0];
static_assert(sizeof DriveSettingsDescription / sizeof DriveSettingsDescription[0] == 118,
              "the drive settings dialog has 118 entries");
