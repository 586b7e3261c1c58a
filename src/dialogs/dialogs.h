// The dialogs folder's chief header: the message box, the about box, the
// information window and its text, the password dialog with its decisions,
// and the entry of the program settings dialog (its form is in
// program_settings.h). The countdowns (countdown.h) and the drive settings
// dialog (drive_settings.h) have headers of their own; the descriptions are
// in descriptions.h. Every dialog is built with the dialog engine.
#pragma once
#include <cstdint>

#include "compat/wide_text.h"
#include "dlgengine/dlgengine.h"
#include "resources/string_ids.h"

struct DriveRecord;
struct ProgramSettings;
struct SettingsFacts;

// The program's only message box: string `textId` beside the program icon.
// MessageOkCancel in the low four bits of flags gives OK and Cancel, anything
// else OK only; the same four bits go to MessageBeep. MessageTaskbar gives the
// window a taskbar button (for messages without an owner). Returns DialogOk
// for OK, DialogCancel for Cancel (also Esc and the close box when Cancel is
// shown), 0 when an OK-only box is closed otherwise or memory runs out, -1
// when the window cannot be made.
int ShowMessage(DialogWindow owner, StringId textId, uint32_t flags);
constexpr uint32_t MessageOkCancel = 0x1;
constexpr uint32_t MessageTaskbar = 0x2000;
constexpr uint32_t MessageErrorIcon = 0x10;     // the system's MB_ICONERROR
constexpr uint32_t MessageQuestionIcon = 0x20;  // the system's MB_ICONQUESTION
constexpr uint32_t MessageInformationIcon = 0x40;  // the system's MB_ICONINFORMATION

intptr_t ShowAboutDialog(DialogWindow owner);

// The eject password; its hash is ProgramSettings::LockData, empty when no
// password is set (then nothing is asked and both calls return DialogOk).
enum PasswordMode : uint32_t {
  PasswordVerifyMode,  // checks a password against the stored hash
  PasswordNewMode,     // takes a new password twice and stores its hash
};
constexpr uint32_t PasswordHashSize = 35;  // sizeof ProgramSettings::LockData
constexpr uint32_t PasswordLimit = 23;     // passwords of at most 22 characters
// From inside another dialog, titled "Введите пароль" or "Новый пароль".
// Verify mode: DialogOk once the password matches `hash`. New-password mode:
// DialogOk once the password was typed twice alike and its hash stored in
// `hash` (PasswordHashSize bytes); an empty one stores the empty text (no
// password). 0 when the user cancelled; `hash` is then unchanged.
[[nodiscard]] int AskPassword(DialogWindow parent, char* hash, PasswordMode mode, uint32_t limit);
// The main window's check before a guarded operation: brings the main window
// to the front, then asks in verify mode in a window with a taskbar button.
[[nodiscard]] int VerifyPassword(DialogWindow mainWindow, const char* hash, uint32_t limit);

// The password dialog's decisions, given the texts of its two fields.
// OK is enabled in verify mode, and in new-password mode while both fields
// hold the same text (compared exactly, case included).
[[nodiscard]] bool PasswordOkEnabled(PasswordMode mode, const char16_t* password, const char16_t* confirmation);
enum class PasswordVerdict {
  Accepted,  // the dialog ends with DialogOk
  Wrong,     // verify mode: the field is emptied and the user tries again
  Refused,   // new-password mode: a beep, the fields stay for another try
};
// What OK does. `ansi` is the password in the system's code page (null when
// it could not be converted); `lossy` says a character had no form there. A
// new password that lost a character is refused: its lost letters would all
// hash as the same default character. A stored one is written into the
// request's hash.
[[nodiscard]] PasswordVerdict JudgePassword(PasswordMode mode, char* hash, const char16_t* password,
                                            const char16_t* confirmation, const char* ansi, bool lossy);

// The program settings dialog on the live record: 1 after OK (the record and
// the system settings are then written; the caller saves and reloads), 0
// after Cancel, with nothing changed.
int ShowProgramSettingsDialog(DialogWindow parent, ProgramSettings* settings, const SettingsFacts& facts);

// The resizable information window: transport state and every drive.
intptr_t ShowInfoDialog(DialogWindow owner, const DriveRecord* drives, int count);

// What the information text says about the transports.
struct TransportFacts {
  int sptiStatus;
  int aspiStatus;
  int transportId;
  // A value of the ASPI library's version resource, or null.
  const char* (*aspiVersion)(const char* key);
};

// The information text, lines ending in CR LF, as a new block from malloc
// (the caller frees it); null when memory runs out. It grows as needed.
// Each label of InfoColumnLabels is followed by one tab and its value.
[[nodiscard]] char16_t* BuildInfoText(const TransportFacts& facts, const DriveRecord* drives, int count);
// The labels whose values stand in one column: the window sets its one tab
// stop past the widest of them, as measured in its font, so that the column
// is straight in every language.
constexpr int InfoColumnLabelCount = 9;
extern const StringId InfoColumnLabels[InfoColumnLabelCount];
// A label as the text shows it: without the tabs that end it in the string table.
[[nodiscard]] WideSpan InfoLabelText(StringId id);
