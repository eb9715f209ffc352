#pragma once
// The entry points of the Huffman methods, behind Encode and Decode.

#include "services/archive/LzhCodec.h"

namespace vog::lzh::detail {

TDecodeStatus DecodeHuffman(TMethod method, uint64_t packedSize, uint64_t originalSize, const TReadFn& read,
                            const TWriteFn& write, uint16_t& crc);
TEncodeResult EncodeHuffman(TMethod method, const TReadFn& read, const TWriteFn& write);

}  // namespace vog::lzh::detail
