#include "actions/actions.h"

#include "drive/drive.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The value of key in the first "AutoRun" section, trimmed and unquoted;
// empty when absent.
std::string_view AutorunValue(std::string_view text, std::string_view key) {
  constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";
  if (text.substr(0, utf8Mark.size()) == utf8Mark) text.remove_prefix(utf8Mark.size());
  bool inSection = false;
  bool sectionSeen = false;
  while (!text.empty()) {
    const std::size_t end = text.find_first_of(std::string_view("\r\n\0", 3));
    const std::string_view line = Trimmed(text.substr(0, end));
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const std::size_t close = line.find(']');
      if (inSection) return {};  // only the first AutoRun section counts
      inSection = !sectionSeen && close != std::string_view::npos && SameName(Trimmed(line.substr(1, close - 1)), "AutoRun");
      sectionSeen = sectionSeen || inSection;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos || !SameName(Trimmed(line.substr(0, equals)), key)) continue;
    std::string_view value = Trimmed(line.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return {};
}

}  // namespace

char DriveLetter(const DriveRecord& drive) {
  const int32_t letter = drive.Address.Letter;
  if (letter >= 'A' && letter <= 'Z') return char(letter);
  if (letter >= 'a' && letter <= 'z') return char(letter - 'a' + 'A');
  return 0;
}

std::string RootPath(char letter) { return std::string(1, letter) + ":\\"; }

std::string AutorunFilePath(char letter) { return RootPath(letter) + "AUTORUN.INF"; }

AutorunLookup FindAutorunCommand(std::string_view text, AutorunCommand& command) {
  if (text.size() > AutorunFileLimit) text = text.substr(0, AutorunFileLimit);
  std::string_view line = AutorunValue(text, "shellexecute");
  if (line.empty()) line = AutorunValue(text, "open");
  if (line.empty()) return AutorunLookup::NoCommand;
  // The system reads the value into a buffer of the path limit: a longer
  // command would reach the shell cut and start something else.
  if (line.size() >= ShellPathLimit) return AutorunLookup::TooLong;
  std::size_t blank = 0;
  while (blank < line.size() && !IsBlank(line[blank])) ++blank;
  std::size_t rest = blank;
  while (rest < line.size() && IsBlank(line[rest])) ++rest;
  command.Program.assign(line.substr(0, blank));
  command.Parameters.assign(line.substr(rest));
  return AutorunLookup::Found;
}

bool HelpPathBeside(std::string_view exePath, TextLanguage language, std::string& helpPath) {
  const std::size_t slash = exePath.rfind('\\');
  if (slash == std::string_view::npos) return false;
  std::string path(exePath.substr(0, slash + 1));
  path += language == TextEnglish ? "varnel_en.chm" : "varnel.chm";
  if (path.size() >= ShellPathLimit) return false;
  helpPath = std::move(path);
  return true;
}
