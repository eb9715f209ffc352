#include "services/archive/LzhMatchFinder.h"

#include <algorithm>

namespace vog::lzh::detail {

namespace {

// Input read ahead of the window at each refill; the window slides once per this much.
constexpr size_t ReadAhead = 256 * 1024;
// The buffer's size before the input proves longer.
constexpr size_t InitialSize = 32 * 1024;

inline int MatchLength(const uint8_t* a, const uint8_t* b, int limit) {
  int length = 0;
  while (length + 8 <= limit) {
    uint64_t x, y;
    std::memcpy(&x, a + length, 8);
    std::memcpy(&y, b + length, 8);
    if (const uint64_t diff = x ^ y) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
      return length + (__builtin_clzll(diff) >> 3);
#else
      return length + (__builtin_ctzll(diff) >> 3);
#endif
    }
    length += 8;
  }
  while (length < limit && a[length] == b[length]) ++length;
  return length;
}

}  // namespace

TMatchFinder::TMatchFinder(int dictionaryBits, const TReadFn& read)
    : Read(read),
      Window(size_t(1) << dictionaryBits),
      WindowMask(Window - 1),
      FullSize(2 * Window + ReadAhead + 2 * MaxMatch + 16),
      Buffer(InitialSize),
      Head(size_t(1) << HashBits, -1),
      Prev(Window, -1) {}

void TMatchFinder::Fill() {
  // Keep one window of history before Pos (and a little more for the lazy matcher's
  // look back); drop the rest and renumber the chains. Prev is indexed by position modulo
  // the window, so the window slides by whole windows.
  const size_t keep = Window + 8;
  if (Pos > keep + Window && Buffer.size() - End < ReadAhead) {
    const size_t delta = (Pos - keep) & ~WindowMask;
    std::memmove(Buffer.data(), Buffer.data() + delta, End - delta);
    Pos -= delta;
    End -= delta;
    const int32_t d = int32_t(delta);
    for (auto& v : Head) v = std::max(v - d, int32_t(-1));
    for (auto& v : Prev) v = std::max(v - d, int32_t(-1));
  }
  for (;;) {
    // Leave room for the 8-byte compares past the end of the data.
    const size_t capacity = Buffer.size() - 16;
    while (End < capacity) {
      const size_t got = Read(Buffer.data() + End, capacity - End);
      if (got == 0 || got > capacity - End) {
        Ended = true;
        break;
      }
      Crc = Crc16(Crc, Buffer.data() + End, got);
      OriginalSize += got;
      End += got;
      if (End - Pos >= MaxMatch + MinMatch + 8 + ReadAhead / 2) break;
    }
    // The buffer starts small for small inputs and grows once the input outlasts it.
    if (Ended || End < capacity || Buffer.size() == FullSize) break;
    Buffer.resize(FullSize);
  }
}

int TMatchFinder::LongestMatch(size_t pos, int32_t candidate, int atLeast, int maxChain, int niceLength,
                               size_t& distance) const {
  const int limit = int(std::min<size_t>(MaxMatch, End - pos));
  int best = atLeast;
  if (best >= limit) return 0;
  const int32_t lowest = pos > Window ? int32_t(pos - Window) : 0;
  const uint8_t* const here = Buffer.data() + pos;
  int found = 0;
  while (candidate >= lowest && maxChain-- > 0) {
    const uint8_t* there = Buffer.data() + candidate;
    if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
      const int length = MatchLength(there, here, limit);
      if (length > best) {
        best = length;
        found = length;
        distance = pos - size_t(candidate);
        if (length >= niceLength || length >= limit) break;
      }
    }
    const int32_t next = Prev[size_t(candidate) & WindowMask];
    if (next >= candidate) break;
    candidate = next;
  }
  return found;
}

}  // namespace vog::lzh::detail
