// The native build's file system: real Linux files with Windows semantics where the
// program relies on them (read-only files refuse overwrite and delete, sharing between
// the program's own open files, "." and ".." in listings, Windows error codes).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "base/Text.h"
#include "platform/SystemPlatform.h"
#include "platform/posix/PosixFiles.h"
#include "platform/posix/PosixPlatform.h"

namespace vog::posix {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

bool IsReadOnly(const TEntryStat& st) { return (st.Mode & S_IWUSR) == 0; }

uint32_t StatOrCode(const std::string& path, TEntryStat& st) {
  const int e = StatEntry(path, st);
  return e == 0 ? err::Success : MapErrno(e, path);
}

// Closes a descriptor and releases its share-table entry unless handed on.
struct TOpenGuard {
  int Fd = -1;
  uint64_t Token = 0;
  ~TOpenGuard() {
    if (Fd >= 0) ::close(Fd);
    if (Token) TShareTable::Instance().Release(Token);
  }
};

uint32_t Register(int fd, uint32_t accessBits, uint32_t shareMode, uint64_t& token) {
  struct stat st;
  if (::fstat(fd, &st) != 0) return MapErrno(errno);
  return TShareTable::Instance().Acquire(st.st_dev, st.st_ino, accessBits, shareMode, token);
}

uint32_t WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return MapErrno(errno);
    }
    if (n == 0) return err::DiskFull;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return err::Success;
}

// Copies the data of an open source to a path, with the source's permissions and times.
// On any failure or cancel the partial target is removed.
uint32_t CopyData(const std::string& from, const TEntryStat& fromStat, const std::string& to, bool failIfExists,
                  const TCopyProgress& progress, const std::atomic<bool>* cancel) {
  auto cancelled = [cancel] { return cancel && cancel->load(); };
  if (cancelled()) return err::RequestAborted;

  TOpenGuard source;
  source.Fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (source.Fd < 0) return MapErrno(errno, from);
  if (const uint32_t code = Register(source.Fd, access::Read, share::Read, source.Token)) return code;

  TOpenGuard target;
  target.Fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : 0), 0666);
  if (target.Fd < 0) return errno == EEXIST ? err::FileExists : MapErrno(errno, to);
  if (const uint32_t code = Register(target.Fd, access::Write, share::None, target.Token)) return code;

  auto fail = [&](uint32_t code) {
    ::unlink(to.c_str());
    return code;
  };
  if (::ftruncate(target.Fd, 0) != 0) return fail(MapErrno(errno));

  const int64_t total = fromStat.Size;
  int64_t copied = 0;
  if (progress) progress(0, total);
  std::vector<char> buffer(kCopyChunk);
  for (;;) {
    if (cancelled()) return fail(err::RequestAborted);
    const ssize_t n = ::read(source.Fd, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(MapErrno(errno));
    }
    if (n == 0) break;
    if (const uint32_t code = WriteAll(target.Fd, buffer.data(), static_cast<size_t>(n))) return fail(code);
    copied += n;
    if (progress) progress(copied, total > copied ? total : copied);
  }
  if (cancelled()) return fail(err::RequestAborted);

  // The copy carries the source's read-only state and times, as a Windows copy does.
  const timespec times[2] = {FileTimeToTimespec(fromStat.LastAccess), FileTimeToTimespec(fromStat.LastWrite)};
  if (::futimens(target.Fd, times) != 0) return fail(MapErrno(errno));
  if (::fchmod(target.Fd, fromStat.Mode & 07777) != 0) return fail(MapErrno(errno));
  if (::close(target.Fd) != 0) {
    target.Fd = -1;
    return fail(MapErrno(errno));
  }
  target.Fd = -1;
  return err::Success;
}

class TPosixFileSystem : public IFileSystem {
public:
  uint32_t FindFirst(const std::wstring& pattern, std::unique_ptr<IFindHandle>& handle, TFindData& first) override {
    return FindFirstEntry(NativePath(pattern), handle, first);
  }

  uint32_t ListNames(const std::wstring& folder, std::vector<TNameEntry>& names) override {
    return ListNameEntries(NativePath(folder), names);
  }

  uint32_t GetAttributes(const std::wstring& path, uint32_t& attributes) override {
    const std::string p = NativePath(path);
    TEntryStat st;
    if (const uint32_t code = StatOrCode(p, st)) return code;
    attributes = AttributesOf(LastComponent(p), st);
    return err::Success;
  }

  uint32_t SetAttributes(const std::wstring& path, uint32_t attributes) override {
    // Only the read-only bit has a Linux form (the write bits); hidden comes from the
    // name, and archive and system are not kept.
    const std::string p = NativePath(path);
    TEntryStat st;
    if (const uint32_t code = StatOrCode(p, st)) return code;
    mode_t mode = st.Mode & 07777;
    if (attributes & attr::ReadOnly)
      mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
    else
      mode |= S_IWUSR;
    if (mode != (st.Mode & 07777) && ::chmod(p.c_str(), mode) != 0) return MapErrno(errno, p);
    return err::Success;
  }

