// The password dialog opened for real, typed into as a user would (WM_CHAR
// to the focused edit), in both modes. Both rows run it: the NT family and
// Windows 98, each with the Cyrillic code page 1251.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "dialogs/dialogs.h"
#include "password/password.h"
#include "settings/settings_record.h"
#include "win32/dialogs/run_with_win32.h"

using dialog_test::RunWith;

namespace {

// "пароль" and 23 Cyrillic letters, as typed, and their bytes in code page 1251.
const std::u16string Parol = u"пароль";
const char ParolBytes[] = "\xEF\xE0\xF0\xEE\xEB\xFC";
const std::u16string Letters23 = u"абвгдеёжзийклмнопрстуфх";
const char Letters22Bytes[] = "\xE0\xE1\xE2\xE3\xE4\xE5\xB8\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF1\xF2\xF3\xF4";
// Made by the independent implementation:
//   openssl passwd -1 -salt abcd "$(printf 'пароль' | iconv -t cp1251)"
//   openssl passwd -1 -salt Varnel32 'Eject me, 22 letters!!'
const char OpensslParol[] = "$1$abcd$fAGQ6G6N9SDbQj0Zr5z3v1";
const char OpensslLong[] = "$1$Varnel32$YE6jy52hoAEDiRXmK8J/F0";

void Type(HWND dialog, int id, const std::u16string& text) {
  HWND edit = GetDlgItem(dialog, id);
  for (char16_t c : text) SendMessageW(edit, WM_CHAR, c, 1);
}

bool OkEnabled(HWND dialog) { return IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE; }
void ClickOk(HWND dialog) { SendDlgItemMessageW(dialog, IDOK, BM_CLICK, 0, 0); }
bool StillOpen(HWND dialog) { return IsWindow(dialog) && FindEngineDialog(GetCurrentThreadId()) == dialog; }
int TextLength(HWND dialog, int id) { return GetWindowTextLengthW(GetDlgItem(dialog, id)); }

TEST(PasswordDialog, NewPasswordNeedsBothFieldsAlikeAndIsStoredAsItsHash) {
  char hash[PasswordHashSize] = "$1$abcd$viHgTShdahZyS2dZoxspO.";
  int result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Новый пароль");
        EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION);
        EXPECT_EQ(GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        EXPECT_EQ(WindowText(GetDlgItem(d, 103)), u"Пароль:");
        EXPECT_EQ(WindowText(GetDlgItem(d, 104)), u"Подтверждение:");
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, 108)));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, 107));
        for (int edit : {107, 108}) {
          EXPECT_EQ(SendDlgItemMessageW(d, edit, EM_GETPASSWORDCHAR, 0, 0), '*');
          EXPECT_EQ(SendDlgItemMessageW(d, edit, EM_GETLIMITTEXT, 0, 0), 22);
        }
        dialog_test::ExpectCleanLayout(d);
        EXPECT_TRUE(OkEnabled(d)) << "both fields empty and alike";
        Type(d, 107, u"secret");
        EXPECT_FALSE(OkEnabled(d));
        Type(d, 108, u"secre");
        EXPECT_FALSE(OkEnabled(d)) << "one character short";
        Type(d, 108, u"t");
        EXPECT_TRUE(OkEnabled(d));
        Type(d, 108, u"x");
        EXPECT_FALSE(OkEnabled(d));
        Type(d, 108, u"\b");
        EXPECT_TRUE(OkEnabled(d));
        ClickOk(d);
      },
      [&hash] { return AskPassword(nullptr, hash, PasswordNewMode, PasswordLimit); });
  EXPECT_EQ(result, 1);
  EXPECT_EQ(std::strlen(hash), 30u) << hash;
  EXPECT_TRUE(IsWellFormedHash(hash)) << hash;
  EXPECT_TRUE(PasswordMatches("secret", hash)) << hash;
}

