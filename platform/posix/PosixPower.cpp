// Linux has no Windows session to end and no power profile: every request answers
// err::NotSupported and nothing is allowed.
#include "platform/Codes.h"
#include "platform/SystemPlatform.h"

namespace vog {

namespace {

class TPosixPower : public IPower {
public:
  TOsVersion OsVersion() override { return {true, 10, 0}; }
  uint32_t EnableShutdownPrivilege() override { return err::NotSupported; }
  uint32_t ExitSession(TExitKind) override { return err::NotSupported; }
  bool SuspendAllowed() override { return false; }
  bool HibernateAllowed() override { return false; }
  uint32_t SetPowerState(bool) override { return err::NotSupported; }
};

}  // namespace

std::unique_ptr<IPower> CreateSystemPower() { return std::make_unique<TPosixPower>(); }

}  // namespace vog
