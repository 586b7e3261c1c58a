// The eject password: only its hash is kept (ProgramSettings::LockData), in
// the MD5-based "$1$" crypt format, so hashes made here and by any other
// implementation of that format accept each other.
//
// Passwords are byte strings: the dialog hands over the ANSI bytes of what
// the user typed (code page 1251 on a Russian Windows).
#pragma once
#include <cstddef>
#include <cstdint>

#include "clock/clock.h"

// MD5 of RFC 1321, fed in pieces.
struct Md5Context {
  uint32_t State[4];
  uint64_t Length;  // bytes fed so far
  uint8_t Pending[64];
};
void Md5Start(Md5Context& context);
void Md5Feed(Md5Context& context, const void* data, size_t length);
void Md5Finish(Md5Context& context, uint8_t digest[16]);

// The 64 characters salts and digests are written with.
inline constexpr char HashAlphabet[] = "./0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
// "$1$", at most 8 salt characters, "$", 22 digest characters.
inline constexpr size_t MaxHashLength = 34;
inline constexpr size_t SaltLength = 4;  // what MakeSalt writes

// "$1$" + salt + "$" + digest as a new block from malloc (the caller frees
// it); null when memory runs out. The salt is `salt` after a leading "$1$",
// up to its first "$", its end or 8 characters, so a whole stored hash
// passed as the salt gives its own salt again.
[[nodiscard]] char* HashPassword(const char* password, const char* salt);

// Four salt characters and a terminator from the calendar time in seconds,
// least significant six bits first: passwords set in different seconds get
// different salts.
void MakeSalt(char (&salt)[SaltLength + 1]);
// Seconds since 1970-01-01 00:00 of a calendar time read from the clock.
uint32_t SecondsSince1970(const CalendarTime& time);

// A stored hash this program can check: "$1$", 0 to 8 salt characters, "$"
// and 22 digest characters, all from HashAlphabet, and nothing after them.
[[nodiscard]] bool IsWellFormedHash(const char* stored);
// True when `password` hashes to `stored`. A malformed stored hash refuses
// every password, and so does a hash that cannot be computed for lack of
// memory.
[[nodiscard]] bool PasswordMatches(const char* password, const char* stored);
// Writes the hash of `password` with a new salt into `hash` (`size` bytes);
// an empty password writes the empty text, which means "no password". False,
// with `hash` unchanged, when memory runs out or the hash does not fit.
[[nodiscard]] bool StoreNewPassword(const char* password, char* hash, size_t size);
