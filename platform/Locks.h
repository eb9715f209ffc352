#pragma once
// Named locks shared by every process of the machine: the program holds one for each data
// file while it runs a backup of it, so that a second start on the same data file (a
// scheduled run while the user runs one, two scheduled tasks) does not work on the same
// destination, work copies and history database at the same time.
//
// A name is at most kMaxLockName characters of letters, digits, "-" and "_" (the Win32
// implementation puts it into the global namespace of kernel objects, where "\" is not
// allowed). A lock is held until its IHeldLock is destroyed, by the holder's process
// ending too (also when it is killed), so a lock never outlives a run.
//
// Win32: a named mutex "Global\<name>" (error 183 when it exists already, 5 when it exists
// but belongs to another user). Memory: a set of held names in the platform object. POSIX:
// an exclusive flock on "<temporary folder>/<name>.lock" (so two native processes exclude
// each other as well). Safe to call from two threads at once.
#include <cstdint>
#include <memory>
#include <string>

namespace vog {

inline constexpr size_t kMaxLockName = 200;

class IHeldLock {
public:
  virtual ~IHeldLock() = default;  // releases the lock
};

class ILocks {
public:
  virtual ~ILocks() = default;
  // Takes the lock `name` at once, without waiting. 0 and `held` set when it was free;
  // err::AlreadyExists (183) or err::AccessDenied (5) when another holder has it (the same
  // process included); err::InvalidName (123) for a name outside the rule above; another
  // Windows code when the system refused.
  virtual uint32_t TryLock(const std::wstring& name, std::unique_ptr<IHeldLock>& held) = 0;
};

// Whether `name` follows the rule above.
bool IsLockName(const std::wstring& name) noexcept;

}  // namespace vog
