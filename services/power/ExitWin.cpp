#include "services/power/ExitWin.h"

#include <optional>

#include "base/Error.h"
#include "platform/Platform.h"

namespace vog {

namespace {

std::optional<TOsVersion>& SharedVersion() {
  static std::optional<TOsVersion> version;
  return version;
}

}  // namespace

TExitWin::TExitWin() : power_(Platform().Power.get()) {
  if (!SharedVersion()) SharedVersion() = power_ ? power_->OsVersion() : TOsVersion{};
}

const TOsVersion& TExitWin::Version() {
  static const TOsVersion none{};
  return SharedVersion() ? *SharedVersion() : none;
}

void TExitWin::ResetVersion() { SharedVersion().reset(); }

bool TExitWin::IsNt() const { return Version().NtLine; }
int TExitWin::NtMajor() const { return IsNt() ? Version().Major : -1; }
bool TExitWin::IsFirst9x() const { return !IsNt() && Version().Major == 4 && Version().Minor == 0; }

void TExitWin::ObtainShutdownPrivilege() {
  if (!IsNt()) return;
  if (!power_ || power_->EnableShutdownPrivilege() != 0) throw EExitError(kPrivilegeFailed);
}

bool TExitWin::PowerQuery(bool hibernate) {
  // The first 9x release and NT 4 have no power-profile library worth asking.
  if (IsFirst9x() || NtMajor() == 4 || !power_) return false;
  return hibernate ? power_->HibernateAllowed() : power_->SuspendAllowed();
}

bool TExitWin::SetPowerState(bool suspend) {
  if (IsNt() && Version().Major < 5) throw EExitError(kNt4NoPowerManagement);
  ObtainShutdownPrivilege();
  return power_ && power_->SetPowerState(suspend) == 0;
}

bool TExitWin::PowerOff() {
  ObtainShutdownPrivilege();
  if (!power_ || power_->ExitSession(TExitKind::PowerOff) != 0) throw EExitError(kPowerOffFailed);
  return true;
}

bool TExitWin::Reboot() {
  ObtainShutdownPrivilege();
  if (!power_ || power_->ExitSession(TExitKind::Reboot) != 0) throw EExitError(kRebootFailed);
  return true;
}

bool TExitWin::Standby() {
  if (!IsFirst9x() && !PowerQuery(false)) throw EExitError(kSuspendNotAllowed);
  if (!SetPowerState(true)) throw EExitError(kSuspendFailed);
  return true;
}

bool TExitWin::Hibernate() {
  if (!PowerQuery(true)) throw EExitError(kHibernateNotAllowed);
  if (!SetPowerState(false)) throw EExitError(kHibernateFailed);
  return true;
}

}  // namespace vog
