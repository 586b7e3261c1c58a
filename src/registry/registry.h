// Access to the program's registry key: opening the key, its sub-keys and the
// per-drive sub-keys, typed reads and writes of single values, and walkers
// over tables of integer settings. Everything goes through the registry seam
// (registry_ops.h). Every failure is silent: a missing key is a null key, a
// missing or oversized value leaves the destination as it was, and writes
// return the system's status for callers that care.
//
// Each key returned here is open; the caller closes it, best by handing it to
// an OwnedRegKey.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/byte_order.h"
#include "registry/fixed_strings.h"
#include "registry/registry_ops.h"

// One integer setting of a table: its value name and the variable it lives in.
// Integers inside stored values are little-endian (common/byte_order.h), as
// Windows writes a REG_DWORD; binary records the program stores follow suit.

struct IntTableEntry {
  const char* Name;
  int32_t* Value;
};

// HKEY_CURRENT_USER\<program key>, for reading; null when it does not exist.
[[nodiscard]] RegKey OpenProgramKey();
// The program key with full access, created with all missing parents.
[[nodiscard]] RegKey CreateProgramKey();
// A sub-key of the program key (a path, may hold backslashes), for reading;
// null when it or the program key does not exist.
[[nodiscard]] RegKey OpenProgramSubkey(const char* name);
// A sub-key of the program key with full access, created when missing.
[[nodiscard]] RegKey CreateProgramSubkey(const char* name);
// The settings sub-key of one drive, "<name>\NN" with NN the instance modulo
// 100 as two digits; read-only / created with full access.
[[nodiscard]] RegKey OpenDriveKey(const char* name, int32_t instance);
[[nodiscard]] RegKey CreateDriveKey(const char* name, int32_t instance);
// The sub-key path OpenDriveKey uses, written into path (at most size bytes,
// always terminated); false when it does not fit.
[[nodiscard]] bool DriveKeyPath(const char* name, int32_t instance, char* path, size_t size);

// A sub-key of any open key, for reading / with full access (created).
[[nodiscard]] RegKey OpenSubkey(RegKey parent, const char* name);
[[nodiscard]] RegKey CreateSubkey(RegKey parent, const char* name);

// Reads a 32-bit value; true when it exists and holds 1 to 4 bytes (a
// shorter value is zero-extended). On false the variable is untouched.
bool ReadDword(RegKey key, const char* name, int32_t& value);
bool ReadDword(RegKey key, const char* name, uint32_t& value);
// Copies a value of at most size bytes into buffer and returns the number of
// bytes stored; 0 on any failure, and then the buffer is untouched. With a
// null buffer, returns the value's size.
uint32_t ReadValue(RegKey key, const char* name, void* buffer, uint32_t size);
// As ReadDword, for a number the program stores itself: REG_DWORD, or the
// REG_BINARY a hand-made Windows 9x export may hold. Text is no number, even
// when it is short enough to pass for one: it is refused like a missing value.
bool ReadNumber(RegKey key, const char* name, int32_t& value);
// As ReadValue, for a record stored as REG_BINARY: a value of another type
// is refused like a missing one.
uint32_t ReadBinary(RegKey key, const char* name, void* buffer, uint32_t size);
// Reads ANSI text (REG_SZ or REG_EXPAND_SZ; any other type is refused) into
// a field of capacity bytes and terminates it. The text
// must fit with its terminator: stored bytes that fill the whole field
// without a zero among them are refused like an oversized value. False (field
// untouched) on any failure.
bool ReadString(RegKey key, const char* name, char* text, uint32_t capacity);

// REG_DWORD, 4 bytes.
RegStatus WriteDword(RegKey key, const char* name, int32_t value);
RegStatus WriteDword(RegKey key, const char* name, uint32_t value);
// REG_BINARY, size bytes.
RegStatus WriteBinary(RegKey key, const char* name, const void* data, uint32_t size);
// REG_SZ, the text and its terminator (an empty text is one zero byte).
RegStatus WriteString(RegKey key, const char* name, const char* text);
// REG_BINARY, the UTF-16LE units and a terminating zero unit: 2 * (length + 1)
// bytes.
RegStatus WriteWideString(RegKey key, const char* name, const char16_t* text);

// Reads every entry in order with ReadNumber; a value that cannot be read
// leaves its variable as it was. 1 when every value was read, else 0.
int ReadDwordTable(RegKey key, const IntTableEntry* entries, size_t count);
// Writes every entry in order as REG_DWORD, ignoring errors; returns count.
int WriteDwordTable(RegKey key, const IntTableEntry* entries, size_t count);
