#pragma once
// TExitWin: the power actions run after an unattended backup (power off, reboot, standby,
// hibernate). Each returns true when the system accepted the request and raises
// EExitError (base/Error.h) with a message that names the failed action otherwise.
//
// The system version is read once, when the first TExitWin is created, and shared by
// every instance. The checks and their order follow what each system line supports:
// the NT line needs the shutdown privilege, NT 4 has no power management, and the first
// 9x release cannot ask whether suspending is allowed.
#include "platform/Power.h"

namespace vog {

inline constexpr const wchar_t* kPowerOffFailed = L"コンピュータの電源を切ることができませんでした。";
inline constexpr const wchar_t* kRebootFailed = L"Windows を再起動できませんでした。";
inline constexpr const wchar_t* kSuspendNotAllowed = L"サスペンドは許可されていません。";
inline constexpr const wchar_t* kSuspendFailed = L"サスペンドに移行できませんでした。";
inline constexpr const wchar_t* kHibernateNotAllowed = L"休止状態は許可されていません。";
inline constexpr const wchar_t* kHibernateFailed = L"休止状態に移行できませんでした。";
inline constexpr const wchar_t* kPrivilegeFailed = L"特権の取得に失敗しました。";
inline constexpr const wchar_t* kNt4NoPowerManagement = L"WindowsNT4は電源管理をサポートしていません。";

class TExitWin {
public:
  TExitWin();

  bool PowerOff();
  bool Reboot();
  bool Standby();
  bool Hibernate();

  // The shared version record, as read by the first instance.
  static const TOsVersion& Version();
  // Forgets the shared record so that the next instance reads it again (tests change the
  // version the platform reports).
  static void ResetVersion();

private:
  bool IsNt() const;
  int NtMajor() const;
  bool IsFirst9x() const;
  void ObtainShutdownPrivilege();
  bool PowerQuery(bool hibernate);
  bool SetPowerState(bool suspend);
  IPower* power_;
};

}  // namespace vog
