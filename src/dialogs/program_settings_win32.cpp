// The program settings dialog: the description and the handlers that copy
// the portable form (program_settings.h) to and from the controls.
#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "common/system_win32.h"
#include "dialogs/dialogs.h"
#include "dialogs/program_settings.h"
#include "dlgengine/dialog_win32.h"
#include "resources/product.h"

namespace {

using namespace SettingsId;

// What the OK handler needs besides the record (the dialog's userData).
struct SettingsRequest {
  ProgramSettings* Settings;
  SettingsFacts Facts;
};

const SettingsRequest* RequestOf(DialogWindow dialog) {
  const DialogState* state = DialogStateOf(dialog);
  return state != nullptr ? static_cast<const SettingsRequest*>(state->userData) : nullptr;
}

bool IsRadio(uint16_t id) {
  return (id >= AutocloseFirst && id <= AutocloseLast) || (id >= DelayFirst && id <= DelayLast);
}

// The form as the controls show it now; the radios' numbers come from their
// captions.
void ReadForm(DialogWindow dialog, SettingsForm& form) {
  for (uint16_t id = SettingsId::First; id <= SettingsId::Last; ++id) {
    form.Check(id) = IsDlgButtonChecked(dialog, id) == BST_CHECKED;
    form.Enable(id) = IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
    if (IsRadio(id)) form.Number(id) = GetDlgItemInt(dialog, id, nullptr, FALSE);
  }
  GetDlgItemTextA(dialog, HashHolder, form.LockData, sizeof form.LockData);
  GetDlgItemTextA(dialog, PathHolder, form.SavePath, sizeof form.SavePath);
}

void ShowForm(DialogWindow dialog, const SettingsForm& form) {
  for (uint16_t id = SettingsId::First; id <= SettingsId::Last; ++id) {
    HWND control = GetDlgItem(dialog, id);
    if (control == nullptr) continue;
    if (SendMessageA(control, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON)
      CheckDlgButton(dialog, id, form.Checked[id - SettingsId::First] ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(control, form.Enabled[id - SettingsId::First]);
  }
}

// Reads the form, lets a rule change it, shows the result.
void Rerun(DialogWindow dialog, void (*rule)(SettingsForm&)) {
  SettingsForm form;
  ReadForm(dialog, form);
  rule(form);
  ShowForm(dialog, form);
}

// A click on these boxes runs the dialog's own code instead of toggling.
void MakeManualCheckBox(DialogWindow dialog, uint16_t id) {
  SendDlgItemMessageA(dialog, id, BM_SETSTYLE, BS_CHECKBOX | BS_MULTILINE, TRUE);
}

intptr_t StartupBox(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  Rerun(dialog, ApplyStartupRule);
  return TRUE;
}

intptr_t AutorunBox(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  const SettingsRequest* request = RequestOf(dialog);
  if (request == nullptr) return TRUE;
  SettingsForm form;
  ReadForm(dialog, form);
  ApplyAudioRule(form, request->Facts.WindowsVersion);
  ShowForm(dialog, form);
  return TRUE;
}

intptr_t TimerBox(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  Rerun(dialog, ApplyTimerRule);
  return TRUE;
}

intptr_t PasswordBoxClick(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == WM_INITDIALOG) {
    MakeManualCheckBox(dialog, id);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  char hash[sizeof ProgramSettings::LockData] = {};
  GetDlgItemTextA(dialog, HashHolder, hash, sizeof hash);
  // Changing a password needs the old one first.
  if (hash[0] == '\0' || AskPassword(dialog, hash, PasswordVerifyMode, PasswordLimit) == 1) {
    if (AskPassword(dialog, hash, PasswordNewMode, PasswordLimit) == 1) SetDlgItemTextA(dialog, HashHolder, hash);
  }
  CheckDlgButton(dialog, id, hash[0] != '\0' ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

// One record for the life of the process, so the dialog opens where the
// user last chose a file.
OPENFILENAMEA g_saveAs;
constexpr DWORD SaveAsFlags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_NOREADONLYRETURN | OFN_LONGNAMES;
static_assert(SaveAsFlags == 0x00208006);
// The record's size without the Windows 2000 extension, which older
// systems refuse.
constexpr DWORD SaveAsRecordSize = 76;

// The common dialog library brings Wine's printing stack with it, megabytes
// of private memory in every run: it is loaded when Save-As is first opened.
bool AskSavePath(OPENFILENAMEA& record) {
  static const HMODULE library = LoadLibraryA("comdlg32.dll");
  const auto askSave = FindEntryPoint<BOOL(WINAPI*)(OPENFILENAMEA*)>(library, "GetSaveFileNameA");
  return askSave != nullptr && askSave(&record);
}

intptr_t ExportBoxClick(DialogWindow dialog, uint16_t id, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message == WM_INITDIALOG) {
    MakeManualCheckBox(dialog, id);
    return TRUE;
  }
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  char path[sizeof ProgramSettings::SavePath] = {};
  GetDlgItemTextA(dialog, PathHolder, path, sizeof path);
  if (path[0] != '\0') {
    path[0] = '\0';  // a click on a set export switches it off
  } else {
    std::strcpy(path, ".\\varnel.reg");
    if (g_saveAs.lStructSize == 0) {
      g_saveAs.lStructSize = SaveAsRecordSize;
      g_saveAs.lpstrFilter = "*.reg\0*.reg\0*.*\0*.*\0";
      g_saveAs.Flags = SaveAsFlags;
      g_saveAs.lpstrDefExt = "reg";
    }
    g_saveAs.hwndOwner = dialog;
    g_saveAs.lpstrFile = path;
    g_saveAs.nMaxFile = sizeof path;
    if (!AskSavePath(g_saveAs)) path[0] = '\0';
    g_saveAs.lpstrFile = nullptr;
  }
  SetDlgItemTextA(dialog, PathHolder, path);
  CheckDlgButton(dialog, id, path[0] != '\0' ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
}

intptr_t OkButton(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t, intptr_t lParam) {
  if (message == WM_INITDIALOG) {
    const auto* request = static_cast<const SettingsRequest*>(reinterpret_cast<const DialogState*>(lParam)->userData);
    SettingsForm form;
    ReadForm(dialog, form);
    FillSettingsForm(form, *request->Settings, request->Facts);
    ShowForm(dialog, form);
    ShowWindow(GetDlgItem(dialog, HashHolder), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, PathHolder), SW_HIDE);
    SetDlgItemTextA(dialog, HashHolder, form.LockData);
    SetDlgItemTextA(dialog, PathHolder, form.SavePath);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const SettingsRequest* request = RequestOf(dialog);
  if (request == nullptr) return TRUE;
  SettingsForm form;
  ReadForm(dialog, form);
  if (ApplySettingsForm(form, *request->Settings, request->Facts.ShellVersion))
    ShowMessage(dialog, StrRestartSessionNotice, 0x40);
  EndDialog(dialog, 1);
  return TRUE;
}

const ControlDesc SettingsDescription[] = {
    {&Kind::HBox, 100, nullptr, NoString, 0, nullptr},
    {&Kind::VBox, 101, nullptr, NoString, 100, nullptr},
    {&Kind::VGroup, 128, nullptr, StrInterfaceSettings, 101, nullptr},
    {&Kind::CheckBox, NumNames, nullptr, StrShortDriveNames, 128, nullptr},
    {&Kind::CheckBox, SeparateEjectClose, nullptr, StrSeparateEjectClose, 128, nullptr},
    {&Kind::CheckBox, TopNames, nullptr, StrDriveNameOnTop, 128, nullptr},
    {&Kind::CheckBox, DeepMenu, nullptr, StrSubmenuPerDrive, 128, nullptr},
    {&Kind::CheckBox, PasswordBox, nullptr, StrEjectPassword, 128, PasswordBoxClick},
    {&Kind::CheckBox, CmdOpen, nullptr, StrShowOpenCommand, 128, nullptr},
    {&Kind::CheckBox, CmdExplore, nullptr, StrShowExploreCommand, 128, nullptr},
    {&Kind::CheckBox, CmdAutorun, nullptr, StrShowAutorunCommand, 128, nullptr},
    {&Kind::CheckBox, IconDisk, nullptr, StrIconColourOnDisc, 128, nullptr},
    {&Kind::CheckBox, IconOpen, nullptr, StrIconColourOnOpenTray, 128, nullptr},
    {&Kind::Label, HashHolder, nullptr, NoString, PasswordBox, nullptr},
    {&Kind::VGroup, 117, nullptr, StrSystemSettings, 101, nullptr},
    {&Kind::CheckBox, AutorunAllUsers, nullptr, StrDiscAutorunAllUsers, 117, AutorunBox},
    {&Kind::CheckBox, AutorunCurrentUser, nullptr, StrDiscAutorunCurrentUser, 117, AutorunBox},
    {&Kind::CheckBox, AudioAutoplay, nullptr, StrAudioAutoplay, 117, nullptr},
    {&Kind::VGroup, 121, nullptr, StrMiscellaneous, 101, nullptr},
    {&Kind::CheckBox, ShowUnknown, nullptr, StrShowUnknownDrives, 121, nullptr},
    {&Kind::CheckBox, ForceRefresh, nullptr, StrRefreshDiscContents, 121, nullptr},
    {&Kind::CheckBox, ExportBox, nullptr, StrSaveSettingsCopy, 121, ExportBoxClick},
    {&Kind::Label, PathHolder, nullptr, NoString, ExportBox, nullptr},
    {&Kind::VGroup, 153, nullptr, StrLanguage, 101, nullptr},
    {&Kind::HBox, 157, nullptr, NoString, 153, nullptr},
    {&Kind::FirstRadioButton, LanguageAutoRadio, nullptr, StrLanguageAutomatic, 157, nullptr},
    {&Kind::RadioButton, LanguageRussianRadio, nullptr, StrLanguageRussian, 157, nullptr},
    {&Kind::RadioButton, LanguageEnglishRadio, nullptr, StrLanguageEnglish, 157, nullptr},
    {&Kind::VBox, 102, nullptr, NoString, 100, nullptr},
    {&Kind::VGroup, 103, nullptr, StrStartUpGroup, 102, nullptr},
    {&Kind::CheckBox, Autostart, nullptr, StrStartWithWindows, 103, StartupBox},
    {&Kind::CheckBox, ExitAfterStart, nullptr, StrExitAfterStartUp, 103, StartupBox},
    {&Kind::CheckBox, HideIcon, nullptr, StrHideIcon, 103, StartupBox},
    {&Kind::CheckBox, CloseOnRun, nullptr, StrCloseTraysAtStart, 103, nullptr},
    {&Kind::VGroup, 141, nullptr, StrShutdownGroup, 102, nullptr},
    {&Kind::CheckBox, DNEject, nullptr, StrEjectDiscs, 141, nullptr},
    {&Kind::CheckBox, DNClose, nullptr, StrCloseTrays, 141, nullptr},
    {&Kind::CheckBox, DNMessage, nullptr, StrShowReminder, 141, nullptr},
    {&Kind::Label, 145, nullptr, StrDelaySeconds, 141, nullptr},
    {&Kind::HBox, 146, nullptr, NoString, 141, nullptr},
    {&Kind::FirstRadioButton, 147, u"3", NoString, 146, nullptr},
    {&Kind::RadioButton, 148, u"5", NoString, 146, nullptr},
    {&Kind::RadioButton, 149, u"8", NoString, 146, nullptr},
    {&Kind::RadioButton, 150, u"10", NoString, 146, nullptr},
    {&Kind::RadioButton, 151, u"15", NoString, 146, nullptr},
    {&Kind::VGroup, 108, nullptr, StrTimerGroup, 102, nullptr},
    {&Kind::CheckBox, TimerEnable, nullptr, StrEnableTimer, 108, TimerBox},
    {&Kind::Label, 110, nullptr, StrCloseTraysAfterSeconds, 108, nullptr},
    {&Kind::HBox, 111, nullptr, NoString, 108, nullptr},
    {&Kind::FirstRadioButton, 112, nullptr, StrAutoCloseNever, 111, nullptr},
    {&Kind::RadioButton, 113, u"3", NoString, 111, nullptr},
    {&Kind::RadioButton, 114, u"5", NoString, 111, nullptr},
    {&Kind::RadioButton, 115, u"10", NoString, 111, nullptr},
    {&Kind::RadioButton, 116, u"15", NoString, 111, nullptr},
    {&Kind::VGroup, 125, nullptr, StrAccessMethod, 102, nullptr},
    {&Kind::FirstRadioButton, ApiAspi, nullptr, StrAspiMethod, 125, nullptr},
    {&Kind::RadioButton, ApiSpti, nullptr, StrSptiMethod, 125, nullptr},
    {&Kind::HGroup, 152, nullptr, NoString, 0, nullptr},
    {&Kind::DefaultButton, IDOK, nullptr, StrOk, 152, OkButton},
    {&Kind::Button, IDCANCEL, nullptr, StrCancel, 152, nullptr},
};
constexpr uint32_t SettingsEntries = sizeof SettingsDescription / sizeof SettingsDescription[0];
static_assert(SettingsEntries == 60);

}  // namespace

int ShowProgramSettingsDialog(DialogWindow parent, ProgramSettings* settings, const SettingsFacts& facts) {
  SettingsRequest request{settings, facts};
  constexpr uint32_t Style = WS_CAPTION | WS_SYSMENU;
  return RunModalDialog(parent, ProductTitle, StrSettings, Style, WS_EX_APPWINDOW, SettingsDescription,
                        SettingsEntries, &request) == 1
             ? 1
             : 0;
}