  uint32_t GetInfo(const std::wstring& path, TFindData& info) override {
    const std::string p = NativePath(path);
    TEntryStat st;
    if (const uint32_t code = StatOrCode(p, st)) return code;
    FillFindData(LastComponent(p), st, info);
    return err::Success;
  }

  uint32_t GetFolderIdentity(const std::wstring& path, TFileIdentity& identity) override {
    const std::string p = NativePath(path);
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) return MapErrno(errno, p);  // stat follows links
    identity.VolumeSerial = static_cast<uint32_t>(st.st_dev);
    identity.FileIndex = static_cast<uint64_t>(st.st_ino);
    return err::Success;
  }

  uint32_t SetTimes(const std::wstring& path, const TFileTime* creation, const TFileTime* lastAccess,
                    const TFileTime* lastWrite) override {
    // Linux keeps no settable creation time; it is left as it is.
    const std::string p = NativePath(path);
    const timespec times[2] = {lastAccess ? FileTimeToTimespec(*lastAccess) : timespec{0, UTIME_OMIT},
                               lastWrite ? FileTimeToTimespec(*lastWrite) : timespec{0, UTIME_OMIT}};
    if (::utimensat(AT_FDCWD, p.c_str(), times, 0) != 0) return MapErrno(errno, p);
    return err::Success;
  }

  uint32_t MakeFolder(const std::wstring& path) override {
    const std::string p = NativePath(path);
    if (::mkdir(p.c_str(), 0777) == 0) return err::Success;
    if (errno == EEXIST) return err::AlreadyExists;
    if (errno == ENOENT) return err::PathNotFound;
    return MapErrno(errno, p);
  }

  uint32_t RemoveFolder(const std::wstring& path) override {
    const std::string p = NativePath(path);
    TEntryStat st;
    if (const int e = StatLink(p, st)) return MapErrno(e, p);
    if (!S_ISDIR(st.Mode)) return err::DirectoryInvalid;
    if (::rmdir(p.c_str()) == 0) return err::Success;
    if (errno == ENOTEMPTY || errno == EEXIST) return err::DirNotEmpty;
    return MapErrno(errno, p);
  }

  uint32_t RemoveFile(const std::wstring& path) override {
    const std::string p = NativePath(path);
    TEntryStat st;
    if (const int e = StatLink(p, st)) return MapErrno(e, p);
    if (S_ISDIR(st.Mode)) return err::AccessDenied;
    if (S_ISREG(st.Mode)) {
      if (IsReadOnly(st)) return err::AccessDenied;
      if (!TShareTable::Instance().DeleteAllowed(st.Dev, st.Ino)) return err::SharingViolation;
    }
    if (::unlink(p.c_str()) != 0) return MapErrno(errno, p);
    return err::Success;
  }

  uint32_t MoveEntry(const std::wstring& from, const std::wstring& to, bool replace) override {
    const std::string src = NativePath(from);
    const std::string dst = NativePath(to);
    TEntryStat srcStat;
    if (const int e = StatLink(src, srcStat)) return MapErrno(e, src);
    if (!TShareTable::Instance().DeleteAllowed(srcStat.Dev, srcStat.Ino)) return err::SharingViolation;
    TEntryStat dstStat;
    const bool targetExists = StatLink(dst, dstStat) == 0;
    // A move onto its own name changes nothing and succeeds, as a letter-case rename does.
    if (src == dst) return err::Success;
    if (targetExists && !(dstStat.Dev == srcStat.Dev && dstStat.Ino == srcStat.Ino)) {
      if (!replace) return err::AlreadyExists;
      // Only a file replaces a file, and a read-only or open one refuses, as on Windows.
      if (S_ISDIR(dstStat.Mode) || S_ISDIR(srcStat.Mode) || IsReadOnly(dstStat)) return err::AccessDenied;
      if (!TShareTable::Instance().DeleteAllowed(dstStat.Dev, dstStat.Ino)) return err::SharingViolation;
    }
    const int r = replace ? ::rename(src.c_str(), dst.c_str())
                          : ::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
    if (r == 0) return err::Success;
    const int e = errno;
    if (e == EEXIST || e == ENOTEMPTY) return err::AlreadyExists;
    // A folder moved into itself: Windows answers with a sharing violation.
    if (e == EINVAL && S_ISDIR(srcStat.Mode)) return err::SharingViolation;
    if (e == EINVAL && !replace) {
      // The file system does not know RENAME_NOREPLACE; the target was checked above.
      if (::rename(src.c_str(), dst.c_str()) == 0) return err::Success;
      return MapErrno(errno, dst);
    }
    if (e != EXDEV) return MapErrno(e, e == ENOENT && !targetExists ? dst : src);
    // Another file system: files are copied and the original deleted (as
    // MOVEFILE_COPY_ALLOWED does); folders cannot move across.
    if (S_ISDIR(srcStat.Mode)) return err::NotSameDevice;
    if (const uint32_t code = CopyData(src, srcStat, dst, !replace, {}, nullptr)) return code;
    if (::unlink(src.c_str()) != 0) {
      const uint32_t code = MapErrno(errno, src);
      ::unlink(dst.c_str());
      return code;
    }
    return err::Success;
  }

  uint32_t CopyEntry(const std::wstring& from, const std::wstring& to, bool failIfExists, const TCopyProgress& progress,
                     const std::atomic<bool>* cancel) override {
    const std::string src = NativePath(from);
    const std::string dst = NativePath(to);
    TEntryStat srcStat;
    if (const uint32_t code = StatOrCode(src, srcStat)) return code;
    if (!S_ISREG(srcStat.Mode)) return err::AccessDenied;
    TEntryStat dstStat;
    if (StatEntry(dst, dstStat) == 0) {
      if (failIfExists) return err::FileExists;
      if (dstStat.Dev == srcStat.Dev && dstStat.Ino == srcStat.Ino) return err::SharingViolation;
      if (!S_ISREG(dstStat.Mode) || IsReadOnly(dstStat)) return err::AccessDenied;
    }
    return CopyData(src, srcStat, dst, failIfExists, progress, cancel);
  }

  uint32_t OpenFile(const std::wstring& path, TOpenMode mode, uint32_t shareMode,
                    std::unique_ptr<IFileStream>& stream) override {
    stream.reset();
    const std::string p = NativePath(path);
    TEntryStat st;
    const int statError = StatEntry(p, st);
    const bool exists = statError == 0;
    // CREATE_NEW meets any existing name first, a folder's too.
    if (mode == TOpenMode::CreateNew && exists) return err::FileExists;
    if (exists && !S_ISREG(st.Mode)) return err::AccessDenied;  // folders, devices, pipes
    int flags = O_CLOEXEC;
    uint32_t accessBits = 0;
    switch (mode) {
      case TOpenMode::Read:
        flags |= O_RDONLY;
        accessBits = access::Read;
        break;
      case TOpenMode::Write:
        flags |= O_WRONLY | O_CREAT;
        accessBits = access::Write;
        break;
      case TOpenMode::ReadWrite:
        flags |= O_RDWR;
        accessBits = access::Read | access::Write;
        break;
      case TOpenMode::CreateNew:
        flags |= O_RDWR | O_CREAT | O_EXCL;
        accessBits = access::Read | access::Write;
        break;
      case TOpenMode::WriteExisting:
        flags |= O_WRONLY;
        accessBits = access::Write;
        break;
    }
    if (mode == TOpenMode::CreateNew && exists) return err::FileExists;
    if (!exists && !(flags & O_CREAT)) return MapErrno(statError, p);
    // Read-only files refuse writing even to the superuser, as on Windows.
    if (exists && (accessBits & access::Write) && IsReadOnly(st)) return err::AccessDenied;

    TOpenGuard open;
    open.Fd = ::open(p.c_str(), flags, 0666);
    if (open.Fd < 0) {
      if (errno == EEXIST) return err::FileExists;
      return MapErrno(errno, p);
    }
    if (const uint32_t code = Register(open.Fd, accessBits, shareMode, open.Token)) return code;
    // Truncated only once the share check passed, so a refused open changes nothing.
    if (mode == TOpenMode::Write && ::ftruncate(open.Fd, 0) != 0) return MapErrno(errno);
    stream = MakeFileStream(open.Fd, open.Token);
    open.Fd = -1;
    open.Token = 0;
    return err::Success;
  }

  std::wstring TempFolder() override {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder = tmp && *tmp ? tmp : "/tmp";
    if (folder.back() != '/') folder += '/';
    return Utf8ToWide(folder);
  }

  uint32_t FullPath(const std::wstring& path, std::wstring& full) override {
    // A Linux path is full when it starts at "/"; "." and ".." are left to the system.
    const std::string native = NativePath(path);
    if (!native.empty() && native[0] == '/') {
      full = path;
      return 0;
    }
    std::vector<char> buffer(PATH_MAX);
    if (!::getcwd(buffer.data(), buffer.size())) return MapErrno(errno);
    full = Utf8ToWide(std::string(buffer.data()) + "/") + path;
    return 0;
  }

  std::wstring ProgramFolder() override {
    std::vector<char> buffer(PATH_MAX);
    for (;;) {
      const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
      if (n < 0) return L"./";
      if (static_cast<size_t>(n) < buffer.size()) {
        std::string exe(buffer.data(), static_cast<size_t>(n));
        return Utf8ToWide(exe.substr(0, exe.rfind('/') + 1));
      }
      buffer.resize(buffer.size() * 2);
    }
  }
};

}  // namespace

}  // namespace vog::posix

namespace vog {

std::unique_ptr<IFileSystem> CreateSystemFileSystem() { return std::make_unique<posix::TPosixFileSystem>(); }

}  // namespace vog
