// The program's fixed registry paths, kept in one place. Shorter paths (the
// product and the maker key) are cut from the program key at run time, so a
// new version number changes one string only.
#pragma once
#include <string_view>

namespace FixedStrings {
// Under HKEY_CURRENT_USER: the key that holds all of the program's settings.
inline constexpr char ProgramKey[] = "Software\\Morbeck Software\\Varnel\\2.5";
}  // namespace FixedStrings

// The path up to its last backslash ("A\B\C" -> "A\B"); empty when there is
// no backslash.
constexpr std::string_view ParentKeyPath(std::string_view path) {
  size_t cut = path.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
}

static_assert(ParentKeyPath(FixedStrings::ProgramKey) == "Software\\Morbeck Software\\Varnel");        // product
static_assert(ParentKeyPath(ParentKeyPath(FixedStrings::ProgramKey)) == "Software\\Morbeck Software");  // maker
