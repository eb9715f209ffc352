#pragma once
// Bit streams of the LZH methods: bits are packed most significant first.

#include "services/archive/LzhCodec.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vog::lzh::detail {

// Reads at most a given number of bytes from a TReadFn. Past the end of the input it
// supplies zero bits and remembers how many, so that Overrun() tells when the decoder has
// consumed bits the input never had.
class TBitReader {
public:
  TBitReader(const TReadFn& read, uint64_t limit)
      : Read(read), Remaining(limit), Buffer(size_t(std::min<uint64_t>(limit, BufferSize)) + 8) {}

  // Ensures at least 57 bits are available.
  void Refill() {
    if (End - Pos >= 8) {
      uint64_t word;
      std::memcpy(&word, Buffer.data() + Pos, 8);
      word = __builtin_bswap64(word);
      // Bits beyond the whole bytes taken are the stream's own next bits, so loading
      // them again later leaves the buffer unchanged.
      Bits |= word >> Count;
      const int bytes = (63 - Count) >> 3;
      Pos += bytes;
      Count += bytes * 8;
      return;
    }
    RefillSlow();
  }

  uint32_t Peek(int n) const { return uint32_t(Bits >> (64 - n)); }
  void Skip(int n) {
    Bits <<= n;
    Count -= n;
  }
  // Reads n bits (0 <= n <= 32).
  uint32_t Get(int n) {
    if (n == 0) return 0;
    if (Count < n) Refill();
    const uint32_t value = Peek(n);
    Skip(n);
    return value;
  }
  // True once more bits were consumed than the input held.
  bool Overrun() const { return PadBits > uint64_t(Count); }
  bool Padding() const { return PadBits != 0; }
  // True when fewer than 32 of the buffered bits came from the input: a code that does
  // not decode there is more likely cut off than damaged.
  bool NearEnd() const { return PadBits + 32 > uint64_t(Count); }
  uint64_t Bits = 0;  // the next bits, most significant first
  int Count = 0;      // how many bits of Bits are valid

private:
  static constexpr size_t BufferSize = 1 << 16;

  void RefillSlow() {
    while (Count <= 56) {
      if (Pos == End && !Ended) FillBuffer();
      if (Pos < End) {
        Bits |= uint64_t(Buffer[Pos++]) << (56 - Count);
      } else {
        PadBits += 8;
      }
      Count += 8;
    }
  }

  void FillBuffer() {
    Pos = End = 0;
    const size_t want = size_t(std::min<uint64_t>(Remaining, Buffer.size() - 8));
    const size_t got = want ? Read(Buffer.data(), want) : 0;
    if (got == 0 || got > want) {
      Ended = true;
      return;
    }
    End = got;
    Remaining -= got;
  }

  const TReadFn& Read;
  uint64_t Remaining;
  std::vector<uint8_t> Buffer;
  size_t Pos = 0;
  size_t End = 0;
  bool Ended = false;
  uint64_t PadBits = 0;
};

// Collects bits most significant first and hands whole buffers to a TWriteFn.
class TBitWriter {
public:
  explicit TBitWriter(const TWriteFn& write) : Write(write) { Buffer.reserve(BufferSize + 16); }

  // Appends the low n bits of value (n <= 16).
  void Put(int n, uint32_t value) {
    Acc = (Acc << n) | value;
    Count += n;
    if (Count >= 32) {
      Count -= 32;
      const uint32_t word = uint32_t(Acc >> Count);
      Buffer.push_back(uint8_t(word >> 24));
      Buffer.push_back(uint8_t(word >> 16));
      Buffer.push_back(uint8_t(word >> 8));
      Buffer.push_back(uint8_t(word));
      if (Buffer.size() >= BufferSize) FlushBuffer();
    }
  }
  // Pads the last byte with zero bits and writes everything out.
  void Finish() {
    while (Count >= 8) {
      Count -= 8;
      Buffer.push_back(uint8_t(Acc >> Count));
    }
    if (Count > 0) {
      Buffer.push_back(uint8_t(Acc << (8 - Count)));
      Count = 0;
    }
    FlushBuffer();
  }
  bool Aborted() const { return Failed; }
  uint64_t BytesWritten() const { return Written; }

private:
  static constexpr size_t BufferSize = 1 << 16;

  void FlushBuffer() {
    if (!Failed && !Buffer.empty()) {
      if (Write(Buffer.data(), Buffer.size()))
        Written += Buffer.size();
      else
        Failed = true;
    }
    Buffer.clear();
  }

  const TWriteFn& Write;
  std::vector<uint8_t> Buffer;
  uint64_t Acc = 0;
  int Count = 0;
  uint64_t Written = 0;
  bool Failed = false;
};

}  // namespace vog::lzh::detail
