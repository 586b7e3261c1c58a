#include "sim/model/json_fields.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

bool ParseObject(std::string_view text, Json& out, std::string& error) {
  out = Json::parse(text.begin(), text.end(), nullptr, false);
  if (out.is_discarded()) {
    error = "not valid JSON";
    return false;
  }
  if (!out.is_object()) {
    error = "expected a JSON object";
    return false;
  }
  return true;
}

bool CheckKeys(const Json& obj, std::initializer_list<const char*> allowed, const char* where, std::string& error) {
  for (auto it = obj.begin(); it != obj.end(); ++it) {
    bool known = false;
    for (const char* name : allowed) known = known || it.key() == name;
    if (!known) {
      error = std::string(where) + ": unknown field \"" + it.key() + "\"";
      return false;
    }
  }
  return true;
}

namespace {
bool NumberOf(const Json& v, int64_t& out) {
  if (v.is_number_integer()) {
    out = v.get<int64_t>();
    return true;
  }
  if (v.is_number_unsigned()) {
    uint64_t u = v.get<uint64_t>();
    if (u > uint64_t(INT64_MAX)) return false;
    out = int64_t(u);
    return true;
  }
  if (v.is_string()) {
    const std::string& s = v.get_ref<const std::string&>();
    if (s.size() < 3 || s.size() > 18 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X')) return false;
    char* end = nullptr;
    unsigned long long u = std::strtoull(s.c_str() + 2, &end, 16);
    if (*end != 0 || u > uint64_t(INT64_MAX)) return false;
    out = int64_t(u);
    return true;
  }
  return false;
}
}  // namespace

bool ReadUint(const Json& obj, const char* key, uint32_t max, uint32_t& out, std::string& error) {
  auto it = obj.find(key);
  if (it == obj.end()) return true;
  int64_t v = 0;
  if (!NumberOf(*it, v) || v < 0 || uint64_t(v) > max) {
    error = std::string("\"") + key + "\": expected a number from 0 to " + std::to_string(max);
    return false;
  }
  out = uint32_t(v);
  return true;
}

bool ReadInt(const Json& obj, const char* key, int32_t min, int32_t max, int32_t& out, std::string& error) {
  auto it = obj.find(key);
  if (it == obj.end()) return true;
  int64_t v = 0;
  if (!NumberOf(*it, v) || v < min || v > max) {
    error = std::string("\"") + key + "\": expected a number from " + std::to_string(min) + " to " +
            std::to_string(max);
    return false;
  }
  out = int32_t(v);
  return true;
}

bool ReadBool(const Json& obj, const char* key, bool& out, std::string& error) {
  auto it = obj.find(key);
  if (it == obj.end()) return true;
  if (!it->is_boolean()) {
    error = std::string("\"") + key + "\": expected true or false";
    return false;
  }
  out = it->get<bool>();
  return true;
}

bool ReadString(const Json& obj, const char* key, std::string& out, std::string& error) {
  auto it = obj.find(key);
  if (it == obj.end()) return true;
  if (!it->is_string()) {
    error = std::string("\"") + key + "\": expected a string";
    return false;
  }
  out = it->get<std::string>();
  return true;
}

bool ReadUintList(const Json& obj, const char* key, uint32_t max, std::vector<uint32_t>& out, std::string& error) {
  auto it = obj.find(key);
  if (it == obj.end()) return true;
  if (!it->is_array()) {
    error = std::string("\"") + key + "\": expected a list of numbers";
    return false;
  }
  std::vector<uint32_t> values;
  for (const Json& item : *it) {
    int64_t v = 0;
    if (!NumberOf(item, v) || v < 0 || uint64_t(v) > max) {
      error = std::string("\"") + key + "\": expected numbers from 0 to " + std::to_string(max);
      return false;
    }
    values.push_back(uint32_t(v));
  }
  out = std::move(values);
  return true;
}

std::string HexBytes(const uint8_t* data, size_t length) {
  std::string text;
  text.reserve(length * 3);
  char two[4];
  for (size_t i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02x", data[i]);
    if (i) text += ' ';
    text += two;
  }
  return text;
}

}  // namespace sim
