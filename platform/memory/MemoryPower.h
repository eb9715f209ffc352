#pragma once
// The memory platform's power service: nothing is switched off; every request is recorded
// in order, and each answer can be set, so that every path of the power actions is tested.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Power.h"

namespace vog {

class TMemoryPower : public IPower {
public:
  // What the service answers (defaults: Windows 10, everything allowed and succeeding).
  TOsVersion Version{true, 10, 0};
  uint32_t PrivilegeResult = 0;
  uint32_t ExitResult = 0;
  bool PowerProfileAvailable = true;  // false: the power-profile library is missing
  bool SuspendIsAllowed = true;
  bool HibernateIsAllowed = true;
  uint32_t PowerStateResult = 0;

  // The requests so far: "Privilege", "PowerOff", "Reboot", "SuspendAllowed",
  // "HibernateAllowed", "Suspend", "Hibernate".
  std::vector<std::string> Requests();

  TOsVersion OsVersion() override;
  uint32_t EnableShutdownPrivilege() override;
  uint32_t ExitSession(TExitKind kind) override;
  bool SuspendAllowed() override;
  bool HibernateAllowed() override;
  uint32_t SetPowerState(bool suspend) override;

private:
  void Record(const char* request);
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

}  // namespace vog
