// The settings file as a registry row over the in-memory registry.
#include "linux/config_file.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/byte_order.h"
#include "registry/fixed_strings.h"

namespace {

const RegistryOps& Memory() { return MemoryRegistry::Row; }

std::string g_path;
const ConfigFileOps* g_ops = nullptr;
bool g_changed = false;
bool g_writable = false;  // the file was read (or is missing): it may be replaced
bool g_lastWriteOk = true;
uint64_t g_stamp = 0;

constexpr uint32_t NameRoom = 256;
constexpr uint32_t DwordSize = 4;

// ---- Writing --------------------------------------------------------------

void AppendQuoted(std::string& out, const uint8_t* data, uint32_t size) {
  out += '"';
  for (uint32_t i = 0; i < size && data[i]; ++i) {
    if (data[i] == '"' || data[i] == '\\') out += '\\';
    out += char(data[i]);
  }
  out += '"';
}

void AppendHex(std::string& out, const uint8_t* data, uint32_t size) {
  char byte[4];
  for (uint32_t i = 0; i < size; ++i) {
    std::snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", data[i]);
    out += byte;
  }
}

void AppendValues(std::string& out, RegKey key) {
  for (uint32_t index = 0;; ++index) {
    char name[NameRoom];
    uint32_t nameSize = sizeof name, type = 0, size = 0;
    if (Memory().EnumValue(key, index, name, &nameSize, &type, nullptr, &size) != RegError::Success) break;
    std::vector<uint8_t> data(size + 1, 0);
    nameSize = sizeof name;
    if (Memory().EnumValue(key, index, name, &nameSize, &type, data.data(), &size) != RegError::Success) break;
    out += name[0] ? name : "@";
    out += " = ";
    if (type == RegType::Dword && size == DwordSize) {
      out += std::to_string(get_le32(data.data()));
    } else if (type == RegType::String) {
      AppendQuoted(out, data.data(), size);
    } else {
      out += type == RegType::Binary ? "hex:" : "hex(" + std::to_string(type) + "):";
      AppendHex(out, data.data(), size);
    }
    out += '\n';
  }
}

void AppendKey(std::string& out, RegKey key, const std::string& path) {
  if (!path.empty()) out += "\n[" + path + "]\n";
  AppendValues(out, key);
  for (uint32_t index = 0;; ++index) {
    char name[NameRoom];
    uint32_t nameSize = sizeof name;
    if (Memory().EnumKey(key, index, name, &nameSize) != RegError::Success) break;
    RegKey child{};
    if (Memory().OpenKey(key, name, RegAccess::Read, &child) != RegError::Success) continue;
    AppendKey(out, child, path.empty() ? name : path + "\\" + name);
    Memory().CloseKey(child);
  }
}

void Flush() {
  if (!g_changed || !g_ops) return;
  g_changed = false;
  // A file that could not be read is never replaced by what this process
  // knows: the change stays in memory, and the caller hears it failed.
  if (!g_writable) {
    g_lastWriteOk = false;
    return;
  }
  g_lastWriteOk = g_ops->Replace(g_path.c_str(), ConfigFile::Render());
  g_stamp = g_ops->Stamp(g_path.c_str());
}

// ---- Reading --------------------------------------------------------------

std::string Trim(const std::string& text) {
  size_t from = text.find_first_not_of(" \t\r");
  if (from == std::string::npos) return "";
  size_t to = text.find_last_not_of(" \t\r");
  return text.substr(from, to - from + 1);
}

bool ParseNumber(const std::string& text, uint32_t& value) {
  if (text.empty()) return false;
  const char* start = text.c_str();
  char* end = nullptr;
  bool negative = *start == '-';
  long long n = std::strtoll(start, &end, 0);
  if (*end != 0 || end == start) return false;
  if (negative ? n < INT32_MIN : n > int64_t(UINT32_MAX)) return false;
  value = uint32_t(n);
  return true;
}

bool ParseHex(const std::string& text, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (text.empty()) return true;
  size_t from = 0;
  while (from <= text.size()) {
    size_t comma = text.find(',', from);
    std::string byte = Trim(text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
    char* end = nullptr;
    unsigned long value = std::strtoul(byte.c_str(), &end, 16);
    if (byte.empty() || byte.size() > 2 || *end != 0) return false;
    bytes.push_back(uint8_t(value));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  return true;
}

bool ParseQuoted(const std::string& text, std::vector<uint8_t>& bytes) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  bytes.clear();
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    char c = text[i];
    if (c == '\\') {
      if (i + 2 >= text.size()) return false;
      c = text[++i];
    } else if (c == '"') {
      return false;
    }
    bytes.push_back(uint8_t(c));
  }
  bytes.push_back(0);  // stored with its terminator, as REG_SZ is
  return true;
}

// One value line into the open key; false (nothing stored) when it does not parse.
bool ParseValue(RegKey key, const std::string& name, const std::string& text, std::string& why) {
  std::vector<uint8_t> bytes;
  uint32_t type = RegType::Binary;
  if (text.rfind("hex:", 0) == 0) {
    if (!ParseHex(text.substr(4), bytes)) return why = "bytes are not hex:XX,XX,...", false;
  } else if (text.rfind("hex(", 0) == 0) {
    size_t close = text.find("):");
    uint32_t number = 0;
    if (close == std::string::npos || !ParseNumber(text.substr(4, close - 4), number) ||
        !ParseHex(text.substr(close + 2), bytes))
      return why = "bytes are not hex(TYPE):XX,XX,...", false;
    type = number;
  } else if (!text.empty() && text.front() == '"') {
    if (!ParseQuoted(text, bytes)) return why = "text is not closed by a quote", false;
    type = RegType::String;
  } else {
    uint32_t number = 0;
    if (!ParseNumber(text, number)) return why = "not a number", false;
    bytes.resize(DwordSize);
    put_le32(bytes.data(), number);
    type = RegType::Dword;
  }
  Memory().SetValue(key, name == "@" ? "" : name.c_str(), type, bytes.data(), uint32_t(bytes.size()));
  return true;
}

}  // namespace

