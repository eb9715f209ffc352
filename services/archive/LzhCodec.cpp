#include "services/archive/LzhCodec.h"

#include "services/archive/LzhInternal.h"

#include <array>
#include <vector>

namespace vog::lzh {

namespace {

// Slicing-by-8 tables of the reflected polynomial 0xA001.
struct TCrcTables {
  std::array<std::array<uint16_t, 256>, 8> Table{};
  TCrcTables() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint16_t crc = uint16_t(i);
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
      Table[0][i] = crc;
    }
    for (uint32_t i = 0; i < 256; ++i)
      for (int k = 1; k < 8; ++k) Table[k][i] = uint16_t((Table[k - 1][i] >> 8) ^ Table[0][Table[k - 1][i] & 0xff]);
  }
};

const TCrcTables& CrcTables() {
  static const TCrcTables tables;
  return tables;
}

constexpr size_t CopyChunk = 1 << 16;

}  // namespace

uint16_t Crc16(uint16_t crc, const void* data, size_t size) {
  const auto& t = CrcTables().Table;
  const uint8_t* p = static_cast<const uint8_t*>(data);
  while (size >= 8) {
    const uint32_t low = uint32_t(p[0] | (p[1] << 8)) ^ crc;
    crc = uint16_t(t[7][low & 0xff] ^ t[6][low >> 8] ^ t[5][p[2]] ^ t[4][p[3]] ^ t[3][p[4]] ^ t[2][p[5]] ^ t[1][p[6]] ^
                   t[0][p[7]]);
    p += 8;
    size -= 8;
  }
  while (size--) crc = uint16_t((crc >> 8) ^ t[0][(crc ^ *p++) & 0xff]);
  return crc;
}

TEncodeResult Encode(TMethod method, const TReadFn& read, const TWriteFn& write) {
  if (method != TMethod::Lh0) return detail::EncodeHuffman(method, read, write);
  TEncodeResult result;
  std::vector<uint8_t> buffer(CopyChunk);
  for (;;) {
    const size_t got = read(buffer.data(), buffer.size());
    if (got == 0) break;
    result.Crc = Crc16(result.Crc, buffer.data(), got);
    result.OriginalSize += got;
    if (!write(buffer.data(), got)) {
      result.Aborted = true;
      break;
    }
    result.PackedSize += got;
  }
  return result;
}

TDecodeStatus Decode(TMethod method, uint64_t packedSize, uint64_t originalSize, const TReadFn& read,
                     const TWriteFn& write, uint16_t& crc) {
  crc = 0;
  if (originalSize == 0) return TDecodeStatus::Ok;
  if (method != TMethod::Lh0) return detail::DecodeHuffman(method, packedSize, originalSize, read, write, crc);

  // Stored data: the packed size is the original size.
  if (packedSize != originalSize) return TDecodeStatus::Corrupt;
  std::vector<uint8_t> buffer(CopyChunk);
  uint64_t left = originalSize;
  while (left > 0) {
    const size_t want = size_t(std::min<uint64_t>(left, buffer.size()));
    const size_t got = read(buffer.data(), want);
    if (got == 0 || got > want) return TDecodeStatus::Truncated;
    crc = Crc16(crc, buffer.data(), got);
    if (!write(buffer.data(), got)) return TDecodeStatus::Aborted;
    left -= got;
  }
  return TDecodeStatus::Ok;
}

}  // namespace vog::lzh
