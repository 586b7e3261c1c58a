// The registry seam: every registry access of the program goes through this
// table of operations. Under Windows the row calls the ANSI functions of
// advapi32; native tests install an in-memory registry that answers the way
// the real one does wherever the program can tell the difference.
//
// Handles, status codes, types and access masks carry Windows' own numbers,
// so the advapi32 row passes them through unchanged. The names differ from
// <windows.h> on purpose: its macros (HKEY_CURRENT_USER, REG_SZ, ...) would
// clash with portable declarations of the same names.
#pragma once
#include <cstdint>

#include "common/owner.h"

// An open key or one of the predefined roots, like an HKEY. Null means none.
struct RegKey {
  uintptr_t Value = 0;
  explicit operator bool() const { return Value != 0; }
  friend bool operator==(RegKey, RegKey) = default;
};

// The predefined roots, with the numbers Windows gives them ((HKEY)(LONG)n).
namespace RegRoot {
constexpr RegKey Make(uint32_t n) { return RegKey{uintptr_t(intptr_t(int32_t(n)))}; }
constexpr RegKey ClassesRoot = Make(0x80000000u);
constexpr RegKey CurrentUser = Make(0x80000001u);
constexpr RegKey LocalMachine = Make(0x80000002u);
constexpr RegKey Users = Make(0x80000003u);
constexpr RegKey CurrentConfig = Make(0x80000005u);
constexpr RegKey DynData = Make(0x80000006u);
}  // namespace RegRoot

// The system's status of a registry call (a Win32 error code, as LONG).
using RegStatus = int32_t;
namespace RegError {
constexpr RegStatus Success = 0;
constexpr RegStatus FileNotFound = 2;  // no such key or value
constexpr RegStatus AccessDenied = 5;  // also: deleting a key that has sub-keys (NT)
constexpr RegStatus InvalidHandle = 6;
constexpr RegStatus InvalidParameter = 87;
constexpr RegStatus BadPathname = 161;
constexpr RegStatus MoreData = 234;     // buffer too small; the size needed is returned
constexpr RegStatus NoMoreItems = 259;  // enumeration past the end
constexpr RegStatus KeyDeleted = 1018;  // the key behind a handle was deleted
}  // namespace RegError

// Value types.
namespace RegType {
constexpr uint32_t String = 1;  // REG_SZ
constexpr uint32_t ExpandString = 2;
constexpr uint32_t Binary = 3;  // REG_BINARY
constexpr uint32_t Dword = 4;   // REG_DWORD, little-endian
constexpr uint32_t MultiString = 7;
}  // namespace RegType

// Access masks.
namespace RegAccess {
constexpr uint32_t QueryValue = 0x0001;
constexpr uint32_t SetValue = 0x0002;
constexpr uint32_t CreateSubKey = 0x0004;
constexpr uint32_t EnumerateSubKeys = 0x0008;
constexpr uint32_t CreateLink = 0x0020;
constexpr uint32_t Delete = 0x00010000;
constexpr uint32_t Read = 0x00020019;       // KEY_READ
constexpr uint32_t Write = 0x00020006;      // KEY_WRITE
constexpr uint32_t AllAccess = 0x000F003F;  // KEY_ALL_ACCESS
}  // namespace RegAccess

// What CreateKey found.
namespace RegDisposition {
constexpr uint32_t CreatedNewKey = 1;
constexpr uint32_t OpenedExistingKey = 2;
}  // namespace RegDisposition

// One row of registry operations. Names are ANSI text; a null or empty value
// name means the key's default value. Every result is the system's status.
struct RegistryOps {
  // RegOpenKeyExA: *result is null unless the status is Success.
  RegStatus (*OpenKey)(RegKey parent, const char* subKey, uint32_t access, RegKey* result);
  // RegCreateKeyExA: opens the key or creates it with all missing parents.
  // disposition may be null.
  RegStatus (*CreateKey)(RegKey parent, const char* subKey, uint32_t access, RegKey* result,
                         uint32_t* disposition);
  // RegQueryValueExA. type may be null. With data null, *size receives the
  // value's size. With a buffer of *size bytes that is too small: MoreData,
  // *size = the size needed, and the buffer's contents are undefined.
  RegStatus (*QueryValue)(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size);
  // RegSetValueExA: stores exactly size bytes.
  RegStatus (*SetValue)(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size);
  // RegDeleteValueA.
  RegStatus (*DeleteValue)(RegKey key, const char* name);
  // RegDeleteKeyA with the NT rule: a key that has sub-keys is refused
  // (AccessDenied); the caller deletes a tree from the leaves up.
  RegStatus (*DeleteKey)(RegKey parent, const char* subKey);
  // RegEnumKeyExA: *nameSize in: the buffer's size; out: the name's length
  // without its terminator. NoMoreItems past the last sub-key.
  RegStatus (*EnumKey)(RegKey key, uint32_t index, char* name, uint32_t* nameSize);
  // RegEnumValueA: as EnumKey for the name; type, data and dataSize may be
  // null, data and dataSize behave as in QueryValue.
  RegStatus (*EnumValue)(RegKey key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* type,
                         void* data, uint32_t* dataSize);
  // RegQueryInfoKeyA, the two counts only; either may be null.
  RegStatus (*QueryInfoKey)(RegKey key, uint32_t* subKeys, uint32_t* values);
  // RegCloseKey. Closing a predefined root does nothing.
  RegStatus (*CloseKey)(RegKey key);
};

// The row in use: the platform's own row until another is installed.
const RegistryOps& Registry();
// Installs a row (null puts the platform's own row back).
void InstallRegistry(const RegistryOps* row);
// The platform's own row: advapi32 under Windows, the in-memory registry on
// the host.
const RegistryOps& SystemRegistryRow();

// Closes a key; a null key is left alone.
inline void CloseRegKey(RegKey key) {
  if (key) Registry().CloseKey(key);
}

struct RegKeyKind {
  static RegKey None() { return RegKey{}; }
  static bool Usable(RegKey key) { return key != RegKey{}; }
  static void Free(RegKey key) { CloseRegKey(key); }
};
// One open key for a scope, closed on the way out.
using OwnedRegKey = Owner<RegKey, RegKeyKind>;

// The in-memory registry: every predefined root starts empty. Portable, so
// that native tests see the registry's rules without Windows.
namespace MemoryRegistry {
extern const RegistryOps Row;
// Forgets every key and value and every open handle, makes every root
// writable again, and installs the row.
void Reset();
// Handles opened and not yet closed (the roots are not counted).
uint32_t OpenHandleCount();
// Makes the keys under a root refuse changes with AccessDenied, as a
// machine hive does for a user without rights.
void SetRootReadOnly(RegKey root, bool readOnly);
}  // namespace MemoryRegistry
