// MD5 as RFC 1321 defines it. Words are little-endian on the wire, so every
// load and store goes through byte_order.h and the code runs the same on any
// host.
#include <cstring>

#include "common/byte_order.h"
#include "password/password.h"

namespace {

constexpr uint32_t RotateLeft(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

// The sines table T[i] = floor(2^32 * |sin(i + 1)|) and the shift per step.
constexpr uint32_t Sines[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};
constexpr int Shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

void Transform(uint32_t state[4], const uint8_t block[64]) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = get_le32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  for (int i = 0; i < 64; ++i) {
    const int round = i / 16;
    uint32_t f;
    int k;
    switch (round) {
      case 0: f = (b & c) | (~b & d); k = i; break;
      case 1: f = (b & d) | (c & ~d); k = (5 * i + 1) % 16; break;
      case 2: f = b ^ c ^ d; k = (3 * i + 5) % 16; break;
      default: f = c ^ (b | ~d); k = (7 * i) % 16; break;
    }
    const uint32_t next = b + RotateLeft(a + f + Sines[i] + x[k], Shifts[round][i % 4]);
    a = d;
    d = c;
    c = b;
    b = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

void Md5Start(Md5Context& context) {
  context.State[0] = 0x67452301;
  context.State[1] = 0xefcdab89;
  context.State[2] = 0x98badcfe;
  context.State[3] = 0x10325476;
  context.Length = 0;
}

void Md5Feed(Md5Context& context, const void* data, size_t length) {
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  size_t held = static_cast<size_t>(context.Length % 64);
  context.Length += length;
  while (length > 0) {
    const size_t take = length < 64 - held ? length : 64 - held;
    std::memcpy(context.Pending + held, bytes, take);
    held += take;
    bytes += take;
    length -= take;
    if (held == 64) {
      Transform(context.State, context.Pending);
      held = 0;
    }
  }
}

void Md5Finish(Md5Context& context, uint8_t digest[16]) {
  // A one bit, zeros up to 56 bytes of the last block, then the length in
  // bits as a little-endian 64-bit number.
  const uint64_t bits = context.Length * 8;
  uint8_t tail[72] = {0x80};
  const size_t held = static_cast<size_t>(context.Length % 64);
  const size_t padding = held < 56 ? 56 - held : 120 - held;
  put_le32(tail + padding, static_cast<uint32_t>(bits));
  put_le32(tail + padding + 4, static_cast<uint32_t>(bits >> 32));
  Md5Feed(context, tail, padding + 8);
  for (int i = 0; i < 4; ++i) put_le32(digest + 4 * i, context.State[i]);
}
