#include "engine/SealStream.h"

#include <algorithm>

#include "platform/Codes.h"
#include "services/cipher/CipherManager.h"

namespace vog {

TSealStream::TSealStream(std::unique_ptr<TCipherManager> cipher, std::unique_ptr<IFileStream> out)
    : cipher_(std::move(cipher)), out_(std::move(out)) {
  // One operation from the initial vector, as EncipherFile codes it.
  TCipher& block = cipher_->Cipher();
  block.CheckInitialized();
  block.CheckMode();
  block.Restart();
  thread_ = std::thread([this] { Work(); });
}

TSealStream::~TSealStream() {
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  filled_.notify_all();
  room_.notify_all();
  if (thread_.joinable()) thread_.join();
  std::fill(incoming_.begin(), incoming_.end(), uint8_t(0));
}

void TSealStream::Put(const uint8_t* data, size_t size) {
  if (size == 0) return;
  bool wake = false;
  {
    std::unique_lock lock(mutex_);
    room_.wait(lock, [this] { return quit_ || incoming_.size() < kQueueBytes; });
    if (quit_ || ended_) return;
    const size_t before = incoming_.size();
    incoming_.insert(incoming_.end(), data, data + size);
    // The thread is woken once per write's worth, not for each of many small entries (a
    // thread switch costs more than enciphering a small file).
    wake = before < kWriteBytes && incoming_.size() >= kWriteBytes;
  }
  if (wake) filled_.notify_one();
}

void TSealStream::End() {
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  filled_.notify_one();
}

void TSealStream::Write(const uint8_t* data, size_t size) noexcept {
  size_t written = 0;
  while (code_ == 0 && written < size) {
    size_t done = 0;
    const uint32_t code = out_->Write(data + written, size - written, done);
    written += done;
    if (code) code_ = code;
    else if (done == 0) code_ = err::WriteFault;
  }
}

void TSealStream::Work() noexcept {
  TCipher& cipher = cipher_->Cipher();
  std::vector<uint8_t> taken, block;
  try {
    for (;;) {
      bool last = false;
      {
        std::unique_lock lock(mutex_);
        filled_.wait(lock, [this] { return quit_ || ended_ || incoming_.size() >= kWriteBytes; });
        if (quit_) break;
        taken.swap(incoming_);
        last = ended_ && taken.empty();
      }
      room_.notify_all();
      if (code_ == 0) block.insert(block.end(), taken.begin(), taken.end());
      std::fill(taken.begin(), taken.end(), uint8_t(0));
      taken.clear();
      if (code_ != 0) {
        if (last) break;
        continue;  // a write failed: the rest is drained so that the pack goes on
      }
      // Whole blocks chain on; only the end of the archive may be a partial block.
      if (block.size() >= kWriteBytes || last) {
        const size_t n = last ? block.size() : block.size() & ~size_t(7);
        cipher.Encode(block.data(), block.data(), n);
        Write(block.data(), n);
        std::fill(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n), uint8_t(0));
        block.erase(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
      }
      if (last) {
        if (code_ == 0) code_ = out_->SetEndOfFile();
        if (code_ == 0) code_ = out_->Flush();
        break;
      }
    }
  } catch (...) {
    if (code_ == 0) code_ = err::GenFailure;
  }
  std::fill(block.begin(), block.end(), uint8_t(0));
  std::lock_guard lock(mutex_);
  quit_ = true;  // nothing more is taken: a Put from now on returns at once
  room_.notify_all();
}

uint32_t TSealStream::Finish() noexcept {
  bool ended = false;
  {
    std::unique_lock lock(mutex_);
    ended = ended_;
    if (!ended) quit_ = true;
  }
  filled_.notify_all();
  room_.notify_all();
  if (thread_.joinable()) thread_.join();
  out_.reset();
  if (!ended) return err::GenFailure;
  return code_;
}

}  // namespace vog
