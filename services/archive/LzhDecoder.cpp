// Decoder of the -lh5-/-lh6-/-lh7- methods.

#include "services/archive/LzhBitIo.h"
#include "services/archive/LzhFormat.h"
#include "services/archive/LzhHuffman.h"
#include "services/archive/LzhInternal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace vog::lzh::detail {

namespace {

constexpr int CharRootBits = 12;
constexpr int SmallRootBits = 8;
// Output collects this much beyond the window before it is written out.
constexpr size_t FlushSize = 256 * 1024;
// Room for the last match's overshooting 8-byte copies.
constexpr size_t Margin = MaxMatch + 16;

class TDecoder {
public:
  TDecoder(TMethod method, uint64_t packedSize, uint64_t originalSize, const TReadFn& read, const TWriteFn& write)
      : Params(ParamsOf(method)),
        Bits(read, packedSize),
        Write(write),
        CharTable(CharRootBits),
        TempTable(SmallRootBits),
        PositionTable(SmallRootBits) {
    Window = size_t(1) << Params.DictionaryBits;
    FlushAt = Window + size_t(std::min<uint64_t>(FlushSize, originalSize));
    Buffer.resize(FlushAt + Margin);
    // A reference before the start of the data reads spaces, as the format has always
    // done.
    std::memset(Buffer.data(), ' ', Window);
    Pos = Window;
    OutStart = Window;
  }

  TDecodeStatus Run(uint64_t originalSize, uint16_t& crc) {
    const TDecodeStatus status = DecodeAll(originalSize, crc);
    if (status == TDecodeStatus::Corrupt && Bits.Padding() && Bits.NearEnd()) return TDecodeStatus::Truncated;
    return status;
  }

private:
  TDecodeStatus ReadBlockHeader();
  bool ReadSmallTable(int count, int countBits, int special, TDecodeTable& table, uint8_t* lengths);
  bool ReadCharTable();
  bool Flush(size_t keep);
  TDecodeStatus DecodeAll(uint64_t originalSize, uint16_t& crc);

  static int DecodeSymbol(TBitReader& bits, const TDecodeTable& table) {
    const uint32_t* entries = table.Data();
    const int root = table.Root();
    uint32_t entry = entries[bits.Peek(root)];
    if (entry & TDecodeTable::EntrySub) {
      bits.Skip(root);
      entry = entries[(entry >> 8) + bits.Peek(int(entry & 0x1f))];
    }
    if (!(entry & TDecodeTable::EntryValid)) return -1;
    bits.Skip(int(entry & 0x1f));
    return int(entry >> 8);
  }

