// Open files of the Win32 file system.
#include <windows.h>

#include <utility>

#include "platform/win32/Win32Files.h"

namespace vog::win32 {

namespace {

class TWin32FileStream : public IFileStream {
public:
  explicit TWin32FileStream(THandle handle) : handle_(std::move(handle)) {}

  uint32_t Read(void* buffer, size_t size, size_t& done) override {
    done = 0;
    auto* out = static_cast<char*>(buffer);
    while (done < size) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(handle_.Get(), out + done, want, &got, nullptr)) return GetLastError();
      done += got;
      position_ += got;
      // A file reads short only at its end: asking again would only hear so (one more
      // call per file, a round of system calls each under Wine).
      if (got < want) break;
    }
    return ERROR_SUCCESS;
  }

  uint32_t Write(const void* buffer, size_t size, size_t& done) override {
    done = 0;
    const auto* in = static_cast<const char*>(buffer);
    while (done < size) {
      const DWORD want = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(handle_.Get(), in + done, want, &put, nullptr)) return GetLastError();
      if (put == 0) return ERROR_DISK_FULL;
      done += put;
      position_ += put;
    }
    return ERROR_SUCCESS;
  }

  uint32_t Seek(int64_t position) override {
    LARGE_INTEGER to;
    to.QuadPart = position;
    if (!SetFilePointerEx(handle_.Get(), to, nullptr, FILE_BEGIN)) return GetLastError();
    position_ = position;
    return ERROR_SUCCESS;
  }

  int64_t Position() const override { return position_; }

  uint32_t GetSize(int64_t& size) override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(handle_.Get(), &s)) return GetLastError();
    size = s.QuadPart;
    return ERROR_SUCCESS;
  }

  uint32_t SetEndOfFile() override { return ::SetEndOfFile(handle_.Get()) ? ERROR_SUCCESS : GetLastError(); }

  uint32_t SetTimes(const TFileTime* creation, const TFileTime* lastAccess, const TFileTime* lastWrite) override {
    FILETIME c, a, w;
    if (creation) c = ToFt(*creation);
    if (lastAccess) a = ToFt(*lastAccess);
    if (lastWrite) w = ToFt(*lastWrite);
    if (!SetFileTime(handle_.Get(), creation ? &c : nullptr, lastAccess ? &a : nullptr, lastWrite ? &w : nullptr))
      return GetLastError();
    return ERROR_SUCCESS;
  }

  uint32_t GetTimes(TFileTime* creation, TFileTime* lastAccess, TFileTime* lastWrite) override {
    FILETIME c, a, w;
    if (!GetFileTime(handle_.Get(), &c, &a, &w)) return GetLastError();
    if (creation) *creation = FromFt(c);
    if (lastAccess) *lastAccess = FromFt(a);
    if (lastWrite) *lastWrite = FromFt(w);
    return ERROR_SUCCESS;
  }

  uint32_t Flush() override { return FlushFileBuffers(handle_.Get()) ? ERROR_SUCCESS : GetLastError(); }

private:
  THandle handle_;
  int64_t position_ = 0;
};

}  // namespace

std::unique_ptr<IFileStream> MakeFileStream(THandle handle) {
  return std::make_unique<TWin32FileStream>(std::move(handle));
}

}  // namespace vog::win32
