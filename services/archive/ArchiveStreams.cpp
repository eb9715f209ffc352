#include "services/archive/ArchiveStreams.h"

#include <algorithm>
#include <cstring>

#include "base/Text.h"

namespace vog::archive {

namespace {
// Buffers grow to these sizes; a small archive gets small ones.
constexpr size_t kReadBuffer = 1 << 20;
constexpr size_t kFirstWriteBuffer = 1 << 16;
constexpr size_t kWriteBuffer = 1 << 20;
}  // namespace

void ThrowDamaged(const std::wstring& detail) {
  throw TFailure{err::FileCorrupt, L"書庫が壊れています（" + detail + L"）。"};
}

void ThrowIo(uint32_t code, const std::wstring& what, const std::wstring& path) {
  std::wstring message = what + L"（エラー " + IntToText(code) + L"）";
  if (!path.empty()) message += L": " + path;
  throw TFailure{code == 0 ? err::GenFailure : code, message};
}

// ---- TReader -------------------------------------------------------------------

TReader::TReader(IFileStream& stream) : stream_(stream) {
  int64_t size = 0;
  if (uint32_t code = stream_.GetSize(size)) ThrowIo(code, L"書庫を読み込めません", L"");
  size_ = static_cast<uint64_t>(size);
  buffer_.resize(static_cast<size_t>(std::clamp<uint64_t>(size_, 1, kReadBuffer)));
}

void TReader::Seek(uint64_t position) { position_ = position; }

void TReader::Fill() {
  bufferStart_ = position_;
  bufferFill_ = 0;
  if (position_ >= size_) return;
  if (uint32_t code = stream_.Seek(static_cast<int64_t>(position_))) ThrowIo(code, L"書庫を読み込めません", L"");
  const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size(), size_ - position_));
  while (bufferFill_ < want) {
    size_t done = 0;
    if (uint32_t code = stream_.Read(buffer_.data() + bufferFill_, want - bufferFill_, done))
      ThrowIo(code, L"書庫を読み込めません", L"");
    if (done == 0) break;
    bufferFill_ += done;
  }
}

size_t TReader::ReadSome(void* buffer, size_t size) {
  auto* out = static_cast<uint8_t*>(buffer);
  size_t total = 0;
  while (total < size && position_ < size_) {
    if (position_ < bufferStart_ || position_ >= bufferStart_ + bufferFill_) {
      // Large reads bypass the buffer.
      if (size - total >= buffer_.size()) {
        if (uint32_t code = stream_.Seek(static_cast<int64_t>(position_))) ThrowIo(code, L"書庫を読み込めません", L"");
        const size_t want = static_cast<size_t>(std::min<uint64_t>(size - total, size_ - position_));
        size_t done = 0;
        if (uint32_t code = stream_.Read(out + total, want, done)) ThrowIo(code, L"書庫を読み込めません", L"");
        if (done == 0) break;
        total += done;
        position_ += done;
        continue;
      }
      Fill();
      if (bufferFill_ == 0) break;
    }
    const size_t at = static_cast<size_t>(position_ - bufferStart_);
    const size_t n = std::min(size - total, bufferFill_ - at);
    std::memcpy(out + total, buffer_.data() + at, n);
    total += n;
    position_ += n;
  }
  return total;
}

void TReader::ReadExact(void* buffer, size_t size) {
  if (ReadSome(buffer, size) != size) ThrowDamaged(L"データが途中で切れています");
}

std::string TReader::ReadBytes(size_t size) {
  if (size > size_ - std::min(size_, position_)) ThrowDamaged(L"データが途中で切れています");
  std::string bytes(size, '\0');
  ReadExact(bytes.data(), size);
  return bytes;
}

// ---- TWriter -------------------------------------------------------------------

TWriter::TWriter(IFileStream& stream) : stream_(stream) {
  base_ = settled_ = static_cast<uint64_t>(stream_.Position());
  buffer_.resize(kFirstWriteBuffer);
}

void TWriter::CheckUnsettled(uint64_t position) const {
  // A settled byte may already be in the tap's hands: changing it is a bug of the format.
  if (position < settled_) throw TFailure{err::GenFailure, L"書庫の確定した部分は書き換えられません"};
}

