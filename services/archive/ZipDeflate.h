#pragma once
// Deflate as the ZIP writer runs it: a stream kept per thread, a quick look at whether data
// compresses at all, and one large file deflated on every core.
//
// The parallel deflate cuts the input into blocks of kBlockSize and deflates each on its own
// stream, primed with the last 32 KiB of the block before it as a preset dictionary, so
// matches reach back across the cut as they would in one stream. Every block but the last
// ends with a sync flush (byte-aligned, nothing final), the last with the final block, so
// the pieces written one after the other are one valid raw deflate stream that any inflater
// reads. Each block's CRC-32 is taken on its worker and combined in order.
//
// Memory stays bounded: at most 2 blocks per worker are in flight (input, dictionary and
// output each), so about 4 MiB per worker and at most kMaxThreads workers.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vog::archive {

// A raw deflate stream kept by one thread and reset for each use.
class TDeflater {
public:
  TDeflater() = default;
  ~TDeflater();
  TDeflater(const TDeflater&) = delete;
  TDeflater& operator=(const TDeflater&) = delete;
  // The stream ready for new data at zlib level `level`; null when zlib cannot set it up.
  z_stream* Ready(int level);

private:
  z_stream z_{};
  int level_ = -1;  // the level it was set up for; -1: not set up
};

// Data shorter than this is always deflated: a look would cost as much as the deflate.
inline constexpr size_t kSampleMin = 16 * 1024;

// Whether `data` looks incompressible (compressed, encrypted, random): 16 KiB at each of up
// to four places spread over it, deflated at the fastest level, save less than 1/32 each. Storing such data is smaller than
// deflating it and costs nothing, while deflate at the normal level spends most of its time
// on exactly such data. `sampler` is the calling thread's stream for the look.
bool LooksIncompressible(const uint8_t* data, size_t size, TDeflater& sampler);

// Appends `size` bytes of `data` as stored deflate blocks (the last one final when `final`)
// at a byte boundary of a raw deflate stream.
void AppendStoredBlocks(const uint8_t* data, size_t size, bool final, std::vector<uint8_t>& out);

struct TDeflateResult {
  uint64_t Size = 0;        // bytes read
  uint64_t PackedSize = 0;  // bytes written
  uint32_t Crc = 0;         // CRC-32 of the bytes read
};

struct TParallelDeflateIo {
  // Fills up to `size` bytes; returns how many, 0 only at the end. Throws on a read error.
  std::function<size_t(uint8_t* buffer, size_t size)> Read;
  // Takes the next piece of the deflate stream. Throws on a write error.
  std::function<void(const uint8_t* data, size_t size)> Write;
  // Asked between blocks on the calling thread; true ends the call with err::RequestAborted.
  std::function<bool()> Stop;
};

inline constexpr size_t kBlockSize = 1u << 20;
inline constexpr unsigned kMaxThreads = 8;

// The number of workers a parallel deflate starts: one per core, at most kMaxThreads.
unsigned DeflateThreads();

// Deflates everything io.Read gives at zlib level `level` on `threads` workers (at least
// one), writing the stream through io.Write in order. Reading and writing happen on the
// calling thread. Throws TFailure (a zlib failure, a stop) or what Read, Write or Stop
// throw; the workers are stopped and joined before anything leaves the call.
TDeflateResult ParallelDeflate(int level, unsigned threads, const TParallelDeflateIo& io);

}  // namespace vog::archive
