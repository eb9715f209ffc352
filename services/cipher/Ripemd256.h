#pragma once
// RIPEMD-256 (Dobbertin, Bosselaers, Preneel): the 256-bit extension of RIPEMD-128, two
// parallel lines of four rounds that exchange one chaining word after each round.
// MD4-style padding, bit length as a 64-bit little-endian number, digest as eight
// little-endian words. The cipher turns a key text into key bytes with it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vog {

class TRipemd256 {
public:
  static constexpr size_t DigestSize = 32;
  using TDigest = std::array<uint8_t, DigestSize>;

  TRipemd256() { Reset(); }
  void Reset();
  void Update(const void* data, size_t size);
  // Ends the message and returns its digest; the object is reset afterwards.
  TDigest Final();

  static TDigest Hash(const void* data, size_t size);
  static TDigest Hash(std::string_view bytes) { return Hash(bytes.data(), bytes.size()); }

private:
  void Compress(const uint8_t* block);

  uint32_t state_[8];
  uint64_t length_ = 0;  // bytes so far
  uint8_t buffer_[64];
  size_t buffered_ = 0;
};

}  // namespace vog
