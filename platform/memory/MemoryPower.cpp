#include "platform/memory/MemoryPower.h"

namespace vog {

void TMemoryPower::Record(const char* request) {
  std::lock_guard lock(mutex_);
  requests_.emplace_back(request);
}

std::vector<std::string> TMemoryPower::Requests() {
  std::lock_guard lock(mutex_);
  return requests_;
}

TOsVersion TMemoryPower::OsVersion() { return Version; }

uint32_t TMemoryPower::EnableShutdownPrivilege() {
  Record("Privilege");
  return PrivilegeResult;
}

uint32_t TMemoryPower::ExitSession(TExitKind kind) {
  Record(kind == TExitKind::PowerOff ? "PowerOff" : "Reboot");
  return ExitResult;
}

bool TMemoryPower::SuspendAllowed() {
  Record("SuspendAllowed");
  return PowerProfileAvailable && SuspendIsAllowed;
}

bool TMemoryPower::HibernateAllowed() {
  Record("HibernateAllowed");
  return PowerProfileAvailable && HibernateIsAllowed;
}

uint32_t TMemoryPower::SetPowerState(bool suspend) {
  Record(suspend ? "Suspend" : "Hibernate");
  return PowerStateResult;
}

}  // namespace vog
