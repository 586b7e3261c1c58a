// Reading device answers. The byte helpers themselves live in
// common/byte_order.h, shared with the registry, the dialog templates and the
// virtual drives.
#pragma once
#include <cstddef>
#include <cstdint>

#include "common/byte_order.h"

// Reads of an answer that may be shorter than asked: a field that lies wholly
// inside the bytes the device returned is read, anything else reads as 0.
struct AnswerView {
  const uint8_t* Data;
  size_t Length;
  bool Has(size_t offset, size_t size) const { return offset <= Length && size <= Length - offset; }
  uint8_t Byte(size_t offset) const { return Has(offset, 1) ? Data[offset] : 0; }
  uint16_t Be16(size_t offset) const { return Has(offset, 2) ? get_be16(Data + offset) : 0; }
  uint32_t Be32(size_t offset) const { return Has(offset, 4) ? get_be32(Data + offset) : 0; }
};
