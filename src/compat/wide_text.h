// Wide text for the portable core: the program's string table looked up by
// number, and the builders that compose tooltips, menu texts and the
// information text. All user-interface text is UTF-16; char16_t is its unit
// (wchar_t is 32 bits wide on Linux). On Windows a char16_t buffer is handed
// to the system as WCHAR (see AsWide in compat.h).
//
// Where the text comes from is a table of operations: the Windows row reads
// the RT_STRING resources of the executable and converts ANSI text with the
// system code page; the native row serves the same strings from the tables
// generated from src/resources/strings*.txt and treats ANSI text as Latin-1.
// The string table exists in Russian and English; every lookup reads the
// selected one.
#pragma once
#include <cstddef>
#include <cstdint>

// A run of UTF-16 units that is not terminated. Text is null when the string
// does not exist.
struct WideSpan {
  const char16_t* Text;
  size_t Length;
};

// The languages of the string table, by their Windows language ids; the
// `Language` setting stores the same numbers (1049, 1033).
enum TextLanguage : uint16_t { TextRussian = 0x0419, TextEnglish = 0x0409 };

struct TextSourceOps {
  // The string-table entry `id` in `language`; {null, 0} when it does not exist.
  WideSpan (*FindString)(uint32_t id, TextLanguage language);
  // Converts the terminated ANSI text into `out` (at most `capacity` units,
  // no terminator written). With capacity 0 (out may be null) only counts.
  // Returns the number of units written (or needed), 0 when the text cannot
  // be converted; an empty text also gives 0.
  size_t (*AnsiToWide)(const char* ansi, char16_t* out, size_t capacity);
};

// The row in use; the platform row until another is installed.
const TextSourceOps& TextSource();
// Installs a row (null puts the platform row back). For tests.
void InstallTextSource(const TextSourceOps* row);
// The row of this platform.
extern const TextSourceOps PlatformTextSource;

// The table a `Language` setting asks for: 1049 Russian, 1033 English; 0 and
// any other value follow the user's interface language `userLanguage` (a
// language id): Russian when it is Russian, whatever the country, else English.
[[nodiscard]] TextLanguage ChooseTextLanguage(int32_t setting, uint16_t userLanguage);
// The language of every lookup from now on (Russian until one is selected).
// True when it differs from the one before.
bool SelectTextLanguage(TextLanguage language);
TextLanguage SelectedTextLanguage();

// The string `id` of the selected language as a span. Missing and empty strings both give Length 0
// (Text is then null for a missing one).
[[nodiscard]] WideSpan FindString(uint32_t id);

// With a null buffer: the length of string `id`. Otherwise copies at most
// capacity - 1 units and a terminator and returns the number copied. A missing
// string gives 0 and leaves the buffer untouched; so does capacity 0.
size_t CopyStringResource(uint32_t id, char16_t* buffer, size_t capacity);

// Units before the terminator.
size_t WideLength(const char16_t* text);

// The builders write at `position`, terminate the text and return the
// position of the new terminator, so that calls chain:
//   char16_t* p = AppendStringResource(buf, 110);
//   p = AppendDecimal(p, 48); p = AppendWide(p, u"x"); p = AppendNewLine(p);
// The caller provides room enough; the builders do not check. Room for a
// string is FindString(id).Length + 1, for a number 11 units, for a new line
// 3, for ANSI text strlen + 1 (one unit per byte at most).
char16_t* AppendWide(char16_t* position, const char16_t* text);
// Copies the whole string `id`; a missing string writes only the terminator.
char16_t* AppendStringResource(char16_t* position, uint32_t id);
// Decimal digits, no sign, no leading zeros ("0" for 0).
char16_t* AppendDecimal(char16_t* position, uint32_t value);
// Carriage return and line feed.
char16_t* AppendNewLine(char16_t* position);
// The ANSI text converted from the ANSI code page. When the conversion fails
// nothing is written, not even a terminator, and `position` is returned.
char16_t* AppendAnsi(char16_t* position, const char* ansi);
