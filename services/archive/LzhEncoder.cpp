// Encoder of the -lh5-/-lh6-/-lh7- methods: lazy LZSS matching over hash chains, then one
// static Huffman block per run of at most BlockCodes codes.

#include "services/archive/LzhBitIo.h"
#include "services/archive/LzhFormat.h"
#include "services/archive/LzhHuffman.h"
#include "services/archive/LzhInternal.h"
#include "services/archive/LzhMatchFinder.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace vog::lzh::detail {

namespace {

// The block size field has 16 bits.
constexpr uint32_t BlockCodes = 65535;
constexpr uint32_t InitialCodes = 4096;
// Blocks are built from segments of this many codes: a segment joins the pending block
// unless its statistics differ enough to pay for a block of its own.
constexpr uint32_t SegmentCodes = 1024;

// Matching effort: chains are followed at most MaxChain links (a quarter of that once the
// previous position already has a GoodLength match); a match of NiceLength ends the search,
// and a match of MaxLazy is taken without looking one position further.
constexpr int MaxChain = 128;
constexpr int GoodLength = 16;
constexpr int NiceLength = 128;
constexpr int MaxLazy = 32;
// A three-byte match this far back costs more than its literals.
constexpr size_t TooFar = 4096;

inline int BitLength(uint32_t value) { return value ? 32 - __builtin_clz(value) : 0; }

class TEncoder {
public:
  TEncoder(TMethod method, const TReadFn& read, const TWriteFn& write)
      : Params(ParamsOf(method)),
        Finder(Params.DictionaryBits, read),
        Bits(write),
        Symbols(InitialCodes),
        Offsets(InitialCodes) {
    NextCheck = SegmentCodes;
  }

  TEncodeResult Run();

private:
  void AddLiteral(uint8_t c) {
    Symbols[Count++] = c;
    ++SegmentChars[c];
    if (Count == NextCheck) Checkpoint();
  }
  void AddMatch(int length, size_t distance) {
    const uint32_t offset = uint32_t(distance - 1);
    const uint16_t symbol = uint16_t(256 + length - MinMatch);
    Symbols[Count] = symbol;
    Offsets[Count++] = uint16_t(offset);
    ++SegmentChars[symbol];
    ++SegmentPositions[BitLength(offset)];
    if (Count == NextCheck) Checkpoint();
  }
  void Checkpoint();
  void EndSegment();
  void Flush();
  void EmitBlock(uint32_t count);
  void WriteSmallLengths(const uint8_t* lengths, int count, int countBits, int special);
  int UsedCharCount() const;
  template <class Emit>
  void ForEachTempSymbol(Emit emit) const;
  void CountTempFreq(std::array<uint32_t, TempCount>& freq) const;
  void WriteCharLengths(const uint8_t* tempLengths, const uint16_t* tempCodes);