TEST(PasswordDialog, CancelKeepsTheHashAndAnEmptyConfirmedPasswordRemovesIt) {
  char hash[PasswordHashSize] = "$1$abcd$viHgTShdahZyS2dZoxspO.";
  int result = RunWith(
      [](HWND d) {
        Type(d, 107, u"other");
        Type(d, 108, u"other");
        PressKey(d, VK_ESCAPE);
      },
      [&hash] { return AskPassword(nullptr, hash, PasswordNewMode, PasswordLimit); });
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(hash, "$1$abcd$viHgTShdahZyS2dZoxspO.");
  result = RunWith([](HWND d) { ClickOk(d); },
                   [&hash] { return AskPassword(nullptr, hash, PasswordNewMode, PasswordLimit); });
  EXPECT_EQ(result, 1);
  EXPECT_STREQ(hash, "") << "no password any more";
}

TEST(PasswordDialog, TwentyTwoCyrillicLettersAreTheMostAndHashAsCodePage1251) {
  char hash[PasswordHashSize] = "";
  int result = RunWith(
      [](HWND d) {
        Type(d, 107, Letters23);
        Type(d, 108, Letters23);
        EXPECT_EQ(TextLength(d, 107), 22) << "the 23rd letter is refused";
        EXPECT_EQ(TextLength(d, 108), 22);
        EXPECT_TRUE(OkEnabled(d));
        ClickOk(d);
      },
      [&hash] { return AskPassword(nullptr, hash, PasswordNewMode, PasswordLimit); });
  EXPECT_EQ(result, 1);
  EXPECT_TRUE(PasswordMatches(Letters22Bytes, hash)) << hash;
}

TEST(PasswordDialog, VerifyAcceptsAnOpensslHashAfterAWrongTryThatEmptiesTheField) {
  int result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Varnel 3.2 - Введите пароль");
        EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
        EXPECT_NE(GetWindowLongW(d, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 104)));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, 108)));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(d, 107)));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, 107));
        for (const std::string& problem : CheckLayout(d)) ADD_FAILURE() << problem;  // the hidden row keeps its place
        ClickOk(d);  // nothing typed
        EXPECT_TRUE(StillOpen(d));
        Type(d, 107, u"парол");
        ClickOk(d);
        ASSERT_TRUE(StillOpen(d)) << "a wrong password does not close it";
        EXPECT_EQ(TextLength(d, 107), 0) << "and empties the field";
        Type(d, 107, Parol);
        ClickOk(d);
      },
      [] { return VerifyPassword(nullptr, OpensslParol, PasswordLimit); });
  EXPECT_EQ(result, 1);
  // Asked from inside another dialog: no title prefix, no system menu.
  result = RunWith(
      [](HWND d) {
        EXPECT_EQ(WindowText(d), u"Введите пароль");
        EXPECT_EQ(GetWindowLongW(d, GWL_STYLE) & (WS_CAPTION | WS_SYSMENU), WS_CAPTION);
        Type(d, 107, u"Eject me, 22 letters!!");
        ClickOk(d);
      },
      [] {
        char hash[PasswordHashSize];
        std::strcpy(hash, OpensslLong);
        return AskPassword(nullptr, hash, PasswordVerifyMode, PasswordLimit);
      });
  EXPECT_EQ(result, 1);
}

TEST(PasswordDialog, MalformedStoredHashRefusesEveryPasswordUntilCancelled) {
  for (const char* stored : {"$1$abcd", "$1$abcdfAGQ6G6N9SDbQj0Zr5z3v1", "$1$ab!d$fAGQ6G6N9SDbQj0Zr5z3v1", "garbage"}) {
    int result = RunWith(
        [](HWND d) {
          for (const std::u16string& password : {Parol, std::u16string(u"garbage"), std::u16string()}) {
            Type(d, 107, password);
            ClickOk(d);
            EXPECT_TRUE(StillOpen(d));
          }
          PressKey(d, VK_ESCAPE);
        },
        [stored] { return VerifyPassword(nullptr, stored, PasswordLimit); });
    EXPECT_EQ(result, 0) << stored;
  }
}

TEST(PasswordDialog, NothingIsAskedWithoutAPassword) {
  bool asked = false;
  int result = RunWith([&asked](HWND d) { asked = true, PressKey(d, VK_ESCAPE); },
                       [] { return VerifyPassword(nullptr, "", PasswordLimit); });
  dialog_test::PendingAction() = nullptr;
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(asked);
  char hash[PasswordHashSize] = "";
  EXPECT_EQ(AskPassword(nullptr, hash, PasswordVerifyMode, PasswordLimit), 1);
}

}  // namespace
