#pragma once
// The encoder's sliding window over its input and the hash chains that find matches in it.

#include "services/archive/LzhCodec.h"
#include "services/archive/LzhFormat.h"

#include <cstring>
#include <vector>

namespace vog::lzh::detail {

class TMatchFinder {
public:
  TMatchFinder(int dictionaryBits, const TReadFn& read);

  // Reads more input when fewer than MaxMatch + MinMatch bytes lie ahead of Pos; once
  // the input has ended, the lookahead simply shrinks. Returns the bytes available at Pos.
  size_t Lookahead() {
    if (!Ended && End - Pos < MaxMatch + MinMatch + 8) Fill();
    return End - Pos;
  }

  uint8_t At(size_t pos) const { return Buffer[pos]; }

  // Enters position pos (which must have three bytes ahead) into its hash chain and
  // returns the previous head of that chain (-1 if none).
  int32_t Insert(size_t pos) {
    const uint32_t hash = Hash(pos);
    const int32_t previous = Head[hash];
    Prev[pos & WindowMask] = previous;
    Head[hash] = int32_t(pos);
    return previous;
  }

  // The longest match for pos longer than atLeast, searching from chain candidate first.
  // Returns its length (0 if none longer) and its distance in distance.
  int LongestMatch(size_t pos, int32_t first, int atLeast, int maxChain, int niceLength, size_t& distance) const;

  size_t Pos = 0;             // the next position to code
  uint64_t OriginalSize = 0;  // bytes read so far
  uint16_t Crc = 0;           // their CRC-16

private:
  static constexpr int HashBits = 16;

  uint32_t Hash(size_t pos) const {
    const uint32_t v = uint32_t(Buffer[pos]) << 16 | uint32_t(Buffer[pos + 1]) << 8 | Buffer[pos + 2];
    return (v * 0x9E3779B1u) >> (32 - HashBits);
  }
  void Fill();

  const TReadFn& Read;
  size_t Window;
  size_t WindowMask;
  size_t FullSize;
  std::vector<uint8_t> Buffer;
  size_t End = 0;
  bool Ended = false;
  std::vector<int32_t> Head;
  std::vector<int32_t> Prev;
};

}  // namespace vog::lzh::detail
