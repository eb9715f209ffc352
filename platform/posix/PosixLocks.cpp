// Named locks natively: an exclusive flock on "<temporary folder>/<name>.lock". The lock
// goes with the descriptor, so a killed process leaves no lock behind (the file stays,
// empty and harmless), and a second descriptor of the same process is refused like
// another process.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "base/Text.h"
#include "platform/Codes.h"
#include "platform/SystemPlatform.h"
#include "platform/posix/PosixPlatform.h"

namespace vog {

namespace {

class TPosixHeldLock : public IHeldLock {
public:
  explicit TPosixHeldLock(int fd) : fd_(fd) {}
  ~TPosixHeldLock() override { ::close(fd_); }  // closing the descriptor releases the flock

private:
  int fd_;
};

class TPosixLocks : public ILocks {
public:
  uint32_t TryLock(const std::wstring& name, std::unique_ptr<IHeldLock>& held) override {
    if (!IsLockName(name)) return err::InvalidName;
    const std::string path = posix::NativePath(CreateSystemFileSystem()->TempFolder() + name + L".lock");
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return posix::MapErrno(errno, path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int error = errno;
      ::close(fd);
      return error == EWOULDBLOCK ? err::AlreadyExists : posix::MapErrno(error);
    }
    held = std::make_unique<TPosixHeldLock>(fd);
    return err::Success;
  }
};

}  // namespace

std::unique_ptr<ILocks> CreateSystemLocks() { return std::make_unique<TPosixLocks>(); }

}  // namespace vog
