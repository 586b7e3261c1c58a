// Typed, checked reads of JSON fields for profiles, set-ups and control
// lines. A field that is absent leaves the target as it was; a field of the
// wrong type or range is an error with a message. Nothing here throws.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace sim {

using Json = nlohmann::json;

// Parses text without exceptions; false with a message when it is not JSON
// or not an object.
bool ParseObject(std::string_view text, Json& out, std::string& error);

// Every key of obj must be one of allowed (catches misspelt fields).
bool CheckKeys(const Json& obj, std::initializer_list<const char*> allowed, const char* where, std::string& error);

// Numbers may be written as JSON numbers or as "0x.." strings.
bool ReadUint(const Json& obj, const char* key, uint32_t max, uint32_t& out, std::string& error);
bool ReadInt(const Json& obj, const char* key, int32_t min, int32_t max, int32_t& out, std::string& error);
bool ReadBool(const Json& obj, const char* key, bool& out, std::string& error);
bool ReadString(const Json& obj, const char* key, std::string& out, std::string& error);
bool ReadUintList(const Json& obj, const char* key, uint32_t max, std::vector<uint32_t>& out, std::string& error);

template <typename T>
bool ReadSmall(const Json& obj, const char* key, T& out, std::string& error) {
  uint32_t v = out;
  if (!ReadUint(obj, key, static_cast<T>(~T(0)), v, error)) return false;
  out = static_cast<T>(v);
  return true;
}

// Lower-case hex bytes separated by blanks, as the command log writes them.
std::string HexBytes(const uint8_t* data, size_t length);

}  // namespace sim
