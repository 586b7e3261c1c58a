// The program's fixed registry paths, kept in one place. Shorter paths (the
// product and the maker key) are cut from the program key at run time, so a
// new version number changes one string only.
#pragma once
#include <string_view>

namespace FixedStrings {
// Under HKEY_CURRENT_USER: the key that holds all of the program's settings.
inline constexpr char ProgramKey[] = "Software\\Morbeck Software\\Varnel\\2.5";

// The system settings the program changes (src/system).
// Under HKEY_CURRENT_USER: start with Windows.
inline constexpr char RunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char RunValue[] = "Varnel";
inline constexpr const char* FormerRunValues[] = {"Varnel 2.0", "Varnel 2.1"};
// Under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER: the disc autorun policy.
inline constexpr char PolicyKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
inline constexpr char NoDriveTypeAutoRun[] = "NoDriveTypeAutoRun";
// Under HKEY_CLASSES_ROOT: the default verb of an audio CD.
inline constexpr char AudioCdShellKey[] = "AudioCD\\shell";
// Under HKEY_CURRENT_USER: when Windows takes a program for hung.
inline constexpr char DesktopKey[] = "Control Panel\\Desktop";
inline constexpr char HungAppTimeout[] = "HungAppTimeout";
}  // namespace FixedStrings

// The path up to its last backslash ("A\B\C" -> "A\B"); empty when there is
// no backslash.
constexpr std::string_view ParentKeyPath(std::string_view path) {
  size_t cut = path.rfind('\\');
  return cut == std::string_view::npos ? std::string_view() : path.substr(0, cut);
}

static_assert(ParentKeyPath(FixedStrings::ProgramKey) == "Software\\Morbeck Software\\Varnel");        // product
static_assert(ParentKeyPath(ParentKeyPath(FixedStrings::ProgramKey)) == "Software\\Morbeck Software");  // maker
