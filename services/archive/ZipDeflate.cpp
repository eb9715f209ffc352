#include "services/archive/ZipDeflate.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <thread>

#include "base/Text.h"
#include "platform/Sync.h"
#include "services/archive/ArchiveStreams.h"

namespace vog::archive {

TDeflater::~TDeflater() {
  // Z_DATA_ERROR only says that a stream was left unfinished; the memory is freed all the same.
  if (level_ >= 0) (void)deflateEnd(&z_);
}

z_stream* TDeflater::Ready(int level) {
  if (level_ == level) return deflateReset(&z_) == Z_OK ? &z_ : nullptr;
  if (level_ >= 0) (void)deflateEnd(&z_);
  level_ = -1;
  z_ = z_stream{};
  if (deflateInit2(&z_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return nullptr;
  level_ = level;
  return &z_;
}

bool LooksIncompressible(const uint8_t* data, size_t size, TDeflater& sampler) {
  constexpr size_t kSample = 16 * 1024;
  if (size < kSampleMin) return false;
  // Up to four looks spread over the data: mixed data (records between stretches of noise)
  // can look like noise at one place, and storing it whole would cost what it compresses.
  const size_t looks = std::min<size_t>(4, size / kSample);
  uint8_t out[kSample + kSample / 16];
  for (size_t k = 0; k < looks; ++k) {
    z_stream* z = sampler.Ready(1);
    if (!z) return false;  // no judgement: the caller deflates
    z->next_in = const_cast<uint8_t*>(data + k * (size / looks));
    z->avail_in = static_cast<uInt>(kSample);
    z->next_out = out;
    z->avail_out = sizeof out;
    if (deflate(z, Z_FINISH) != Z_STREAM_END) return false;
    if (sizeof out - z->avail_out < kSample - kSample / 32) return false;
  }
  return true;
}

void AppendStoredBlocks(const uint8_t* data, size_t size, bool final, std::vector<uint8_t>& out) {
  do {
    const size_t n = std::min<size_t>(size, 0xFFFF);
    const bool last = n == size;
    // BFINAL and BTYPE 00 in the low bits of one byte; the rest of the byte is padding.
    out.push_back(final && last ? 1 : 0);
    out.push_back(static_cast<uint8_t>(n & 0xFF));
    out.push_back(static_cast<uint8_t>(n >> 8));
    out.push_back(static_cast<uint8_t>(~n & 0xFF));
    out.push_back(static_cast<uint8_t>((~n >> 8) & 0xFF));
    out.insert(out.end(), data, data + n);
    data += n;
    size -= n;
  } while (size > 0);
}

unsigned DeflateThreads() { return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads); }

namespace {

struct TBlock {
  std::vector<uint8_t> In, Dictionary, Out;
  size_t InSize = 0;
  bool Last = false;
  bool Done = false;
  uint32_t Crc = 0;
  std::exception_ptr Failure;
};

// Deflates one block into its Out on a worker's own streams.
void DeflateBlock(TBlock& block, int level, TDeflater& deflater, TDeflater& sampler) {
  block.Crc = static_cast<uint32_t>(crc32(0, block.In.data(), static_cast<uInt>(block.InSize)));
  block.Out.clear();
  if (level == 0 || LooksIncompressible(block.In.data(), block.InSize, sampler)) {
    AppendStoredBlocks(block.In.data(), block.InSize, block.Last, block.Out);
    return;
  }
  z_stream* z = deflater.Ready(level);
  if (!z) throw TFailure{err::NotEnoughMemory, L"圧縮を開始できません"};
  if (!block.Dictionary.empty() &&
      deflateSetDictionary(z, block.Dictionary.data(), static_cast<uInt>(block.Dictionary.size())) != Z_OK)
    throw TFailure{err::GenFailure, L"圧縮を開始できません"};
  // Room for the whole block at once: the bound plus the sync flush's empty stored block.
  block.Out.resize(deflateBound(z, static_cast<uLong>(block.InSize)) + 16);
  z->next_in = block.In.data();
  z->avail_in = static_cast<uInt>(block.InSize);
  z->next_out = block.Out.data();
  z->avail_out = static_cast<uInt>(block.Out.size());
  const int flush = block.Last ? Z_FINISH : Z_SYNC_FLUSH;
  const int status = deflate(z, flush);
  if ((block.Last && status != Z_STREAM_END) || (!block.Last && (status != Z_OK || z->avail_out == 0)))
    throw TFailure{err::GenFailure, L"圧縮に失敗しました（zlib " + IntToText(status) + L"）"};
  block.Out.resize(block.Out.size() - z->avail_out);
}

// The workers and the ring of blocks they share with the calling thread. The destructor
// stops the workers (a block being deflated is finished first) and joins them.
class TBlockPool {
public:
  TBlockPool(int level, unsigned threads) : level_(level), blocks_(2 * std::max(threads, 1u)) {
    for (unsigned i = 0; i < std::max(threads, 1u); ++i) workers_.emplace_back([this] { Work(); });
  }
  ~TBlockPool() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    queued_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }
  TBlockPool(const TBlockPool&) = delete;
  TBlockPool& operator=(const TBlockPool&) = delete;

  size_t Slots() const { return blocks_.size(); }
  // Block number n's slot; the caller owns it until Submit.
  TBlock& Slot(size_t n) { return blocks_[n % blocks_.size()]; }
  void Submit(size_t n) {
    {
      std::lock_guard lock(mutex_);
      Slot(n).Done = false;
      Slot(n).Failure = nullptr;
      queue_.push_back(n % blocks_.size());
    }
    queued_.notify_one();
  }
  // Waits until block n is deflated; throws its failure.
  TBlock& Wait(size_t n) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return Slot(n).Done; });
    if (Slot(n).Failure) std::rethrow_exception(Slot(n).Failure);
    return Slot(n);
  }

