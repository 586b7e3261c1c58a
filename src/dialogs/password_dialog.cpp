// The password dialog's decisions: when OK may be pressed and what it does.
#include "dialogs/dialogs.h"
#include "password/password.h"
#include "settings/settings_record.h"

static_assert(PasswordHashSize == sizeof ProgramSettings::LockData);

namespace {

// The same units in the same order: a password's case matters.
bool SameTextExactly(const char16_t* a, const char16_t* b) {
  while (*a != u'\0' && *a == *b) ++a, ++b;
  return *a == *b;
}

}  // namespace

bool PasswordOkEnabled(PasswordMode mode, const char16_t* password, const char16_t* confirmation) {
  return mode == PasswordVerifyMode || SameTextExactly(password, confirmation);
}

PasswordVerdict JudgePassword(PasswordMode mode, char* hash, const char16_t* password, const char16_t* confirmation,
                              const char* ansi, bool lossy) {
  if (mode == PasswordVerifyMode)
    return ansi != nullptr && PasswordMatches(ansi, hash) ? PasswordVerdict::Accepted : PasswordVerdict::Wrong;
  if (!SameTextExactly(password, confirmation) || ansi == nullptr || lossy) return PasswordVerdict::Refused;
  return StoreNewPassword(ansi, hash, PasswordHashSize) ? PasswordVerdict::Accepted : PasswordVerdict::Refused;
}
