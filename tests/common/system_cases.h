// System-settings cases shared by the native tree (in-memory registry) and
// the win32 tree (Wine's registry, on the NT and on the Windows 98 version).
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/registry_tree.h"
#include "registry/registry.h"
#include "system/system.h"

// Each test tree defines these two.
void UseSystemRegistryUnderTest();  // installs the registry row the cases run on
void ExpectSystemRegistryClean();   // the row's own checks after a case

// Runs on the registry under test with a system row that keeps the platform
// family of the real one but takes the executable's path from the case and
// counts the broadcasts and registry-editor starts. Every system value the
// cases touch is removed before and after each case.
class SystemCase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  static void PutValue(RegKey root, const std::string& path, const char* name, uint32_t type, const void* data,
                       uint32_t size);
  static void PutText(RegKey root, const std::string& path, const char* name, const std::string& text,
                      uint32_t type = 1);
  static StoredValue Value(RegKey root, const std::string& path, const char* name) {
    return ReadStoredValue(root, path, name);
  }
  static bool KeyExists(RegKey root, const std::string& path) { return RegistryKeyExists(root, path); }
  static void DeleteTree(RegKey root, const std::string& path) { DeleteRegistryTree(root, path); }

};

// What the case row answers and saw.
struct SystemRecord {
  std::string ModulePath;             // the executable's path the row answers
  int Broadcasts = 0;                 // policy notices sent
  std::vector<std::string> EditorStarts;  // registry-editor parameters
};
extern SystemRecord Recorded;
