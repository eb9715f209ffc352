#include "services/archive/LzhHuffman.h"

#include <gtest/gtest.h>

#include <numeric>
#include <queue>
#include <random>

namespace vog::lzh::detail {
namespace {

uint64_t KraftSum(const std::vector<uint8_t>& lengths) {
  uint64_t sum = 0;
  for (uint8_t l : lengths)
    if (l) sum += uint64_t(1) << (MaxCodeBits - l);
  return sum;
}

uint64_t Cost(const std::vector<uint32_t>& freq, const std::vector<uint8_t>& lengths) {
  uint64_t cost = 0;
  for (size_t i = 0; i < freq.size(); ++i) cost += uint64_t(freq[i]) * lengths[i];
  return cost;
}

// The cost of an unrestricted Huffman code (the sum of the merged weights) and its depth.
uint64_t HuffmanCost(const std::vector<uint32_t>& freq, int* depth = nullptr) {
  using TNode = std::pair<uint64_t, int>;
  std::priority_queue<TNode, std::vector<TNode>, std::greater<>> heap;
  for (uint32_t f : freq)
    if (f) heap.push({f, 0});
  uint64_t cost = 0;
  while (heap.size() > 1) {
    const TNode a = heap.top();
    heap.pop();
    const TNode b = heap.top();
    heap.pop();
    cost += a.first + b.first;
    heap.push({a.first + b.first, std::max(a.second, b.second) + 1});
  }
  if (depth) *depth = heap.top().second;
  return cost;
}

TEST(LzhCodecHuffmanTest, LengthsAreOptimalCompleteAndLimited) {
  std::mt19937 rng(5);
  for (int trial = 0; trial < 200; ++trial) {
    const int count = 2 + int(rng() % 509);
    std::vector<uint32_t> freq(count);
    for (auto& f : freq) f = rng() % 4 == 0 ? 0 : 1 + rng() % (trial % 2 ? 10 : 100000);
    freq[0] = freq[0] ? freq[0] : 1;
    freq[count - 1] = freq[count - 1] ? freq[count - 1] : 1;
    std::vector<uint8_t> lengths(count);
    BuildCodeLengths(freq.data(), count, MaxCodeBits, lengths.data());
    for (int i = 0; i < count; ++i) EXPECT_EQ(lengths[i] != 0, freq[i] != 0);
    EXPECT_EQ(KraftSum(lengths), uint64_t(1) << MaxCodeBits);
    // Where an unrestricted code fits in 16 bits the limit costs nothing.
    int depth = 0;
    const uint64_t optimal = HuffmanCost(freq, &depth);
    if (depth <= MaxCodeBits)
      EXPECT_EQ(Cost(freq, lengths), optimal) << trial;
    else
      EXPECT_GE(Cost(freq, lengths), optimal) << trial;
  }
}

TEST(LzhCodecHuffmanTest, SkewedFrequenciesAreHeldTo16Bits) {
  // Fibonacci frequencies make an unrestricted code as deep as there are symbols.
  std::vector<uint32_t> freq(30);
  freq[0] = freq[1] = 1;
  for (size_t i = 2; i < freq.size(); ++i) freq[i] = freq[i - 1] + freq[i - 2];
  std::vector<uint8_t> lengths(freq.size());
  BuildCodeLengths(freq.data(), int(freq.size()), MaxCodeBits, lengths.data());
  EXPECT_EQ(*std::max_element(lengths.begin(), lengths.end()), MaxCodeBits);
  EXPECT_EQ(KraftSum(lengths), uint64_t(1) << MaxCodeBits);
  EXPECT_GT(Cost(freq, lengths), HuffmanCost(freq));

  // A tighter limit on a small alphabet: 4 bits for 16 symbols can only be a flat code.
  std::vector<uint8_t> flat(16);
  std::vector<uint32_t> skewed(16);
  for (int i = 0; i < 16; ++i) skewed[i] = 1u << i;
  BuildCodeLengths(skewed.data(), 16, 4, flat.data());
  for (uint8_t l : flat) EXPECT_EQ(l, 4);
}

TEST(LzhCodecHuffmanTest, OneOrNoSymbolGivesNoLengths) {
  std::vector<uint32_t> freq(10, 0);
  std::vector<uint8_t> lengths(10, 9);
  EXPECT_EQ(BuildCodeLengths(freq.data(), 10, MaxCodeBits, lengths.data()), 0);
  freq[4] = 12;
  EXPECT_EQ(BuildCodeLengths(freq.data(), 10, MaxCodeBits, lengths.data()), 1);
  for (uint8_t l : lengths) EXPECT_EQ(l, 0);
}

TEST(LzhCodecHuffmanTest, DecodeTableFollowsTheCanonicalCodes) {
  // Lengths over two levels of an 8-bit root: codes of 2, 3, 9 and 12 bits.
  std::vector<uint8_t> lengths = {2, 3, 3, 2, 9, 12, 12, 12, 12, 0, 3};
  std::vector<uint16_t> codes(lengths.size());
  BuildCodes(lengths.data(), int(lengths.size()), codes.data());
  EXPECT_EQ(codes[0], 0b00);
  EXPECT_EQ(codes[3], 0b01);
  EXPECT_EQ(codes[1], 0b100);
  EXPECT_EQ(codes[2], 0b101);
  EXPECT_EQ(codes[10], 0b110);
  EXPECT_EQ(codes[4], 0b111000000);
  EXPECT_EQ(codes[5], 0b111000001000);
  TDecodeTable table(8);
  ASSERT_TRUE(table.Build(lengths.data(), int(lengths.size())));
  for (size_t symbol = 0; symbol < lengths.size(); ++symbol) {
    if (!lengths[symbol]) continue;
    // Left-align the code in 16 bits and look it up as the decoder does.
    const uint32_t window = uint32_t(codes[symbol]) << (16 - lengths[symbol]);
    uint32_t entry = table.Data()[window >> 8];
    int used = 0;
    if (entry & TDecodeTable::EntrySub) {
      used = 8;
      const int subBits = int(entry & 0x1f);
      entry = table.Data()[(entry >> 8) + ((window >> (16 - 8 - subBits)) & ((1u << subBits) - 1))];
    }
    ASSERT_TRUE(entry & TDecodeTable::EntryValid) << symbol;
    EXPECT_EQ(entry >> 8, symbol);
    EXPECT_EQ(used + int(entry & 0x1f), lengths[symbol]);
  }
  // Codes the lengths leave free decode as invalid.
  EXPECT_FALSE(table.Data()[0xff] & TDecodeTable::EntryValid);

  // Over-subscribed: three codes of one bit.
  const std::vector<uint8_t> tooMany = {1, 1, 1};
  EXPECT_FALSE(table.Build(tooMany.data(), 3));
}

}  // namespace
}  // namespace vog::lzh::detail
