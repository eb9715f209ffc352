// Power management of the Windows build. The power-profile functions are looked up by
// name in "Powrprof.dll" for each question and the library is released again, so the
// program starts on systems without it; the version comes from ntdll's RtlGetVersion,
// which a missing manifest entry cannot make lie as GetVersionEx does.
#include <windows.h>

#include "platform/Codes.h"
#include "platform/SystemPlatform.h"
#include "platform/win32/Win32Handles.h"

namespace vog {

namespace {

using win32::Proc;

// Calls a power-profile query ("IsPwrSuspendAllowed", "IsPwrHibernateAllowed"); false
// when the library or the function is missing.
bool AskPowerProfile(const char* name) {
  const win32::TLibrary module(LoadLibraryW(L"Powrprof.dll"));
  if (!module) return false;
  auto query = Proc<BOOLEAN(WINAPI*)()>(module.Get(), name);
  return query && query() != FALSE;
}

class TWin32Power : public IPower {
public:
  TOsVersion OsVersion() override {
    TOsVersion version;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    auto rtlGetVersion = Proc<TRtlGetVersion>(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
    if (rtlGetVersion && rtlGetVersion(&info) == 0) {
      version.NtLine = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
      version.Major = static_cast<int>(info.dwMajorVersion);
      version.Minor = static_cast<int>(info.dwMinorVersion);
    }
    return version;
  }

  uint32_t EnableShutdownPrivilege() override {
    win32::THandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Put()))
      return GetLastError();
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    uint32_t code = 0;
    if (!LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
      code = GetLastError();
    } else if (!AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr)) {
      code = GetLastError();
    } else {
      // The call succeeds without enabling anything when the account does not hold the
      // privilege; the session could not be ended then.
      const DWORD last = GetLastError();
      if (last == ERROR_NOT_ALL_ASSIGNED) code = last;
    }
    return code;
  }

  uint32_t ExitSession(TExitKind kind) override {
    const UINT flags = kind == TExitKind::PowerOff ? EWX_SHUTDOWN | EWX_POWEROFF : EWX_REBOOT;
    if (!ExitWindowsEx(flags, SHTDN_REASON_MAJOR_OTHER | SHTDN_REASON_FLAG_PLANNED)) return GetLastError();
    return 0;
  }

  bool SuspendAllowed() override { return AskPowerProfile("IsPwrSuspendAllowed"); }
  bool HibernateAllowed() override { return AskPowerProfile("IsPwrHibernateAllowed"); }

  uint32_t SetPowerState(bool suspend) override {
    // SetSuspendState of the power-profile library where present; kernel32's older
    // SetSystemPowerState otherwise. Both are looked up by name.
    if (const win32::TLibrary module(LoadLibraryW(L"Powrprof.dll")); module) {
      using TSetSuspendState = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);
      if (auto setSuspendState = Proc<TSetSuspendState>(module.Get(), "SetSuspendState")) {
        if (setSuspendState(suspend ? FALSE : TRUE, FALSE, FALSE) != FALSE) return 0;
        const uint32_t code = GetLastError();
        return code ? code : err::GenFailure;
      }
    }
    using TSetSystemPowerState = BOOL(WINAPI*)(BOOL, BOOL);
    auto setSystemPowerState = Proc<TSetSystemPowerState>(GetModuleHandleW(L"kernel32.dll"), "SetSystemPowerState");
    if (!setSystemPowerState) return err::NotSupported;
    if (!setSystemPowerState(suspend ? TRUE : FALSE, FALSE)) {
      const uint32_t code = GetLastError();
      return code ? code : err::GenFailure;
    }
    return 0;
  }
};

}  // namespace

std::unique_ptr<IPower> CreateSystemPower() { return std::make_unique<TWin32Power>(); }

}  // namespace vog
