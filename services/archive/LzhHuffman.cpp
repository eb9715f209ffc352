#include "services/archive/LzhHuffman.h"

#include <algorithm>
#include <array>

namespace vog::lzh::detail {

namespace {

struct TItem {
  uint64_t Weight;
  int32_t Leaf;  // index into the sorted leaves, or -1 for a package
};

}  // namespace

int BuildCodeLengths(const uint32_t* freq, int count, int maxBits, uint8_t* lengths) {
  std::fill(lengths, lengths + count, uint8_t(0));
  std::vector<std::pair<uint32_t, int>> leaves;
  leaves.reserve(count);
  for (int i = 0; i < count; ++i)
    if (freq[i] != 0) leaves.emplace_back(freq[i], i);
  const int used = static_cast<int>(leaves.size());
  if (used < 2) return used;
  std::sort(leaves.begin(), leaves.end());

  // A plain Huffman code first (two queues over the sorted leaves); it is optimal and
  // usually within the limit.
  {
    std::vector<uint64_t> internal(used - 1);
    std::vector<int32_t> parent(2 * used - 1);  // leaves 0..used-1, then internal nodes
    int leaf = 0, next = 0;
    auto pick = [&](int created) {
      if (leaf < used && (next >= created || leaves[leaf].first <= internal[next])) {
        const int taken = leaf++;
        return std::pair<uint64_t, int>(leaves[taken].first, taken);
      }
      const int node = next++;
      return std::pair<uint64_t, int>(internal[node], used + node);
    };
    for (int created = 0; created < used - 1; ++created) {
      const auto a = pick(created);
      const auto b = pick(created);
      internal[created] = a.first + b.first;
      parent[a.second] = used + created;
      parent[b.second] = used + created;
    }
    std::vector<uint8_t> depth(2 * used - 1, 0);
    int deepest = 0;
    for (int node = 2 * used - 3; node >= 0; --node) {
      depth[node] = uint8_t(std::min(depth[parent[node]] + 1, 255));
      deepest = std::max<int>(deepest, depth[node]);
    }
    if (deepest <= maxBits) {
      for (int i = 0; i < used; ++i) lengths[leaves[i].second] = depth[i];
      return used;
    }
  }

  // Too deep: package-merge: level maxBits holds the leaves alone; each shallower level merges the
  // leaves with the pairs (packages) of the level below it.
  std::vector<std::vector<TItem>> levels(maxBits);
  auto& deepest = levels[maxBits - 1];
  deepest.reserve(used);
  for (int i = 0; i < used; ++i) deepest.push_back({leaves[i].first, i});
  for (int level = maxBits - 2; level >= 0; --level) {
    const auto& below = levels[level + 1];
    auto& current = levels[level];
    current.reserve(used + below.size() / 2);
    size_t leaf = 0, pair = 0;
    const size_t pairs = below.size() / 2;
    while (leaf < size_t(used) || pair < pairs) {
      const uint64_t packageWeight = pair < pairs ? below[2 * pair].Weight + below[2 * pair + 1].Weight : UINT64_MAX;
      if (leaf < size_t(used) && leaves[leaf].first <= packageWeight) {
        current.push_back({leaves[leaf].first, int32_t(leaf)});
        ++leaf;
      } else {
        current.push_back({packageWeight, -1});
        ++pair;
      }
    }
  }

  // The first 2*used-2 items of the shallowest level make the code; every appearance of a
  // leaf in the chosen items (directly or inside chosen packages) adds one bit to it.
  std::vector<uint8_t> sortedLengths(used, 0);
  size_t take = size_t(2 * used - 2);
  for (int level = 0; level < maxBits && take > 0; ++level) {
    const auto& items = levels[level];
    size_t packages = 0;
    for (size_t i = 0; i < take && i < items.size(); ++i) {
      if (items[i].Leaf >= 0)
        ++sortedLengths[items[i].Leaf];
      else
        ++packages;
    }
    take = 2 * packages;
  }
  for (int i = 0; i < used; ++i) lengths[leaves[i].second] = sortedLengths[i];
  return used;
}

void BuildCodes(const uint8_t* lengths, int count, uint16_t* codes) {
  std::array<uint32_t, MaxCodeBits + 2> lengthCount{};
  for (int i = 0; i < count; ++i) ++lengthCount[lengths[i]];
  lengthCount[0] = 0;
  std::array<uint32_t, MaxCodeBits + 2> next{};
  uint32_t code = 0;
  for (int bits = 1; bits <= MaxCodeBits; ++bits) {
    code = (code + lengthCount[bits - 1]) << 1;
    next[bits] = code;
  }
  for (int i = 0; i < count; ++i) codes[i] = lengths[i] ? uint16_t(next[lengths[i]]++) : 0;
}

bool TDecodeTable::Build(const uint8_t* lengths, int count) {
  std::array<uint32_t, MaxCodeBits + 1> lengthCount{};
  for (int i = 0; i < count; ++i) {
    if (lengths[i] > MaxCodeBits) return false;
    ++lengthCount[lengths[i]];
  }
  uint32_t space = 0;
  for (int bits = 1; bits <= MaxCodeBits; ++bits) space += lengthCount[bits] << (MaxCodeBits - bits);
  if (space > (1u << MaxCodeBits)) return false;

  std::array<uint16_t, 512> codes;
  if (count > int(codes.size())) return false;
  BuildCodes(lengths, count, codes.data());

  const uint32_t rootSize = 1u << RootBits;
  // Longest code under each root prefix, to size the second-level tables.
  std::vector<uint8_t> longest(rootSize, 0);
  for (int i = 0; i < count; ++i) {
    const int bits = lengths[i];
    if (bits > RootBits) {
      const uint32_t prefix = codes[i] >> (bits - RootBits);
      longest[prefix] = std::max<uint8_t>(longest[prefix], uint8_t(bits));
    }
  }
  size_t total = rootSize;
  Entries.assign(rootSize, 0);
  for (uint32_t prefix = 0; prefix < rootSize; ++prefix) {
    if (longest[prefix] == 0) continue;
    const int subBits = longest[prefix] - RootBits;
    Entries[prefix] = (uint32_t(total) << 8) | EntrySub | EntryValid | uint32_t(subBits);
    total += size_t(1) << subBits;
  }
  Entries.resize(total, 0);

  for (int i = 0; i < count; ++i) {
    const int bits = lengths[i];
    if (bits == 0) continue;
    if (bits <= RootBits) {
      const uint32_t first = uint32_t(codes[i]) << (RootBits - bits);
      const uint32_t entry = (uint32_t(i) << 8) | EntryValid | uint32_t(bits);
      std::fill_n(Entries.begin() + first, size_t(1) << (RootBits - bits), entry);
    } else {
      const uint32_t prefix = codes[i] >> (bits - RootBits);
      const uint32_t link = Entries[prefix];
      const int subBits = int(link & 0x1f);
      const int rest = bits - RootBits;
      const uint32_t low = codes[i] & ((1u << rest) - 1);
      const size_t first = (link >> 8) + (size_t(low) << (subBits - rest));
      const uint32_t entry = (uint32_t(i) << 8) | EntryValid | uint32_t(rest);
      std::fill_n(Entries.begin() + first, size_t(1) << (subBits - rest), entry);
    }
  }
  return true;
}

void TDecodeTable::BuildSingle(int symbol) {
  Entries.assign(size_t(1) << RootBits, (uint32_t(symbol) << 8) | EntryValid);
}

}  // namespace vog::lzh::detail
