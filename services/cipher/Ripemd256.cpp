#include "services/cipher/Ripemd256.h"

#include <cstring>

namespace vog {

namespace {

inline uint32_t Rol(uint32_t x, unsigned n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t F1(uint32_t x, uint32_t y, uint32_t z) { return x ^ y ^ z; }
inline uint32_t F2(uint32_t x, uint32_t y, uint32_t z) { return (x & y) | (~x & z); }
inline uint32_t F3(uint32_t x, uint32_t y, uint32_t z) { return (x | ~y) ^ z; }
inline uint32_t F4(uint32_t x, uint32_t y, uint32_t z) { return (x & z) | (y & ~z); }

// Message word order and rotation amounts of the four rounds, left and right line.
constexpr uint8_t kLeftWord[64] = {0, 1,  2,  3,  4,  5,  6,  7, 8,  9, 10, 11, 12, 13, 14, 15,  //
                                   7, 4,  13, 1,  10, 6,  15, 3, 12, 0, 9,  5,  2,  14, 11, 8,   //
                                   3, 10, 14, 4,  9,  15, 8,  1, 2,  7, 0,  6,  13, 11, 5,  12,  //
                                   1, 9,  11, 10, 0,  8,  12, 4, 13, 3, 7,  15, 14, 5,  6,  2};
constexpr uint8_t kRightWord[64] = {5,  14, 7, 0, 9, 2,  11, 4,  13, 6,  15, 8,  1,  10, 3,  12,  //
                                    6,  11, 3, 7, 0, 13, 5,  10, 14, 15, 8,  12, 4,  9,  1,  2,   //
                                    15, 5,  1, 3, 7, 14, 6,  9,  11, 8,  12, 2,  10, 0,  4,  13,  //
                                    8,  6,  4, 1, 3, 11, 15, 0,  5,  12, 2,  13, 9,  7,  10, 14};
constexpr uint8_t kLeftRot[64] = {11, 14, 15, 12, 5,  8,  7,  9,  11, 13, 14, 15, 6,  7,  9,  8,   //
                                  7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15, 9,  11, 7,  13, 12,  //
                                  11, 13, 6,  7,  14, 9,  13, 15, 14, 8,  13, 6,  5,  12, 7,  5,   //
                                  11, 12, 14, 15, 14, 15, 9,  8,  9,  14, 5,  6,  8,  6,  5,  12};
constexpr uint8_t kRightRot[64] = {8,  9,  9,  11, 13, 15, 15, 5,  7,  7,  8,  11, 14, 14, 12, 6,   //
                                   9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12, 7,  6,  15, 13, 11,  //
                                   9,  7,  15, 11, 8,  6,  6,  14, 12, 13, 5,  14, 13, 13, 7,  5,   //
                                   15, 5,  8,  11, 14, 14, 6,  14, 6,  9,  12, 9,  12, 5,  15, 8};
constexpr uint32_t kLeftK[4] = {0x00000000, 0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC};
constexpr uint32_t kRightK[4] = {0x50A28BE6, 0x5C4DD124, 0x6D703EF3, 0x00000000};

inline uint32_t LeftF(int round, uint32_t x, uint32_t y, uint32_t z) {
  switch (round) {
    case 0:
      return F1(x, y, z);
    case 1:
      return F2(x, y, z);
    case 2:
      return F3(x, y, z);
    default:
      return F4(x, y, z);
  }
}
inline uint32_t RightF(int round, uint32_t x, uint32_t y, uint32_t z) {
  switch (round) {
    case 0:
      return F4(x, y, z);
    case 1:
      return F3(x, y, z);
    case 2:
      return F2(x, y, z);
    default:
      return F1(x, y, z);
  }
}

inline uint32_t LoadLe(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

void TRipemd256::Reset() {
  static constexpr uint32_t kInit[8] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                        0x76543210, 0xFEDCBA98, 0x89ABCDEF, 0x01234567};
  std::memcpy(state_, kInit, sizeof state_);
  length_ = 0;
  buffered_ = 0;
}

void TRipemd256::Compress(const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = LoadLe(block + 4 * i);
  uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
  uint32_t a2 = state_[4], b2 = state_[5], c2 = state_[6], d2 = state_[7];
  for (int round = 0; round < 4; ++round) {
    for (int i = 16 * round; i < 16 * round + 16; ++i) {
      uint32_t t = Rol(a + LeftF(round, b, c, d) + x[kLeftWord[i]] + kLeftK[round], kLeftRot[i]);
      a = d;
      d = c;
      c = b;
      b = t;
      t = Rol(a2 + RightF(round, b2, c2, d2) + x[kRightWord[i]] + kRightK[round], kRightRot[i]);
      a2 = d2;
      d2 = c2;
      c2 = b2;
      b2 = t;
    }
    // After each round one register of the left line trades places with its partner.
    switch (round) {
      case 0:
        std::swap(a, a2);
        break;
      case 1:
        std::swap(b, b2);
        break;
      case 2:
        std::swap(c, c2);
        break;
      default:
        std::swap(d, d2);
        break;
    }
  }
  state_[0] += a;
  state_[1] += b;
  state_[2] += c;
  state_[3] += d;
  state_[4] += a2;
  state_[5] += b2;
  state_[6] += c2;
  state_[7] += d2;
}

void TRipemd256::Update(const void* data, size_t size) {
  auto p = static_cast<const uint8_t*>(data);
  length_ += size;
  if (buffered_ > 0) {
    size_t take = std::min(size, 64 - buffered_);
    std::memcpy(buffer_ + buffered_, p, take);
    buffered_ += take;
    p += take;
    size -= take;
    if (buffered_ < 64) return;
    Compress(buffer_);
    buffered_ = 0;
  }
  for (; size >= 64; p += 64, size -= 64) Compress(p);
  std::memcpy(buffer_, p, size);
  buffered_ = size;
}

TRipemd256::TDigest TRipemd256::Final() {
  uint64_t bits = length_ * 8;
  uint8_t pad[72] = {0x80};
  size_t padSize = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i) pad[padSize + i] = uint8_t(bits >> (8 * i));
  Update(pad, padSize + 8);
  TDigest digest;
  for (int i = 0; i < 8; ++i)
    for (int j = 0; j < 4; ++j) digest[4 * i + j] = uint8_t(state_[i] >> (8 * j));
  Reset();
  return digest;
}

TRipemd256::TDigest TRipemd256::Hash(const void* data, size_t size) {
  TRipemd256 h;
  h.Update(data, size);
  return h.Final();
}

}  // namespace vog
