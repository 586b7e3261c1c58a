// The advapi32 row: the ANSI registry functions, which every Windows version
// from 95 on provides. Handles, codes and masks pass through unchanged.
#include <windows.h>

#include "registry/registry_ops.h"

namespace {

static_assert(sizeof(HKEY) == sizeof(uintptr_t));
static_assert(RegError::FileNotFound == ERROR_FILE_NOT_FOUND && RegError::AccessDenied == ERROR_ACCESS_DENIED &&
              RegError::InvalidHandle == ERROR_INVALID_HANDLE && RegError::InvalidParameter == ERROR_INVALID_PARAMETER &&
              RegError::BadPathname == ERROR_BAD_PATHNAME && RegError::MoreData == ERROR_MORE_DATA &&
              RegError::NoMoreItems == ERROR_NO_MORE_ITEMS && RegError::KeyDeleted == ERROR_KEY_DELETED);
static_assert(RegType::String == REG_SZ && RegType::ExpandString == REG_EXPAND_SZ && RegType::Binary == REG_BINARY &&
              RegType::Dword == REG_DWORD && RegType::MultiString == REG_MULTI_SZ);
static_assert(RegAccess::Read == KEY_READ && RegAccess::Write == KEY_WRITE && RegAccess::AllAccess == KEY_ALL_ACCESS &&
              RegAccess::QueryValue == KEY_QUERY_VALUE && RegAccess::SetValue == KEY_SET_VALUE &&
              RegAccess::CreateSubKey == KEY_CREATE_SUB_KEY && RegAccess::EnumerateSubKeys == KEY_ENUMERATE_SUB_KEYS &&
              RegAccess::Delete == DELETE);
static_assert(RegDisposition::CreatedNewKey == REG_CREATED_NEW_KEY &&
              RegDisposition::OpenedExistingKey == REG_OPENED_EXISTING_KEY);

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key.Value); }
RegKey FromHkey(HKEY key) { return RegKey{reinterpret_cast<uintptr_t>(key)}; }

RegStatus OpenKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result) {
  HKEY opened = nullptr;
  LONG status = RegOpenKeyExA(ToHkey(parent), subKey, 0, access, &opened);
  *result = status == ERROR_SUCCESS ? FromHkey(opened) : RegKey{};
  return status;
}

RegStatus CreateKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result, uint32_t* disposition) {
  HKEY opened = nullptr;
  DWORD how = 0;
  LONG status = RegCreateKeyExA(ToHkey(parent), subKey, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &opened, &how);
  *result = status == ERROR_SUCCESS ? FromHkey(opened) : RegKey{};
  if (disposition && status == ERROR_SUCCESS) *disposition = how;
  return status;
}

RegStatus QueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  DWORD kind = 0, length = size ? *size : 0;
  LONG status = RegQueryValueExA(ToHkey(key), name, nullptr, type ? &kind : nullptr, static_cast<BYTE*>(data),
                                 size ? &length : nullptr);
  if (type && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *type = kind;
  if (size && (status == ERROR_SUCCESS || status == ERROR_MORE_DATA)) *size = length;
  return status;
}

RegStatus SetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  return RegSetValueExA(ToHkey(key), name, 0, type, static_cast<const BYTE*>(data), size);
}

RegStatus DeleteValue(RegKey key, const char* name) { return RegDeleteValueA(ToHkey(key), name); }

RegStatus DeleteKey(RegKey parent, const char* subKey) { return RegDeleteKeyA(ToHkey(parent), subKey); }

RegStatus EnumKey(RegKey key, uint32_t index, char* name, uint32_t* nameSize) {
  DWORD length = nameSize ? *nameSize : 0;
  LONG status = RegEnumKeyExA(ToHkey(key), index, name, nameSize ? &length : nullptr, nullptr, nullptr, nullptr, nullptr);
  if (nameSize && status == ERROR_SUCCESS) *nameSize = length;
  return status;
}

RegStatus EnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* type, void* data,
                    uint32_t* dataSize) {
  DWORD length = nameSize ? *nameSize : 0, kind = 0, bytes = dataSize ? *dataSize : 0;
  LONG status = RegEnumValueA(ToHkey(key), index, name, nameSize ? &length : nullptr, nullptr, type ? &kind : nullptr,
                              static_cast<BYTE*>(data), dataSize ? &bytes : nullptr);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    if (nameSize && status == ERROR_SUCCESS) *nameSize = length;
    if (type) *type = kind;
    if (dataSize) *dataSize = bytes;
  }
  return status;
}

RegStatus QueryInfoKey(RegKey key, uint32_t* subKeys, uint32_t* values) {
  DWORD keyCount = 0, valueCount = 0;
  LONG status = RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &keyCount, nullptr, nullptr, &valueCount,
                                 nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) {
    if (subKeys) *subKeys = keyCount;
    if (values) *values = valueCount;
  }
  return status;
}

RegStatus CloseKey(RegKey key) { return RegCloseKey(ToHkey(key)); }

const RegistryOps Advapi32Row = {OpenKey, CreateKey, QueryValue, SetValue, DeleteValue, DeleteKey, EnumKey, EnumValue, QueryInfoKey, CloseKey};

}  // namespace

const RegistryOps& SystemRegistryRow() { return Advapi32Row; }
