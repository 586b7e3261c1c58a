// The program settings dialog: the description and the handlers that copy
// the portable form (program_settings.h) to and from the controls.
#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "common/system_win32.h"
#include "compat/compat.h"
#include "compat/wide_text.h"
#include "dialogs/descriptions.h"
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

// A control's note goes under its caption; set before the layout measures
// the captions, so the box is as tall as its two lines.
void ShowNotes(DialogWindow dialog, const SettingsForm& form) {
  for (uint32_t i = 0; i < SettingsEntries; ++i) {
    const ControlDesc& desc = SettingsDescription[i];
    const uint16_t id = static_cast<uint16_t>(desc.id);
    if (id < SettingsId::First || id > SettingsId::Last) continue;
    const StringId note = form.Note[id - SettingsId::First];
    if (note == NoString) continue;
    std::u16string caption(FindString(desc.textId).Length + FindString(note).Length + 2, u'\0');
    AppendStringResource(AppendWide(AppendStringResource(caption.data(), desc.textId), u"\n"), note);
    WideSetDlgItemText(dialog, id, caption.c_str());
  }
}

// A click on these boxes runs the dialog's own code instead of toggling.
void MakeManualCheckBox(DialogWindow dialog, uint16_t id) {
  SendDlgItemMessageA(dialog, id, BM_SETSTYLE, BS_CHECKBOX | BS_MULTILINE, TRUE);
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

}  // namespace

namespace SettingsHandlers {

// A click on a box that other controls depend on reruns the rules.
intptr_t RuleBox(DialogWindow dialog, uint16_t, uint32_t message, uintptr_t wParam, intptr_t) {
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return FALSE;
  const SettingsRequest* request = UserDataOf<const SettingsRequest>(dialog);
  if (request == nullptr) return TRUE;
  SettingsForm form;
  ReadForm(dialog, form);
  ApplyFormRules(form, request->Facts.WindowsVersion);
  ShowForm(dialog, form);
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
  if (hash[0] == '\0' || AskPassword(dialog, hash, PasswordVerifyMode, PasswordLimit) == DialogOk) {
    if (AskPassword(dialog, hash, PasswordNewMode, PasswordLimit) == DialogOk) SetDlgItemTextA(dialog, HashHolder, hash);
  }
  CheckDlgButton(dialog, id, hash[0] != '\0' ? BST_CHECKED : BST_UNCHECKED);
  return TRUE;
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
    const auto* request = UserDataAtStart<const SettingsRequest>(lParam);
    SettingsForm form;
    ReadForm(dialog, form);
    FillSettingsForm(form, *request->Settings, request->Facts);
    ShowForm(dialog, form);
    ShowNotes(dialog, form);
    ShowWindow(GetDlgItem(dialog, HashHolder), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, PathHolder), SW_HIDE);
    SetDlgItemTextA(dialog, HashHolder, form.LockData);
    SetDlgItemTextA(dialog, PathHolder, form.SavePath);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const SettingsRequest* request = UserDataOf<const SettingsRequest>(dialog);
  if (request == nullptr) return TRUE;
  SettingsForm form;
  ReadForm(dialog, form);
  if (ApplySettingsForm(form, *request->Settings, request->Facts.ShellVersion))
    ShowMessage(dialog, StrRestartSessionNotice, MessageInformationIcon);
  EndDialog(dialog, DialogOk);
  return TRUE;
}

}  // namespace SettingsHandlers

int ShowProgramSettingsDialog(DialogWindow parent, ProgramSettings* settings, const SettingsFacts& facts) {
  SettingsRequest request{settings, facts};
  constexpr uint32_t Style = WS_CAPTION | WS_SYSMENU;
  return RunModalDialog(parent, ProductTitle, StrSettings, Style, WS_EX_APPWINDOW, SettingsDescription,
                        SettingsEntries, &request) == DialogOk
             ? DialogOk
             : 0;
}
