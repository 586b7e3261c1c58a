// The native text source: the string tables generated from strings*.txt, and
// ANSI text taken as Latin-1 (each byte is the code point of the same value).
#include <algorithm>

#include "compat/wide_text.h"
#include "resources/string_table.h"

namespace {

WideSpan FindBuiltinString(uint32_t id, TextLanguage language) {
  const StringTableEntry* table = language == TextEnglish ? VarnelEnglishStringTable : VarnelStringTable;
  const StringTableEntry* end = table + VarnelStringTableCount;
  const StringTableEntry* entry = std::lower_bound(
      table, end, id, [](const StringTableEntry& e, uint32_t key) { return e.Id < key; });
  if (entry == end || entry->Id != id) return {nullptr, 0};
  return {entry->Text, entry->Length};
}

size_t Latin1ToWide(const char* ansi, char16_t* out, size_t capacity) {
  size_t length = 0;
  while (ansi[length]) ++length;
  if (capacity == 0) return length;
  size_t count = std::min(length, capacity);
  for (size_t i = 0; i < count; ++i) out[i] = static_cast<unsigned char>(ansi[i]);
  return count;
}

}  // namespace

const TextSourceOps PlatformTextSource = {FindBuiltinString, Latin1ToWide};
