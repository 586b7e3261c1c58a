// Big-endian wire fields. Every multi-byte field of a CDB, a parameter list or
// an answer goes through these helpers, never through shifts at the call site.
#pragma once
#include <cstddef>
#include <cstdint>

inline void put_be16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
inline void put_be32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
}
inline uint16_t get_be16(const uint8_t* p) { return uint16_t((p[0] << 8) | p[1]); }
inline uint32_t get_be32(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

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
