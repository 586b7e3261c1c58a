// Byte order of every multi-byte field the program reads or writes: MMC wire
// fields are big-endian; registry integers, stored binary records and dialog
// templates are little-endian, as Windows keeps them. Fields go through these
// helpers, never through shifts at the call site. Header only, no dependency.
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

inline void put_le16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
inline uint16_t get_le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
inline uint32_t get_le32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Appends little-endian fields to a buffer the caller sized beforehand (a
// dialog template is measured first, then written in one pass).
struct LeWriter {
  uint8_t* at;
  void Byte(uint8_t v) { *at++ = v; }
  void Word(uint16_t v) {
    put_le16(at, v);
    at += 2;
  }
  void Dword(uint32_t v) {
    put_le32(at, v);
    at += 4;
  }
};
