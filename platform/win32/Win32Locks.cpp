// Named locks of the Windows build: a mutex "Global\<name>", visible to every session, so
// that a run started by the Task Scheduler (often in a session of its own) and one started
// by the user exclude each other. The mutex is never waited on: that it exists is the lock.
// It goes when its last handle closes, also when the holding process is killed.
#include <windows.h>

#include "platform/Codes.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Handles.h"

namespace vog {

namespace {

class TWin32HeldLock : public IHeldLock {
public:
  explicit TWin32HeldLock(win32::THandle mutex) : mutex_(std::move(mutex)) {}

private:
  win32::THandle mutex_;
};

class TWin32Locks : public ILocks {
public:
  uint32_t TryLock(const std::wstring& name, std::unique_ptr<IHeldLock>& held) override {
    if (!IsLockName(name)) return err::InvalidName;
    const std::wstring global = L"Global\\" + name;
    win32::THandle mutex(CreateMutexW(nullptr, FALSE, global.c_str()));
    // A mutex of another user's run cannot be opened (5): it is held all the same.
    if (!mutex) return GetLastError();
    if (GetLastError() == ERROR_ALREADY_EXISTS) return err::AlreadyExists;
    held = std::make_unique<TWin32HeldLock>(std::move(mutex));
    return err::Success;
  }
};

}  // namespace

std::unique_ptr<ILocks> CreateSystemLocks() { return std::make_unique<TWin32Locks>(); }

}  // namespace vog
