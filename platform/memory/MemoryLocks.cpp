// Named locks of the memory platform: the names held, in the platform object. A test that
// plays another process takes a lock itself before the code under test asks for it.
#include "platform/Codes.h"
#include "platform/memory/MemoryPlatform.h"

namespace vog {

namespace {

class TMemoryHeldLock : public IHeldLock {
public:
  TMemoryHeldLock(std::shared_ptr<TMemoryLocks::TState> state, std::wstring name)
      : state_(std::move(state)), name_(std::move(name)) {}
  ~TMemoryHeldLock() override {
    std::lock_guard lock(state_->Mutex);
    state_->Held.erase(name_);
  }

private:
  std::shared_ptr<TMemoryLocks::TState> state_;
  std::wstring name_;
};

}  // namespace

uint32_t TMemoryLocks::TryLock(const std::wstring& name, std::unique_ptr<IHeldLock>& held) {
  if (!IsLockName(name)) return err::InvalidName;
  std::lock_guard lock(state_->Mutex);
  if (!state_->Held.insert(name).second) return err::AlreadyExists;
  held = std::make_unique<TMemoryHeldLock>(state_, name);
  return err::Success;
}

bool TMemoryLocks::Held(const std::wstring& name) const {
  std::lock_guard lock(state_->Mutex);
  return state_->Held.count(name) != 0;
}

}  // namespace vog
