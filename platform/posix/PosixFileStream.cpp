// Open files of the POSIX file system and the in-process share table.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

namespace vog::posix {

struct TShareTable::TImpl {
  struct TOpen {
    dev_t Dev;
    ino_t Ino;
    uint32_t Access;
    uint32_t Share;
  };
  std::mutex Mutex;
  std::map<uint64_t, TOpen> Opens;
  uint64_t NextToken = 1;
};

TShareTable::TShareTable() : impl_(std::make_unique<TImpl>()) {}

TShareTable& TShareTable::Instance() {
  static TShareTable table;
  return table;
}

uint32_t TShareTable::Acquire(dev_t dev, ino_t ino, uint32_t accessBits, uint32_t shareMode, uint64_t& token) {
  std::lock_guard lock(impl_->Mutex);
  for (const auto& [id, open] : impl_->Opens) {
    if (open.Dev != dev || open.Ino != ino) continue;
    // Each side must allow what the other one does.
    if ((accessBits & ~open.Share & share::All) != 0 || (open.Access & ~shareMode & share::All) != 0)
      return err::SharingViolation;
  }
  token = impl_->NextToken++;
  impl_->Opens[token] = TImpl::TOpen{dev, ino, accessBits, shareMode};
  return err::Success;
}

void TShareTable::Release(uint64_t token) {
  std::lock_guard lock(impl_->Mutex);
  impl_->Opens.erase(token);
}

bool TShareTable::DeleteAllowed(dev_t dev, ino_t ino) {
  std::lock_guard lock(impl_->Mutex);
  for (const auto& [id, open] : impl_->Opens)
    if (open.Dev == dev && open.Ino == ino && (open.Share & share::Delete) == 0) return false;
  return true;
}

namespace {

class TPosixFileStream : public IFileStream {
public:
  TPosixFileStream(int fd, uint64_t token) : fd_(fd), token_(token) {}
  ~TPosixFileStream() override {
    ::close(fd_);
    TShareTable::Instance().Release(token_);
  }

  uint32_t Read(void* buffer, size_t size, size_t& done) override {
    done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
      const ssize_t n = ::read(fd_, out + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
      position_ += n;
    }
    return err::Success;
  }

  uint32_t Write(const void* buffer, size_t size, size_t& done) override {
    done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < size) {
      const ssize_t n = ::write(fd_, in + done, size - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return MapErrno(errno);
      }
      if (n == 0) return err::DiskFull;
      done += static_cast<size_t>(n);
      position_ += n;
    }
    return err::Success;
  }

  uint32_t Seek(int64_t position) override {
    if (position < 0) return err::InvalidParameter;  // ERROR_NEGATIVE_SEEK is 131; callers check 87
    if (::lseek(fd_, static_cast<off_t>(position), SEEK_SET) < 0) return MapErrno(errno);
    position_ = position;
    return err::Success;
  }

  int64_t Position() const override { return position_; }

  uint32_t GetSize(int64_t& size) override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return MapErrno(errno);
    size = st.st_size;
    return err::Success;
  }

  uint32_t SetEndOfFile() override {
    if (::ftruncate(fd_, static_cast<off_t>(position_)) != 0) return MapErrno(errno);
    return err::Success;
  }

  uint32_t SetTimes(const TFileTime* creation, const TFileTime* lastAccess, const TFileTime* lastWrite) override {
    // Linux keeps no settable creation time; it is left as it is.
    timespec times[2];
    times[0] = lastAccess ? FileTimeToTimespec(*lastAccess) : timespec{0, UTIME_OMIT};
    times[1] = lastWrite ? FileTimeToTimespec(*lastWrite) : timespec{0, UTIME_OMIT};
    if (::futimens(fd_, times) != 0) return MapErrno(errno);
    return err::Success;
  }

  uint32_t GetTimes(TFileTime* creation, TFileTime* lastAccess, TFileTime* lastWrite) override {
    struct statx stx;
    if (::statx(fd_, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &stx) != 0) return MapErrno(errno);
    auto toFileTime = [](const statx_timestamp& t) { return TimespecToFileTime(timespec{t.tv_sec, t.tv_nsec}); };
    if (creation) *creation = toFileTime((stx.stx_mask & STATX_BTIME) ? stx.stx_btime : stx.stx_mtime);
    if (lastAccess) *lastAccess = toFileTime(stx.stx_atime);
    if (lastWrite) *lastWrite = toFileTime(stx.stx_mtime);
    return err::Success;
  }

  uint32_t Flush() override {
    if (::fsync(fd_) != 0 && errno != EINVAL) return MapErrno(errno);
    return err::Success;
  }

private:
  int fd_;
  uint64_t token_;
  int64_t position_ = 0;
};

}  // namespace

std::unique_ptr<IFileStream> MakeFileStream(int fd, uint64_t token) {
  return std::make_unique<TPosixFileStream>(fd, token);
}

}  // namespace vog::posix
