// Decoding damaged LZH streams: byte 0 picks the method (and whether the packed size lies),
// bytes 1-3 give the original size (below 512 KiB), the rest is the packed stream. The
// decoder must never read or write out of bounds, never read past the packed size, never
// write more than the original size, and report Ok only with exactly that much output.
// The first 4 KiB of the same bytes must also survive an encode/decode round trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "services/archive/LzhCodec.h"

using namespace vog::lzh;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const TMethod method = TMethod(data[0] & 3);
  const bool sizeLies = (data[0] & 4) != 0;
  const uint64_t originalSize = uint64_t(data[1]) | uint64_t(data[2]) << 8 | uint64_t(data[3] & 0x07) << 16;
  const uint8_t* packed = data + 4;
  const size_t packedLength = size - 4;
  const uint64_t packedSize = sizeLies ? packedLength + 1000 : packedLength;

  size_t readPos = 0;
  const TReadFn read = [&](uint8_t* buffer, size_t capacity) {
    if (readPos + capacity > packedSize) std::abort();  // asked for more than the packed size allows
    const size_t n = std::min(capacity, packedLength - readPos);
    if (n) std::memcpy(buffer, packed + readPos, n);
    readPos += n;
    return n;
  };
  uint64_t written = 0;
  const TWriteFn write = [&](const uint8_t*, size_t n) {
    written += n;
    return true;
  };
  uint16_t crc = 0;
  const TDecodeStatus status = Decode(method, packedSize, originalSize, read, write, crc);
  if (written > originalSize || (status == TDecodeStatus::Ok && written != originalSize)) std::abort();

  // Round trip of (the start of) the packed bytes as plain data.
  const size_t plainLength = std::min<size_t>(packedLength, 4096);
  std::vector<uint8_t> stream;
  size_t pos = 0;
  const TEncodeResult encoded = Encode(
      method,
      [&](uint8_t* buffer, size_t capacity) {
        const size_t n = std::min(capacity, plainLength - pos);
        if (n) std::memcpy(buffer, packed + pos, n);
        pos += n;
        return n;
      },
      [&](const uint8_t* d, size_t n) {
        stream.insert(stream.end(), d, d + n);
        return true;
      });
  if (encoded.OriginalSize != plainLength || encoded.PackedSize != stream.size()) std::abort();
  std::vector<uint8_t> back;
  pos = 0;
  const TDecodeStatus again = Decode(
      method, stream.size(), plainLength,
      [&](uint8_t* buffer, size_t capacity) {
        const size_t n = std::min(capacity, stream.size() - pos);
        if (n) std::memcpy(buffer, stream.data() + pos, n);
        pos += n;
        return n;
      },
      [&](const uint8_t* d, size_t n) {
        back.insert(back.end(), d, d + n);
        return true;
      },
      crc);
  if (again != TDecodeStatus::Ok || back.size() != plainLength ||
      (plainLength && std::memcmp(back.data(), packed, plainLength) != 0) || crc != encoded.Crc)
    std::abort();
  return 0;
}
