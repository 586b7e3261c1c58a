// The MD5-based "$1$" crypt: the salted, 1000-round MD5 scheme that Unix
// systems and `openssl passwd -1` write, so hashes are portable.
#include <cstdlib>
#include <cstring>

#include "password/password.h"

namespace {

constexpr char Magic[] = "$1$";
constexpr size_t MagicLength = sizeof Magic - 1;
constexpr size_t MaxSaltLength = 8;
constexpr size_t DigestTextLength = 22;
constexpr int Rounds = 1000;

// The salt inside `salt`: after a leading "$1$", up to the first "$", the
// end or MaxSaltLength characters.
size_t SaltSpan(const char*& salt) {
  if (std::strncmp(salt, Magic, MagicLength) == 0) salt += MagicLength;
  size_t length = 0;
  while (length < MaxSaltLength && salt[length] != '\0' && salt[length] != '$') ++length;
  return length;
}

// `count` characters of `value`, least significant six bits first.
char* PutBase64(char* out, uint32_t value, int count) {
  for (int i = 0; i < count; ++i, value >>= 6) *out++ = HashAlphabet[value & 63];
  return out;
}

bool InAlphabet(char c) { return c != '\0' && std::strchr(HashAlphabet, c) != nullptr; }

}  // namespace

char* HashPassword(const char* password, const char* salt) {
  const size_t saltLength = SaltSpan(salt);
  const size_t passwordLength = std::strlen(password);
  char* text = static_cast<char*>(std::malloc(MaxHashLength + 1));
  if (text == nullptr) return nullptr;

  // The alternate sum: password, salt, password.
  uint8_t alternate[16];
  Md5Context context;
  Md5Start(context);
  Md5Feed(context, password, passwordLength);
  Md5Feed(context, salt, saltLength);
  Md5Feed(context, password, passwordLength);
  Md5Finish(context, alternate);

  Md5Start(context);
  Md5Feed(context, password, passwordLength);
  Md5Feed(context, Magic, MagicLength);
  Md5Feed(context, salt, saltLength);
  // As many bytes of the alternate sum as the password has, 16 at a time.
  for (size_t left = passwordLength; left > 0;) {
    const size_t take = left < sizeof alternate ? left : sizeof alternate;
    Md5Feed(context, alternate, take);
    left -= take;
  }
  // The scheme's odd step: per bit of the length a zero byte or the
  // password's first character.
  const uint8_t zero = 0;
  for (size_t bits = passwordLength; bits != 0; bits >>= 1)
    Md5Feed(context, (bits & 1) != 0 ? static_cast<const void*>(&zero) : static_cast<const void*>(password), 1);
  uint8_t digest[16];
  Md5Finish(context, digest);

  // The rounds that make guessing slow.
  for (int round = 0; round < Rounds; ++round) {
    Md5Start(context);
    if (round & 1)
      Md5Feed(context, password, passwordLength);
    else
      Md5Feed(context, digest, sizeof digest);
    if (round % 3 != 0) Md5Feed(context, salt, saltLength);
    if (round % 7 != 0) Md5Feed(context, password, passwordLength);
    if (round & 1)
      Md5Feed(context, digest, sizeof digest);
    else
      Md5Feed(context, password, passwordLength);
    Md5Finish(context, digest);
  }

  char* out = text;
  std::memcpy(out, Magic, MagicLength);
  out += MagicLength;
  std::memcpy(out, salt, saltLength);
  out += saltLength;
  *out++ = '$';
  // The scheme's byte order: 0/6/12, 1/7/13, 2/8/14, 3/9/15, 4/10/5, 11.
  static constexpr uint8_t Groups[5][3] = {{0, 6, 12}, {1, 7, 13}, {2, 8, 14}, {3, 9, 15}, {4, 10, 5}};
  for (const auto& g : Groups)
    out = PutBase64(out, (uint32_t(digest[g[0]]) << 16) | (uint32_t(digest[g[1]]) << 8) | digest[g[2]], 4);
  out = PutBase64(out, digest[11], 2);
  *out = '\0';
  return text;
}

uint32_t SecondsSince1970(const CalendarTime& time) {
  // Days before the date in the proleptic Gregorian calendar, counted from a
  // March-based year so that the leap day comes last.
  const int64_t year = int64_t(time.Year) - (time.Month <= 2 ? 1 : 0);
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t month = time.Month > 2 ? time.Month - 3 : time.Month + 9;
  const int64_t dayOfYear = (153 * month + 2) / 5 + time.Day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  const int64_t days = era * 146097 + dayOfEra - 719468;
  return static_cast<uint32_t>(days * 86400 + time.Hour * 3600 + time.Minute * 60 + time.Second);
}

void MakeSalt(char (&salt)[SaltLength + 1]) {
  // The clock reads local time; the zone offset does not matter, the salt
  // only has to change from one second to the next.
  PutBase64(salt, SecondsSince1970(ClockNow()), SaltLength);
  salt[SaltLength] = '\0';
}

bool IsWellFormedHash(const char* stored) {
  if (std::strncmp(stored, Magic, MagicLength) != 0) return false;
  const char* salt = stored + MagicLength;
  size_t saltLength = 0;
  while (saltLength <= MaxSaltLength && InAlphabet(salt[saltLength])) ++saltLength;
  if (saltLength > MaxSaltLength || salt[saltLength] != '$') return false;
  const char* digest = salt + saltLength + 1;
  for (size_t i = 0; i < DigestTextLength; ++i)
    if (!InAlphabet(digest[i])) return false;
  return digest[DigestTextLength] == '\0';
}

bool PasswordMatches(const char* password, const char* stored) {
  if (!IsWellFormedHash(stored)) return false;
  char* hash = HashPassword(password, stored);
  const bool match = hash != nullptr && std::strcmp(hash, stored) == 0;
  std::free(hash);
  return match;
}

bool StoreNewPassword(const char* password, char* hash, size_t size) {
  if (size == 0) return false;
  if (password[0] == '\0') {
    hash[0] = '\0';
    return true;
  }
  char salt[SaltLength + 1];
  MakeSalt(salt);
  char* made = HashPassword(password, salt);
  if (made == nullptr) return false;
  const size_t length = std::strlen(made);
  const bool fits = length < size;
  if (fits) std::memcpy(hash, made, length + 1);
  std::free(made);
  return fits;
}
