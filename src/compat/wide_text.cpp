// The portable half of the compatibility layer: string lookup through the
// installed text source, and the wide string builders.
#include "compat/wide_text.h"

namespace {
const TextSourceOps* installedSource = nullptr;
TextLanguage selectedLanguage = TextRussian;
constexpr uint16_t PrimaryLanguageMask = 0x3FF;  // the low ten bits; the rest names the country
}

const TextSourceOps& TextSource() { return installedSource ? *installedSource : PlatformTextSource; }

void InstallTextSource(const TextSourceOps* row) { installedSource = row; }

TextLanguage ChooseTextLanguage(int32_t setting, uint16_t userLanguage) {
  if (setting == TextRussian || setting == TextEnglish) return TextLanguage(setting);
  return (userLanguage & PrimaryLanguageMask) == (TextRussian & PrimaryLanguageMask) ? TextRussian : TextEnglish;
}

bool SelectTextLanguage(TextLanguage language) {
  const bool changed = language != selectedLanguage;
  selectedLanguage = language;
  return changed;
}

TextLanguage SelectedTextLanguage() { return selectedLanguage; }

WideSpan FindString(uint32_t id) {
  WideSpan found = TextSource().FindString(id, selectedLanguage);
  if (!found.Text) found.Length = 0;
  return found;
}

size_t CopyStringResource(uint32_t id, char16_t* buffer, size_t capacity) {
  WideSpan found = FindString(id);
  if (!found.Text) return 0;
  if (!buffer) return found.Length;
  if (capacity == 0) return 0;  // no room even for the terminator
  size_t count = found.Length < capacity - 1 ? found.Length : capacity - 1;
  for (size_t i = 0; i < count; ++i) buffer[i] = found.Text[i];
  buffer[count] = 0;
  return count;
}

size_t WideLength(const char16_t* text) {
  size_t length = 0;
  while (text[length]) ++length;
  return length;
}

char16_t* AppendWide(char16_t* position, const char16_t* text) {
  while (*text) *position++ = *text++;
  *position = 0;
  return position;
}

char16_t* AppendStringResource(char16_t* position, uint32_t id) {
  WideSpan found = FindString(id);
  for (size_t i = 0; i < found.Length; ++i) *position++ = found.Text[i];
  *position = 0;
  return position;
}

char16_t* AppendDecimal(char16_t* position, uint32_t value) {
  char16_t digits[10];  // 4294967295 has ten
  size_t count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *position++ = digits[--count];
  *position = 0;
  return position;
}

char16_t* AppendNewLine(char16_t* position) {
  *position++ = u'\r';
  *position++ = u'\n';
  *position = 0;
  return position;
}

char16_t* AppendAnsi(char16_t* position, const char* ansi) {
  if (!ansi) return position;
  if (*ansi == 0) {
    *position = 0;
    return position;
  }
  const TextSourceOps& source = TextSource();
  size_t needed = source.AnsiToWide(ansi, nullptr, 0);
  if (needed == 0) return position;
  size_t written = source.AnsiToWide(ansi, position, needed);
  if (written == 0) return position;
  position[written] = 0;
  return position + written;
}
