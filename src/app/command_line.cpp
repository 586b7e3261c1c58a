#include <cctype>

#include "app/app.h"

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool EqualsIgnoringCase(const char* text, const char* word) {
  for (; *text && *word; ++text, ++word)
    if (std::tolower(static_cast<unsigned char>(*text)) != *word) return false;
  return *text == '\0' && *word == '\0';
}
}  // namespace

const char* SkipProgramName(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    ++p;
    while (*p && *p != '"') ++p;
    if (*p == '"') ++p;
  } else {
    while (*p && !IsBlank(*p)) ++p;
  }
  while (IsBlank(*p)) ++p;
  return p;
}

StartMode ParseStartMode(const char* arguments) {
  if (EqualsIgnoringCase(arguments, "/exit")) return StartMode::RunOnce;
  if (EqualsIgnoringCase(arguments, "/hide")) return StartMode::Hidden;
  return StartMode::Normal;
}
