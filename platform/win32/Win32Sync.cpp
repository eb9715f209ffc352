#include <windows.h>

#include "platform/Sync.h"

namespace vog {

static_assert(sizeof(SRWLOCK) == sizeof(void*) && sizeof(CONDITION_VARIABLE) == sizeof(void*));

namespace {
PSRWLOCK Srw(void*& lock) { return reinterpret_cast<PSRWLOCK>(&lock); }
PCONDITION_VARIABLE Cv(void*& condition) { return reinterpret_cast<PCONDITION_VARIABLE>(&condition); }
}  // namespace

void TMutex::lock() { AcquireSRWLockExclusive(Srw(lock_)); }
void TMutex::unlock() { ReleaseSRWLockExclusive(Srw(lock_)); }
bool TMutex::try_lock() { return TryAcquireSRWLockExclusive(Srw(lock_)) != 0; }

void TCondition::notify_one() noexcept { WakeConditionVariable(Cv(condition_)); }
void TCondition::notify_all() noexcept { WakeAllConditionVariable(Cv(condition_)); }

void TCondition::wait(std::unique_lock<TMutex>& lock) { WaitMs(lock, INFINITE); }

void TCondition::WaitMs(std::unique_lock<TMutex>& lock, unsigned long ms) {
  // A wake-up without a notify, or the time running out, both return here; the callers
  // check their condition again either way.
  SleepConditionVariableSRW(Cv(condition_), Srw(lock.mutex()->lock_), ms, 0);
}

}  // namespace vog
