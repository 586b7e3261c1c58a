// The password dialog's decisions: when OK may be pressed, and what OK does
// with the stored hash in either mode.
#include <gtest/gtest.h>

#include <cstring>

#include "dialogs/dialogs.h"
#include "password/password.h"

namespace {

TEST(PasswordDialog, OkNeedsTwoEqualTextsAndANewPasswordTheCodePageCanHold) {
  EXPECT_TRUE(PasswordOkEnabled(PasswordVerifyMode, u"a", u""));
  EXPECT_TRUE(PasswordOkEnabled(PasswordNewMode, u"Пароль", u"Пароль"));

  // Texts that differ: OK stays disabled, and pressed anyway it stores nothing.
  const struct {
    const char16_t* password;
    const char16_t* confirmation;
    const char* why;
  } differing[] = {{u"ab", u"aB", "case counts"}, {u"Пароль", u"Парол", "confirmation shorter"},
                   {u"abc", u"abcd", "confirmation longer"}};
  char hash[PasswordHashSize] = "";
  for (const auto& d : differing) {
    EXPECT_FALSE(PasswordOkEnabled(PasswordNewMode, d.password, d.confirmation)) << d.why;
    EXPECT_EQ(JudgePassword(PasswordNewMode, hash, d.password, d.confirmation, "abc", false), PasswordVerdict::Refused)
        << d.why;
  }
  EXPECT_EQ(JudgePassword(PasswordNewMode, hash, u"a\u4E00", u"a\u4E00", "a?", true), PasswordVerdict::Refused)
      << "a character lost to the code page";
  EXPECT_EQ(JudgePassword(PasswordNewMode, hash, u"ab", u"ab", nullptr, false), PasswordVerdict::Refused);
  EXPECT_STREQ(hash, "") << "nothing stored by a refusal";

  EXPECT_EQ(JudgePassword(PasswordNewMode, hash, u"Пароль", u"Пароль", "\xCF\xE0\xF0\xEE\xEB\xFC", false),
            PasswordVerdict::Accepted);
  EXPECT_EQ(std::strncmp(hash, "$1$", 3), 0);
  EXPECT_EQ(JudgePassword(PasswordVerifyMode, hash, u"Пароль", u"", "\xCF\xE0\xF0\xEE\xEB\xFC", false),
            PasswordVerdict::Accepted) << "the code page's bytes are what is hashed";
  EXPECT_EQ(JudgePassword(PasswordVerifyMode, hash, u"пароль", u"", "\xEF\xE0\xF0\xEE\xEB\xFC", false),
            PasswordVerdict::Wrong);
  EXPECT_EQ(JudgePassword(PasswordVerifyMode, hash, u"Пароль", u"", nullptr, false), PasswordVerdict::Wrong);

  // An empty new password removes the password.
  EXPECT_EQ(JudgePassword(PasswordNewMode, hash, u"", u"", "", false), PasswordVerdict::Accepted);
  EXPECT_STREQ(hash, "");
}

}  // namespace
