// The program's string tables as data, generated from strings.txt (Russian)
// and strings_en.txt (English) by tools/resources/gen_resources.py. The
// native build serves the program's texts from them; Windows tests compare
// the executable's resources with them.
#pragma once
#include <cstddef>
#include <cstdint>

struct StringTableEntry {
  uint32_t Id;
  const char16_t* Text;  // terminated
  uint32_t Length;       // units before the terminator
};

// Sorted by Id, ascending; both tables hold the same ids, so one count
// serves both.
extern const StringTableEntry VarnelStringTable[];
extern const StringTableEntry VarnelEnglishStringTable[];
extern const size_t VarnelStringTableCount;
