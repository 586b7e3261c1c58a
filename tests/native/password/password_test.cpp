// MD5 against RFC 1321, and the "$1$" hash against an independent
// implementation of the same scheme: `openssl passwd -1` (scripts/setup
// installs it).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "clock/clock.h"
#include "password/password.h"

namespace {

std::string Hex(const uint8_t digest[16]) {
  std::string out;
  char two[3];
  for (int i = 0; i < 16; ++i) {
    std::snprintf(two, sizeof two, "%02x", digest[i]);
    out += two;
  }
  return out;
}

std::string Md5Hex(const std::string& message, size_t piece) {
  Md5Context context;
  Md5Start(context);
  for (size_t at = 0; at < message.size(); at += piece)
    Md5Feed(context, message.data() + at, std::min(piece, message.size() - at));
  uint8_t digest[16];
  Md5Finish(context, digest);
  return Hex(digest);
}

std::string Hash(const std::string& password, const std::string& salt) {
  char* text = HashPassword(password.c_str(), salt.c_str());
  EXPECT_NE(text, nullptr);
  std::string out = text != nullptr ? text : "";
  std::free(text);
  return out;
}

TEST(Md5, MatchesTheTestSuiteOfRfc1321WholeAndInPieces) {
  const struct {
    const char* message;
    const char* digest;
  } suite[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
      {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& c : suite)
    for (size_t piece : {size_t(1000), size_t(1), size_t(7), size_t(63)})
      EXPECT_EQ(Md5Hex(c.message, piece), c.digest) << '"' << c.message << "\" in pieces of " << piece;
  // Lengths around the padding boundary (55, 56, 64 bytes) against a hash
  // computed once with `printf '%0Nd' 0 | md5sum`.
  EXPECT_EQ(Md5Hex(std::string(55, '0'), 1000), "d7fe636bd28e2ee2ba4d6c5898318699");
  EXPECT_EQ(Md5Hex(std::string(56, '0'), 1000), "ce992c2ad906967c63c3f9ab0c2294a9");
  EXPECT_EQ(Md5Hex(std::string(64, '0'), 1000), "10eab6008d5642cf42abd2aa41f847cb");
}

// Runs `openssl passwd -1` once for a salt and many passwords (one a line).
std::vector<std::string> OpensslHashes(const std::string& salt, const std::vector<std::string>& passwords) {
  char path[] = "/tmp/varnel_passwords_XXXXXX";
  int fd = mkstemp(path);
  if (fd < 0) return {};
  std::string lines;
  for (const std::string& p : passwords) lines += p + '\n';
  const bool written = write(fd, lines.data(), lines.size()) == static_cast<ssize_t>(lines.size());
  close(fd);
  std::vector<std::string> out;
  if (written) {
    // The salt is drawn from the hash alphabet: nothing in it needs quoting.
    std::string command = "openssl passwd -1 -salt '" + salt + "' -in " + path + " 2>/dev/null";
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char line[256];
      while (std::fgets(line, sizeof line, pipe) != nullptr) out.push_back(std::string(line, std::strcspn(line, "\n")));
      pclose(pipe);
    }
  }
  unlink(path);
  return out;
}

TEST(HashPassword, AgreesWithOpensslOverManyPasswordsAndSalts) {
  std::mt19937 random(20261208);
  // Printable ASCII and the letters of code page 1251 (Cyrillic А..я, Ё, ё).
  std::string bytes;
  for (int c = 0x20; c < 0x7F; ++c) bytes += char(c);
  for (int c = 0xC0; c <= 0xFF; ++c) bytes += char(c);
  bytes += "\xA8\xB8";
  auto draw = [&](const std::string& from, size_t length) {
    std::string s;
    for (size_t i = 0; i < length; ++i) s += from[random() % from.size()];
    return s;
  };
  const std::string alphabet = HashAlphabet;
  int compared = 0;
  for (size_t s = 0; s < 32; ++s) {
    const std::string salt = draw(alphabet, s % 12);  // 0 to 11: longer than 8 is cut to 8
    std::vector<std::string> passwords{""};
    for (size_t p = 1; p < 32; ++p) passwords.push_back(draw(bytes, (p * 7 + s) % 41));
    const std::vector<std::string> expected = OpensslHashes(salt, passwords);
    ASSERT_EQ(expected.size(), passwords.size()) << "openssl did not answer (scripts/setup installs it)";
    for (size_t p = 0; p < passwords.size(); ++p, ++compared)
      ASSERT_EQ(Hash(passwords[p], salt), expected[p]) << "password of " << passwords[p].size() << " bytes, salt " << salt;
  }
  std::printf("compared %d hashes with openssl passwd -1\n", compared);
  EXPECT_EQ(compared, 32 * 32);
}

TEST(HashPassword, TakesTheSaltOfAStoredHashOrAtMostEightCharacters) {
  const std::string stored = "$1$abcd$viHgTShdahZyS2dZoxspO.";  // openssl passwd -1 -salt abcd hello
  EXPECT_EQ(Hash("hello", stored), stored);
  EXPECT_EQ(Hash("hello", "abcd"), stored);
  EXPECT_EQ(Hash("hello", "$1$abcd"), stored);
  EXPECT_EQ(Hash("hello", "abcdefghijk"), "$1$abcdefgh$rwnEbRiN0agqVgZBovWNQ/");  // openssl cuts to 8 too
  EXPECT_EQ(Hash("hello", ""), "$1$$/PWPe740uvaQxKzRH.Zxj1");
}

TEST(StoredHash, MalformedOnesRefuseEveryPasswordWithoutACrash) {
  const std::string good = "$1$abcd$viHgTShdahZyS2dZoxspO.";
  ASSERT_TRUE(IsWellFormedHash(good.c_str()));
  EXPECT_TRUE(PasswordMatches("hello", good.c_str()));
  EXPECT_FALSE(PasswordMatches("hellO", good.c_str()));
  EXPECT_TRUE(PasswordMatches("hello", "$1$abcdefgh$rwnEbRiN0agqVgZBovWNQ/"));  // 8 salt characters, 34 in all

  std::vector<std::string> malformed = {
      "$1$abcd$viHgTShdahZyS2dZoxspO.x",     // too long
      "$1$abcd viHgTShdahZyS2dZoxspO.",      // no "$" after the salt
      "$1$abcdviHgTShdahZyS2dZoxspO.",       // the same, shorter
      "$1$ab!d$viHgTShdahZyS2dZoxspO.",      // foreign character in the salt
      "$1$abcd$viHgTShdahZy\xD0\xB0" "dZoxspO", // foreign bytes in the digest
      "$1$abcd$viHgTShdahZyS2dZ$xspO.",      // "$" in the digest
      "$2$abcd$viHgTShdahZyS2dZoxspO.",      // another scheme
      "$1$abcdefghi$rwnEbRiN0agqVgZBovWNQ/", // nine salt characters
      "hello", "$", "$1", "$1$$",
  };
  // Every shorter piece of a good hash is too short.
  for (size_t n = 0; n < good.size(); ++n) malformed.push_back(good.substr(0, n));
  for (const std::string& stored : malformed) {
    EXPECT_FALSE(IsWellFormedHash(stored.c_str())) << stored;
    EXPECT_FALSE(PasswordMatches("hello", stored.c_str())) << stored;
    EXPECT_FALSE(PasswordMatches("", stored.c_str())) << stored;
    EXPECT_FALSE(Hash("hello", stored).empty()) << "hashing with it as the salt still works: " << stored;
  }
}

TEST(Salt, ComesFromTheCalendarSecondsLowSixBitsFirst) {
  EXPECT_EQ(SecondsSince1970({1970, 1, 4, 1, 0, 0, 0, 0}), 0u);
  EXPECT_EQ(SecondsSince1970({2024, 2, 4, 29, 23, 59, 59, 0}), 1709251199u);  // date -u +%s, a leap day
  EXPECT_EQ(SecondsSince1970({2000, 3, 3, 1, 0, 0, 0, 0}), 951868800u);
  VirtualClock::Install(0, {2026, 1, 4, 1, 12, 0, 0, 0});  // 1767268800 seconds
  char salt[SaltLength + 1];
  MakeSalt(salt);
  EXPECT_STREQ(salt, ".5aJ");
  VirtualClock::Advance(1000);
  MakeSalt(salt);
  EXPECT_STREQ(salt, "/5aJ");
  InstallClock(nullptr);
}

TEST(NewPassword, HashesWithAFreshSaltThatOpensslAgreesWithAndEmptyRemovesIt) {
  VirtualClock::Install(0, {2026, 1, 4, 1, 12, 0, 0, 0});
  char hash[35];
  std::memset(hash, 'x', sizeof hash);  // the field held a longer text: the hash ends itself
  ASSERT_TRUE(StoreNewPassword("\xEF\xE0\xF0\xEE\xEB\xFC", hash, sizeof hash));  // "пароль" in code page 1251
  EXPECT_EQ(std::strlen(hash), 30u);
  EXPECT_EQ(std::string(hash, 8), "$1$.5aJ$");
  EXPECT_EQ(OpensslHashes(".5aJ", {"\xEF\xE0\xF0\xEE\xEB\xFC"}), std::vector<std::string>{hash});
  EXPECT_TRUE(PasswordMatches("\xEF\xE0\xF0\xEE\xEB\xFC", hash));

  // The same password a second later: another salt, another hash.
  VirtualClock::Advance(1000);
  char later[35];
  ASSERT_TRUE(StoreNewPassword("\xEF\xE0\xF0\xEE\xEB\xFC", later, sizeof later));
  EXPECT_STRNE(later, hash);
  EXPECT_TRUE(PasswordMatches("\xEF\xE0\xF0\xEE\xEB\xFC", later));

  // A field too small keeps what it held; the empty password removes it.
  EXPECT_FALSE(StoreNewPassword("x", later, 30));
  EXPECT_TRUE(PasswordMatches("\xEF\xE0\xF0\xEE\xEB\xFC", later));
  ASSERT_TRUE(StoreNewPassword("", later, sizeof later));
  EXPECT_STREQ(later, "");
  InstallClock(nullptr);
}

}  // namespace
