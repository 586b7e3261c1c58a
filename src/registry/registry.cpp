#include "registry/registry.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "common/format_text.h"

static_assert(std::endian::native == std::endian::little, "values are stored little-endian as they lie in memory");

RegKey OpenSubkey(RegKey parent, const char* name) {
  RegKey key;
  if (!parent || Registry().OpenKey(parent, name, RegAccess::Read, &key) != RegError::Success) return RegKey{};
  return key;
}

RegKey CreateSubkey(RegKey parent, const char* name) {
  RegKey key;
  if (!parent || Registry().CreateKey(parent, name, RegAccess::AllAccess, &key, nullptr) != RegError::Success)
    return RegKey{};
  return key;
}

RegKey OpenProgramKey() { return OpenSubkey(RegRoot::CurrentUser, FixedStrings::ProgramKey); }

RegKey CreateProgramKey() { return CreateSubkey(RegRoot::CurrentUser, FixedStrings::ProgramKey); }

RegKey OpenProgramSubkey(const char* name) {
  OwnedRegKey program(OpenProgramKey());
  return OpenSubkey(program.Get(), name);
}

RegKey CreateProgramSubkey(const char* name) {
  OwnedRegKey program(CreateProgramKey());
  return CreateSubkey(program.Get(), name);
}

bool DriveKeyPath(const char* name, int32_t instance, char* path, size_t size) {
  if (!name || !path || !size) return false;
  // A negative instance must still give two digits, or the path outgrows
  // the name plus "\NN".
  int suffix = (instance % 100 + 100) % 100;
  int written = FormatText(path, size, "%s\\%02d", name, suffix);
  return written >= 0 && size_t(written) < size;
}

namespace {
// Builds the drive path on the heap (name + "\NN" + terminator) and hands it
// to open; null when the buffer cannot be had.
RegKey WithDrivePath(const char* name, int32_t instance, RegKey (*open)(const char*)) {
  if (!name) return RegKey{};
  size_t size = std::strlen(name) + 4;
  std::unique_ptr<char[]> path(new (std::nothrow) char[size]);
  if (!path || !DriveKeyPath(name, instance, path.get(), size)) return RegKey{};
  return open(path.get());
}
}  // namespace

RegKey OpenDriveKey(const char* name, int32_t instance) { return WithDrivePath(name, instance, OpenProgramSubkey); }
RegKey CreateDriveKey(const char* name, int32_t instance) { return WithDrivePath(name, instance, CreateProgramSubkey); }

namespace {
// The value types a reader takes, one bit per type number.
constexpr uint32_t TypeBit(uint32_t type) { return 1u << type; }
constexpr uint32_t AnyType = ~0u;
// The program's own numbers: REG_DWORD, or REG_BINARY as a hand-made
// Windows 9x export may hold them (see ReadNumber).
constexpr uint32_t NumberTypes = TypeBit(RegType::Dword) | TypeBit(RegType::Binary);
constexpr uint32_t TextTypes = TypeBit(RegType::String) | TypeBit(RegType::ExpandString);

bool Accepted(uint32_t type, uint32_t acceptedTypes) { return type < 32 && (acceptedTypes & TypeBit(type)); }

uint32_t ReadValueOfType(RegKey key, const char* name, void* buffer, uint32_t size, uint32_t acceptedTypes) {
  if (!key) return 0;
  uint32_t length = 0, type = 0;
  if (!buffer) {
    return Registry().QueryValue(key, name, &type, nullptr, &length) == RegError::Success &&
                   Accepted(type, acceptedTypes)
               ? length
               : 0;
  }
  // A refused query may scribble on its buffer; only a complete value is
  // copied to the caller's.
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[size ? size : 1]);
  if (!scratch) return 0;
  length = size;
  if (Registry().QueryValue(key, name, &type, scratch.get(), &length) != RegError::Success || length > size ||
      !Accepted(type, acceptedTypes))
    return 0;
  std::memcpy(buffer, scratch.get(), length);
  return length;
}

bool ReadFourBytes(RegKey key, const char* name, uint32_t acceptedTypes, uint32_t& value) {
  // Read into a local: after a refused query the buffer's contents are
  // undefined, and the caller's default must survive.
  uint8_t bytes[4] = {};
  if (ReadValueOfType(key, name, bytes, sizeof bytes, acceptedTypes) == 0) return false;
  value = get_le32(bytes);
  return true;
}
}  // namespace

bool ReadDword(RegKey key, const char* name, uint32_t& value) { return ReadFourBytes(key, name, AnyType, value); }

bool ReadNumber(RegKey key, const char* name, int32_t& value) {
  uint32_t stored = 0;
  if (!ReadFourBytes(key, name, NumberTypes, stored)) return false;
  value = int32_t(stored);
  return true;
}

bool ReadDword(RegKey key, const char* name, int32_t& value) {
  uint32_t stored = 0;
  if (!ReadDword(key, name, stored)) return false;
  value = int32_t(stored);
  return true;
}

uint32_t ReadValue(RegKey key, const char* name, void* buffer, uint32_t size) {
  return ReadValueOfType(key, name, buffer, size, AnyType);
}

uint32_t ReadBinary(RegKey key, const char* name, void* buffer, uint32_t size) {
  return ReadValueOfType(key, name, buffer, size, TypeBit(RegType::Binary));
}

bool ReadString(RegKey key, const char* name, char* text, uint32_t capacity) {
  if (!text || !capacity) return false;
  std::unique_ptr<char[]> scratch(new (std::nothrow) char[capacity]);
  if (!scratch) return false;
  uint32_t length = ReadValueOfType(key, name, scratch.get(), capacity, TextTypes);
  if (!length) return false;
  const void* zero = std::memchr(scratch.get(), 0, length);
  if (zero) {
    length = uint32_t(static_cast<const char*>(zero) - scratch.get());
  } else if (length == capacity) {
    return false;  // no room for the terminator: the text is longer than the field
  }
  std::memcpy(text, scratch.get(), length);
  text[length] = '\0';
  return true;
}

namespace {
RegStatus Write(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  if (!key) return RegError::InvalidHandle;
  return Registry().SetValue(key, name, type, data, size);
}
}  // namespace

RegStatus WriteDword(RegKey key, const char* name, uint32_t value) {
  uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
  return Write(key, name, RegType::Dword, bytes, sizeof bytes);
}

RegStatus WriteDword(RegKey key, const char* name, int32_t value) { return WriteDword(key, name, uint32_t(value)); }

RegStatus WriteBinary(RegKey key, const char* name, const void* data, uint32_t size) {
  return Write(key, name, RegType::Binary, data, size);
}

RegStatus WriteString(RegKey key, const char* name, const char* text) {
  if (!text) text = "";
  return Write(key, name, RegType::String, text, uint32_t(std::strlen(text) + 1));
}

RegStatus WriteWideString(RegKey key, const char* name, const char16_t* text) {
  if (!text) text = u"";
  size_t length = std::char_traits<char16_t>::length(text);
  return Write(key, name, RegType::Binary, text, uint32_t((length + 1) * sizeof(char16_t)));
}

int ReadDwordTable(RegKey key, const IntTableEntry* entries, size_t count) {
  int all = 1;
  for (size_t i = 0; i < count; ++i)
    if (!ReadNumber(key, entries[i].Name, *entries[i].Value)) all = 0;
  return all;
}

int WriteDwordTable(RegKey key, const IntTableEntry* entries, size_t count) {
  for (size_t i = 0; i < count; ++i) WriteDword(key, entries[i].Name, *entries[i].Value);
  return int(count);
}