void TWriter::Settle() {
  const uint64_t end = Position();
  if (!tap_) {
    settled_ = end;
    return;
  }
  if (settled_ < base_) {
    // An entry larger than the buffer went out before it was final: read it back.
    std::vector<uint8_t> chunk(static_cast<size_t>(std::min<uint64_t>(kChunk, base_ - settled_)));
    if (uint32_t code = stream_.Seek(static_cast<int64_t>(settled_))) ThrowIo(code, L"書庫を読み込めません", L"");
    while (settled_ < base_) {
      const size_t want = static_cast<size_t>(std::min<uint64_t>(chunk.size(), base_ - settled_));
      size_t got = 0;
      while (got < want) {
        size_t done = 0;
        if (uint32_t code = stream_.Read(chunk.data() + got, want - got, done)) ThrowIo(code, L"書庫を読み込めません", L"");
        if (done == 0) ThrowIo(err::ReadFault, L"書庫を読み込めません", L"");
        got += done;
      }
      tap_(chunk.data(), want);
      settled_ += want;
    }
    if (uint32_t code = stream_.Seek(static_cast<int64_t>(base_))) ThrowIo(code, L"書庫を書き込めません", L"");
  }
  if (end > settled_) tap_(buffer_.data() + (settled_ - base_), static_cast<size_t>(end - settled_));
  settled_ = end;
}

void TWriter::Flush() {
  size_t written = 0;
  while (written < fill_) {
    size_t done = 0;
    uint32_t code = stream_.Write(buffer_.data() + written, fill_ - written, done);
    written += done;
    if (code) ThrowIo(code, L"書庫を書き込めません", L"");
    if (done == 0) ThrowIo(err::WriteFault, L"書庫を書き込めません", L"");
  }
  base_ += fill_;
  fill_ = 0;
}

void TWriter::Write(const void* data, size_t size) {
  const auto* in = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (fill_ == buffer_.size()) {
      if (buffer_.size() < kWriteBuffer)
        buffer_.resize(std::min(buffer_.size() * 2, kWriteBuffer));
      else
        Flush();
    }
    const size_t n = std::min(size, buffer_.size() - fill_);
    std::memcpy(buffer_.data() + fill_, in, n);
    fill_ += n;
    in += n;
    size -= n;
  }
}

void TWriter::Patch(uint64_t position, const void* data, size_t size) {
  CheckUnsettled(position);
  const auto* in = static_cast<const uint8_t*>(data);
  if (position >= base_ && position + size <= base_ + fill_) {
    std::memcpy(buffer_.data() + (position - base_), in, size);
    return;
  }
  Flush();
  if (uint32_t code = stream_.Seek(static_cast<int64_t>(position))) ThrowIo(code, L"書庫を書き込めません", L"");
  size_t done = 0;
  uint32_t code = stream_.Write(in, size, done);
  if (code || done != size) ThrowIo(code ? code : err::WriteFault, L"書庫を書き込めません", L"");
  if (uint32_t c = stream_.Seek(static_cast<int64_t>(base_))) ThrowIo(c, L"書庫を書き込めません", L"");
}

void TWriter::Rewind(uint64_t position) {
  CheckUnsettled(position);
  if (position >= base_ && position <= base_ + fill_) {
    fill_ = static_cast<size_t>(position - base_);
    return;
  }
  Flush();
  if (uint32_t code = stream_.Seek(static_cast<int64_t>(position))) ThrowIo(code, L"書庫を書き込めません", L"");
  base_ = position;
}

void TWriter::Finish() {
  Settle();
  Flush();
  if (uint32_t code = stream_.SetEndOfFile()) ThrowIo(code, L"書庫を書き込めません", L"");
  if (uint32_t code = stream_.Flush()) ThrowIo(code, L"書庫を書き込めません", L"");
}

size_t ReadFileChunk(IFileStream& stream, uint8_t* buffer, size_t capacity, const std::wstring& path) {
  size_t done = 0;
  // One read: a stream reads short only at the end of the file.
  if (uint32_t code = stream.Read(buffer, capacity, done)) ThrowIo(code, L"ファイルを読み込めません", path);
  return done;
}

bool ReadSmallFile(IFileStream& stream, int64_t listedSize, size_t limit, std::vector<uint8_t>& buffer, size_t& size,
                   const std::wstring& path) {
  // One byte beyond the listed size tells a file that grew since it was listed.
  size_t capacity = std::min(limit, static_cast<size_t>(std::max<int64_t>(listedSize, 0))) + 1;
  size = 0;
  for (;;) {
    if (buffer.size() < capacity) buffer.resize(capacity);
    size += ReadFileChunk(stream, buffer.data() + size, capacity - size, path);
    if (size < capacity) return true;  // the end of the file
    if (size > limit) return false;
    capacity = std::min(limit + 1, std::max(capacity * 2, size + kChunk));  // it grew: read on
  }
}

}  // namespace vog::archive
