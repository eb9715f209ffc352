#pragma once
// The LZH compression codec: the stored method -lh0- and the LZSS + static Huffman
// methods -lh5-, -lh6- and -lh7- (8 KiB, 32 KiB and 64 KiB windows).

#include <cstddef>
#include <cstdint>
#include <functional>

namespace vog::lzh {

enum class TMethod { Lh0, Lh5, Lh6, Lh7 };

// Streams: read returns bytes read (0 = end of input); write returns false to abort.
using TReadFn = std::function<size_t(uint8_t* buffer, size_t capacity)>;
using TWriteFn = std::function<bool(const uint8_t* data, size_t size)>;

// CRC-16 as LHA uses it (polynomial 0xA001 reflected, initial 0).
uint16_t Crc16(uint16_t crc, const void* data, size_t size);

struct TEncodeResult {
  uint64_t OriginalSize = 0;
  uint64_t PackedSize = 0;
  uint16_t Crc = 0;      // CRC-16 of the original data
  bool Aborted = false;  // write returned false
};

// Compresses the whole input with -lh5-/-lh6-/-lh7- (Lh0 copies). Memory stays bounded
// whatever the input size (streaming, a block at a time).
TEncodeResult Encode(TMethod method, const TReadFn& read, const TWriteFn& write);

enum class TDecodeStatus { Ok, Corrupt, Truncated, Aborted };

// Decodes exactly originalSize bytes from at most packedSize input bytes; never reads or
// writes past its buffers, whatever the input; reports Corrupt for invalid tables/codes
// and Truncated when the input ends early. crc receives the CRC-16 of the output.
TDecodeStatus Decode(TMethod method, uint64_t packedSize, uint64_t originalSize, const TReadFn& read,
                     const TWriteFn& write, uint16_t& crc);

}  // namespace vog::lzh
