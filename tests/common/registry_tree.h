// Reading and clearing keys of the registry under test, for the shared
// registry and system cases.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "registry/registry.h"

struct StoredValue {
  bool Found = false;
  uint32_t Type = 0;
  std::vector<uint8_t> Data;
  std::string Text() const {  // the bytes up to the first zero
    std::string text(Data.begin(), Data.end());
    return text.substr(0, text.find('\0'));
  }
};

inline StoredValue ReadStoredValue(RegKey root, const std::string& path, const char* name) {
  StoredValue stored;
  RegKey key;
  if (Registry().OpenKey(root, path.c_str(), RegAccess::Read, &key) != RegError::Success) return stored;
  uint32_t size = 0;
  if (Registry().QueryValue(key, name, &stored.Type, nullptr, &size) == RegError::Success) {
    stored.Data.resize(size);
    stored.Found = Registry().QueryValue(key, name, nullptr, stored.Data.data(), &size) == RegError::Success;
    stored.Data.resize(size);
  }
  CloseRegKey(key);
  return stored;
}

inline bool RegistryKeyExists(RegKey root, const std::string& path) {
  RegKey key = OpenSubkey(root, path.c_str());
  CloseRegKey(key);
  return bool(key);
}

// Deletes a key and everything below it, leaves first; false when the key
// itself was there and stayed.
inline bool DeleteRegistryTree(RegKey root, const std::string& path) {
  RegKey key;
  if (Registry().OpenKey(root, path.c_str(), RegAccess::AllAccess, &key) != RegError::Success) return true;
  char name[260];
  uint32_t size = sizeof name;
  while (Registry().EnumKey(key, 0, name, &size) == RegError::Success) {
    DeleteRegistryTree(key, name);
    size = sizeof name;
  }
  CloseRegKey(key);
  return Registry().DeleteKey(root, path.c_str()) == RegError::Success;
}
