#pragma once
// An IFileStream over a string, for driving the cipher's stream operations without a
// file system: short reads (as from a pipe), and read or write failures after N bytes.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/FileSystem.h"

namespace vog::test {

class TBufferStream : public IFileStream {
public:
  explicit TBufferStream(std::string& data) : data_(data) {}

  size_t MaxRead = SIZE_MAX;    // at most this many bytes per Read call
  int64_t FailReadAfter = -1;   // Read fails (error ReadFailCode) once this many bytes were read
  int64_t FailWriteAfter = -1;  // Write stops short once this many bytes were written
  uint32_t ReadFailCode = err::ReadFault;
  uint32_t WriteFailCode = err::DiskFull;
  int64_t BytesRead = 0, BytesWritten = 0;

  uint32_t Read(void* buffer, size_t size, size_t& done) override {
    done = 0;
    if (FailReadAfter >= 0 && BytesRead >= FailReadAfter) return ReadFailCode;
    size_t avail = pos_ < data_.size() ? data_.size() - pos_ : 0;
    done = std::min({size, avail, MaxRead});
    std::memcpy(buffer, data_.data() + pos_, done);
    pos_ += done;
    BytesRead += static_cast<int64_t>(done);
    return 0;
  }
  uint32_t Write(const void* buffer, size_t size, size_t& done) override {
    done = size;
    uint32_t result = 0;
    if (FailWriteAfter >= 0 && BytesWritten + static_cast<int64_t>(size) > FailWriteAfter) {
      done = static_cast<size_t>(std::max<int64_t>(0, FailWriteAfter - BytesWritten));
      result = WriteFailCode;
    }
    if (data_.size() < pos_ + done) data_.resize(pos_ + done);
    std::memcpy(data_.data() + pos_, buffer, done);
    pos_ += done;
    BytesWritten += static_cast<int64_t>(done);
    return result;
  }
  uint32_t Seek(int64_t position) override {
    pos_ = static_cast<size_t>(position);
    return 0;
  }
  int64_t Position() const override { return static_cast<int64_t>(pos_); }
  uint32_t GetSize(int64_t& size) override {
    size = static_cast<int64_t>(data_.size());
    return 0;
  }
  uint32_t SetEndOfFile() override {
    data_.resize(pos_);
    return 0;
  }
  uint32_t SetTimes(const TFileTime*, const TFileTime*, const TFileTime*) override { return 0; }
  uint32_t GetTimes(TFileTime*, TFileTime*, TFileTime*) override { return 0; }
  uint32_t Flush() override { return 0; }

private:
  std::string& data_;
  size_t pos_ = 0;
};

}  // namespace vog::test
