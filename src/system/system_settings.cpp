#include <cstring>
#include <string>
#include <string_view>

#include "registry/registry.h"
#include "system/system.h"

namespace {

const SystemOps* g_row = nullptr;

// KEY_READ | KEY_CREATE_SUB_KEY | KEY_SET_VALUE: enough to change the policy
// value where a user may not hold full access to the key.
constexpr uint32_t PolicyAccess = RegAccess::Read | RegAccess::CreateSubKey | RegAccess::SetValue;
static_assert(PolicyAccess == 0x2001F);

// A Run value larger than this is no command line the program wrote.
constexpr uint32_t MaxRunValueBytes = 64 * 1024;
constexpr uint32_t AudioVerbBytes = 64;
constexpr uint32_t HungAppTimeoutBytes = 16;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

bool SameTextIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

// The value as text: its bytes up to the first zero, whatever its type says.
bool ReadRunText(RegKey key, const char* name, std::string& text) {
  uint32_t size = ReadValue(key, name, nullptr, 0);
  if (size == 0 || size > MaxRunValueBytes) return false;
  text.assign(size, '\0');
  uint32_t read = ReadValue(key, name, text.data(), size);
  if (read == 0) return false;
  text.resize(read);
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  return true;
}

RegKey CreatePolicyKey(RegKey hive, uint32_t* disposition) {
  RegKey key;
  if (Registry().CreateKey(hive, FixedStrings::PolicyKey, PolicyAccess, &key, disposition) != RegError::Success)
    return RegKey{};
  return key;
}

}  // namespace

const SystemOps& System() { return g_row ? *g_row : SystemRow(); }
void InstallSystemOps(const SystemOps* row) { g_row = row; }

std::string GetModulePath() { return System().ModulePath(); }

void SetAutostart(const char* valueName, const char* argument) {
  std::string command = GetModulePath();
  if (command.empty()) return;
  if (argument && *argument) command.append(" ").append(argument);
  RegKey run;
  if (Registry().CreateKey(RegRoot::CurrentUser, FixedStrings::RunKey, RegAccess::AllAccess, &run, nullptr) !=
      RegError::Success)
    return;
  OwnedRegKey owned(run);
  WriteString(run, valueName, command.c_str());
  for (const char* former : FixedStrings::FormerRunValues) Registry().DeleteValue(run, former);
}

void RemoveAutostart(const char* valueName) {
  RegKey run;
  if (Registry().OpenKey(RegRoot::CurrentUser, FixedStrings::RunKey, RegAccess::AllAccess, &run) != RegError::Success)
    return;
  OwnedRegKey owned(run);
  Registry().DeleteValue(run, valueName);
}

bool IsAutostart(const char* valueName, const char* argument) {
  std::string path = GetModulePath();
  if (path.empty()) return false;
  OwnedRegKey run(OpenSubkey(RegRoot::CurrentUser, FixedStrings::RunKey));
  std::string text;
  if (!ReadRunText(run.Get(), valueName, text)) return false;
  std::string_view stored(text);
  if (stored.size() < path.size() || !SameTextIgnoringCase(stored.substr(0, path.size()), path)) return false;
  if (argument && *argument) {
    std::string_view suffix(argument);
    if (suffix.size() > stored.size() || !SameTextIgnoringCase(stored.substr(stored.size() - suffix.size()), suffix)) return false;
  }
  return true;
}

bool IsDiscAutorunOn(RegKey hive) {
  OwnedRegKey policy(OpenSubkey(hive, FixedStrings::PolicyKey));
  uint32_t mask = 0;
  if (policy && ReadDword(policy.Get(), FixedStrings::NoDriveTypeAutoRun, mask) && (mask & NoAutorunCdRom)) return false;
  return true;
}

bool CanWritePolicy(RegKey hive) {
  uint32_t disposition = 0;
  RegKey key = CreatePolicyKey(hive, &disposition);
  if (!key) return false;
  CloseRegKey(key);
  // The question must leave no trace: a key made only to ask goes again.
  if (disposition == RegDisposition::CreatedNewKey) Registry().DeleteKey(hive, FixedStrings::PolicyKey);
  return true;
}

bool SetDiscAutorun(RegKey hive, bool on) {
  OwnedRegKey policy(CreatePolicyKey(hive, nullptr));
  if (!policy) return false;
  uint32_t mask = DefaultNoDriveTypeAutoRun;
  if (!ReadDword(policy.Get(), FixedStrings::NoDriveTypeAutoRun, mask)) mask = DefaultNoDriveTypeAutoRun;
  mask = on ? (mask & ~NoAutorunCdRom) : (mask | NoAutorunCdRom);
  RegStatus status;
  if (System().IsNt()) {
    status = WriteDword(policy.Get(), FixedStrings::NoDriveTypeAutoRun, mask);
  } else {
    // Windows 95/98/ME keep the mask as 4 bytes of binary data.
    uint8_t bytes[4];
    put_le32(bytes, mask);
    status = WriteBinary(policy.Get(), FixedStrings::NoDriveTypeAutoRun, bytes, sizeof bytes);
  }
  policy = OwnedRegKey();
  if (status != RegError::Success) return false;
  System().BroadcastPolicyChange();
  return true;
}

bool SetDiscAutorunAllUsers(bool on) {
  if (!on) return SetDiscAutorun(RegRoot::LocalMachine, false);
  OwnedRegKey policy(CreatePolicyKey(RegRoot::LocalMachine, nullptr));
  if (!policy) return false;
  if (Registry().DeleteValue(policy.Get(), FixedStrings::NoDriveTypeAutoRun) != RegError::Success) return false;
  policy = OwnedRegKey();
  System().BroadcastPolicyChange();
  return true;
}

bool SetDiscAutorunCurrentUser(bool on) { return SetDiscAutorun(RegRoot::CurrentUser, on); }

bool IsAudioAutoplayOn() {
  OwnedRegKey shell(OpenSubkey(RegRoot::ClassesRoot, FixedStrings::AudioCdShellKey));
  if (!shell) return true;
  char verb[AudioVerbBytes];
  if (!ReadString(shell.Get(), nullptr, verb, sizeof verb)) return false;
  return verb[0] != '\0';
}

bool SetAudioAutoplay(bool on) {
  RegKey shell;
  if (Registry().OpenKey(RegRoot::ClassesRoot, FixedStrings::AudioCdShellKey, RegAccess::Write, &shell) !=
      RegError::Success)
    return false;
  OwnedRegKey owned(shell);
  return WriteString(shell, nullptr, on ? "play" : "") == RegError::Success;
}

uint32_t GetHungAppTimeout() {
  OwnedRegKey desktop(OpenSubkey(RegRoot::CurrentUser, FixedStrings::DesktopKey));
  char text[HungAppTimeoutBytes];
  if (!ReadString(desktop.Get(), FixedStrings::HungAppTimeout, text, sizeof text)) return DefaultHungAppTimeoutMs;
  // Leading blanks and trailing text are allowed as atoi allows them; a text
  // without a leading number is no time at all, not a time of 0.
  const char* p = text;
  while (*p == ' ' || *p == '\t') ++p;
  if (*p < '0' || *p > '9') return DefaultHungAppTimeoutMs;
  uint64_t ms = 0;
  for (; *p >= '0' && *p <= '9'; ++p) {
    ms = ms * 10 + uint64_t(*p - '0');
    if (ms > UINT32_MAX) return UINT32_MAX;
  }
  return uint32_t(ms);
}
