#pragma once
// Huffman code construction shared by the LZH encoder and decoder.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vog::lzh::detail {

// The longest code any LZH table may hold.
constexpr int MaxCodeBits = 16;

// Optimal code lengths limited to maxBits (package-merge). Symbols of frequency 0 get
// length 0; when fewer than two symbols are used every length is 0 (the caller writes such
// a table in its one-symbol form). Returns the number of symbols with a non-zero frequency.
int BuildCodeLengths(const uint32_t* freq, int count, int maxBits, uint8_t* lengths);

// Canonical codes (shorter codes first, then by symbol) for lengths of at most 16 bits.
void BuildCodes(const uint8_t* lengths, int count, uint16_t* codes);

// A two-level lookup table for decoding one Huffman table. An entry holds the symbol (or
// the offset of a second-level table) in bits 8..31, the bits to consume in bits 0..4,
// EntryValid for a usable entry and EntrySub for a link to a second-level table.
class TDecodeTable {
public:
  static constexpr uint32_t EntryValid = 0x40;
  static constexpr uint32_t EntrySub = 0x80;

  explicit TDecodeTable(int rootBits) : RootBits(rootBits) {}

  // Builds the table from code lengths; false when they over-subscribe the code space or
  // exceed 16 bits. Codes the lengths leave unassigned decode as invalid entries.
  bool Build(const uint8_t* lengths, int count);
  // Every bit pattern decodes to symbol without consuming bits.
  void BuildSingle(int symbol);

  int Root() const { return RootBits; }
  const uint32_t* Data() const { return Entries.data(); }

private:
  int RootBits;
  std::vector<uint32_t> Entries;
};

}  // namespace vog::lzh::detail