private:
  void Work() {
    TDeflater deflater, sampler;
    for (;;) {
      size_t slot = 0;
      {
        std::unique_lock lock(mutex_);
        queued_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (stop_) return;
        slot = queue_.front();
        queue_.pop_front();
      }
      TBlock& block = blocks_[slot];
      try {
        DeflateBlock(block, level_, deflater, sampler);
      } catch (...) {
        block.Failure = std::current_exception();
      }
      {
        std::lock_guard lock(mutex_);
        block.Done = true;
      }
      done_.notify_all();
    }
  }

  const int level_;
  std::vector<TBlock> blocks_;
  std::deque<size_t> queue_;
  TMutex mutex_;
  TCondition queued_, done_;
  bool stop_ = false;
  std::vector<std::thread> workers_;
};

// Reads up to kBlockSize bytes into the block (fewer only at the end of the input).
void Fill(TBlock& block, const TParallelDeflateIo& io) {
  block.In.resize(kBlockSize);
  block.InSize = 0;
  while (block.InSize < kBlockSize) {
    const size_t n = io.Read(block.In.data() + block.InSize, kBlockSize - block.InSize);
    if (n == 0) break;
    block.InSize += n;
  }
}

}  // namespace

TDeflateResult ParallelDeflate(int level, unsigned threads, const TParallelDeflateIo& io) {
  TDeflateResult result;
  TBlockPool pool(level, threads);
  size_t written = 0;  // blocks written out
  auto writeOut = [&](size_t n) {
    const TBlock& block = pool.Wait(n);
    io.Write(block.Out.data(), block.Out.size());
    result.PackedSize += block.Out.size();
    result.Crc = static_cast<uint32_t>(crc32_combine(result.Crc, block.Crc, static_cast<z_off_t>(block.InSize)));
    ++written;
  };
  size_t n = 0;  // the block read last and not yet submitted
  Fill(pool.Slot(0), io);
  pool.Slot(0).Dictionary.clear();
  for (;;) {
    if (io.Stop && io.Stop()) throw TFailure{err::RequestAborted, L"圧縮を中止しました"};
    TBlock& block = pool.Slot(n);
    result.Size += block.InSize;
    // The block after this one is read before this one goes, so the last block is known
    // when it is deflated and the stream ends with its final block.
    bool last = block.InSize < kBlockSize;
    if (!last) {
      while (n + 1 - written >= pool.Slots()) writeOut(written);
      TBlock& next = pool.Slot(n + 1);
      Fill(next, io);
      last = next.InSize == 0;
      if (!last) {
        const size_t keep = std::min<size_t>(block.InSize, 32 * 1024);
        next.Dictionary.assign(block.In.begin() + static_cast<std::ptrdiff_t>(block.InSize - keep),
                               block.In.begin() + static_cast<std::ptrdiff_t>(block.InSize));
      }
    }
    block.Last = last;
    pool.Submit(n);
    if (last) break;
    ++n;
  }
  while (written <= n) writeOut(written);
  return result;
}

}  // namespace vog::archive