namespace ConfigFile {

std::string Render() {
  std::string out = "# Varnel settings: written by varnel, read at its start. A value that does\n"
                    "# not parse keeps its default.\n";
  RegKey program{};
  if (Memory().OpenKey(RegRoot::CurrentUser, FixedStrings::ProgramKey, RegAccess::Read, &program) ==
      RegError::Success) {
    AppendKey(out, program, "");
    Memory().CloseKey(program);
  }
  return out;
}

void Parse(const std::string& text, std::vector<Problem>& problems) {
  RegKey program{};
  if (Memory().CreateKey(RegRoot::CurrentUser, FixedStrings::ProgramKey, RegAccess::AllAccess, &program, nullptr) !=
      RegError::Success)
    return;
  RegKey current = program;
  uint32_t number = 0;
  for (size_t from = 0; from < text.size();) {
    size_t end = text.find('\n', from);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(from, end - from));
    from = end + 1;
    ++number;
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = line.rfind(']');
      if (current != program) Memory().CloseKey(current);
      current = program;
      RegKey key{};
      if (close == std::string::npos || close < 2 ||
          Memory().CreateKey(program, line.substr(1, close - 1).c_str(), RegAccess::AllAccess, &key, nullptr) !=
              RegError::Success) {
        problems.push_back({number, "not a key name: " + line});
        current = RegKey{};  // its values have nowhere to go
        continue;
      }
      current = key;
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string::npos) {
      problems.push_back({number, "no '=' in: " + line});
      continue;
    }
    if (!current) continue;  // under a key that did not parse
    std::string name = Trim(line.substr(0, equals)), why;
    if (!ParseValue(current, name, Trim(line.substr(equals + 1)), why))
      problems.push_back({number, name + ": " + why});
  }
  if (current && current != program) Memory().CloseKey(current);
  Memory().CloseKey(program);
}

bool Open(const std::string& path, const ConfigFileOps& ops, std::vector<Problem>& problems) {
  MemoryRegistry::Reset();
  g_path = path;
  g_ops = &ops;
  g_changed = false;
  g_lastWriteOk = true;
  std::string text;
  bool missing = false;
  g_writable = ops.Read(path.c_str(), text, missing) || missing;
  g_stamp = ops.Stamp(path.c_str());
  if (!text.empty()) Parse(text, problems);
  InstallRegistry(&Row);
  return g_writable;
}

bool ReloadIfChanged(std::vector<Problem>& problems) {
  if (!g_ops || g_ops->Stamp(g_path.c_str()) == g_stamp) return false;
  const ConfigFileOps& ops = *g_ops;
  std::string path = g_path;
  Open(path, ops, problems);
  return true;
}

bool LastWriteSucceeded() { return g_lastWriteOk; }
const std::string& Path() { return g_path; }

}  // namespace ConfigFile

namespace {

RegStatus FileCreateKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result, uint32_t* disposition) {
  uint32_t made = 0;
  RegStatus status = Memory().CreateKey(parent, subKey, access, result, &made);
  if (disposition) *disposition = made;
  if (status == RegError::Success && made == RegDisposition::CreatedNewKey) g_changed = true;
  return status;
}
RegStatus FileSetValue(RegKey key, const char* name, uint32_t type, const void* data, uint32_t size) {
  RegStatus status = Memory().SetValue(key, name, type, data, size);
  if (status == RegError::Success) g_changed = true;
  return status;
}
RegStatus FileDeleteValue(RegKey key, const char* name) {
  RegStatus status = Memory().DeleteValue(key, name);
  if (status == RegError::Success) g_changed = true;
  return status;
}
RegStatus FileDeleteKey(RegKey parent, const char* subKey) {
  RegStatus status = Memory().DeleteKey(parent, subKey);
  if (status == RegError::Success) g_changed = true;
  if (MemoryRegistry::OpenHandleCount() == 0) Flush();
  return status;
}
// Every save opens its keys, writes and closes them: the file is written
// once per save, when its last key closes.
RegStatus FileCloseKey(RegKey key) {
  RegStatus status = Memory().CloseKey(key);
  if (MemoryRegistry::OpenHandleCount() == 0) Flush();
  return status;
}
RegStatus FileOpenKey(RegKey parent, const char* subKey, uint32_t access, RegKey* result) {
  return Memory().OpenKey(parent, subKey, access, result);
}
RegStatus FileQueryValue(RegKey key, const char* name, uint32_t* type, void* data, uint32_t* size) {
  return Memory().QueryValue(key, name, type, data, size);
}
RegStatus FileEnumKey(RegKey key, uint32_t index, char* name, uint32_t* nameSize) {
  return Memory().EnumKey(key, index, name, nameSize);
}
RegStatus FileEnumValue(RegKey key, uint32_t index, char* name, uint32_t* nameSize, uint32_t* type, void* data,
                        uint32_t* dataSize) {
  return Memory().EnumValue(key, index, name, nameSize, type, data, dataSize);
}
RegStatus FileQueryInfoKey(RegKey key, uint32_t* subKeys, uint32_t* values) {
  return Memory().QueryInfoKey(key, subKeys, values);
}

}  // namespace

const RegistryOps ConfigFile::Row = {FileOpenKey,  FileCreateKey, FileQueryValue, FileSetValue,     FileDeleteValue,
                                     FileDeleteKey, FileEnumKey,  FileEnumValue,  FileQueryInfoKey, FileCloseKey};