  TMethodParams Params;
  TMatchFinder Finder;
  TBitWriter Bits;
  std::vector<uint16_t> Symbols;
  std::vector<uint16_t> Offsets;
  uint32_t Count = 0;         // codes held
  uint32_t SegmentStart = 0;  // the codes before it make the pending block
  uint32_t NextCheck = 0;
  // Frequencies of the pending block and of the segment after it.
  std::array<uint32_t, CharCount> CharFreq{};
  std::array<uint32_t, MaxPositionCount> PositionFreq{};
  std::array<uint32_t, CharCount> SegmentChars{};
  std::array<uint32_t, MaxPositionCount> SegmentPositions{};
  std::array<uint8_t, CharCount> CharLengths{};
  std::array<uint16_t, CharCount> CharCodes{};
};

void TEncoder::WriteSmallLengths(const uint8_t* lengths, int count, int countBits, int special) {
  int n = count;
  while (n > 0 && lengths[n - 1] == 0) --n;
  Bits.Put(countBits, uint32_t(n));
  int i = 0;
  while (i < n) {
    const int length = lengths[i++];
    if (length <= 6)
      Bits.Put(3, uint32_t(length));
    else
      Bits.Put(length - 3, (1u << (length - 3)) - 2);
    if (special >= 0 && i == special) {
      int zeros = 0;
      while (zeros < 3 && i + zeros < n && lengths[i + zeros] == 0) ++zeros;
      Bits.Put(2, uint32_t(zeros));
      i += zeros;
    }
  }
}

// The character table is written up to its last non-zero length.
int TEncoder::UsedCharCount() const {
  int n = CharCount;
  while (n > 0 && CharLengths[n - 1] == 0) --n;
  return n;
}

// Runs of zero lengths in the character table are coded as: 0 = one zero, 1 + 4 bits =
// 3..18 zeros, 2 + 9 bits = 20..531 zeros; any other temp symbol k is the length k - 2.
// Calls emit(symbol, extraBits, extraValue) for each temp symbol in order (extraBits 0:
// none follow).
template <class Emit>
void TEncoder::ForEachTempSymbol(Emit emit) const {
  const int n = UsedCharCount();
  int i = 0;
  while (i < n) {
    const int length = CharLengths[i++];
    if (length != 0) {
      emit(length + 2, 0, 0u);
      continue;
    }
    int run = 1;
    while (i < n && CharLengths[i] == 0) {
      ++i;
      ++run;
    }
    if (run <= 2) {
      for (int k = 0; k < run; ++k) emit(0, 0, 0u);
    } else if (run <= 18) {
      emit(1, 4, uint32_t(run - 3));
    } else if (run == 19) {
      emit(0, 0, 0u);
      emit(1, 4, 15u);
    } else {
      emit(2, CharCountBits, uint32_t(run - 20));
    }
  }
}

void TEncoder::CountTempFreq(std::array<uint32_t, TempCount>& freq) const {
  freq.fill(0);
  ForEachTempSymbol([&freq](int symbol, int, uint32_t) { ++freq[symbol]; });
}

void TEncoder::WriteCharLengths(const uint8_t* tempLengths, const uint16_t* tempCodes) {
  Bits.Put(CharCountBits, uint32_t(UsedCharCount()));
  ForEachTempSymbol([&](int symbol, int extraBits, uint32_t extra) {
    Bits.Put(tempLengths[symbol], tempCodes[symbol]);
    if (extraBits) Bits.Put(extraBits, extra);
  });
}

int SingleSymbol(const uint32_t* freq, int count) {
  for (int i = 0; i < count; ++i)
    if (freq[i]) return i;
  return 0;
}

// Estimated bits of coding codes with these frequencies in one block: their entropy plus
// a rough price for the tables.
double BlockCost(const uint32_t* chars, const uint32_t* positions, int positionCount) {
  double bits = 60;
  auto add = [&bits](const uint32_t* freq, int count, double tableBits) {
    uint64_t total = 0;
    for (int i = 0; i < count; ++i) total += freq[i];
    if (total == 0) return;
    const double logTotal = std::log2(double(total));
    for (int i = 0; i < count; ++i) {
      if (freq[i]) {
        bits += double(freq[i]) * (logTotal - std::log2(double(freq[i]))) + tableBits;
      }
    }
  };
  add(chars, CharCount, 4.5);
  add(positions, positionCount, 4);
  return bits;
}

void TEncoder::Checkpoint() {
  if (Count == Symbols.size() && Count < BlockCodes) {
    const size_t size = std::min<size_t>(Symbols.size() * 4, BlockCodes);
    Symbols.resize(size);
    Offsets.resize(size);
  }
  if (Count - SegmentStart == SegmentCodes) EndSegment();
  NextCheck = std::min<uint32_t>(SegmentStart + SegmentCodes, uint32_t(Symbols.size()));
}

void TEncoder::EndSegment() {
  const int np = Params.PositionCount;
  if (SegmentStart > 0) {
    std::array<uint32_t, CharCount> mergedChars;
    std::array<uint32_t, MaxPositionCount> mergedPositions{};
    for (int i = 0; i < CharCount; ++i) mergedChars[i] = CharFreq[i] + SegmentChars[i];
    for (int i = 0; i < np; ++i) mergedPositions[i] = PositionFreq[i] + SegmentPositions[i];
    const double apart = BlockCost(CharFreq.data(), PositionFreq.data(), np) +
                         BlockCost(SegmentChars.data(), SegmentPositions.data(), np);
    const double together = BlockCost(mergedChars.data(), mergedPositions.data(), np);
    if (apart < together) {
      // The segment starts a new block.
      EmitBlock(SegmentStart);
      CharFreq = SegmentChars;
      PositionFreq = SegmentPositions;
    } else {
      CharFreq = mergedChars;
      PositionFreq = mergedPositions;
    }
  } else {
    CharFreq = SegmentChars;
    PositionFreq = SegmentPositions;
  }
  SegmentChars.fill(0);
  SegmentPositions.fill(0);
  SegmentStart = Count;
  // No room for another whole segment: the block is complete.
  if (Count + SegmentCodes > BlockCodes) EmitBlock(Count);
}

// Writes out everything held.
void TEncoder::Flush() {
  if (Count > SegmentStart) EndSegment();
  if (Count > 0) EmitBlock(Count);
}

// Writes the first count codes held as one block, coded with CharFreq and PositionFreq,
// and moves the rest to the front.
void TEncoder::EmitBlock(uint32_t count) {
  if (count == 0) return;
  const int usedChars = BuildCodeLengths(CharFreq.data(), CharCount, MaxCodeBits, CharLengths.data());
  BuildCodes(CharLengths.data(), CharCount, CharCodes.data());
  std::array<uint8_t, MaxPositionCount> positionLengths{};
  std::array<uint16_t, MaxPositionCount> positionCodes{};
  const int np = Params.PositionCount;
  const int usedPositions = BuildCodeLengths(PositionFreq.data(), np, MaxCodeBits, positionLengths.data());
  BuildCodes(positionLengths.data(), np, positionCodes.data());

  Bits.Put(16, count);
  if (usedChars >= 2) {
    std::array<uint32_t, TempCount> tempFreq;
    CountTempFreq(tempFreq);
    std::array<uint8_t, TempCount> tempLengths{};
    std::array<uint16_t, TempCount> tempCodes{};
    if (BuildCodeLengths(tempFreq.data(), TempCount, MaxCodeBits, tempLengths.data()) >= 2) {
      WriteSmallLengths(tempLengths.data(), TempCount, TempCountBits, TempSpecial);
    } else {
      Bits.Put(TempCountBits, 0);
      Bits.Put(TempCountBits, uint32_t(SingleSymbol(tempFreq.data(), TempCount)));
    }
    BuildCodes(tempLengths.data(), TempCount, tempCodes.data());
    WriteCharLengths(tempLengths.data(), tempCodes.data());
  } else {
    Bits.Put(TempCountBits, 0);
    Bits.Put(TempCountBits, 0);
    Bits.Put(CharCountBits, 0);
    Bits.Put(CharCountBits, uint32_t(SingleSymbol(CharFreq.data(), CharCount)));
  }
  if (usedPositions >= 2) {
    WriteSmallLengths(positionLengths.data(), np, Params.PositionBits, -1);
  } else {
    Bits.Put(Params.PositionBits, 0);
    Bits.Put(Params.PositionBits, uint32_t(SingleSymbol(PositionFreq.data(), np)));
  }

  for (uint32_t i = 0; i < count; ++i) {
    const uint16_t symbol = Symbols[i];
    Bits.Put(CharLengths[symbol], CharCodes[symbol]);
    if (symbol >= 256) {
      const uint32_t offset = Offsets[i];
      const int slot = BitLength(offset);
      Bits.Put(positionLengths[slot], positionCodes[slot]);
      if (slot > 1) Bits.Put(slot - 1, offset - (1u << (slot - 1)));
    }
  }
  std::copy(Symbols.begin() + count, Symbols.begin() + Count, Symbols.begin());
  std::copy(Offsets.begin() + count, Offsets.begin() + Count, Offsets.begin());
  Count -= count;
  SegmentStart -= std::min(SegmentStart, count);
  CharFreq.fill(0);
  PositionFreq.fill(0);
}

TEncodeResult TEncoder::Run() {
  TMatchFinder& f = Finder;
  // The match found at the previous position, not yet emitted (lazy evaluation).
  int prevLength = 0;
  size_t prevDistance = 0;
  bool pendingLiteral = false;
  for (;;) {
    const size_t ahead = f.Lookahead();
    if (ahead == 0) break;
    const size_t pos = f.Pos;
    int length = 0;
    size_t distance = 0;
    if (ahead >= MinMatch) {
      const int32_t candidate = f.Insert(pos);
      if (prevLength < MaxLazy) {
        const int chain = prevLength >= GoodLength ? MaxChain / 4 : MaxChain;
        length = f.LongestMatch(pos, candidate, std::max(prevLength, MinMatch - 1), chain, NiceLength, distance);
        if (length == MinMatch && distance > TooFar) length = 0;
      }
    }
    if (prevLength >= MinMatch && length <= prevLength) {
      // The match at pos - 1 wins; pos is already in the chains, enter the rest.
      AddMatch(prevLength, prevDistance);
      // Reading ahead may slide the window, so positions are taken from f.Pos.
      f.Pos = pos + 1;
      for (int k = 0; k < prevLength - 2; ++k) {
        if (f.Lookahead() >= MinMatch) f.Insert(f.Pos);
        ++f.Pos;
      }
      prevLength = 0;
      pendingLiteral = false;
      if (Bits.Aborted()) break;
      continue;
    }
    if (pendingLiteral) AddLiteral(f.At(pos - 1));
    pendingLiteral = true;
    prevLength = length;
    prevDistance = distance;
    f.Pos = pos + 1;
    if (Bits.Aborted()) break;
  }
  if (pendingLiteral && !Bits.Aborted()) AddLiteral(f.At(f.Pos - 1));
  Flush();
  Bits.Finish();

  TEncodeResult result;
  result.OriginalSize = f.OriginalSize;
  result.Crc = f.Crc;
  result.PackedSize = Bits.BytesWritten();
  result.Aborted = Bits.Aborted();
  return result;
}

}  // namespace

TEncodeResult EncodeHuffman(TMethod method, const TReadFn& read, const TWriteFn& write) {
  TEncoder encoder(method, read, write);
  return encoder.Run();
}

}  // namespace vog::lzh::detail
