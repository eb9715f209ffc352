#include "services/archive/PackAhead.h"

#include <algorithm>

#include "platform/Platform.h"

namespace vog::archive {

void IArchiveWriter::AddPrepared(const TNewFile& file, const TPreparedFile&) {
  throw TFailure{err::GenFailure, L"この形式は先に圧縮したファイルを書けません: " + file.Path};
}

TPackAhead::TPackAhead(const IArchiveWriter& writer, const std::vector<const TNewFile*>& files)
    : writer_(writer), files_(files), slots_(files.size()) {
  if (files.size() < 2) return;  // nothing to overlap
  // Opening and reading many small files waits on the system more than it computes, so
  // there are at least four workers even on fewer cores.
  const unsigned cores = std::thread::hardware_concurrency();
  const unsigned count = std::min<unsigned>(std::clamp(cores, 4u, 8u), static_cast<unsigned>(files.size()));
  for (unsigned i = 0; i < count; ++i) workers_.emplace_back([this] { Work(); });
}

TPackAhead::~TPackAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  room_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

size_t TPackAhead::Weight(size_t index) const {
  return static_cast<size_t>(std::clamp<int64_t>(files_[index]->Size, 0, static_cast<int64_t>(kPrepareLimit)));
}

void TPackAhead::Work() {
  TPrepareScratch scratch;
  for (;;) {
    size_t index = 0;
    {
      std::unique_lock lock(mutex_);
      // A file is claimed when the memory bound allows, or when nothing waits (so one file
      // near the limit always goes through).
      const auto claimable = [this] {
        return stop_ || next_ >= files_.size() || waiting_ == 0 || waiting_ + Weight(next_) <= kAheadBytes;
      };
      if (!claimable()) {
        ++roomWaiters_;
        room_.wait(lock, claimable);
        --roomWaiters_;
      }
      if (stop_ || next_ >= files_.size()) return;
      index = next_++;
      waiting_ += Weight(index);
    }
    std::unique_ptr<TPreparedFile> prepared;
    std::exception_ptr failure;
    const TNewFile& file = *files_[index];
    if (file.Size <= static_cast<int64_t>(kPrepareLimit)) {
      try {
        std::unique_ptr<IFileStream> data;
        if (uint32_t code = Files().OpenFile(file.SourcePath, TOpenMode::Read, share::Read | share::Write, data))
          ThrowIo(code, L"ファイルを読み込めません", file.SourcePath);
        prepared = writer_.Prepare(file, *data, kPrepareLimit, scratch);
      } catch (...) {
        failure = std::current_exception();
      }
    }
    bool wanted = false;
    {
      std::lock_guard lock(mutex_);
      slots_[index].Prepared = std::move(prepared);
      slots_[index].Failure = failure;
      slots_[index].Done = true;
      wanted = wanted_ == index;
    }
    // Only the writer waits for a slot, and only for the one it wants: a wake for any other
    // file would be a thread switch for nothing (one per file of a large pack).
    if (wanted) ready_.notify_one();
  }
}

std::unique_ptr<TPreparedFile> TPackAhead::Take(size_t index) {
  if (workers_.empty()) return nullptr;
  std::unique_lock lock(mutex_);
  if (!slots_[index].Done) {
    wanted_ = index;
    ready_.wait(lock, [&] { return slots_[index].Done; });
    wanted_ = kNone;
  }
  TSlot& slot = slots_[index];
  waiting_ -= Weight(index);
  std::unique_ptr<TPreparedFile> prepared = std::move(slot.Prepared);
  const std::exception_ptr failure = slot.Failure;
  const bool blocked = roomWaiters_ > 0;
  lock.unlock();
  if (blocked) room_.notify_all();
  if (failure) std::rethrow_exception(failure);
  return prepared;
}

}  // namespace vog::archive
