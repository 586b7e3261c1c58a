// Registry test cases shared by the native tree (in-memory registry) and the
// win32 tree (Wine's registry): the same expectations hold for both rows.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/registry_tree.h"
#include "registry/registry.h"

// Each test tree defines these two.
void UseRegistryUnderTest();  // installs the row the cases run on, empty of our keys
void ExpectRegistryClean();   // the row's own checks after a case

// Every key a case creates lives under this path of the roots it uses, and is
// removed before and after each case.
inline constexpr char kTestArea[] = "Software\\Morbeck Software";

class RegistryCase : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Deletes a key and everything below it, expecting it gone.
  static void DeleteTree(RegKey root, const std::string& path) {
    EXPECT_TRUE(DeleteRegistryTree(root, path)) << path;
  }
  // Creates the key under HKEY_CURRENT_USER and stores one value in it.
  static void Put(const std::string& path, const char* name, uint32_t type, const void* data, uint32_t size);
  static void PutText(const std::string& path, const char* name, const std::string& bytes, uint32_t type = RegType::String);
  // What the registry holds for a value under HKEY_CURRENT_USER.
  static StoredValue Stored(const std::string& path, const char* name) {
    return ReadStoredValue(RegRoot::CurrentUser, path, name);
  }
  static bool KeyExists(const std::string& path) { return RegistryKeyExists(RegRoot::CurrentUser, path); }
};
