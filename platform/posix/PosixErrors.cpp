// The one place where errno values become Windows error codes.
#include <sys/stat.h>

#include <cerrno>

#include "base/Text.h"
#include "platform/Codes.h"
#include "platform/posix/PosixPlatform.h"

namespace vog::posix {

namespace {
constexpr uint32_t kIoDevice = 1117;         // ERROR_IO_DEVICE
constexpr uint32_t kFileTooLarge = 223;      // ERROR_FILE_TOO_LARGE
constexpr uint32_t kCantResolveName = 1921;  // ERROR_CANT_RESOLVE_FILENAME (symbolic link loop)
constexpr uint32_t kSemTimeout = 121;        // ERROR_SEM_TIMEOUT
}  // namespace

uint32_t MapErrno(int error) {
  switch (error) {
    case 0:
      return err::Success;
    case ENOENT:
      return err::FileNotFound;
    case ENOTDIR:
      return err::PathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
      return err::AccessDenied;
    case EROFS:
      return err::WriteProtect;
    case EEXIST:
      return err::FileExists;
    case ENOTEMPTY:
      return err::DirNotEmpty;
    case ENOSPC:
    case EDQUOT:
      return err::DiskFull;
    case EBUSY:
    case ETXTBSY:
      return err::SharingViolation;
    case EAGAIN:
      return err::LockViolation;
    case EXDEV:
      return err::NotSameDevice;
    case ENAMETOOLONG:
      return err::FilenameExceedRange;
    case EILSEQ:
      return err::InvalidName;
    case EINVAL:
      return err::InvalidParameter;
    case EMFILE:
    case ENFILE:
      return err::TooManyOpenFiles;
    case ENOMEM:
      return err::NotEnoughMemory;
    case EBADF:
      return err::InvalidHandle;
    case EIO:
      return kIoDevice;
    case EFBIG:
      return kFileTooLarge;
    case ELOOP:
      return kCantResolveName;
    case ENOTSUP:
      return err::NotSupported;
    case ENODEV:
    case ENXIO:
      return err::DevNotExist;
    case ENOMEDIUM:
      return err::NoMediaInDrive;
    case ENETDOWN:
    case ENETUNREACH:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ECONNREFUSED:
      return err::BadNetPath;
    case ECONNRESET:
    case ECONNABORTED:
    case ESTALE:
      return err::UnexpectedNetworkError;
    case ETIMEDOUT:
      return kSemTimeout;
    case ECANCELED:
      return err::RequestAborted;
    default:
      return err::GenFailure;
  }
}

uint32_t MapErrno(int error, const std::string& path) {
  if (error != ENOENT) return MapErrno(error);
  // Windows tells a missing file in an existing folder (2) from a missing folder on the
  // way (3); ENOENT covers both.
  std::string parent = path;
  while (parent.size() > 1 && parent.back() == '/') parent.pop_back();
  const size_t slash = parent.rfind('/');
  if (slash == std::string::npos)
    parent = ".";
  else
    parent.resize(slash == 0 ? 1 : slash);
  struct stat st;
  if (::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return err::FileNotFound;
  return err::PathNotFound;
}

namespace {
constexpr int64_t kEpochDiffSeconds = 11644473600LL;  // 1601-01-01 to 1970-01-01
}

TFileTime TimespecToFileTime(const timespec& ts) {
  const int64_t ticks = (static_cast<int64_t>(ts.tv_sec) + kEpochDiffSeconds) * 10000000LL + ts.tv_nsec / 100;
  return TFileTime{ticks < 0 ? 0 : static_cast<uint64_t>(ticks)};
}

timespec FileTimeToTimespec(TFileTime time) {
  const int64_t ticks = static_cast<int64_t>(time.Value);
  timespec ts{};
  ts.tv_sec = static_cast<time_t>(ticks / 10000000LL - kEpochDiffSeconds);
  ts.tv_nsec = static_cast<long>((ticks % 10000000LL) * 100);
  return ts;
}

std::string NativePath(const std::wstring& path) {
  // Drive Z: is the root of the file system, as Wine maps it: a setup written by the
  // Windows program under Wine names its folders Z:\..., and they open here as they are.
  const bool driveZ = path.size() >= 3 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':' &&
                      (path[2] == L'\\' || path[2] == L'/');
  std::string out = WideToUtf8(driveZ ? path.substr(2) : path);
  for (auto& c : out)
    if (c == '\\') c = '/';
  return out;
}

}  // namespace vog::posix
