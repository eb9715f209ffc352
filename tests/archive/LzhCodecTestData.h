#pragma once
// Data and stream helpers for the LZH codec's tests and benchmark.

#include "services/archive/LzhCodec.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace vog::test::lzh {

inline std::vector<uint8_t> RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> data(size);
  for (auto& b : data) b = uint8_t(rng());
  return data;
}

// Text made of words from a small vocabulary, interleaved with binary records (counters,
// small integers, occasional noise), in pieces of a few KiB: compressible like real files.
inline std::vector<uint8_t> MixedData(size_t size, uint32_t seed) {
  static const char* const words[] = {"the",  "backup", "of",     "files", "is",      "written", "to",   "archive",
                                      "and",  "folder", "コピー", "完了",  "設定",    "data",    "with", "a",
                                      "copy", "each",   "day",    "when",  "changed", "error",   "log",  "\r\n",
                                      "時刻", "size",   "name",   "path",  "into",    "from"};
  std::mt19937 rng(seed);
  std::vector<uint8_t> data;
  data.reserve(size + 8192);
  uint32_t counter = rng();
  while (data.size() < size) {
    const uint32_t kind = rng() % 4;
    const size_t piece = 1024 + rng() % 8192;
    const size_t stop = data.size() + piece;
    if (kind < 2) {
      while (data.size() < stop) {
        const char* w = words[rng() % (sizeof(words) / sizeof(words[0]))];
        data.insert(data.end(), w, w + std::strlen(w));
        data.push_back(' ');
      }
    } else if (kind == 2) {
      while (data.size() < stop) {
        counter += 1 + rng() % 16;
        const uint32_t small = rng() % 300;
        for (int i = 0; i < 4; ++i) data.push_back(uint8_t(counter >> (8 * i)));
        for (int i = 0; i < 4; ++i) data.push_back(uint8_t(small >> (8 * i)));
      }
    } else {
      while (data.size() < stop) data.push_back(uint8_t(rng() % 3 == 0 ? rng() : rng() % 16));
    }
  }
  data.resize(size);
  return data;
}

// A reader over a byte vector handing out at most chunk bytes per call.
inline vog::lzh::TReadFn VectorReader(const std::vector<uint8_t>& data, size_t& pos, size_t chunk = SIZE_MAX) {
  return [&data, &pos, chunk](uint8_t* buffer, size_t capacity) {
    const size_t n = std::min({capacity, data.size() - pos, chunk});
    if (n) std::memcpy(buffer, data.data() + pos, n);
    pos += n;
    return n;
  };
}

inline vog::lzh::TWriteFn VectorWriter(std::vector<uint8_t>& out) {
  return [&out](const uint8_t* data, size_t size) {
    out.insert(out.end(), data, data + size);
    return true;
  };
}

}  // namespace vog::test::lzh