  TMethodParams Params;
  TBitReader Bits;
  const TWriteFn& Write;
  TDecodeTable CharTable;
  TDecodeTable TempTable;
  TDecodeTable PositionTable;
  std::array<uint8_t, CharCount> CharLengths{};
  std::array<uint8_t, TempCount> TempLengths{};
  std::array<uint8_t, MaxPositionCount> PositionLengths{};
  std::vector<uint8_t> Buffer;
  size_t Window = 0;
  size_t FlushAt = 0;
  size_t Pos = 0;
  size_t OutStart = 0;
  uint32_t BlockLeft = 0;
  uint16_t Crc = 0;
  bool WriteFailed = false;
};

bool TDecoder::ReadSmallTable(int count, int countBits, int special, TDecodeTable& table, uint8_t* lengths) {
  const int n = int(Bits.Get(countBits));
  if (n == 0) {
    const int symbol = int(Bits.Get(countBits));
    if (symbol >= count) return false;
    std::fill(lengths, lengths + count, uint8_t(0));
    table.BuildSingle(symbol);
    return true;
  }
  if (n > count) return false;
  int i = 0;
  while (i < n) {
    Bits.Refill();
    int length = int(Bits.Peek(3));
    if (length == 7) {
      // 111 followed by one 1 bit per extra unit of length and a closing 0.
      const uint32_t ext = Bits.Peek(3 + 10) & 0x3ff;
      int ones = 0;
      while (ones < 10 && (ext & (0x200u >> ones))) ++ones;
      if (ones > MaxCodeBits - 7) return false;
      length += ones;
      Bits.Skip(3 + ones + 1);
    } else {
      Bits.Skip(3);
    }
    lengths[i++] = uint8_t(length);
    if (i == special) {
      int zeros = int(Bits.Get(2));
      while (zeros-- > 0 && i < count) lengths[i++] = 0;
    }
  }
  std::fill(lengths + std::min(i, count), lengths + count, uint8_t(0));
  return table.Build(lengths, count);
}

bool TDecoder::ReadCharTable() {
  const int n = int(Bits.Get(CharCountBits));
  if (n == 0) {
    const int symbol = int(Bits.Get(CharCountBits));
    if (symbol >= CharCount) return false;
    CharLengths.fill(0);
    CharTable.BuildSingle(symbol);
    return true;
  }
  if (n > CharCount) return false;
  int i = 0;
  while (i < n) {
    Bits.Refill();
    const int code = DecodeSymbol(Bits, TempTable);
    if (code < 0) return false;
    if (code <= 2) {
      int zeros = code == 0 ? 1 : code == 1 ? int(Bits.Get(4)) + 3 : int(Bits.Get(CharCountBits)) + 20;
      while (zeros-- > 0 && i < CharCount) CharLengths[i++] = 0;
    } else {
      CharLengths[i++] = uint8_t(code - 2);
    }
  }
  std::fill(CharLengths.begin() + i, CharLengths.end(), uint8_t(0));
  return CharTable.Build(CharLengths.data(), CharCount);
}

TDecodeStatus TDecoder::ReadBlockHeader() {
  BlockLeft = Bits.Get(16);
  if (!ReadSmallTable(TempCount, TempCountBits, TempSpecial, TempTable, TempLengths.data()) || !ReadCharTable() ||
      !ReadSmallTable(Params.PositionCount, Params.PositionBits, -1, PositionTable, PositionLengths.data()))
    return Bits.Overrun() ? TDecodeStatus::Truncated : TDecodeStatus::Corrupt;
  if (Bits.Overrun()) return TDecodeStatus::Truncated;
  return TDecodeStatus::Ok;
}

bool TDecoder::Flush(size_t keep) {
  if (Pos > OutStart) {
    Crc = Crc16(Crc, Buffer.data() + OutStart, Pos - OutStart);
    if (!WriteFailed && !Write(Buffer.data() + OutStart, Pos - OutStart)) WriteFailed = true;
  }
  if (keep) {
    std::memmove(Buffer.data(), Buffer.data() + Pos - keep, keep);
    Pos = keep;
  }
  OutStart = Pos;
  return !WriteFailed;
}

TDecodeStatus TDecoder::DecodeAll(uint64_t originalSize, uint16_t& crc) {
  uint64_t left = originalSize;
  uint8_t* const buffer = Buffer.data();
  const size_t flushAt = FlushAt;
  while (left > 0) {
    if (BlockLeft == 0) {
      const TDecodeStatus status = ReadBlockHeader();
      if (status != TDecodeStatus::Ok) return status;
      continue;
    }
    --BlockLeft;
    Bits.Refill();
    if (Bits.Padding() && Bits.Overrun()) return TDecodeStatus::Truncated;
    const int code = DecodeSymbol(Bits, CharTable);
    if (code < 256) {
      if (code < 0) return TDecodeStatus::Corrupt;
      buffer[Pos++] = uint8_t(code);
      --left;
    } else {
      size_t length = size_t(code) - 256 + MinMatch;
      const int slot = DecodeSymbol(Bits, PositionTable);
      if (slot < 0) return TDecodeStatus::Corrupt;
      size_t distance = 1;
      if (slot > 0) distance += (size_t(1) << (slot - 1)) + Bits.Get(slot - 1);
      if (length > left) length = size_t(left);
      left -= length;
      uint8_t* dst = buffer + Pos;
      const uint8_t* src = dst - distance;
      Pos += length;
      if (distance >= 8) {
        for (size_t i = 0; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
      } else {
        for (size_t i = 0; i < length; ++i) dst[i] = src[i];
      }
    }
    if (Pos >= flushAt && !Flush(Window)) return TDecodeStatus::Aborted;
  }
  if (!Flush(0)) return TDecodeStatus::Aborted;
  crc = Crc;
  if (Bits.Overrun()) return TDecodeStatus::Truncated;
  return TDecodeStatus::Ok;
}

}  // namespace

TDecodeStatus DecodeHuffman(TMethod method, uint64_t packedSize, uint64_t originalSize, const TReadFn& read,
                            const TWriteFn& write, uint16_t& crc) {
  TDecoder decoder(method, packedSize, originalSize, read, write);
  return decoder.Run(originalSize, crc);
}

}  // namespace vog::lzh::detail
