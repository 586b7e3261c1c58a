// The program's string table as data, generated from strings.txt by
// tools/resources/gen_resources.py. The native build serves the program's
// texts from it; Windows tests compare the executable's resources with it.
#pragma once
#include <cstddef>
#include <cstdint>

struct StringTableEntry {
  uint32_t Id;
  const char16_t* Text;  // terminated
  uint32_t Length;       // units before the terminator
};

// Sorted by Id, ascending.
extern const StringTableEntry VarnelStringTable[];
extern const size_t VarnelStringTableCount;
