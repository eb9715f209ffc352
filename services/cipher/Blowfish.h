#pragma once
// Blowfish (Schneier, 1993): 64-bit blocks, 16 rounds, keys of 1 to 56 bytes. A block is
// two big-endian 32-bit halves, left half first. The round function is unrolled and
// inline, since the chaining modes call it once per block of every file they code.
#include <cstddef>
#include <cstdint>

namespace vog {

class TBlowfish {
public:
  static constexpr size_t BlockSize = 8;
  static constexpr size_t MaxKeySize = 56;
  // The hexadecimal digits of pi (BlowfishTables.cpp).
  static const uint32_t InitialP[18];
  static const uint32_t InitialS[4][256];

  TBlowfish() { Clear(); }
  ~TBlowfish() { Clear(); }
  TBlowfish(const TBlowfish&) = delete;
  TBlowfish& operator=(const TBlowfish&) = delete;

  // The published key schedule: the key bytes are XORed into the P-array as big-endian
  // words taken cyclically over the key, then the all-zero block is enciphered again and
  // again to replace the P-array and the S-boxes. An empty key leaves the pi digits.
  void SetKey(const uint8_t* key, size_t size);
  // Zeroes the key tables (nothing of the key stays in memory).
  void Clear();

  inline void Encrypt(uint32_t& left, uint32_t& right) const {
    const uint32_t* p = p_;
    uint32_t l = left ^ p[0];
    uint32_t r = right;
    r ^= F(l) ^ p[1];
    l ^= F(r) ^ p[2];
    r ^= F(l) ^ p[3];
    l ^= F(r) ^ p[4];
    r ^= F(l) ^ p[5];
    l ^= F(r) ^ p[6];
    r ^= F(l) ^ p[7];
    l ^= F(r) ^ p[8];
    r ^= F(l) ^ p[9];
    l ^= F(r) ^ p[10];
    r ^= F(l) ^ p[11];
    l ^= F(r) ^ p[12];
    r ^= F(l) ^ p[13];
    l ^= F(r) ^ p[14];
    r ^= F(l) ^ p[15];
    l ^= F(r) ^ p[16];
    left = r ^ p[17];
    right = l;
  }

  inline void Decrypt(uint32_t& left, uint32_t& right) const {
    const uint32_t* p = p_;
    uint32_t l = left ^ p[17];
    uint32_t r = right;
    r ^= F(l) ^ p[16];
    l ^= F(r) ^ p[15];
    r ^= F(l) ^ p[14];
    l ^= F(r) ^ p[13];
    r ^= F(l) ^ p[12];
    l ^= F(r) ^ p[11];
    r ^= F(l) ^ p[10];
    l ^= F(r) ^ p[9];
    r ^= F(l) ^ p[8];
    l ^= F(r) ^ p[7];
    r ^= F(l) ^ p[6];
    l ^= F(r) ^ p[5];
    r ^= F(l) ^ p[4];
    l ^= F(r) ^ p[3];
    r ^= F(l) ^ p[2];
    l ^= F(r) ^ p[1];
    left = r ^ p[0];
    right = l;
  }

  // One block of 8 bytes in place, in the block's big-endian layout.
  void EncryptBlock(uint8_t* block) const;
  void DecryptBlock(uint8_t* block) const;

  static inline uint32_t LoadBe(const uint8_t* b) {
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
  }
  static inline void StoreBe(uint8_t* b, uint32_t v) {
    b[0] = uint8_t(v >> 24);
    b[1] = uint8_t(v >> 16);
    b[2] = uint8_t(v >> 8);
    b[3] = uint8_t(v);
  }

private:
  inline uint32_t F(uint32_t x) const {
    return ((s_[0][x >> 24] + s_[1][(x >> 16) & 0xFF]) ^ s_[2][(x >> 8) & 0xFF]) + s_[3][x & 0xFF];
  }

  uint32_t p_[18];
  uint32_t s_[4][256];
};

}  // namespace vog
